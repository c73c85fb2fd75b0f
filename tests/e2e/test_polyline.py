"""Lightweight polylines through mode 3: the segment walk, its messages, the
arcs of bulged segments, and polylines as real writers lay them out."""

import pytest

from conftest import split_profile, unsigned


def polyline(groups, layer=b"CUT", handle=b"1F"):
    return (b"  0\nLWPOLYLINE\n  5\n" + handle + b"\n100\nAcDbEntity\n  8\n" + layer
            + b"\n100\nAcDbPolyline\n" + groups)


def sdxf(*entities):
    return b"ENTITIES\n" + b"".join(entities) + b"  0\nENDSEC\nEOF"


def vertices(*points, bulges=None):
    """Group 10/20 pairs, each followed by its group 42 when `bulges` names it."""
    bulges = bulges or {}
    out = b""
    for i, (x, y) in enumerate(points):
        out += b" 10\n%s\n 20\n%s\n" % (x, y)
        if i in bulges:
            out += b" 42\n%s\n" % bulges[i]
    return out


def convert(converter, tmp_path, data, layer="CUT"):
    (tmp_path / "p.sdxf").write_bytes(data)
    run = converter(3, "p.sdxf", layer)
    profile = tmp_path / f"{layer}.txt"
    return run, split_profile(profile.read_bytes()) if run.status == 0 else None


def stdout(messages, count, layer=b"CUT"):
    return (b"\nInput:p.sdxf\nLayer name = " + layer + b"".join(b"\n" + m for m in messages)
            + b"\nProcessed %d entities\ndone" % count)


def profile(*records, layer=b"CUT"):
    return layer + b",<ID>\n%d\n" % len(records) + b"".join(r + b"\n" for r in records) + b"EOF\n"


# A closed polyline of three vertices whose second vertex carries a bulge of 1:
# a half circle from (10,0) anticlockwise to (10,10) about (10,5).
TRIANGLE = vertices((b"0.0", b"0.0"), (b"10.0", b"0.0"), (b"10.0", b"10.0"), bulges={1: b"1.0"})
TRIANGLE_RECORDS = (
    b"LINE   L01 101    0.000000    0.000000   10.000000    0.000000    0.000000",
    b"ARC    A01 102   10.000000    5.000000    5.000000   90.000000  -90.000000  270.000000   90.000000",
    b"LINE   L02 101   10.000000   10.000000    0.000000    0.000000    0.000000",
)


def test_closed_polyline_with_bulge_on_second_vertex(converter, tmp_path):
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 90\n3\n 70\n1\n" + TRIANGLE)))
    assert run.status == 0
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
    assert run.stderr == b""
    assert written == profile(*TRIANGLE_RECORDS)


def test_codes_without_leading_blanks_read_the_same(converter, tmp_path):
    groups = b"90\n3\n70\n1\n" + TRIANGLE.replace(b" 10\n", b"10\n").replace(
        b" 20\n", b"20\n").replace(b" 42\n", b"42\n")
    data = (b"ENTITIES\n0\nLWPOLYLINE\n5\n1F\n100\nAcDbEntity\n8\nCUT\n100\nAcDbPolyline\n"
            + groups + b"0\nENDSEC\nEOF")
    run, written = convert(converter, tmp_path, data)
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
    assert written == profile(*TRIANGLE_RECORDS)


@pytest.mark.parametrize("flag, closed", [(b"1", True), (b"129", True), (b"0", False),
                                          (b"128", False), (None, False)])
def test_flag_bit_0_alone_closes_the_polyline(converter, tmp_path, flag, closed):
    groups = b" 90\n3\n" + (b" 70\n" + flag + b"\n" if flag else b"") + TRIANGLE
    run, written = convert(converter, tmp_path, sdxf(polyline(groups)))
    if closed:
        assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
        assert written == profile(*TRIANGLE_RECORDS)
    else:
        assert run.stdout == stdout([b"seg", b"bulge1"], 2)
        assert written == profile(*TRIANGLE_RECORDS[:2])


SQUARE = vertices((b"0", b"0"), (b"4", b"0"), (b"4", b"4"))
SQUARE_LINES = (
    b"LINE   L01 101    0.000000    0.000000    4.000000    0.000000    0.000000",
    b"LINE   L02 101    4.000000    0.000000    4.000000    4.000000    0.000000",
    b"LINE   L03 101    4.000000    4.000000    0.000000    0.000000    0.000000",
    b"LINE   L04 101    4.000000    4.000000    0.000000    0.000000    0.000000",
    b"LINE   L05 101    4.000000    4.000000    0.000000    0.000000    0.000000",
)


@pytest.mark.parametrize("n_seg, flag, lines", [
    (b"0", b"1", 0),       # no passes at all
    (b"-3", b"1", 0),
    (b"2", b"1", 2),       # stops early: no closing segment
    (b"3", b"1", 3),
    (b"5", b"1", 5),       # extra passes repeat the closing segment
    (b"5", b"0", 2),       # open: extra passes yield nothing
])
def test_group_90_counts_the_passes_of_the_walk(converter, tmp_path, n_seg, flag, lines):
    groups = b" 90\n" + n_seg + b"\n 70\n" + flag + b"\n" + SQUARE
    run, written = convert(converter, tmp_path, sdxf(polyline(groups)))
    assert run.status == 0
    assert run.stdout == stdout([b"seg"] * lines, lines)
    assert written == profile(*SQUARE_LINES[:lines])


def test_no_group_90_yields_nothing_but_consumes_the_polyline(converter, tmp_path):
    line = (b"  0\nLINE\n  5\n2\n100\nAcDbEntity\n  8\nCUT\n100\nAcDbLine\n"
            b" 10\n1\n 20\n2\n 30\n0\n 11\n3\n 21\n4\n 31\n0\n")
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 70\n1\n" + SQUARE), line))
    assert run.stdout == stdout([], 1)
    assert written == profile(
        b"LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000")


def test_extrusion_width_and_elevation_groups_change_nothing(converter, tmp_path):
    # Values 10.0 and 42 of width and elevation groups start no vertex and no
    # bulge; an explicit upward extrusion leaves the coordinates as they are.
    groups = (b" 90\n3\n 70\n1\n 43\n0.5\n 38\n42\n 39\n10.0\n"
              b" 10\n0.0\n 20\n0.0\n 40\n10.0\n 41\n10.0\n"
              b" 10\n10.0\n 20\n0.0\n 40\n42\n 41\n42\n 42\n1.0\n"
              b" 10\n10.0\n 20\n10.0\n 91\n42\n"
              b"210\n0.0\n220\n0.0\n230\n1.0\n")
    run, written = convert(converter, tmp_path, sdxf(polyline(groups)))
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
    assert run.stderr == b""
    assert written == profile(*TRIANGLE_RECORDS)


def test_extended_data_after_the_vertices_is_passed_over(converter, tmp_path):
    long_text = b"x" * 63 + b"10\n"
    groups = (b" 90\n3\n 70\n1\n" + TRIANGLE + b"1001\nACAD\n1000\n" + long_text
              + b"1002\n{\n1070\n42\n1010\n1.0\n1020\n2.0\n1002\n}\n")
    run, written = convert(converter, tmp_path, sdxf(polyline(groups)))
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
    assert written == profile(*TRIANGLE_RECORDS)


def test_bulge_on_the_last_vertex_bends_only_a_closing_segment(converter, tmp_path):
    points = vertices((b"0", b"0"), (b"10", b"0"), bulges={1: b"1"})
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 90\n2\n 70\n0\n" + points)))
    assert run.stdout == stdout([b"seg"], 1)
    assert written == profile(
        b"LINE   L01 101    0.000000    0.000000   10.000000    0.000000    0.000000")

    # Closed, the same bulge is the arc from (10,0) back to (0,0) about (5,0).
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 90\n2\n 70\n1\n" + points)))
    assert run.stdout == stdout([b"seg", b"bulge1"], 2)
    assert written == profile(
        b"LINE   L01 101    0.000000    0.000000   10.000000    0.000000    0.000000",
        b"ARC    A01 102    5.000000    0.000000    5.000000  360.000000  180.000000    0.000000  180.000000")


def test_bulge_of_zero_is_a_straight_segment(converter, tmp_path):
    points = vertices((b"0", b"0"), (b"10", b"0"), (b"10", b"10"),
                      bulges={0: b"0.0", 1: b"0", 2: b"-0.000"})
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 90\n3\n 70\n1\n" + points)))
    assert run.stdout == stdout([b"seg", b"seg", b"seg"], 3)
    assert written == profile(
        b"LINE   L01 101    0.000000    0.000000   10.000000    0.000000    0.000000",
        b"LINE   L02 101   10.000000    0.000000   10.000000   10.000000    0.000000",
        b"LINE   L03 101   10.000000   10.000000    0.000000    0.000000    0.000000")


def test_donut_of_two_vertices_is_two_half_circles(converter, tmp_path):
    points = vertices((b"-5", b"0"), (b"5", b"0"), bulges={0: b"1.0", 1: b"1.0"})
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 90\n2\n 70\n1\n" + points)))
    assert run.stdout == stdout([b"bulge1", b"bulge1"], 2)
    assert written == profile(
        b"ARC    A01 102    0.000000    0.000000    5.000000  180.000000   -0.000000  180.000000    0.000000",
        b"ARC    A02 102    0.000000    0.000000    5.000000  360.000000  180.000000    0.000000  180.000000")


def test_bulges_that_belong_to_no_vertex_are_passed_over(converter, tmp_path):
    # A bulge before the first vertex, and a second bulge of a vertex: each
    # vertex takes the first bulge after it.
    points = (b" 42\n0.5\n" + vertices((b"0", b"0"), (b"10", b"0"), bulges={1: b"1"})
              + b" 42\n0.25\n" + vertices((b"10", b"10")))
    run, written = convert(converter, tmp_path, sdxf(polyline(b" 90\n3\n 70\n1\n" + points)))
    assert run.status == 0
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
    assert written == profile(*TRIANGLE_RECORDS)


def test_more_than_64_segments_are_refused(converter, tmp_path):
    points = vertices(*[(b"%d" % i, b"0") for i in range(66)])
    (tmp_path / "p.sdxf").write_bytes(sdxf(polyline(b" 90\n66\n 70\n0\n" + points)))
    run = converter(3, "p.sdxf", "CUT")
    assert unsigned(-5) == run.status
    assert run.stdout == (b"\nInput:p.sdxf\nLayer name = CUT" + b"\nseg" * 65
                          + b"\nProcessed 65 entities\nError: DXF layer contains too many entities"
                          + b"\ndone")
    assert (tmp_path / "CUT.txt").read_bytes() == b""


def test_repeated_closing_segment_stops_past_the_limit(converter, tmp_path):
    (tmp_path / "p.sdxf").write_bytes(sdxf(polyline(b" 90\n2000000000\n 70\n1\n" + SQUARE)))
    run = converter(3, "p.sdxf", "CUT", timeout=10)
    assert unsigned(-5) == run.status
    assert run.stdout.count(b"\nseg") == 65
    assert b"\nProcessed 65 entities\nError: DXF layer contains too many entities" in run.stdout


@pytest.mark.parametrize("cut", [b" 10\n10.0\n 20\n", b" 42\n", b" 10\n10.0\n 20\n10.0",
                                 b" 10\n10.0\n 20\n10.0\n"])
def test_file_ending_inside_a_polyline(converter, tmp_path, cut):
    data = b"ENTITIES\n" + polyline(b" 90\n3\n 70\n1\n" + vertices((b"0", b"0")) + cut)
    (tmp_path / "p.sdxf").write_bytes(data)
    run = converter(3, "p.sdxf", "CUT", timeout=10)
    assert unsigned(-1) == run.status
    assert run.stdout == (b"\nInput:p.sdxf\nLayer name = CUT\nError: End of DXF file reached\n"
                          b"\ndone")
    assert not (tmp_path / "CUT.txt").exists()


def test_mode_2_output_of_a_drawing_feeds_the_polyline_reader(converter, tmp_path):
    dxf = (b"  0\nSECTION\n  2\nENTITIES\n" + polyline(b" 90\n3\n 70\n1\n" + TRIANGLE)
           + b"  0\nENDSEC\n  0\nEOF\n").replace(b"\n", b"\r\n")
    (tmp_path / "part.dxf").write_bytes(dxf)
    assert converter(2, "part.dxf").status == 0
    run = converter(3, "part.sdxf", "CUT")
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3).replace(b"p.sdxf", b"part.sdxf")
    assert split_profile((tmp_path / "CUT.txt").read_bytes()) == profile(*TRIANGLE_RECORDS)


def heavy_triangle():
    """TRIANGLE as a POLYLINE with its VERTEX entities, without a SEQEND."""
    out = b"  0\nPOLYLINE\n  8\nCUT\n 66\n1\n 70\n1\n"
    for x, y, bulge in ((b"0.0", b"0.0", b""), (b"10.0", b"0.0", b" 42\n1.0\n"),
                        (b"10.0", b"10.0", b"")):
        out += b"  0\nVERTEX\n  8\nCUT\n 10\n%s\n 20\n%s\n%s" % (x, y, bulge)
    return out


@pytest.mark.parametrize("end", [b"  0\nSEQEND\n  8\nCUT\n", b"", b"  0\nPOINT\n  8\nDOT\n"])
def test_heavy_polyline_ends_at_seqend_the_next_entity_or_the_section(converter, tmp_path, end):
    run, written = convert(converter, tmp_path, sdxf(heavy_triangle() + end))
    assert run.status == 0
    assert run.stdout == stdout([b"seg", b"bulge1", b"seg"], 3)
    assert written == profile(*TRIANGLE_RECORDS)


@pytest.mark.parametrize("bulge", [b"1e-300", b"-1.2246467991473532e-16", b"3e-15", b"1e-6",
                                   b"1e153", b"1e155"])
@pytest.mark.parametrize("chord", [b"5", b"100"])
def test_noise_bulge_is_a_line_and_a_bulge_beyond_single_precision_is_refused(
        converter, tmp_path, bulge, chord):
    data = sdxf(polyline(b" 90\n2\n" + vertices((b"0", b"0"), (chord, b"0"), bulges={0: bulge})))
    run, written = convert(converter, tmp_path, data)
    if float(bulge) < 1:
        assert run.stdout == stdout([b"seg"], 1)
        assert written == profile(b"LINE   L01 101    0.000000    0.000000 %11.6f    0.000000"
                                  b"    0.000000" % float(chord))
    else:
        assert unsigned(-1) == run.status
        assert run.stdout == (b"\nInput:p.sdxf\nLayer name = CUT\nbulge1\nError: LWPOLYLINE on "
                              b"line 2 holds a value out of range on line 19\n\ndone")
        assert (tmp_path / "CUT.txt").read_bytes() == b""
