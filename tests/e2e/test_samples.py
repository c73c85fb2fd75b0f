"""Every sample drawing through the whole chain, checked against ezdxf's
reading of it: mode 2 lists the layers of model space with its block
references expanded, and mode 3 writes, record by record, the lines, points,
circles, arcs and polyline segments that ezdxf finds on each layer, in world
coordinates, those that references place included."""

import os
import shutil
from collections import Counter

import pytest

from conftest import SAMPLES, SHARED_SAMPLES, sample_path, unsigned
from oracle import (CURVES_APPROXIMATED, check_records, encoded, expanded_curves,
                    expanded_records, expansion_layers, layer_entities, profile_records,
                    raw_layer_entities, raw_layers, read_drawing)

TIMEOUT = 20
TOO_MANY = "status 251"  # more than 64 records: an empty profile

# Each drawing's layers in the order that mode 2 lists them, each with the
# number of records that mode 3 writes, those of block references included.
EXPECTED = {
    "acad-laser-cp1252-layer-names-r2004": {  # 0xE9 in the drawing's code page
        "Cut Lazer out line": 32, "courbes niveau": 55, "coupe lazer Marquers niveaux": 26,
        "tracé": TOO_MANY, "cadre 2": 6,  # tracé: six references to one-circle blocks
    },
    # The circle and both viewports are in paper space.
    "acad-r2018-model-and-paper-space": {"0": 6},
    "acad2017-arcs": {"Title Block": 30, "0": 3},
    "acad2017-circles": {"Title Block": 30, "0": 3},  # one reference to a circle
    "acad2017-donuts-lwpolyline-width-bulge": {"Title Block": 30, "0": 6},
    "acad2017-lwpolylines": {"Title Block": 30, "0": 7},
    "acad2017-points": {"Title Block": 30, "0": 4},
    # Listed now that groups are read by code, without subclass markers too.
    "acad2017-saved-as-r12-no-subclass": {"TITLE_BLOCK": 30, "0": 0},
    "acad2017-saved-as-r2000": {"Title Block": 30, "0": 0},
    # Listed now that groups are read by code; ten arcs and circles point down,
    # four come from a block of nested references.
    "autodesk-r12-negative-extrusion-arcs": {"0": 31, "ADSK_CONSTRAINTS": 0},
    "cadman-cutting-engraving-layers": {"GEOMETRY-CUTTING": 4, "GEOMETRY-ENGRAVING": 4},
    "cam-layers-lwpolyline-bulges-r2004": {  # the cutout is a reference to a polyline
        "Through Hole": 4, "Pocket": 44, "Cutout": 26, "Text": 0},
    "edge-circle-radius-zero-and-negative": {"0": 2},
    "freecad-flange": {"Rim": 1, "Holes": 2, "Key": 4, "Arcs": 1, "Oval": 0},
    "gdal-survey-pins": {"Boundary": 4, "Pins": 3},
    # Each curve is closed by a LINE of no length.
    "inkscape-gasket-r14": {"Outer": 1, "Bolt_holes": 4, "Bore": 5, "Marks": 2},
    "kicad-board-outline-r12": {"BLACK": 8},
    "librecad-circles-arcs-ellipses": {"0": 3},
    "librecad-closed-lwpolyline-bulges": {"0": 12},
    "librecad-lines-circle-three-layers": {"dashedred": 4, "solidblue1mm": 1, "0": 4},
    "openscad-washer-r12": {"0": 28},
    "pstoedit-frame-r12-polyline": {"0": 50},
    "pstoedit-frame-r14-spline": {"0": 8},
    # Listed now that the layer group is found wherever it stands; "entities"
    # is references to blocks of one entity each, splines and ellipses among them.
    "qcad-dxflib-layer-before-subclass": {"boxes": TOO_MANY, "entities": 16},
    "qcad-lines-xdata-crlf": {"0": 8},
    "snippet-arc-negative-extrusion": {"FG-Dtl-Dim": 1},
    "snippet-closed-lwpolyline-bulge-large-coords": {"test": 8},
}

def convert(converter, tmp_path, sample):
    shutil.copy(sample_path(sample), tmp_path)
    return converter(2, f"{sample}.dxf", timeout=TIMEOUT)


def test_every_sample_drawing_is_in_the_table():
    present = sorted(p.stem for p in SAMPLES.glob("*.dxf"))
    if SAMPLES == SHARED_SAMPLES:
        assert present == sorted(EXPECTED)
    else:  # the drawings made here only
        assert set(present) < set(EXPECTED)


@pytest.mark.parametrize("sample", list(EXPECTED))
def test_mode_2_lists_the_layers_of_model_space_entities(converter, tmp_path, sample):
    path = sample_path(sample)
    doc = read_drawing(path)
    assert list(EXPECTED[sample]) == expansion_layers(path)
    names = [encoded(doc, name) for name in EXPECTED[sample]]
    assert set(raw_layers(path.read_bytes())) <= set(names)
    references = any(kind == "INSERT" for kind, _ in raw_layer_entities(path.read_bytes()))
    blocks = f"\nOutput:{sample}.blocks" if references else ""

    run = convert(converter, tmp_path, sample)
    assert run.status == 0
    assert run.stdout == (
        f"\nInput:{sample}.dxf\nOutput:{sample}.sdxf{blocks}\nOutput:{sample}.layers".encode()
        + b"\nFound %d layers:" % len(names) + b"".join(b"\n" + name for name in names) + b"\ndone"
    )
    assert (tmp_path / f"{sample}.layers").read_bytes() == b"".join(name + b"\n" for name in names)
    sdxf = (tmp_path / f"{sample}.sdxf").read_bytes()
    assert sdxf.startswith(b"ENTITIES\n") and sdxf.endswith(b"ENDSEC\nEOF")


@pytest.mark.parametrize("sample, layer", [
    pytest.param(s, layer, id=f"{s}:{layer}")
    for s, layers in EXPECTED.items() for layer in layers
])
def test_mode_3_writes_the_geometry_that_ezdxf_reads(converter, tmp_path, sample, layer):
    path = sample_path(sample)
    doc = read_drawing(path)
    name = encoded(doc, layer)
    if CURVES_APPROXIMATED and expanded_curves(path, layer):
        pytest.skip("test_curves.py and test_blocks.py check the layers that hold curves")
    expected = expanded_records(path, layer)
    # Nothing on the layer is lost to ezdxf: it has every entity the file holds.
    in_file = [kind for kind, on in raw_layer_entities(path.read_bytes()) if on == name]
    in_ezdxf = [e.dxftype() for e in layer_entities(doc) if e.dxf.layer == layer]
    assert Counter(in_ezdxf) == Counter(in_file)

    assert convert(converter, tmp_path, sample).status == 0
    run = converter(3, f"{sample}.sdxf", os.fsdecode(name), timeout=TIMEOUT)
    assert run.stdout.startswith(b"\nInput:%s.sdxf\nLayer name = %s\n" % (sample.encode(), name))
    processed = b"\nProcessed %d entities\n" % len(expected)
    profile = tmp_path / os.fsdecode(name + b".txt")
    if EXPECTED[sample][layer] == TOO_MANY:
        assert len(expected) > 64
        assert run.status == unsigned(-5)
        assert run.stdout.endswith(processed + b"Error: DXF layer contains too many entities\ndone")
        assert profile.read_bytes() == b""
        return
    assert EXPECTED[sample][layer] == len(expected) <= 64
    assert run.status == 0, run.stdout
    assert run.stdout.endswith(processed + b"done")
    check_records(profile_records(profile.read_bytes(), name), expected, f"{sample}, {layer}")
