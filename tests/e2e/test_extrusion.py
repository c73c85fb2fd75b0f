"""Arcs, circles and lightweight polylines with optional groups after their
radius and with an extrusion direction: flipped ones come out where they lie in
the world, tilted ones are left out with a warning."""

import shutil

import pytest

from conftest import sample_path, split_profile


def entity(kind, groups, handle=b"2A", layer=b"CUT"):
    subclass = {b"ARC": b"AcDbCircle", b"CIRCLE": b"AcDbCircle", b"LWPOLYLINE": b"AcDbPolyline",
                b"LINE": b"AcDbLine"}[kind]
    return (b"  0\n" + kind + b"\n  5\n" + handle + b"\n100\nAcDbEntity\n  8\n" + layer
            + b"\n100\n" + subclass + b"\n" + groups)


def sdxf(*entities):
    return b"ENTITIES\n" + b"".join(entities) + b"  0\nENDSEC\nEOF"


def circle(x, y, r, after=b""):
    return entity(b"CIRCLE", b" 10\n%s\n 20\n%s\n 30\n0.0\n 40\n%s\n" % (x, y, r) + after)


def arc(x, y, r, start, end, after=b""):
    return entity(b"ARC", b" 10\n%s\n 20\n%s\n 30\n0.0\n 40\n%s\n" % (x, y, r) + after
                  + b"100\nAcDbArc\n 50\n%s\n 51\n%s\n" % (start, end))


def lwpolyline(points, closed=True, after=b""):
    groups = b" 90\n%d\n 70\n%d\n" % (len(points), 1 if closed else 0)
    for x, y, bulge in points:
        groups += b" 10\n%s\n 20\n%s\n" % (x, y)
        if bulge:
            groups += b" 42\n%s\n" % bulge
    return entity(b"LWPOLYLINE", groups + after)


LINE = entity(b"LINE", b" 10\n1\n 20\n2\n 30\n0\n 11\n3\n 21\n4\n 31\n0\n", handle=b"3B")
LINE_RECORD = b"LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n"

UP = b"210\n0.0\n220\n0.0\n230\n1.0\n"
DOWN = b"210\n0.0\n220\n0.0\n230\n-1.0\n"


def profile_of(converter, tmp_path, data, name="p"):
    """Mode 3 on `data`; returns the run and the profile, identifier replaced."""
    (tmp_path / f"{name}.sdxf").write_bytes(data)
    run = converter(3, f"{name}.sdxf", "CUT")
    assert run.status == 0, run.stdout
    return run, split_profile((tmp_path / "CUT.txt").read_bytes())


def records(*lines):
    return b"CUT,<ID>\n%d\n" % len(lines) + b"".join(line + b"\n" for line in lines) + b"EOF\n"


ARC_25 = (b"ARC    A01 102   25.000000   25.000000   25.000000"
          b"  180.000000  360.000000    0.000000  180.000000")


@pytest.mark.parametrize("after", [
    b" 39\n2.5\n",
    b" 39\n2.5\n" + UP,
    UP,
    b" 39\n100\n",           # a thickness value that reads like a subclass code
    b"  39\n-1\n1001\nACAD\n1000\n" + b"z" * 70 + b"\n1070\n0\n",
], ids=["thickness", "thickness-and-extrusion", "extrusion", "value-100", "extended-data"])
def test_groups_after_the_radius_leave_an_arc_an_arc(converter, tmp_path, after):
    run, written = profile_of(converter, tmp_path,
                              sdxf(arc(b"25.0", b"25.0", b"25.0", b"0.0", b"180.0", after), LINE))
    assert run.stdout == b"\nInput:p.sdxf\nLayer name = CUT\nProcessed 2 entities\ndone"
    assert run.stderr == b""
    assert written == records(ARC_25, LINE_RECORD[:-1])


# (flipped entity, the same world geometry drawn with the normal up)
MIRRORS = [
    pytest.param(arc(b"10.0", b"5.0", b"2.0", b"30.0", b"100.0", DOWN),
                 arc(b"-10.0", b"5.0", b"2.0", b"80.0", b"150.0"), id="arc"),
    # Through the entity's own angle 0: world angles 180 to 270.
    pytest.param(arc(b"-3.5", b"-1.25", b"0.5", b"270", b"0", b" 39\n3.0\n" + DOWN),
                 arc(b"3.5", b"-1.25", b"0.5", b"180", b"270"), id="arc-through-own-0"),
    # Through the world's angle 0: 100 to 260 becomes 280 to 80.
    pytest.param(arc(b"0", b"7", b"4", b"100", b"260", DOWN), arc(b"0", b"7", b"4", b"280", b"80"),
                 id="arc-through-world-0"),
    pytest.param(arc(b"2", b"2", b"1", b"0", b"90", b"210\n0\n220\n0\n230\n-0.25\n"),
                 arc(b"-2", b"2", b"1", b"90", b"180"), id="arc-short-normal"),
    pytest.param(circle(b"-7.5", b"1.0", b"3.0", DOWN), circle(b"7.5", b"1.0", b"3.0"),
                 id="circle"),
    pytest.param(circle(b"0.0", b"0.0", b"3.0", b" 39\n1\n" + DOWN), circle(b"0.0", b"0.0", b"3.0"),
                 id="circle-at-origin"),
    pytest.param(
        lwpolyline([(b"0", b"0", None), (b"10", b"0", b"0.5"), (b"10", b"10", b"-1.5")], after=DOWN),
        lwpolyline([(b"0", b"0", None), (b"-10", b"0", b"-0.5"), (b"-10", b"10", b"1.5")]),
        id="polyline"),
    pytest.param(
        lwpolyline([(b"3", b"0", b"1"), (b"7", b"0", b"1")], after=b" 43\n0.5\n" + DOWN),
        lwpolyline([(b"-3", b"0", b"-1"), (b"-7", b"0", b"-1")], after=b" 43\n0.5\n"),
        id="polyline-donut"),
]


@pytest.mark.parametrize("flipped, upward", MIRRORS)
def test_flipped_entity_gives_the_records_of_its_world_geometry(converter, tmp_path, flipped,
                                                                upward):
    run, expected = profile_of(converter, tmp_path, sdxf(upward, LINE), "upward")
    flipped_run, written = profile_of(converter, tmp_path, sdxf(flipped, LINE), "flipped")
    assert written == expected
    assert flipped_run.stdout == run.stdout.replace(b"upward", b"flipped")
    assert flipped_run.stderr == b""


def test_flipped_arc_values(converter, tmp_path):
    _, written = profile_of(converter, tmp_path,
                            sdxf(arc(b"10.0", b"5.0", b"2.0", b"30.0", b"100.0", DOWN)))
    assert written == records(b"ARC    A01 102  -10.000000    5.000000    2.000000"
                              b"  210.000000  280.000000   80.000000  150.000000")


def test_flipped_full_turn_arc_stays_a_full_turn(converter, tmp_path):
    # 0 to 360 folds both ends to 180; the arc must still sweep a whole turn.
    _, written = profile_of(converter, tmp_path,
                            sdxf(arc(b"10.0", b"5.0", b"2.0", b"0.0", b"360.0", DOWN)))
    assert written == records(b"ARC    A01 102  -10.000000    5.000000    2.000000"
                              b" -180.000000  180.000000  180.000000  540.000000")


def test_flipped_polyline_arc_runs_where_the_drawing_shows_it(converter, tmp_path):
    # (2,0) to (-2,0) clockwise about (0,0,-1) passes through its own (0,-2);
    # seen from above it runs anticlockwise from (-2,0) through (0,-2) to (2,0).
    _, written = profile_of(converter, tmp_path, sdxf(
        lwpolyline([(b"2", b"0", b"-1"), (b"-2", b"0", None)], closed=False, after=DOWN)))
    assert written == records(b"ARC    A01 102    0.000000    0.000000    2.000000"
                              b"  180.000000   -0.000000  180.000000    0.000000")


@pytest.mark.parametrize("direction", [UP, b"230\n1\n", b"210\n-0.0\n220\n0\n230\n2.0\n",
                                       b"210\n0.0\n220\n0.0\n230\n0.0\n"])
def test_explicit_upward_extrusion_changes_nothing(converter, tmp_path, direction):
    plain = sdxf(arc(b"1.5", b"2", b"3", b"10", b"300"), circle(b"-4", b"5", b"6"),
                 lwpolyline([(b"0", b"0", b"0.25"), (b"5", b"5", None), (b"0", b"9", b"-2")]), LINE)
    explicit = sdxf(arc(b"1.5", b"2", b"3", b"10", b"300", direction),
                    circle(b"-4", b"5", b"6", direction),
                    lwpolyline([(b"0", b"0", b"0.25"), (b"5", b"5", None), (b"0", b"9", b"-2")],
                               after=direction), LINE)
    run, expected = profile_of(converter, tmp_path, plain, "plain")
    explicit_run, written = profile_of(converter, tmp_path, explicit, "explicit")
    assert written == expected
    assert explicit_run.stdout == run.stdout.replace(b"plain", b"explicit")
    assert explicit_run.stderr == b""


def line_number(data, needle, occurrence=1):
    """The number of the line on which the given occurrence of `needle` starts."""
    at = -1
    for _ in range(occurrence):
        at = data.index(needle, at + 1)
    return data.count(b"\n", 0, at) + 1


@pytest.mark.parametrize("direction", [
    b"210\n0.6\n220\n0.0\n230\n0.8\n",
    b"210\n0.0\n220\n1.0\n230\n0.0\n",
    b"210\n0.0\n220\n1e-9\n230\n-1.0\n",
])
def test_tilted_entities_are_left_out_with_a_warning(converter, tmp_path, direction):
    data = sdxf(arc(b"1", b"1", b"1", b"0", b"90", direction), LINE,
                circle(b"1", b"1", b"1", direction),
                lwpolyline([(b"0", b"0", b"1"), (b"5", b"0", None)], after=direction), LINE)
    run, written = profile_of(converter, tmp_path, data)
    # No "seg" or "bulge1" for the polyline; the lines are read in step.
    assert run.stdout == b"\nInput:p.sdxf\nLayer name = CUT\nProcessed 2 entities\ndone"
    assert written == records(LINE_RECORD[:-1], LINE_RECORD[:-1].replace(b"L01", b"L02"))
    # Each warning names the line of the entity's group 0.
    assert run.stderr == (
        b"warning: ARC on line %d lies in a tilted plane; left out\n"
        % line_number(data, b"  0\nARC")
        + b"warning: CIRCLE on line %d lies in a tilted plane; left out\n"
        % line_number(data, b"  0\nCIRCLE")
        + b"warning: LWPOLYLINE on line %d lies in a tilted plane; left out\n"
        % line_number(data, b"  0\nLWPOLYLINE")
        + b"Left out of layer CUT:\n  ARC in a tilted plane: 1\n  CIRCLE in a tilted plane: 1\n"
          b"  LWPOLYLINE in a tilted plane: 1\n")


def test_snippet_arc_with_negative_extrusion(converter, tmp_path):
    shutil.copy(sample_path("snippet-arc-negative-extrusion"), tmp_path / "arc.dxf")
    run = converter(2, "arc.dxf")
    assert run.status == 0
    run = converter(3, "arc.sdxf", "FG-Dtl-Dim")
    assert run.status == 0
    assert run.stdout == b"\nInput:arc.sdxf\nLayer name = FG-Dtl-Dim\nProcessed 1 entities\ndone"
    assert run.stderr == b""
    # Drawn at x 650.05 about (0,0,-1), from 338.90 to 355.08 degrees: in the
    # world at x -650.05, anticlockwise from 184.92 to 201.10 degrees.
    assert split_profile((tmp_path / "FG-Dtl-Dim.txt").read_bytes()) == (
        b"FG-Dtl-Dim,<ID>\n1\n"
        b"ARC    A01 102 -650.054199  347.590973    0.760426  158.899887  175.075226"
        b"  184.924774  201.100113\nEOF\n")
