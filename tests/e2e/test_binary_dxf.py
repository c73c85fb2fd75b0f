"""A binary drawing is refused in both modes with a message and status 255,
before anything is written."""

import os

import ezdxf
import pytest

from conftest import unsigned

REFUSED = b"\nInput:%s\nError: binary DXF is not supported; save the drawing as text DXF\n\ndone"


def binary_drawing(path):
    doc = ezdxf.new("R2010")
    doc.modelspace().add_line((0, 0), (1, 1), dxfattribs={"layer": "Cut"})
    doc.saveas(path, fmt="bin")
    assert path.read_bytes().startswith(b"AutoCAD Binary DXF\r\n\x1a\0")


@pytest.mark.parametrize(
    "args, earlier",
    [
        ((2, "plan.dxf"), {"plan.sdxf": b"old SDXF\n", "plan.layers": b"old layers\n"}),
        ((3, "plan.sdxf", "Cut"), {"Cut.txt": b"old profile\n"}),
    ],
    ids=["mode 2", "mode 3"],
)
def test_binary_drawing_is_refused(converter, tmp_path, args, earlier):
    binary_drawing(tmp_path / args[1])
    for name, data in earlier.items():
        (tmp_path / name).write_bytes(data)
    before = sorted(os.listdir(tmp_path))
    run = converter(*args)
    assert run.status == unsigned(-1)
    assert run.stdout == REFUSED % args[1].encode()
    assert run.stderr == (
        b"dxfprofile: %s is a binary DXF file; save the drawing as text DXF\n" % args[1].encode()
    )
    assert sorted(os.listdir(tmp_path)) == before
    for name, data in earlier.items():
        assert (tmp_path / name).read_bytes() == data
