"""dxfprofile-preview on profiles written by the converter: the SVG parses as
XML, its elements stand where the records say, arcs run the way the drawing
runs them, malformed profiles are refused, and an independent renderer draws
the pictures of the sample drawings."""

import math
import os
import shutil
import subprocess
import xml.etree.ElementTree as ElementTree

import pytest
from ezdxf.math import OCS, Vec3, bulge_to_arc

from conftest import SAMPLES, unsigned

SVG = "{http://www.w3.org/2000/svg}"
TOLERANCE = 2e-6  # six decimals in the profile, six in the picture
TIMEOUT = 20


@pytest.fixture
def preview(tmp_path):
    """Runs dxfprofile-preview in tmp_path; returns status, stdout, stderr."""
    binary = os.environ.get("DXFPROFILE_PREVIEW")
    if not binary:
        pytest.skip("DXFPROFILE_PREVIEW is not set: run the end-to-end tests through ctest")

    def run(*args):
        return subprocess.run(
            [binary, *[str(a) for a in args]], cwd=tmp_path, capture_output=True, timeout=TIMEOUT
        )

    return run


# --- inputs -----------------------------------------------------------------


def group(code, value):
    return b"%3d\n%s\n" % (code, value.encode() if isinstance(value, str) else value)


def arc_entity(handle, layer, centre, radius, start, end, extrusion=None):
    data = group(0, "ARC") + group(5, handle) + group(100, "AcDbEntity") + group(8, layer)
    data += group(100, "AcDbCircle")
    data += group(10, repr(centre[0])) + group(20, repr(centre[1])) + group(30, "0.0")
    data += group(40, repr(radius))
    if extrusion:
        data += b"".join(group(c, repr(v)) for c, v in zip((210, 220, 230), extrusion))
    return data + group(100, "AcDbArc") + group(50, repr(start)) + group(51, repr(end))


def polyline_entity(handle, layer, vertices, closed=False, extrusion=None):
    """vertices: (x, y, bulge) in order; a bulge of 0 writes no 42 group."""
    data = group(0, "LWPOLYLINE") + group(5, handle) + group(100, "AcDbEntity") + group(8, layer)
    data += group(100, "AcDbPolyline") + group(90, str(len(vertices)))
    data += group(70, "1" if closed else "0")
    for x, y, bulge in vertices:
        data += group(10, repr(x)) + group(20, repr(y))
        if bulge:
            data += group(42, repr(bulge))
    if extrusion:
        data += b"".join(group(c, repr(v)) for c, v in zip((210, 220, 230), extrusion))
    return data


def sdxf(*entities):
    return b"ENTITIES\n" + b"".join(entities) + b"  0\nENDSEC\nEOF"


# --- reading the outputs ------------------------------------------------------


def profile_records(data):
    """(tag, type, values) of each record line of a profile."""
    lines = data.decode("latin-1").split("\n")
    count = int(lines[1])
    records = []
    for line in lines[2 : 2 + count]:
        fields = line.split()
        records.append((fields[1], int(fields[2]), [float(v) for v in fields[3:]]))
    return records


def svg_elements(path):
    """The root and, by record tag, each element that draws a record."""
    root = ElementTree.parse(path).getroot()
    elements = {}
    for element in root.iter():
        title = element.find(SVG + "title")
        if element is root or title is None or element.get("class") == "start":
            continue
        elements[title.text] = element
    return root, elements


def start_marks(root):
    return {
        mark.find(SVG + "title").text.removesuffix(" start"): (
            float(mark.get("cx")),
            float(mark.get("cy")),
        )
        for mark in root.iter(SVG + "circle")
        if mark.get("class") == "start"
    }


def parse_arc_path(d):
    """(start, [(radius, large, sweep, end), ...]) of "M x y A ..." paths."""
    words = d.split()
    assert words[0] == "M"
    start = (float(words[1]), float(words[2]))
    pieces = []
    rest = words[3:]
    while rest:
        assert rest[0] == "A" and rest[1] == rest[2] and rest[3] == "0", d
        end = (float(rest[6]), float(rest[7]))
        pieces.append((float(rest[1]), rest[4] == "1", rest[5] == "1", end))
        rest = rest[8:]
    return start, pieces


def svg_arc_centre(start, radius, large, sweep, end):
    """The centre that an SVG renderer takes for an arc (endpoint to centre
    conversion of the SVG rules, no rotation, radius large enough)."""
    (x1, y1), (x2, y2) = start, end
    mx, my = (x1 - x2) / 2, (y1 - y2) / 2
    root = math.sqrt(max(0.0, (radius * radius - mx * mx - my * my) / (mx * mx + my * my)))
    if large == sweep:
        root = -root
    return (root * my + (x1 + x2) / 2, -root * mx + (y1 + y2) / 2)


def drawn_points(elements):
    """Points that each element passes through (line ends, the sides of a
    circle, the ends of arcs, the centre of a point's cross)."""
    points = []
    for element in elements.values():
        if element.tag == SVG + "line":
            x1, y1, x2, y2 = (float(element.get(a)) for a in ("x1", "y1", "x2", "y2"))
            points += [(x1, y1), (x2, y2)]
        elif element.tag == SVG + "circle":
            x, y, r = (float(element.get(a)) for a in ("cx", "cy", "r"))
            points += [(x - r, y - r), (x + r, y + r)]
        elif " A " in element.get("d"):
            start, pieces = parse_arc_path(element.get("d"))
            points += [start] + [end for _, _, _, end in pieces]
        else:
            words = element.get("d").split()
            points.append((float(words[1]), float(words[2])))
    return points


def inside_view_box(root, points):
    x, y, width, height = (float(n) for n in root.get("viewBox").split())
    return all(x < px < x + width and y < py < y + height for px, py in points)


def near(a, b, tolerance=TOLERANCE):
    return all(abs(p - q) <= tolerance * max(1.0, abs(q)) for p, q in zip(a, b))


def convert_and_draw(converter, preview, tmp_path, data, layer):
    (tmp_path / "part.sdxf").write_bytes(data)
    run = converter(3, "part.sdxf", layer)
    assert run.status == 0, run.stdout
    drawn = preview(f"{layer}.txt")
    assert drawn.returncode == 0, drawn.stderr
    return profile_records((tmp_path / f"{layer}.txt").read_bytes()), tmp_path / f"{layer}.svg"


# --- the picture matches the records -----------------------------------------------

OUTLINE = sdxf(
    b"  0\nLINE\n  5\n1\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n50.0\n 21\n0.0\n 31\n0.0\n",
    arc_entity("3", "OUTLINE", (25.0, 25.0), 25.0, 0.0, 180.0),
    b"  0\nCIRCLE\n  5\n5\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbCircle\n"
    b" 10\n10.0\n 20\n10.0\n 30\n0.0\n 40\n2.5\n",
    b"  0\nPOINT\n  5\n6\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbPoint\n"
    b" 10\n5.0\n 20\n-5.0\n 30\n0.0\n",
)


def test_elements_stand_where_the_records_say(converter, preview, tmp_path):
    records, picture = convert_and_draw(converter, preview, tmp_path, OUTLINE, "OUTLINE")
    root, elements = svg_elements(picture)
    assert root.tag == SVG + "svg"
    assert root.find(SVG + "title").text.startswith("OUTLINE (")
    assert sorted(elements) == sorted(tag for tag, _, _ in records) == ["A01", "C01", "L01", "P01"]
    marks = start_marks(root)
    assert sorted(marks) == ["A01", "L01"]
    for tag, code, v in records:
        element = elements[tag]
        if code == 101:
            assert element.tag == SVG + "line"
            got = [float(element.get(a)) for a in ("x1", "y1", "x2", "y2")]
            assert near(got, [v[0], -v[1], v[2], -v[3]])
            assert near(marks[tag], (v[0], -v[1]))
        elif code == 104:
            assert element.tag == SVG + "circle"
            assert near([float(element.get(a)) for a in ("cx", "cy", "r")], [v[0], -v[1], v[2]])
        elif code == 103:
            assert element.tag == SVG + "path"
            words = element.get("d").split()
            assert words[0] == "M" and near([float(words[1]), float(words[2])], [v[0], -v[1]])
        else:
            assert element.tag == SVG + "path"
            start, [(radius, large, sweep, end)] = parse_arc_path(element.get("d"))
            a6, a7 = math.radians(v[5]), math.radians(v[6])
            assert near(start, (v[0] + v[2] * math.cos(a6), -(v[1] + v[2] * math.sin(a6))))
            assert near(end, (v[0] + v[2] * math.cos(a7), -(v[1] + v[2] * math.sin(a7))))
            assert radius == v[2] and not sweep and not large
            assert near(svg_arc_centre(start, radius, large, sweep, end), (v[0], -v[1]))
            assert marks[tag] == start
    # The view box holds everything, the top of the arc included (y = 50).
    assert inside_view_box(root, drawn_points(elements) + [(25.0, -50.0)])


# Arcs as the drawing has them, each given as (centre, radius, start angle,
# sweep) in world coordinates, anticlockwise, computed here from the input
# entities without the converter's formulas.
def world_arc_of_entity(centre, radius, start, end, extrusion=(0.0, 0.0, 1.0)):
    ocs = OCS(extrusion)
    world_centre = Vec3(ocs.to_wcs((centre[0], centre[1], 0.0)))
    # Angles run about the OCS z axis; seen from world +z a flipped plane turns
    # them clockwise: x is mirrored, the run reverses.
    first = Vec3(ocs.to_wcs((math.cos(math.radians(start)), math.sin(math.radians(start)), 0.0)))
    last = Vec3(ocs.to_wcs((math.cos(math.radians(end)), math.sin(math.radians(end)), 0.0)))
    first_angle = math.degrees(math.atan2(first.y, first.x))
    last_angle = math.degrees(math.atan2(last.y, last.x))
    sweep = (end - start) % 360.0 or 360.0
    if extrusion[2] < 0:
        first_angle = last_angle
    return (world_centre.x, world_centre.y), radius, first_angle, sweep


def world_arc_of_bulge(p1, p2, bulge, extrusion=(0.0, 0.0, 1.0)):
    centre, start, end, radius = bulge_to_arc(p1, p2, bulge)
    return world_arc_of_entity(
        (centre.x, centre.y), radius, math.degrees(start), math.degrees(end), extrusion
    )


FLIPPED = (0.0, 0.0, -1.0)
COS30 = math.cos(math.radians(30.0))
TAN15 = math.tan(math.radians(15.0))  # the bulge of a 60 degree arc
ARC_CASES = [
    # (what, entity, expected world arc)
    (
        "across 0 degrees",
        arc_entity("10", "ARCS", (3.0, 4.0), 2.0, 350.0, 20.0),
        world_arc_of_entity((3.0, 4.0), 2.0, 350.0, 20.0),
    ),
    (
        "over a half turn",
        arc_entity("11", "ARCS", (-7.5, 1.25), 4.0, 30.0, 300.0),
        world_arc_of_entity((-7.5, 1.25), 4.0, 30.0, 300.0),
    ),
    (
        "mirrored by extrusion (0,0,-1)",
        arc_entity("12", "ARCS", (5.0, 2.0), 3.0, 10.0, 80.0, FLIPPED),
        world_arc_of_entity((5.0, 2.0), 3.0, 10.0, 80.0, FLIPPED),
    ),
    (
        "mirrored, across 0 degrees, over a half turn",
        arc_entity("13", "ARCS", (-1.0, -2.0), 1.5, 300.0, 250.0, FLIPPED),
        world_arc_of_entity((-1.0, -2.0), 1.5, 300.0, 250.0, FLIPPED),
    ),
    (
        "clockwise bulge across 0 degrees",
        polyline_entity("14", "ARCS", [(COS30 * 10, 5.0, -TAN15), (COS30 * 10, -5.0, 0)]),
        world_arc_of_bulge((COS30 * 10, 5.0), (COS30 * 10, -5.0), -TAN15),
    ),
    (
        "bulge over a half turn",
        polyline_entity("15", "ARCS", [(0.0, 0.0, 2.0), (10.0, 0.0, 0)]),
        world_arc_of_bulge((0.0, 0.0), (10.0, 0.0), 2.0),
    ),
    (
        "clockwise bulge over a half turn",
        polyline_entity("16", "ARCS", [(0.0, 0.0, -2.0), (10.0, 0.0, 0)]),
        world_arc_of_bulge((0.0, 0.0), (10.0, 0.0), -2.0),
    ),
    (
        "bulge mirrored by extrusion (0,0,-1)",
        polyline_entity("17", "ARCS", [(1.0, 1.0, 0.5), (4.0, 3.0, 0)], extrusion=FLIPPED),
        world_arc_of_bulge((1.0, 1.0), (4.0, 3.0), 0.5, FLIPPED),
    ),
]


def test_arcs_run_anticlockwise_as_the_drawing_runs_them(converter, preview, tmp_path):
    data = sdxf(*(entity for _, entity, _ in ARC_CASES))
    records, picture = convert_and_draw(converter, preview, tmp_path, data, "ARCS")
    assert [tag for tag, _, _ in records] == ["A%02d" % (i + 1) for i in range(len(ARC_CASES))]
    root, elements = svg_elements(picture)
    marks = start_marks(root)
    for index, (what, _, (centre, radius, start, sweep)) in enumerate(ARC_CASES):
        tag = "A%02d" % (index + 1)
        path = parse_arc_path(elements[tag].get("d"))
        got_start, [(got_radius, large, sweep_flag, got_end)] = path
        end = start + sweep
        expected_start = (centre[0] + radius * math.cos(math.radians(start)),
                          -(centre[1] + radius * math.sin(math.radians(start))))
        expected_end = (centre[0] + radius * math.cos(math.radians(end)),
                        -(centre[1] + radius * math.sin(math.radians(end))))
        # The profile holds single-precision values: allow for their rounding.
        assert near(got_start, expected_start, 1e-5), what
        assert near(got_end, expected_end, 1e-5), what
        assert abs(got_radius - radius) < 1e-5, what
        assert large == (sweep > 180.0), what
        # Anticlockwise with y up is the negative sense of SVG's y-down page.
        assert not sweep_flag, what
        centre_drawn = svg_arc_centre(got_start, got_radius, large, sweep_flag, got_end)
        assert near(centre_drawn, (centre[0], -centre[1]), 1e-4), what
        assert marks[tag] == got_start, what


def test_an_arc_whose_ends_meet_is_drawn_as_a_whole_circle(converter, preview, tmp_path):
    data = sdxf(arc_entity("20", "RING", (1.0, 1.0), 2.0, 0.0, 360.0))
    records, picture = convert_and_draw(converter, preview, tmp_path, data, "RING")
    _, elements = svg_elements(picture)
    start, pieces = parse_arc_path(elements["A01"].get("d"))
    assert near(start, (3.0, -1.0))
    assert [(r, large, sweep) for r, large, sweep, _ in pieces] == [(2.0, False, False)] * 2
    assert near(pieces[0][3], (-1.0, -1.0)) and pieces[1][3] == start


def test_default_and_given_output_names(preview, tmp_path):
    (tmp_path / "Cut.txt").write_bytes(HEADER + b"1\n" + LINE + b"EOF\n")
    run = preview("Cut.txt")
    assert run.returncode == 0 and run.stderr == b""
    assert run.stdout == b"Cut.txt: 1 records drawn in Cut.svg\n"
    run = preview("Cut.txt", "pictures.svg")
    assert run.returncode == 0
    assert (tmp_path / "pictures.svg").read_bytes() == (tmp_path / "Cut.svg").read_bytes()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["Cut.svg", "Cut.txt", "pictures.svg"]


# --- malformed profiles ---------------------------------------------------------

HEADER = b"Cut,ABCDEFGH.IJK\n"
LINE = b"LINE   L01 101    0.000000    0.000000    1.000000    1.000000    0.000000\n"
MALFORMED = [
    ("no header", b"1\n" + LINE + b"EOF\n", b'line 1: no header "layer,IDENT"'),
    ("count too high", HEADER + b"2\n" + LINE + b"EOF\n", b"line 4: EOF after 1 of 2 records"),
    (
        "count too low",
        HEADER + b"0\n" + LINE + b"EOF\n",
        b"line 3: more records than the count 0 on line 2",
    ),
    (
        "record that does not parse",
        HEADER + b"1\nLINE L01\nEOF\n",
        b"line 3: LINE record without tag and type code",
    ),
    ("type code outside 101..104", HEADER + b"1\n" + LINE.replace(b"101", b"106") + b"EOF\n",
     b"line 3: type code 106 is outside 101 to 104"),
    ("no EOF", HEADER + b"1\n" + LINE, b"line 4: file ends without EOF"),
    (
        "non-finite value",
        HEADER + b"1\n" + LINE.replace(b"    1.000000    0.000000\n", b"       -nan    0.000000\n")
        + b"EOF\n",
        b'line 3: value 4 "-nan" is not finite',
    ),
    ("wrong number of values", HEADER + b"1\n" + LINE.replace(b"    0.000000\n", b"\n") + b"EOF\n",
     b"line 3: LINE record with 4 values (5 expected)"),
    ("tag of another kind", HEADER + b"1\n" + LINE.replace(b"L01", b"C01") + b"EOF\n",
     b"line 3: LINE record with tag C01"),
]


@pytest.mark.parametrize(
    "text,message", [c[1:] for c in MALFORMED], ids=[c[0] for c in MALFORMED]
)
def test_malformed_profile_is_refused_without_a_picture(preview, tmp_path, text, message):
    (tmp_path / "Cut.txt").write_bytes(text)
    run = preview("Cut.txt")
    assert run.returncode == unsigned(-2)
    assert run.stdout == b""
    assert run.stderr == b"Error: Cut.txt, " + message + b"\n"
    assert [p.name for p in tmp_path.iterdir()] == ["Cut.txt"]


# --- an independent renderer draws every sample's pictures ---------------------------


def rsvg_convert():
    path = shutil.which("rsvg-convert")
    if path is None:
        pytest.skip("rsvg-convert is not installed (Debian librsvg2-bin; .ci/run installs it)")
    return path


@pytest.mark.parametrize("drawing", sorted(SAMPLES.glob("*.dxf")), ids=lambda d: d.stem)
def test_sample_pictures_render_without_errors(converter, preview, tmp_path, drawing):
    renderer = rsvg_convert()
    shutil.copy(drawing, tmp_path / drawing.name)
    assert converter(2, drawing.name, timeout=TIMEOUT).status == 0
    layers = (tmp_path / f"{drawing.stem}.layers").read_bytes().split(b"\n")[:-1]
    for layer in layers:
        name = os.fsdecode(layer)
        if converter(3, f"{drawing.stem}.sdxf", name, timeout=TIMEOUT).status != 0:
            continue
        run = preview(f"{name}.txt", "picture.svg")
        assert run.returncode == 0, (layer, run.stderr)
        root, elements = svg_elements(tmp_path / "picture.svg")
        records = profile_records((tmp_path / f"{name}.txt").read_bytes())
        assert sorted(elements) == sorted(tag for tag, _, _ in records)
        assert inside_view_box(root, drawn_points(elements)), layer
        rendered = subprocess.run(
            [renderer, "picture.svg", "-o", "picture.png"],
            cwd=tmp_path,
            capture_output=True,
            timeout=TIMEOUT,
        )
        assert (rendered.returncode, rendered.stderr) == (0, b""), layer
        assert (tmp_path / "picture.png").read_bytes().startswith(b"\x89PNG")
