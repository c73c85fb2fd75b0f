"""Drawings written by ezdxf with what no sample holds (polylines and arcs
whose extrusion points down, bulged heavy polylines, spline frame points,
3D polylines and meshes), converted and checked against ezdxf's reading of
them as the samples are in test_samples.py."""

from collections import Counter

import ezdxf
import pytest

from oracle import check_records, expected_records, model_space_layers, profile_records

DOWN = {"layer": "CUT", "extrusion": (0, 0, -1)}


def convert_and_check(converter, tmp_path, doc):
    """Mode 2, then mode 3 for every layer; returns the kinds of the records."""
    doc.saveas(tmp_path / "drawing.dxf")
    doc = ezdxf.readfile(tmp_path / "drawing.dxf")
    assert converter(2, "drawing.dxf").status == 0
    assert (tmp_path / "drawing.layers").read_text().splitlines() == model_space_layers(doc)
    kinds = Counter()
    for layer in model_space_layers(doc):
        expected = expected_records(doc, layer)
        run = converter(3, "drawing.sdxf", layer)
        assert run.status == 0, run.stdout
        written = profile_records((tmp_path / f"{layer}.txt").read_bytes(), layer.encode())
        check_records(written, expected, layer)
        kinds.update(kind for kind, _ in written)
    return kinds


def test_flipped_entities_agree_with_ezdxf(converter, tmp_path):
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_arc((12.5, -3.25), 4.0, 20.0, 250.0, dxfattribs={**DOWN, "thickness": 2.0})
    msp.add_arc((-7.0, 8.0), 1.5, 300.0, 45.0, dxfattribs=DOWN)
    msp.add_circle((3.0, 4.0), 2.25, dxfattribs=DOWN)
    msp.add_lwpolyline([(0, 0, 0.4), (10, 0, -1.2), (10, 10, 0), (0, 10, 2.0)], format="xyb",
                       close=True, dxfattribs={**DOWN, "const_width": 0.5})
    msp.add_lwpolyline([(1, 1, 1.0), (5, 1, 1.0)], format="xyb", close=True,
                       dxfattribs={**DOWN, "elevation": 42.0})
    msp.add_arc((1.0, 2.0), 3.0, 45.0, 135.0, dxfattribs={"layer": "CUT", "thickness": 1.0})
    assert convert_and_check(converter, tmp_path, doc) == {"ARC": 8, "LINE": 1, "CIRCLE": 1}


@pytest.mark.parametrize("version", ["R12", "R2000"])
def test_heavy_polylines_agree_with_ezdxf(converter, tmp_path, version):
    doc = ezdxf.new(version)
    msp = doc.modelspace()
    msp.add_polyline2d([(0, 0, 0.5), (8, 0, 0), (8, 6, -1.5), (0, 6, 0)], format="xyb", close=True,
                       dxfattribs=DOWN)
    # A spline-fit polyline: its frame points (vertex flag 16) are not on the path.
    fitted = msp.add_polyline2d([(0, 0), (30, 40), (2, 1), (-50, 7), (4, 3)],
                                dxfattribs={"layer": "FIT", "flags": 4})
    for vertex, flags in zip(fitted.vertices, (8, 16, 8, 16, 8)):
        vertex.dxf.flags = flags
    msp.add_polyline3d([(0, 0, 0), (1, 1, 1), (2, 0, 3)], dxfattribs={"layer": "FIT"})
    mesh = msp.add_polymesh((2, 2), dxfattribs={"layer": "FIT"})
    for m, n in ((0, 0), (0, 1), (1, 0), (1, 1)):
        mesh.set_mesh_vertex((m, n), (m, n, m * n))
    assert convert_and_check(converter, tmp_path, doc) == {"ARC": 2, "LINE": 4}
