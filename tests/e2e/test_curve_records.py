"""What curves and bulges become when a drawing holds more than the samples
show: a spline too wiggly for one layer, curves that give no record, splines
given by fit points, and bulges too flat for single precision."""

import math

import ezdxf
import pytest
from ezdxf.math import Vec3, fit_points_to_cad_cv

from conftest import split_profile, unsigned
from oracle import layer_entities, profile_records, read_drawing
from test_curves import check_curves_followed


def entity(kind, groups):
    return b"  0\n%s\n  8\nCUT\n" % kind + b"".join(b"%3d\n%s\n" % (c, v) for c, v in groups)


def spline(points, degree=3, knots=None):
    count = len(points)
    if knots is None:  # clamped, uniform
        inner = count - degree - 1
        knots = [0] * (degree + 1) + [i + 1 for i in range(inner)] + [inner + 1] * (degree + 1)
    groups = [(70, b"8"), (71, b"%d" % degree), (72, b"%d" % len(knots)), (73, b"%d" % count)]
    groups += [(40, b"%r" % float(k)) for k in knots]
    for x, y in points:
        groups += [(10, b"%r" % float(x)), (20, b"%r" % float(y)), (30, b"0.0")]
    return entity(b"SPLINE", groups)


def run(converter, tmp_path, *entities):
    (tmp_path / "in.sdxf").write_bytes(b"ENTITIES\n" + b"".join(entities) + b"  0\nENDSEC\nEOF")
    return converter(3, "in.sdxf", "CUT")


def test_a_spline_that_needs_more_than_64_records_refuses_the_layer(converter, tmp_path):
    zigzag = [(i * 2.0, 10.0 * (i % 2)) for i in range(400)]
    result = run(converter, tmp_path, spline(zigzag, degree=2))
    assert result.status == unsigned(-5)
    assert b"\nError: DXF layer contains too many entities" in result.stdout
    assert (tmp_path / "CUT.txt").read_bytes() == b""


def test_curves_that_give_no_record_are_reported_with_their_line(converter, tmp_path):
    fit_only = entity(b"SPLINE", [(71, b"3"), (74, b"2"), (11, b"5"), (21, b"5"), (11, b"5"),
                                  (21, b"5")])
    a_point = spline([(1, 1)] * 4)
    nan_knots = spline([(0, 0), (1, 1), (2, 0), (3, 1)], knots=[0, 0, 0, 0, 1, 1, 1, math.nan])
    flat = entity(b"ELLIPSE", [(10, b"0"), (20, b"0"), (11, b"5"), (21, b"0"), (40, b"0")])
    result = run(converter, tmp_path, fit_only, a_point, nan_knots, flat)
    assert result.status == 0
    warnings = result.stderr.decode().splitlines()
    assert [w.split(" gives")[0] for w in warnings[:4]] == [
        "warning: SPLINE on line 2", "warning: SPLINE on line %d" % (2 + len(fit_only.split(b"\n")) - 1),
        "warning: SPLINE on line %d" % (1 + len((fit_only + a_point).split(b"\n"))),
        "warning: ELLIPSE on line %d" % (1 + len((fit_only + a_point + nan_knots).split(b"\n")))]
    assert "(no extent)" in warnings[0]
    assert warnings[4:] == ["Left out of layer CUT:", "  SPLINE: 3", "  ELLIPSE: 1"]
    assert split_profile((tmp_path / "CUT.txt").read_bytes()) == b"CUT,<ID>\n0\nEOF\n"


@pytest.mark.parametrize("normal", [(0, 0, 1), (0, 0, -1)])
def test_elliptic_arcs_and_rational_circles_follow_ezdxfs_curve(converter, tmp_path, normal):
    # Written by ezdxf and checked against its own flattening, both ways.
    doc = ezdxf.new("R2000")
    space = doc.modelspace()
    cut = {"layer": "CUT", "extrusion": normal}
    space.add_ellipse((3, 4), (6, 0), 0.5, 0.3, 2.0, dxfattribs=cut)
    space.add_ellipse((20, 4), (0, 5), 0.25, dxfattribs=cut)
    weight = math.sqrt(0.5)  # a quarter circle of radius 10 as one rational span
    space.add_rational_spline([(40, 0), (50, 0), (50, 10)], [1, weight, 1], degree=2,
                              dxfattribs={"layer": "CUT"})
    doc.saveas(tmp_path / "e.dxf")
    assert converter(2, "e.dxf").status == 0
    result = converter(3, "e.sdxf", "CUT")
    assert result.status == 0
    records = profile_records((tmp_path / "CUT.txt").read_bytes(), b"CUT")
    check_curves_followed(records, [e for e in layer_entities(read_drawing(tmp_path / "e.dxf"))])
    assert result.stderr.startswith(b"Approximated on layer CUT: SPLINE 1 and ELLIPSE 2 as ")
    assert records[-1][0] == "ARC"  # the quarter circle, as one arc


class FitPointCurve:
    """ezdxf's curve for a SPLINE given by fit points (its entity cannot
    flatten itself: ezdxf 0.18 fails to slice the fit points)."""

    def __init__(self, spline):
        tangents = None
        if spline.dxf.hasattr("start_tangent") and spline.dxf.hasattr("end_tangent"):
            tangents = [spline.dxf.start_tangent, spline.dxf.end_tangent]
        self.curve = fit_points_to_cad_cv(Vec3.list(spline.fit_points), tangents=tangents)

    def dxftype(self):
        return "SPLINE"

    def flattening(self, distance):
        return self.curve.flattening(distance)


@pytest.mark.parametrize("tangents", [None, ((1, 0, 0), (0, -1, 0))])
@pytest.mark.parametrize("points", [[(0, 0), (3, 4), (7, 3), (10, 8), (14, 6)],
                                    [(0, 0), (10, 0), (12, 7), (5, 11), (-2, 6), (0, 0)]],
                         ids=["open", "closed"])
def test_splines_by_fit_points_follow_ezdxfs_curve(converter, tmp_path, points, tangents):
    doc = ezdxf.new("R2000")
    spline = doc.modelspace().add_spline(points, dxfattribs={"layer": "CUT"})
    spline.closed = points[0] == points[-1]
    if tangents:
        spline.dxf.start_tangent, spline.dxf.end_tangent = tangents
    doc.saveas(tmp_path / "f.dxf")
    assert converter(2, "f.dxf").status == 0
    result = converter(3, "f.sdxf", "CUT")
    assert result.status == 0
    assert result.stderr.startswith(b"Approximated on layer CUT: SPLINE 1 as ")
    records = profile_records((tmp_path / "CUT.txt").read_bytes(), b"CUT")
    check_curves_followed(records, [FitPointCurve(spline)])


def test_a_bulge_too_flat_for_single_precision_is_written_as_a_line(converter, tmp_path):
    polyline = entity(b"LWPOLYLINE", [(90, b"2"), (70, b"0"), (10, b"0"), (20, b"0"),
                                      (42, b"1e-6"), (10, b"100"), (20, b"0")])
    result = run(converter, tmp_path, polyline)
    assert result.status == 0
    assert result.stdout == b"\nInput:in.sdxf\nLayer name = CUT\nseg\nProcessed 1 entities\ndone"
    assert split_profile((tmp_path / "CUT.txt").read_bytes()) == (
        b"CUT,<ID>\n1\n"
        b"LINE   L01 101    0.000000    0.000000  100.000000    0.000000    0.000000\nEOF\n")
