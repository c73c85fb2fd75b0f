"""Values that are no finite number, or too large for a record's single
precision, never reach a profile: the run names the entity and the line of
the value, ends with 255, and leaves the profile empty, as a refused layer
does, so that no earlier profile stays under its name."""

import pytest

from conftest import unsigned


def entity(kind, *groups):
    return b"  0\n%s\n  8\nCUT\n" % kind + b"".join(b"%3d\n%s\n" % g for g in groups)


ENTITIES = {
    "LINE": lambda v: entity(b"LINE", (10, b"1"), (20, b"2"), (11, v), (21, b"4")),
    "POINT": lambda v: entity(b"POINT", (10, b"1"), (20, b"2"), (30, v)),
    "CIRCLE radius": lambda v: entity(b"CIRCLE", (10, b"1"), (20, b"2"), (40, v)),
    "ARC angle": lambda v: entity(b"ARC", (10, b"1"), (20, b"2"), (40, b"3"), (50, b"0"), (51, v)),
    "CIRCLE extrusion": lambda v: entity(b"CIRCLE", (10, b"1"), (20, b"2"), (40, b"3"), (230, v)),
    "LWPOLYLINE vertex": lambda v: entity(b"LWPOLYLINE", (90, b"2"), (10, b"0"), (20, b"0"),
                                          (10, b"5"), (20, v)),
    "LWPOLYLINE bulge": lambda v: entity(b"LWPOLYLINE", (90, b"2"), (10, b"0"), (20, b"0"),
                                         (42, v), (10, b"5"), (20, b"0")),
    "POLYLINE vertex": lambda v: entity(b"POLYLINE", (70, b"0")) + entity(b"VERTEX", (10, v))
    + entity(b"VERTEX", (10, b"5")) + b"  0\nSEQEND\n",
}
VALUES = [b"nan", b"1e999", b"-inf", b"1e39"]


@pytest.mark.parametrize("value", VALUES)
@pytest.mark.parametrize("kind", ENTITIES)
def test_value_out_of_range_refuses_the_layer(converter, tmp_path, kind, value):
    if value == b"1e39" and kind == "CIRCLE extrusion":
        pytest.skip("in range: a direction along z")
    data = b"ENTITIES\n" + entity(b"LINE", (10, b"0"), (20, b"0"), (11, b"1"), (21, b"1"))
    data += ENTITIES[kind](value) + b"  0\nENDSEC\nEOF"
    (tmp_path / "in.sdxf").write_bytes(data)
    (tmp_path / "CUT.txt").write_bytes(b"an earlier profile\n")
    run = converter(3, "in.sdxf", "CUT")
    lines = data.split(b"\n")
    value_line = next(i for i, line in enumerate(lines, 1) if line == value)
    # The entity named is the one whose group 0 stands last before the value;
    # a vertex's is its polyline.
    start = max(i for i, line in enumerate(lines[:value_line], 1)
                if line in (b"LINE", b"POINT", b"CIRCLE", b"ARC", b"LWPOLYLINE", b"POLYLINE"))
    kind_word = lines[start - 1]
    assert run.status == unsigned(-1)
    assert run.stdout.endswith(
        b"\nError: %s on line %d holds a value out of range on line %d\n\ndone"
        % (kind_word, start - 1, value_line))
    assert (tmp_path / "CUT.txt").read_bytes() == b""
