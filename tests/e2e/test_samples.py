"""Every sample drawing through the whole chain: mode 2, then mode 3 for each
layer that the layers file lists. No run may crash or hang; every profile
written must be well formed."""

import os
import re
import shutil

import pytest

from conftest import DATA, IDENTIFIER, unsigned

SAMPLES = DATA / "samples"
DRAWINGS = sorted(SAMPLES.glob("*.dxf"))
STATUSES = {unsigned(s) for s in (0, -1, -2, -4, -5)}
TIMEOUT = 20

# The layers each drawing lists: entities whose "AcDbEntity" line is followed
# directly by the layer group, in order of first appearance.
EXPECTED_LAYERS = {
    "acad-laser-cp1252-layer-names-r2004": [
        b"Cut Lazer out line",
        b"courbes niveau",
        b"coupe lazer Marquers niveaux",
        b"trac\xe9",
        b"cadre 2",
    ],
    # The circle and both viewports are in paper space: a 67 group comes first.
    "acad-r2018-model-and-paper-space": [b"0"],
    "acad2017-arcs": [b"Title Block", b"0"],
    "acad2017-circles": [b"Title Block", b"0"],
    "acad2017-donuts-lwpolyline-width-bulge": [b"Title Block", b"0"],
    "acad2017-lwpolylines": [b"Title Block", b"0"],
    "acad2017-points": [b"Title Block", b"0"],
    # No subclass markers at all.
    "acad2017-saved-as-r12-no-subclass": [],
    "acad2017-saved-as-r2000": [b"Title Block", b"0"],
    "autodesk-r12-negative-extrusion-arcs": [],
    "cadman-cutting-engraving-layers": [b"GEOMETRY-CUTTING", b"GEOMETRY-ENGRAVING"],
    "cam-layers-lwpolyline-bulges-r2004": [b"Through Hole", b"Pocket", b"Cutout", b"Text"],
    "edge-circle-radius-zero-and-negative": [b"0"],
    "librecad-circles-arcs-ellipses": [b"0"],
    "librecad-closed-lwpolyline-bulges": [b"0"],
    "librecad-lines-circle-three-layers": [b"dashedred", b"solidblue1mm", b"0"],
    # The layer group stands before "AcDbEntity" or after the subclass marker.
    "qcad-dxflib-layer-before-subclass": [],
    "qcad-lines-xdata-crlf": [b"0"],
    "snippet-arc-negative-extrusion": [b"FG-Dtl-Dim"],
    "snippet-closed-lwpolyline-bulge-large-coords": [b"test"],
}

VALUE = rb" *-?\d+\.\d{6}"
RECORD = re.compile(
    rb"(?:(?:LINE   L\d\d 101|POINT  P\d\d 103|CIRCLE C\d\d 104)(?: " + VALUE + rb"){5}"
    rb"|ARC    A\d\d 102(?: " + VALUE + rb"){7})"
)


def check_profile(data, layer):
    """A profile: the layer and an identifier, the count, the records, EOF."""
    lines = data.split(b"\n")
    header_layer, _, identifier = lines[0].rpartition(b",")
    assert header_layer == layer
    assert IDENTIFIER.match(identifier), lines[0]
    count = int(lines[1])
    assert 0 <= count <= 64
    records = lines[2 : 2 + count]
    for record in records:
        assert RECORD.fullmatch(record), record
    assert lines[2 + count :] == [b"EOF", b""]


def test_every_drawing_has_its_expected_layers_entry():
    assert sorted(d.stem for d in DRAWINGS) == sorted(EXPECTED_LAYERS)


@pytest.mark.parametrize("drawing", DRAWINGS, ids=lambda d: d.stem)
def test_sample_goes_through_mode_2_and_mode_3(converter, tmp_path, drawing):
    shutil.copy(drawing, tmp_path / drawing.name)
    stem = drawing.stem
    run = converter(2, drawing.name, timeout=TIMEOUT)
    names = EXPECTED_LAYERS[stem]
    assert run.status == 0
    assert run.stdout == (
        f"\nInput:{stem}.dxf\nOutput:{stem}.sdxf\nOutput:{stem}.layers".encode()
        + b"\nFound %d layers:" % len(names)
        + b"".join(b"\n" + name for name in names)
        + b"\ndone"
    )
    sdxf = (tmp_path / f"{stem}.sdxf").read_bytes()
    assert sdxf.startswith(b"ENTITIES\n")
    assert sdxf.endswith(b"ENDSEC\nEOF")
    layers = (tmp_path / f"{stem}.layers").read_bytes()
    assert layers == b"".join(name + b"\n" for name in names)

    for layer in layers.split(b"\n")[:-1]:
        # Names are bytes (one is in a single-byte code page): pass them as
        # the file system encodes them.
        run = converter(3, f"{stem}.sdxf", os.fsdecode(layer), timeout=TIMEOUT)
        assert run.status in STATUSES, (layer, run.stdout)
        assert run.stdout.startswith(b"\nInput:%s.sdxf\nLayer name = %s" % (stem.encode(), layer))
        assert run.stdout.endswith(b"\ndone")
        if run.status == 0:
            check_profile((tmp_path / os.fsdecode(layer + b".txt")).read_bytes(), layer)
