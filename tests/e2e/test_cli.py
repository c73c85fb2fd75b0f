"""The command line end to end: arguments, modes, output names, and the
status and closing output of every kind of run."""

import os

import pytest

from conftest import split_profile, unsigned

USAGE = (
    b"\nUsage: dxfprofile 2 DRAWING.dxf          write DRAWING.sdxf and DRAWING.layers"
    b"\n       dxfprofile 3 DRAWING.sdxf LAYER   write LAYER.txt, the layer's profile"
)
TOO_LONG = b"\nError: argument longer than 255 characters (the layer name: 251)\ndone"

LINE = (
    b"  0\nLINE\n  5\n2A\n100\nAcDbEntity\n  8\n%s\n100\nAcDbLine\n"
    b" 10\n1.0\n 20\n2.0\n 30\n0.0\n 11\n3.0\n 21\n4.0\n 31\n0.0\n"
)
LINE_RECORD = b"LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n"


def section(*layers):
    return b"ENTITIES\n" + b"".join(LINE % layer for layer in layers) + b"  0\nENDSEC\n"


def sdxf(*layers):
    return section(*layers) + b"EOF"


def dxf(*layers):
    return b"  0\nSECTION\n  2\n" + section(*layers) + b"  0\nEOF\n"


def entries(directory):
    return sorted(os.listdir(directory))


@pytest.mark.parametrize(
    "args", [(), ("2",), ("3",), ("3", "plan.sdxf"), ("abc",), ("",), ("23",)]
)
def test_missing_arguments_print_the_usage(converter, tmp_path, args):
    (tmp_path / "plan.sdxf").write_bytes(sdxf(b"A"))
    run = converter(*args)
    assert run.status == unsigned(-1)
    assert run.stdout == USAGE + b"\ndone"
    assert entries(tmp_path) == ["plan.sdxf"]


@pytest.mark.parametrize("mode", ["abc", "23", "0", "1", "4", "-3", "-2", "", "0x2", " x2"])
def test_unknown_mode_is_refused_before_anything_is_opened(converter, tmp_path, mode):
    (tmp_path / "plan.sdxf").write_bytes(sdxf(b"A"))
    for args in ((mode, "plan.sdxf", "A"), (mode, "plan.sdxf")):
        run = converter(*args)
        assert run.status == unsigned(-1)
        refusal = b"\nError: unknown mode %s (2 or 3)" % mode.encode()
        assert run.stdout == refusal + USAGE + b"\ndone"
        assert entries(tmp_path) == ["plan.sdxf"]


@pytest.mark.parametrize("mode", ["2", " 2", "2abc", "+2", "02", "2.9", "\t2 3"])
def test_mode_two_is_read_like_a_leading_number(converter, tmp_path, mode):
    (tmp_path / "plan.dxf").write_bytes(dxf(b"A"))
    run = converter(mode, "plan.dxf", "ignored")
    assert run.status == 0
    assert run.stdout == (
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nOutput:plan.layers\nFound 1 layers:\nA\ndone"
    )
    assert entries(tmp_path) == ["plan.dxf", "plan.layers", "plan.sdxf"]


@pytest.mark.parametrize("mode", ["3", " 3", "3x", "+3", "3.0"])
def test_mode_three_is_read_like_a_leading_number(converter, tmp_path, mode):
    (tmp_path / "plan.sdxf").write_bytes(sdxf(b"A"))
    run = converter(mode, "plan.sdxf", "A")
    assert run.status == 0
    assert run.stdout == b"\nInput:plan.sdxf\nLayer name = A\nProcessed 1 entities\ndone"
    profile = split_profile((tmp_path / "A.txt").read_bytes())
    assert profile == b"A,<ID>\n1\n" + LINE_RECORD + b"EOF\n"


def test_arguments_longer_than_the_buffers_are_refused(converter, tmp_path):
    for args in (
        ("3", "p" * 256, "A"),
        ("2", "p" * 256),
        ("2", "p" * 1000, "A"),
        ("3", "plan.sdxf", "L" * 252),
        ("3", "p" * 256, "L" * 252),
    ):
        run = converter(*args)
        assert run.status == unsigned(-1)
        assert run.stdout == TOO_LONG
    assert entries(tmp_path) == []


def test_arguments_that_just_fit_are_taken(converter, tmp_path):
    path = "d" * 200 + "/" + "p" * 54
    run = converter(3, path, "A")
    assert run.status == unsigned(-1)
    assert run.stdout == b"\nInput:%s\nCan't open DXF file\ndone" % path.encode()
    # A layer name of 251 characters makes a profile name of 255.
    name = "L" * 251
    (tmp_path / "plan.sdxf").write_bytes(sdxf(name.encode()))
    run = converter(3, "plan.sdxf", name)
    assert run.status == 0
    assert split_profile((tmp_path / (name + ".txt")).read_bytes()) == (
        name.encode() + b",<ID>\n1\n" + LINE_RECORD + b"EOF\n"
    )
    assert entries(tmp_path) == sorted([name + ".txt", "plan.sdxf"])
    # In mode 2 the third argument is ignored, however long.
    (tmp_path / "plan.dxf").write_bytes(dxf(b"A"))
    run = converter(2, "plan.dxf", "L" * 1000)
    assert run.status == 0


@pytest.mark.parametrize("stem_length", [49, 50])
def test_derived_path_longer_than_the_buffer_is_refused(converter, tmp_path, stem_length):
    # With 49 the SDXF path just fits (255) and the layers path does not; with
    # 50 neither does. Nothing is written in either case.
    folder = tmp_path / ("d" * 200)
    folder.mkdir()
    path = "d" * 200 + "/" + "p" * stem_length + ".dxf"
    (tmp_path / path).write_bytes(dxf(b"A"))
    run = converter(2, path)
    assert run.status == unsigned(-1)
    assert run.stdout == (
        b"\nInput:%s\nError: output path longer than 255 characters\n\ndone" % path.encode()
    )
    assert entries(folder) == [path.rsplit("/", 1)[1]]


@pytest.mark.parametrize(
    "workdir, path, stem",
    [
        ("", "plan.dxf", "plan"),
        ("", "plan.old.dxf", "plan"),
        ("", "jobs/rev.2/plan.dxf", "jobs/rev.2/plan"),
        ("", "./plan.dxf", "./plan"),
        ("work", "../plan.dxf", "../plan"),
        ("", ".dxf", ""),
        ("", "jobs/plan", "jobs/plan"),
        ("", "rev.2/plan", "rev.2/plan"),
    ],
)
def test_outputs_are_named_after_the_last_path_component(converter, tmp_path, workdir, path, stem):
    cwd = tmp_path / workdir
    cwd.mkdir(exist_ok=True)
    (cwd / path).parent.mkdir(parents=True, exist_ok=True)
    (cwd / path).write_bytes(dxf(b"A"))
    before = sorted(str(p.relative_to(tmp_path)) for p in tmp_path.rglob("*"))
    run = converter(2, path, cwd=cwd)
    assert run.status == 0
    sdxf_path = (stem + ".sdxf").encode()
    layers_path = (stem + ".layers").encode()
    assert run.stdout == (
        b"\nInput:%s\nOutput:%s\nOutput:%s\nFound 1 layers:\nA\ndone"
        % (path.encode(), sdxf_path, layers_path)
    )
    assert (cwd / (stem + ".sdxf")).read_bytes() == section(b"A") + b"EOF"
    assert (cwd / (stem + ".layers")).read_bytes() == b"A\n"
    after = sorted(str(p.relative_to(tmp_path)) for p in tmp_path.rglob("*"))
    created = {os.path.normpath(os.path.join(workdir, stem + s)) for s in (".sdxf", ".layers")}
    assert set(after) - set(before) == created


@pytest.mark.parametrize("mode", [2, 3])
def test_input_that_cannot_be_opened(converter, tmp_path, mode):
    (tmp_path / "folder.dxf").mkdir()
    for path in ("absent.dxf", "folder.dxf", "no/such/dir.dxf"):
        run = converter(mode, path, "A")
        assert run.status == unsigned(-1)
        # In mode 3 the layer name is not printed either.
        assert run.stdout == b"\nInput:%s\nCan't open DXF file\ndone" % path.encode()
    assert entries(tmp_path) == ["folder.dxf"]


def test_profile_that_would_overwrite_the_input_is_refused(converter, tmp_path):
    (tmp_path / "A.txt").write_bytes(sdxf(b"A"))
    os.link(tmp_path / "A.txt", tmp_path / "in.sdxf")
    for path in ("A.txt", "in.sdxf", "./A.txt"):
        run = converter(3, path, "A")
        assert run.status == unsigned(-4)
        assert run.stdout == (
            b"\nInput:%s\nLayer name = A\nError: A.txt would overwrite the input file\n\ndone"
            % path.encode()
        )
        assert (tmp_path / "A.txt").read_bytes() == sdxf(b"A")
    assert entries(tmp_path) == ["A.txt", "in.sdxf"]


def test_every_status_of_a_run(converter, tmp_path):
    """One run for each way a run can end, as the shell sees it."""
    (tmp_path / "plan.dxf").write_bytes(dxf(b"A"))
    (tmp_path / "empty.sdxf").write_bytes(b"")
    (tmp_path / "cut.sdxf").write_bytes(b"ENTITIES\n" + LINE % b"A")
    (tmp_path / "open.sdxf").write_bytes(b"ENTITIES\n  0\nTEXT\n100\nAcDbEntity\n  8\nA\n")
    (tmp_path / "many.sdxf").write_bytes(sdxf(*[b"A"] * 65))
    (tmp_path / "B.txt").mkdir()
    (tmp_path / "plain.sdxf").write_bytes(sdxf(b"A", b"B"))
    (tmp_path / "busy").mkdir()
    (tmp_path / "busy" / "plan.sdxf").mkdir()
    (tmp_path / "busy" / "plan.dxf").write_bytes(dxf(b"A"))
    mode3 = b"\nInput:%s\nLayer name = %s"
    cases = [
        (("2", "plan.dxf"), 0,
         b"\nInput:plan.dxf\nOutput:plan.sdxf\nOutput:plan.layers\nFound 1 layers:\nA"),
        (("3", "plain.sdxf", "A"), 0, mode3 % (b"plain.sdxf", b"A") + b"\nProcessed 1 entities"),
        (("3", "absent.sdxf", "A"), 255, b"\nInput:absent.sdxf\nCan't open DXF file"),
        (("2", "busy/plan.dxf"), 255,
         b"\nInput:busy/plan.dxf\nOutput:busy/plan.sdxf\ncan't open output file"),
        (("3", "empty.sdxf", "A"), 255,
         mode3 % (b"empty.sdxf", b"A") + b"\nError: End of DXF file reached\n"),
        (("3", "cut.sdxf", "A"), 255,
         mode3 % (b"cut.sdxf", b"A") + b"\nError: End of DXF file reached\n"),
        (("3", "open.sdxf", "A"), 254,
         mode3 % (b"open.sdxf", b"A") + b"\nError: DXF file contains no geometry"),
        (("3", "plain.sdxf", "C"), 252,
         mode3 % (b"plain.sdxf", b"C") + b"\ncan't find specified layername\n"),
        (("3", "plain.sdxf", "B"), 252,
         mode3 % (b"plain.sdxf", b"B") + b"\ncan't open output file\n"),
        (("3", "many.sdxf", "A"), 251,
         mode3 % (b"many.sdxf", b"A")
         + b"\nProcessed 65 entities\nError: DXF layer contains too many entities"),
    ]
    for args, status, stdout in cases:
        run = converter(*args)
        assert (run.status, run.stdout) == (status, stdout + b"\ndone"), args
