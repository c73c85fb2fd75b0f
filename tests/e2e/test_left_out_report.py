"""After a mode-3 run, standard error tells what on the layer yielded no
record; standard output and the profile stay as they would be without it. A
block reference is left out only when the SDXF file has no blocks file beside
it, which a hint on standard error names."""

import shutil

from conftest import sample_path, split_profile


def entity(kind, handle, layer, marker, body):
    return (
        b"  0\n%s\n  5\n%s\n100\nAcDbEntity\n  8\n%s\n100\n%s\n" % (kind, handle, layer, marker)
        + body
    )


def line(handle, layer, x1, y1, x2, y2):
    body = b" 10\n%s\n 20\n%s\n 30\n0.0\n 11\n%s\n 21\n%s\n 31\n0.0\n" % (x1, y1, x2, y2)
    return entity(b"LINE", handle, layer, b"AcDbLine", body)


TEXT = entity(
    b"TEXT", b"2", b"L", b"AcDbText",
    b" 10\n1.0\n 20\n1.0\n 30\n0.0\n 40\n2.5\n  1\nPART 7\n100\nAcDbText\n",
)
HATCH = entity(
    b"HATCH", b"3", b"L", b"AcDbHatch",
    b" 10\n0.0\n 20\n0.0\n 30\n0.0\n210\n0.0\n220\n0.0\n230\n1.0\n  2\nSOLID\n 70\n1\n 71\n0\n"
    b" 91\n0\n 75\n0\n 76\n1\n 98\n0\n",
)
INSERT = entity(
    b"INSERT", b"4", b"L", b"AcDbBlockReference",
    b"  2\nBOLT\n 10\n5.0\n 20\n5.0\n 30\n0.0\n",
)
LAST_TEXT = entity(
    b"TEXT", b"8", b"L", b"AcDbText",
    b" 10\n9.0\n 20\n9.0\n 30\n0.0\n 40\n2.5\n  1\nEND\n100\nAcDbText\n",
)


def without_hint(stderr, blocks=b"part.blocks"):
    """Standard error without its one line naming the missing blocks file."""
    lines = stderr.split(b"\n")
    assert sum(blocks in line for line in lines) == 1, stderr
    return b"\n".join(line for line in lines if blocks not in line)


def sdxf(*entities):
    return b"ENTITIES\n" + b"".join(entities) + b"  0\nENDSEC\nEOF"


# Layer L: two lines among a text, a hatch and a block reference, and a
# second text as the last entity of the section; layer M: one line.
MIXED = sdxf(
    line(b"1", b"L", b"0.0", b"0.0", b"10.0", b"0.0"),
    TEXT,
    HATCH,
    line(b"5", b"M", b"0.0", b"0.0", b"0.0", b"10.0"),
    INSERT,
    line(b"6", b"L", b"10.0", b"0.0", b"10.0", b"10.0"),
    LAST_TEXT,
)
# The same drawing with only what converts.
PLAIN = sdxf(
    line(b"1", b"L", b"0.0", b"0.0", b"10.0", b"0.0"),
    line(b"5", b"M", b"0.0", b"0.0", b"0.0", b"10.0"),
    line(b"6", b"L", b"10.0", b"0.0", b"10.0", b"10.0"),
)


def test_text_hatch_and_block_reference_are_reported(converter, tmp_path):
    (tmp_path / "plain.sdxf").write_bytes(PLAIN)
    plain = converter(3, "plain.sdxf", "L")
    plain_profile = split_profile((tmp_path / "L.txt").read_bytes())
    (tmp_path / "part.sdxf").write_bytes(MIXED)
    run = converter(3, "part.sdxf", "L")
    assert run.status == 0
    assert without_hint(run.stderr) == (
        b"Left out of layer L:\n  TEXT: 2\n  HATCH: 1\n  INSERT: 1\n"
    )
    assert run.stdout == b"\nInput:part.sdxf\nLayer name = L\nProcessed 2 entities\ndone"
    assert run.stdout == plain.stdout.replace(b"plain.sdxf", b"part.sdxf")
    assert plain.stderr == b""
    assert split_profile((tmp_path / "L.txt").read_bytes()) == plain_profile


def test_fully_converted_layer_reports_nothing(converter, tmp_path):
    (tmp_path / "part.sdxf").write_bytes(MIXED)
    run = converter(3, "part.sdxf", "M")
    assert run.status == 0
    assert run.stderr == b""
    assert run.stdout == b"\nInput:part.sdxf\nLayer name = M\nProcessed 1 entities\ndone"


def test_layer_of_unsupported_entities_only_is_reported_with_an_empty_profile(converter, tmp_path):
    (tmp_path / "part.sdxf").write_bytes(sdxf(INSERT, TEXT))
    run = converter(3, "part.sdxf", "L")
    assert run.status == 0
    assert without_hint(run.stderr) == b"Left out of layer L:\n  INSERT: 1\n  TEXT: 1\n"
    assert split_profile((tmp_path / "L.txt").read_bytes()) == b"L,<ID>\n0\nEOF\n"


def test_entities_in_a_tilted_plane_are_reported_after_the_kinds(converter, tmp_path):
    tilted_arc = entity(
        b"ARC", b"9", b"T", b"AcDbCircle",
        b" 10\n1.0\n 20\n1.0\n 30\n0.0\n 40\n2.0\n210\n0.0\n220\n0.6\n230\n0.8\n"
        b"100\nAcDbArc\n 50\n0.0\n 51\n90.0\n",
    )
    text = TEXT.replace(b"\n  8\nL\n", b"\n  8\nT\n")
    data = sdxf(tilted_arc, text, line(b"1", b"T", b"0.0", b"0.0", b"1.0", b"1.0"))
    (tmp_path / "part.sdxf").write_bytes(data)
    # The warning names the line of the arc's group 0, the second line.
    run = converter(3, "part.sdxf", "T")
    assert run.status == 0
    assert run.stderr == (
        b"warning: ARC on line 2 lies in a tilted plane; left out\n"
        + b"Left out of layer T:\n  TEXT: 1\n  ARC in a tilted plane: 1\n"
    )
    assert run.stdout == b"\nInput:part.sdxf\nLayer name = T\nProcessed 1 entities\ndone"


def test_sample_drawing_layers_of_text_and_a_block_reference_that_mode_2_expands(
        converter, tmp_path):
    name = "cam-layers-lwpolyline-bulges-r2004"
    shutil.copy(sample_path(name), tmp_path)
    assert converter(2, f"{name}.dxf").status == 0
    expected = {
        "Text": b"Left out of layer Text:\n  MTEXT: 1\n",
        "Cutout": b"",  # a reference to a block of one polyline on Cutout
        "Pocket": b"",
        "Through Hole": b"",
    }
    for layer, report in expected.items():
        run = converter(3, f"{name}.sdxf", layer)
        assert run.status == 0, layer
        assert run.stderr == report, layer
