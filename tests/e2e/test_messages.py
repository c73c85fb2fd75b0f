"""What a run says on standard error: the one line with which every failed
run ends (what failed, the file or layer, the system's reason), the hints of
a layer that is not found, the entities behind a layer with too many records,
the drawing's units, the options and the arguments that a run ignores."""

import os
import re
import shutil
import subprocess

import pytest

from conftest import SOURCE, unsigned
from test_cli import LINE, dxf, sdxf
from test_curve_records import spline

SAMPLES = SOURCE.parent / "shared" / "samples"
HELP = b"""Usage: dxfprofile 2 DRAWING.dxf          write DRAWING.sdxf and DRAWING.layers
       dxfprofile 3 DRAWING.sdxf LAYER   write LAYER.txt, the layer's profile
       dxfprofile --help | -h            show this text
       dxfprofile --version              show the program's version

Profile values are in the drawing's units. A run that fails ends with a
status other than 0 and says why in one line on standard error.
"""


def sample(tmp_path, name):
    path = SAMPLES / f"{name}.dxf"
    if not path.exists():
        pytest.skip(f"{path} is absent")
    shutil.copy(path, tmp_path / "in.dxf")


def lwpolyline(layer, segments):
    vertices = b"".join(b" 10\n%d.0\n 20\n%d.0\n" % (i, i % 2) for i in range(segments + 1))
    return (b"  0\nLWPOLYLINE\n100\nAcDbEntity\n  8\n%s\n100\nAcDbPolyline\n 90\n%d\n 70\n0\n"
            % (layer, segments + 1) + vertices)


def with_units(units, crlf=False):
    header = b"  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n"
    if units is not None:
        header += b"  9\n$INSUNITS\n 70\n%6d\n" % units
    data = header + b"  0\nENDSEC\n" + dxf(b"A")
    return data.replace(b"\n", b"\r\n") if crlf else data


@pytest.fixture
def files(tmp_path):
    """The inputs of the failing runs below, in tmp_path."""
    (tmp_path / "plan.dxf").write_bytes(dxf(b"A"))
    (tmp_path / "plain.sdxf").write_bytes(sdxf(b"A", b"B"))
    (tmp_path / "folder.dxf").mkdir()
    (tmp_path / "B.txt").mkdir()
    (tmp_path / "busy").mkdir()
    (tmp_path / "busy" / "plan.sdxf").mkdir()
    (tmp_path / "busy" / "plan.dxf").write_bytes(dxf(b"A"))
    (tmp_path / "bare.dxf").write_bytes(b"  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nEOF\n")
    (tmp_path / "cut.dxf").write_bytes(dxf(b"A").split(b"  0\nENDSEC")[0])
    (tmp_path / "odd.dxf").write_bytes(dxf(b"A").replace(b" 21\n", b"x21\n"))
    (tmp_path / "many.sdxf").write_bytes(
        b"ENTITIES\n" + LINE % b"A" * 60 + lwpolyline(b"A", 10) + b"  0\nENDSEC\nEOF")
    (tmp_path / "wiggly.sdxf").write_bytes(
        b"ENTITIES\n" + spline([(i * 2.0, 10.0 * (i % 2)) for i in range(400)], degree=2)
        + LINE % b"CUT" + b"  0\nENDSEC\nEOF")
    (tmp_path / "huge.sdxf").write_bytes(sdxf(b"A").replace(b" 10\n1.0\n", b" 10\n1e39\n"))
    (tmp_path / "bad.sdxf").write_bytes(sdxf(b"A").replace(b" 20\n2.0\n", b"x20\n2.0\n"))
    (tmp_path / "short.sdxf").write_bytes(b"ENTITIES\n" + LINE % b"A")
    (tmp_path / "names.sdxf").write_bytes(
        sdxf(b"WALLS", b" walls ", b"Walls\t", b"wall", b"trac\xe9", b"TRAC\\U+00C9", b"tracE"))
    (tmp_path / "slash.sdxf").write_bytes(sdxf(b"sub/A"))
    (tmp_path / "C.txt").write_bytes(sdxf(b"C"))
    (tmp_path / "A.txt").symlink_to("/dev/full")
    return tmp_path


FAILURES = [
    ((), "missing arguments; dxfprofile --help shows the usage"),
    (("2",), "missing arguments; dxfprofile --help shows the usage"),
    (("3", "plain.sdxf"), "missing the layer name; dxfprofile --help shows the usage"),
    (("7", "plain.sdxf", "A"), "unknown mode '7' (2 or 3)"),
    (("", "plain.sdxf"), "unknown mode '' (2 or 3)"),
    (("3", "p" * 256, "A"), "the path is longer than 255 characters"),
    (("3", "plain.sdxf", "L" * 252), "the layer name is longer than 251 characters"),
    (("2", "absent.dxf"), "cannot open absent.dxf: No such file or directory"),
    (("3", "folder.dxf", "A"), "cannot open folder.dxf: Is a directory"),
    (("2", "/dev/null"), "cannot open /dev/null: a device, not a drawing"),
    (("2", "busy/plan.dxf"), "cannot write busy/plan.sdxf: Is a directory"),
    (("2", "bare.dxf"), "bare.dxf has no ENTITIES section"),
    (("2", "cut.dxf"), "cut.dxf ends inside its ENTITIES section"),
    (("2", "odd.dxf"), "line 23 of odd.dxf is not a group code"),
    (("3", "plain.sdxf", "B"), "cannot write B.txt: Is a directory"),
    (("3", "plain.sdxf", "A"), "cannot write /dev/full: No space left on device"),
    (("3", "C.txt", "C"), "C.txt would overwrite the input file C.txt"),
    (("3", "slash.sdxf", "sub/A"), "cannot write sub/A.txt: a profile is written in the "
     "working directory, and a layer name with '/' would leave it"),
    (("3", "plain.sdxf", "C"), "layer 'C' not found in plain.sdxf"),
    (("3", "short.sdxf", "A"), "short.sdxf ends before the end of its ENTITIES section"),
    (("3", "huge.sdxf", "A"),
     "the LINE on line 2 of huge.sdxf holds a value out of range on line 13"),
    (("3", "bad.sdxf", "A"),
     "the LINE on line 2 of bad.sdxf holds a line that is not a group code"),
    # Hints: case, blanks at either end, the drawing's code page, \U+XXXX.
    (("3", "names.sdxf", "walls"),
     "layer 'walls' not found in names.sdxf; similar layers: 'WALLS' ' walls ' $'Walls\\x09'"),
    (("3", "names.sdxf", "tracé"),
     "layer 'tracé' not found in names.sdxf; similar layers: $'trac\\xe9' 'TRAC\\U+00C9'"),
    (("3", "names.sdxf", " TRACÉ"),
     "layer ' TRACÉ' not found in names.sdxf; similar layers: $'trac\\xe9' 'TRAC\\U+00C9'"),
    (("3", "names.sdxf", "it's"), "layer 'it'\\''s' not found in names.sdxf"),
    (("3", "many.sdxf", "A"),
     "layer 'A' needs 70 records and a profile holds at most 64; the most come from "
     "LWPOLYLINE on line 1322 (10), LINE on line 2 (1), LINE on line 24 (1)"),
    (("3", "wiggly.sdxf", "CUT"),
     "layer 'CUT' needs more than 64 records and a profile holds at most 64; the most come "
     "from SPLINE on line 2 (more than 64), LINE on line 3220 (1)"),
]


@pytest.mark.parametrize("args, line", FAILURES, ids=[" ".join(a)[:40] for a, _ in FAILURES])
def test_failed_run_ends_with_one_line_on_standard_error(converter, files, args, line):
    run = converter(*args)
    assert run.status != 0
    assert run.stdout.endswith(b"\ndone")
    assert run.stderr.splitlines(keepends=True)[-1] == b"dxfprofile: %s\n" % line.encode()
    # The mode-3 report comes before it; nothing else does.
    assert run.stderr.count(b"dxfprofile: ") == 1


@pytest.mark.skipif(os.geteuid() == 0, reason="root writes into read-only directories")
def test_read_only_directory(converter, tmp_path):
    (tmp_path / "ro").mkdir()
    (tmp_path / "ro" / "plan.dxf").write_bytes(dxf(b"A"))
    (tmp_path / "ro").chmod(0o555)
    try:
        run = converter(2, "ro/plan.dxf")
    finally:
        (tmp_path / "ro").chmod(0o755)
    assert run.stderr == b"dxfprofile: cannot write ro/plan.sdxf: Permission denied\n"


def test_layers_file_that_cannot_be_written_is_a_warning(converter, tmp_path):
    (tmp_path / "plan.dxf").write_bytes(dxf(b"A"))
    (tmp_path / "plan.layers").mkdir()
    run = converter(2, "plan.dxf")
    assert run.status == 0
    assert run.stderr == b"dxfprofile: warning: cannot write plan.layers: Is a directory\n"


def test_cp1252_layer_typed_in_utf8_is_hinted(converter, tmp_path):
    sample(tmp_path, "acad-laser-cp1252-layer-names-r2004")
    assert converter(2, "in.dxf").status == 0
    run = converter(3, "in.sdxf", "Tracé")
    assert run.status == unsigned(-4)
    assert run.stderr == (
        b"dxfprofile: layer 'Trac\xc3\xa9' not found in in.sdxf; similar layers: $'trac\\xe9'\n")
    assert not (tmp_path / "Trac\u00e9.txt").exists()
    # The hint pasted into a shell gives the layer's bytes.
    hint = run.stderr.rsplit(b" ", 1)[1].strip()
    pasted = subprocess.run(["bash", "-c", b"printf %s " + hint], capture_output=True).stdout
    assert pasted == b"trac\xe9"
    assert converter(3, "in.sdxf", os.fsdecode(pasted)).status == unsigned(-5)


def test_too_many_records_name_the_entities_to_split(converter, tmp_path):
    sample(tmp_path, "qcad-dxflib-layer-before-subclass")
    assert converter(2, "in.dxf").status == 0
    run = converter(3, "in.sdxf", "boxes")
    assert run.status == unsigned(-5)
    assert run.stderr == (
        b"Left out of layer boxes:\n  MTEXT: 13\n"
        b"dxfprofile: layer 'boxes' needs 65 records and a profile holds at most 64; the most "
        b"come from LWPOLYLINE on line 2 (4), LWPOLYLINE on line 146 (4), LWPOLYLINE on line "
        b"290 (4)\n")
    assert (tmp_path / "boxes.txt").read_bytes() == b""


UNITS = b"profile values are in drawing units, as is the curve tolerance 0.005\n"


@pytest.mark.parametrize(
    "units, crlf, note",
    [
        (None, False, b""),
        (0, False, b""),
        (4, True, b""),
        (1, False, b"dxfprofile: note: plan.dxf is drawn in inches ($INSUNITS 1); " + UNITS),
        (6, True, b"dxfprofile: note: plan.dxf is drawn in metres ($INSUNITS 6); " + UNITS),
        (99, False, b"dxfprofile: note: plan.dxf gives its units as $INSUNITS 99; " + UNITS),
    ],
)
def test_mode_two_says_which_units_the_drawing_uses(converter, tmp_path, units, crlf, note):
    (tmp_path / "plan.dxf").write_bytes(with_units(units, crlf))
    run = converter(2, "plan.dxf")
    assert (run.status, run.stderr) == (0, note)
    assert run.stdout.endswith(b"\nFound 1 layers:\nA\ndone")


def test_options_print_on_standard_output_and_succeed(converter, tmp_path):
    cmake = (SOURCE / "CMakeLists.txt").read_text()
    version = re.search(r"project\(dxfprofile VERSION (\S+)", cmake)[1]
    for args, stdout, stderr in [
        (("--help",), HELP, b""),
        (("-h",), HELP, b""),
        (("--version",), b"dxfprofile %s\n" % version.encode(), b""),
        (("--version", "x"), b"dxfprofile %s\n" % version.encode(),
         b"dxfprofile: warning: ignoring an extra argument: 'x'\n"),
    ]:
        run = converter(*args)
        assert (run.status, run.stdout, run.stderr) == (0, stdout, stderr), args
    assert os.listdir(tmp_path) == []


def test_extra_arguments_are_named_and_change_nothing_else(converter, tmp_path):
    (tmp_path / "plan.dxf").write_bytes(dxf(b"A"))
    plain = converter(2, "plan.dxf")
    for args, named in [
        ((2, "plan.dxf", "b.dxf", "c d.dxf"), b"extra arguments: 'b.dxf' 'c d.dxf'"),
        ((3, "plan.sdxf", "A", "B"), b"an extra argument: 'B'"),
    ]:
        run = converter(*args)
        assert run.status == 0
        assert run.stderr == b"dxfprofile: warning: ignoring %s\n" % named
    assert run.stdout == b"\nInput:plan.sdxf\nLayer name = A\nProcessed 1 entities\ndone"
    assert converter(2, "plan.dxf", "x").stdout == plain.stdout
