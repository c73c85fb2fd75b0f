"""The profiles of real drawings agree with an independent reading of the same
drawings by ezdxf: every line, circle and arc, and every segment of every
lightweight polyline (ezdxf's own bulge-to-arc conversion), in world
coordinates, to single precision.

ezdxf is required, not optional: .ci/run installs python3-ezdxf, and without
it this module fails to import rather than passing silently."""

import io
import math
import os
import re
import shutil

import ezdxf
import pytest
from ezdxf.math import Vec3

from conftest import DATA, split_profile, unsigned

SAMPLES = DATA / "samples"

# Drawings with arcs, circles or bulged polylines, each with every layer that
# mode 2 lists for it.
DRAWINGS = [
    "acad2017-arcs",
    "acad2017-circles",
    "acad2017-donuts-lwpolyline-width-bulge",
    "acad2017-lwpolylines",
    "acad-laser-cp1252-layer-names-r2004",
    "cam-layers-lwpolyline-bulges-r2004",
    "librecad-closed-lwpolyline-bulges",
    "snippet-arc-negative-extrusion",
    "snippet-closed-lwpolyline-bulge-large-coords",
]


def read_drawing(path):
    """The drawing as ezdxf reads it. A file that is only an ENTITIES section
    is given a header first: without one ezdxf reads it as R12 and drops the
    layer and flags of its lightweight polylines."""
    data = path.read_bytes()
    if b"$ACADVER" not in data:
        data = b"  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n" + data
        return ezdxf.read(io.StringIO(data.decode("cp1252")))
    return ezdxf.readfile(path)


def close(value, expected):
    """Equal to single precision as the profile prints it: relative 1e-6, or
    the six printed decimals near zero."""
    return abs(value - expected) <= max(1e-6 * abs(expected), 2e-6)


def same_angle(value, expected, tolerance=1e-4):
    return abs((value - expected + 180.0) % 360.0 - 180.0) <= tolerance


def degrees(centre, point):
    return math.degrees(math.atan2(point.y - centre.y, point.x - centre.x))


def world_arc(arc, source):
    """Centre, radius and anticlockwise start and end angle of an ezdxf ARC
    in world coordinates. Its start and end points come from ezdxf's own
    transformation out of the entity's plane; seen from above, an arc whose
    normal points down runs from its end point to its start point."""
    centre = arc.ocs().to_wcs(Vec3(arc.dxf.center))
    start, end = arc.start_point, arc.end_point
    if Vec3(arc.dxf.extrusion).z < 0:
        start, end = end, start
    return ("ARC", source, centre.x, centre.y, abs(arc.dxf.radius),
            degrees(centre, start), degrees(centre, end))


def expected_records(doc, layer):
    """What ezdxf finds on `layer`, in the order of the ENTITIES section."""
    records = []
    for entity in doc.modelspace():
        if entity.dxf.layer != layer:
            continue
        kind = entity.dxftype()
        if kind == "LINE":
            s, e = Vec3(entity.dxf.start), Vec3(entity.dxf.end)
            records.append(("LINE", None, s.x, s.y, e.x, e.y))
        elif kind == "POINT":
            p = Vec3(entity.dxf.location)
            records.append(("POINT", None, p.x, p.y, p.z))
        elif kind == "CIRCLE":
            centre = entity.ocs().to_wcs(Vec3(entity.dxf.center))
            records.append(("CIRCLE", None, centre.x, centre.y, entity.dxf.radius))
        elif kind == "ARC":
            records.append(world_arc(entity, "entity"))
        elif kind == "LWPOLYLINE":
            # Lines come in world coordinates, arcs in the polyline's plane.
            for segment in entity.virtual_entities():
                if segment.dxftype() == "LINE":
                    s, e = Vec3(segment.dxf.start), Vec3(segment.dxf.end)
                    records.append(("LINE", None, s.x, s.y, e.x, e.y))
                else:
                    records.append(world_arc(segment, "bulge"))
    return records


def profile_records(data):
    lines = split_profile(data).splitlines()
    assert lines[-1] == b"EOF"
    assert int(lines[1]) == len(lines) - 3
    return [(line[:6].decode().strip(), [float(v) for v in line[15:].split()])
            for line in lines[2:-1]]


def check_layer(written, expected, where):
    assert [kind for kind, _ in written] == [e[0] for e in expected], where
    arcs = 0
    for i, ((kind, values), want) in enumerate(zip(written, expected)):
        row = f"{where}, record {i + 1}: {values} against {want}"
        if kind in ("LINE", "POINT", "CIRCLE"):
            assert all(close(v, w) for v, w in zip(values, want[2:])), row
            continue
        arcs += 1
        cx, cy, r, mirrored_a, mirrored_b, start, end = values
        assert close(cx, want[2]) and close(cy, want[3]) and close(r, want[4]), row
        assert same_angle(start, want[5]) and same_angle(end, want[6]), row
        # The mirrored pair: start then end for a bulge, end then start for
        # an ARC entity.
        if want[1] == "entity":
            mirrored_a, mirrored_b = mirrored_b, mirrored_a
        assert same_angle(mirrored_a, 360.0 - start), row
        assert same_angle(mirrored_b, 360.0 - end), row
    return arcs


def convert_and_compare(converter, tmp_path, dxf_path, doc):
    """Mode 2, then mode 3 for every listed layer; returns the arcs checked."""
    run = converter(2, dxf_path.name)
    assert run.status == 0, run.stdout
    names = (tmp_path / f"{dxf_path.stem}.layers").read_bytes().splitlines()
    assert names
    arcs = 0
    for name in names:
        run = converter(3, f"{dxf_path.stem}.sdxf", os.fsdecode(name))
        expected = expected_records(doc, name.decode(doc.encoding))
        processed = re.search(rb"\nProcessed (\d+) entities", run.stdout)
        assert processed and int(processed.group(1)) == len(expected), (name, run.stdout)
        if len(expected) > 64:
            assert run.status == unsigned(-5), (name, run.stdout)
            continue
        assert run.status == 0, (name, run.stdout)
        written = profile_records((tmp_path / f"{os.fsdecode(name)}.txt").read_bytes())
        arcs += check_layer(written, expected, f"{dxf_path.name}, layer {name!r}")
    return arcs


@pytest.mark.parametrize("drawing", DRAWINGS)
def test_sample_drawing_agrees_with_ezdxf(converter, tmp_path, drawing):
    shutil.copy(SAMPLES / f"{drawing}.dxf", tmp_path)
    doc = read_drawing(SAMPLES / f"{drawing}.dxf")
    convert_and_compare(converter, tmp_path, tmp_path / f"{drawing}.dxf", doc)


def test_bulged_polylines_of_the_samples_give_arcs(converter, tmp_path):
    # The comparison above must not pass by finding no arcs at all.
    bulged = ["acad2017-donuts-lwpolyline-width-bulge", "cam-layers-lwpolyline-bulges-r2004",
              "librecad-closed-lwpolyline-bulges", "snippet-closed-lwpolyline-bulge-large-coords"]
    for drawing in bulged:
        directory = tmp_path / drawing
        directory.mkdir()
        shutil.copy(SAMPLES / f"{drawing}.dxf", directory)
        doc = read_drawing(SAMPLES / f"{drawing}.dxf")
        arcs = convert_and_compare(lambda *a: converter(*a, cwd=directory), directory,
                                   directory / f"{drawing}.dxf", doc)
        assert arcs >= 3, drawing


def test_flipped_arcs_and_circles_of_an_r12_drawing_agree_with_ezdxf(converter, tmp_path):
    # The drawing has no subclass markers; ezdxf writes it again as R2000,
    # with the thickness and extrusion groups after the radius.
    doc = ezdxf.readfile(SAMPLES / "autodesk-r12-negative-extrusion-arcs.dxf")
    flipped = [e for e in doc.modelspace().query("ARC CIRCLE") if Vec3(e.dxf.extrusion).z < 0]
    assert len(flipped) == 10
    doc.dxfversion = "R2000"
    doc.saveas(tmp_path / "r2000.dxf")
    assert convert_and_compare(converter, tmp_path, tmp_path / "r2000.dxf", doc) == 6


def test_flipped_entities_written_by_ezdxf_agree_with_ezdxf(converter, tmp_path):
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    down = {"layer": "CUT", "extrusion": (0, 0, -1)}
    msp.add_arc((12.5, -3.25), 4.0, 20.0, 250.0, dxfattribs={**down, "thickness": 2.0})
    msp.add_arc((-7.0, 8.0), 1.5, 300.0, 45.0, dxfattribs=down)
    msp.add_circle((3.0, 4.0), 2.25, dxfattribs=down)
    msp.add_lwpolyline([(0, 0, 0, 0, 0.4), (10, 0, 0, 0, -1.2), (10, 10, 0, 0, 0), (0, 10, 0, 0, 2.0)],
                       format="xyseb", close=True, dxfattribs={**down, "const_width": 0.5})
    msp.add_lwpolyline([(1, 1, 0, 0, 1.0), (5, 1, 0, 0, 1.0)], format="xyseb", close=True,
                       dxfattribs={**down, "elevation": 42.0})
    msp.add_arc((1.0, 2.0), 3.0, 45.0, 135.0, dxfattribs={"layer": "CUT", "thickness": 1.0})
    doc.saveas(tmp_path / "flipped.dxf")
    doc = ezdxf.readfile(tmp_path / "flipped.dxf")
    assert convert_and_compare(converter, tmp_path, tmp_path / "flipped.dxf", doc) == 8
