"""Mode 3 end to end: the layer scan, the line, point, circle and arc readers
and the profile file, for whole runs in a temporary directory."""

import pytest

from conftest import split_profile, unsigned

OUTLINE_SDXF = (
    b"ENTITIES\n"
    b"  0\nLINE\n  5\n1\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n50.0\n 21\n0.0\n 31\n0.0\n"
    b"  0\nLINE\n  5\n2\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n50.0\n 20\n0.0\n 30\n0.0\n 11\n50.0\n 21\n25.0\n 31\n0.0\n"
    b"  0\nARC\n  5\n3\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbCircle\n"
    b" 10\n25.0\n 20\n25.0\n 30\n0.0\n 40\n25.0\n100\nAcDbArc\n 50\n0.0\n 51\n180.0\n"
    b"  0\nLINE\n  5\n4\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n0.0\n 20\n25.0\n 30\n0.0\n 11\n0.0\n 21\n0.0\n 31\n0.0\n"
    b"  0\nCIRCLE\n  5\n5\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbCircle\n"
    b" 10\n10.0\n 20\n10.0\n 30\n0.0\n 40\n2.5\n"
    b"  0\nPOINT\n  5\n6\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbPoint\n"
    b" 10\n5.0\n 20\n5.0\n 30\n0.0\n"
    b"  0\nENDSEC\nEOF"
)

OUTLINE_PROFILE = (
    b"OUTLINE,<ID>\n"
    b"6\n"
    b"LINE   L01 101    0.000000    0.000000   50.000000    0.000000    0.000000\n"
    b"LINE   L02 101   50.000000    0.000000   50.000000   25.000000    0.000000\n"
    b"ARC    A01 102   25.000000   25.000000   25.000000  180.000000  360.000000    0.000000  180.000000\n"
    b"LINE   L03 101    0.000000   25.000000    0.000000    0.000000    0.000000\n"
    b"CIRCLE C01 104   10.000000   10.000000    2.500000    0.000000    0.000000\n"
    b"POINT  P01 103    5.000000    5.000000    0.000000    0.000000    0.000000\n"
    b"EOF\n"
)


def test_outline_worked_example(converter, tmp_path):
    (tmp_path / "plan.sdxf").write_bytes(OUTLINE_SDXF)
    run = converter(3, "plan.sdxf", "OUTLINE")
    assert run.status == 0
    assert run.stdout == b"\nInput:plan.sdxf\nLayer name = OUTLINE\nProcessed 6 entities\ndone"
    assert split_profile((tmp_path / "OUTLINE.txt").read_bytes()) == OUTLINE_PROFILE


def test_outline_with_crlf_line_ends(converter, tmp_path):
    (tmp_path / "plan.sdxf").write_bytes(OUTLINE_SDXF.replace(b"\n", b"\r\n"))
    run = converter(3, "plan.sdxf", "OUTLINE")
    assert run.status == 0
    assert split_profile((tmp_path / "OUTLINE.txt").read_bytes()) == OUTLINE_PROFILE


def test_missing_input(converter, tmp_path):
    run = converter(3, "absent.sdxf", "OUTLINE")
    assert unsigned(-1) == run.status
    assert run.stdout == b"\nInput:absent.sdxf\nCan't open DXF file\ndone"


# Entities as a subclass-marking writer puts them.
def head(kind, layer):
    return b"  0\n%s\n  5\n2A\n330\n1F\n100\nAcDbEntity\n  8\n%s\n" % (kind, layer)


def line(layer, x1=b"1.0", y1=b"2.0", x2=b"3.0", y2=b"4.0", thickness=b""):
    return (
        head(b"LINE", layer)
        + b"100\nAcDbLine\n"
        + thickness
        + b" 10\n%s\n 20\n%s\n 30\n0.0\n 11\n%s\n 21\n%s\n 31\n0.0\n" % (x1, y1, x2, y2)
    )


def circle(layer, thickness=b"", after=b""):
    return (
        head(b"CIRCLE", layer)
        + b"100\nAcDbCircle\n"
        + thickness
        + b" 10\n10.0\n 20\n-20.0\n 30\n0.0\n 40\n2.5\n"
        + after
    )


def arc(layer, start, end, thickness=b""):
    return (
        head(b"ARC", layer)
        + b"100\nAcDbCircle\n"
        + thickness
        + b" 10\n25.0\n 20\n25.0\n 30\n0.0\n 40\n25.0\n100\nAcDbArc\n 50\n%s\n 51\n%s\n"
        % (start, end)
    )


def point(layer, x=b"5.0", y=b"5.0", z=b"0.0"):
    return head(b"POINT", layer) + b"100\nAcDbPoint\n 10\n%s\n 20\n%s\n 30\n%s\n" % (x, y, z)


def text(layer):
    return head(b"TEXT", layer) + (
        b"100\nAcDbText\n 10\n1.0\n 20\n1.0\n 30\n0.0\n 40\n2.5\n  1\nNOTE\n"
    )


def sdxf(*entities):
    return b"ENTITIES\n" + b"".join(entities) + b"  0\nENDSEC\nEOF"


LINE_RECORD = b"LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n"
CIRCLE_RECORD = b"CIRCLE C01 104   10.000000  -20.000000    2.500000    0.000000    0.000000\n"
POINT_RECORD = b"POINT  P01 103    5.000000    5.000000    0.000000    0.000000    0.000000\n"


def run_layer(converter, tmp_path, data, layer="A"):
    (tmp_path / "in.sdxf").write_bytes(data)
    return converter(3, "in.sdxf", layer)


def profile(tmp_path, layer="A"):
    return split_profile((tmp_path / f"{layer}.txt").read_bytes())


def entries(tmp_path):
    return sorted(p.name for p in tmp_path.iterdir())


def expect_profile(run, tmp_path, records, count, layer="A", stderr=b""):
    assert run.status == 0, run.stdout
    assert run.stderr == stderr
    assert run.stdout == b"\nInput:in.sdxf\nLayer name = %s\nProcessed %d entities\ndone" % (
        layer.encode(),
        count,
    )
    assert profile(tmp_path, layer) == b"%s,<ID>\n%d\n%sEOF\n" % (layer.encode(), count, records)


CUT_SHORT = b"in.sdxf ends before the end of its ENTITIES section"


def expect_failure(run, tmp_path, status, message, layer=b"A", stderr=b""):
    assert run.status == unsigned(status)
    assert run.stderr == b"dxfprofile: " + stderr + b"\n"
    assert run.stdout == b"\nInput:in.sdxf\nLayer name = %s%s\ndone" % (layer, message)
    assert entries(tmp_path) == ["in.sdxf"]


def values(*numbers):
    return b"".join(b"%11.6f " % n for n in numbers[:-1]) + b"%11.6f\n" % numbers[-1]


@pytest.mark.parametrize(
    "start, end, stored",
    [
        (b"0", b"90", (270, 360, 0, 90)),
        (b"0", b"270", (90, 360, 0, 270)),
        (b"270", b"0", (0, 90, 270, 0)),
        (b"350", b"10", (-10, 10, 350, 10)),
        (b"100", b"5", (-5, 260, 100, 5)),
        (b"100", b"10", (350, 260, 100, 10)),
    ],
)
def test_arc_worked_values(converter, tmp_path, start, end, stored):
    run = run_layer(converter, tmp_path, sdxf(arc(b"A", start, end)))
    expect_profile(run, tmp_path, b"ARC    A01 102 " + values(25, 25, 25, *stored), 1)


def test_full_turn_arc_prints_a_negative_zero(converter, tmp_path):
    run = run_layer(converter, tmp_path, sdxf(arc(b"A", b"0", b"360")))
    expect_profile(
        run,
        tmp_path,
        b"ARC    A01 102   25.000000   25.000000   25.000000   -0.000000  360.000000"
        b"    0.000000  360.000000\n",
        1,
    )


def test_thickness_groups_give_the_same_records_and_the_next_entity_is_read(converter, tmp_path):
    thick = b" 39\n5.0\n"
    plain = sdxf(
        line(b"A"), point(b"A"), circle(b"A"), point(b"A"), arc(b"A", b"0", b"90"), point(b"A")
    )
    thick_data = sdxf(
        line(b"A", thickness=thick),
        point(b"A"),
        circle(b"A", thickness=thick),
        point(b"A"),
        arc(b"A", b"0", b"90", thickness=thick),
        point(b"A"),
    )
    records = (
        LINE_RECORD
        + POINT_RECORD
        + CIRCLE_RECORD
        + POINT_RECORD.replace(b"P01", b"P02")
        + b"ARC    A01 102 " + values(25, 25, 25, 270, 360, 0, 90)
        + POINT_RECORD.replace(b"P01", b"P03")
    )
    expect_profile(run_layer(converter, tmp_path, plain), tmp_path, records, 6)
    expect_profile(run_layer(converter, tmp_path, thick_data), tmp_path, records, 6)


def test_crlf_input_with_every_kind(converter, tmp_path):
    data = sdxf(line(b"A"), text(b"A"), circle(b"A"), line(b"B"), point(b"A"))
    records = LINE_RECORD + CIRCLE_RECORD + POINT_RECORD
    run = run_layer(converter, tmp_path, data.replace(b"\n", b"\r\n"))
    expect_profile(run, tmp_path, records, 3, stderr=b"Left out of layer A:\n  TEXT: 1\n")


def test_64_records_are_all_written(converter, tmp_path):
    data = sdxf(*[line(b"A", x1=b"%d.0" % i) for i in range(64)])
    records = b"".join(
        b"LINE   L%02d 101 " % (i + 1) + values(i, 2, 3, 4, 0) for i in range(64)
    )
    expect_profile(run_layer(converter, tmp_path, data), tmp_path, records, 64)


def test_65_records_are_refused_and_an_existing_profile_is_left_empty(converter, tmp_path):
    (tmp_path / "A.txt").write_bytes(b"an older profile\n")
    data = sdxf(*[point(b"A") for _ in range(65)])
    run = run_layer(converter, tmp_path, data)
    assert run.status == unsigned(-5)
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = A"
        b"\nProcessed 65 entities\nError: DXF layer contains too many entities\ndone"
    )
    assert (tmp_path / "A.txt").read_bytes() == b""
    assert entries(tmp_path) == ["A.txt", "in.sdxf"]


def test_text_on_the_layer_does_not_take_the_next_layers_line(converter, tmp_path):
    data = sdxf(text(b"A"), line(b"B"))
    run = run_layer(converter, tmp_path, data)
    expect_profile(run, tmp_path, b"", 0, stderr=b"Left out of layer A:\n  TEXT: 1\n")
    run = run_layer(converter, tmp_path, data, "B")
    expect_profile(run, tmp_path, LINE_RECORD, 1, "B")


def test_unsupported_entity_last_on_the_layer_does_not_fail(converter, tmp_path):
    run = run_layer(converter, tmp_path, sdxf(line(b"A"), text(b"A")))
    expect_profile(run, tmp_path, LINE_RECORD, 1, stderr=b"Left out of layer A:\n  TEXT: 1\n")


def test_file_ending_in_an_entity_of_the_layer_before_its_coordinates_has_no_geometry(
        converter, tmp_path):
    data = b"ENTITIES\n" + line(b"A") + head(b"TEXT", b"A") + b"100\nAcDbText\n"
    run = run_layer(converter, tmp_path, data)
    expect_failure(run, tmp_path, -2, b"\nError: DXF file contains no geometry",
                   stderr=b"in.sdxf ends inside the TEXT on line 26 of layer 'A'")
    # Once a coordinate was read, the entity was there: the file just ends.
    run = run_layer(converter, tmp_path, data + b" 10\n1.0\n")
    expect_failure(run, tmp_path, -1, b"\nError: End of DXF file reached\n", stderr=CUT_SHORT)


def test_circle_with_extended_data_stays_a_circle(converter, tmp_path):
    xdata = b"1001\nAPP\n1000\n100\n1070\n   100\n"
    data = sdxf(circle(b"A", after=xdata), point(b"A"))
    expect_profile(run_layer(converter, tmp_path, data), tmp_path, CIRCLE_RECORD + POINT_RECORD, 2)


def test_failed_profile_write_ends_with_minus_four(converter, tmp_path):
    (tmp_path / "A.txt").symlink_to("/dev/full")
    run = run_layer(converter, tmp_path, sdxf(line(b"A")))
    assert run.status == unsigned(-4)
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = A\nProcessed 1 entities"
        b"\nError: can't write output file A.txt\n\ndone"
    )
    assert entries(tmp_path) == ["A.txt", "in.sdxf"]
    assert (tmp_path / "A.txt").is_symlink()


def test_layer_name_with_a_slash_is_refused_and_nothing_is_created(converter, tmp_path):
    (tmp_path / "sub").mkdir()
    run = run_layer(converter, tmp_path, sdxf(line(b"sub/A")), "sub/A")
    assert run.status == unsigned(-4)
    assert run.stdout == b"\nInput:in.sdxf\nLayer name = sub/A\ncan't open output file\n\ndone"
    assert entries(tmp_path) == ["in.sdxf", "sub"]
    assert entries(tmp_path / "sub") == []


def test_read_failing_right_after_the_entity_marker_or_the_layer_group(converter, tmp_path):
    for tail in (b"  0\nLINE\n100\nAcDbEntity\n", b"  0\nLINE\n100\nAcDbEntity\n  8\n"):
        run = run_layer(converter, tmp_path, b"ENTITIES\n" + line(b"A") + tail)
        expect_failure(run, tmp_path, -1, b"\nError: End of DXF file reached\n", stderr=CUT_SHORT)


def test_hundred_character_layer_name_matches(converter, tmp_path):
    name = bytes(b"ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 26] for i in range(100))
    data = sdxf(line(name[:62], x1=b"9.0"), line(name + b"X", x1=b"9.0"), line(name))
    run = run_layer(converter, tmp_path, data, name.decode())
    expect_profile(run, tmp_path, LINE_RECORD, 1, name.decode())


def test_nudged_and_single_precision_values(converter, tmp_path):
    data = sdxf(
        line(b"A", x1=b"0", y1=b"-1e-7", x2=b"-0.0", y2=b"1234.5678"),
        point(b"A", x=b"123456.5", y=b"-12.5", z=b"1e-7"),
    )
    records = (
        b"LINE   L01 101    0.000000   -0.000000    0.000000 1234.567749    0.000000\n"
        b"POINT  P01 103 123456.500000  -12.500000    0.000000    0.000000    0.000000\n"
    )
    expect_profile(run_layer(converter, tmp_path, data), tmp_path, records, 2)


def test_layer_name_with_a_comma_is_written_unchanged(converter, tmp_path):
    run = run_layer(converter, tmp_path, sdxf(line(b"WALLS,NORTH")), "WALLS,NORTH")
    expect_profile(run, tmp_path, LINE_RECORD, 1, "WALLS,NORTH")
    header = (tmp_path / "WALLS,NORTH.txt").read_bytes().split(b"\n")[0]
    assert header.startswith(b"WALLS,NORTH,") and len(header) == len(b"WALLS,NORTH,") + 12

