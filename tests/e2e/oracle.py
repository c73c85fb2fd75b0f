"""An independent reading of a drawing by ezdxf: the layers that mode 2 lists
and the records that mode 3 writes for a layer, in world coordinates, and the
profile's records read back for comparison.

ezdxf is required, not optional: .ci/run installs python3-ezdxf, and without
it the modules that use this one fail to import rather than pass silently."""

import io
import math
from functools import lru_cache

import ezdxf
from ezdxf import recover
from ezdxf.entities import Ellipse
from ezdxf.math import Matrix44, NonUniformScalingError, Vec3

from conftest import split_profile

# A file that is only an ENTITIES section is given a header first: without one
# ezdxf reads it as R12 and drops the layer and flags of its lightweight
# polylines. Entities without subclass markers read the same either way.
R2000_HEADER = b"  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
CODES = {"LINE": b"101", "ARC": b"102", "POINT": b"103", "CIRCLE": b"104"}
REL = 1e-4  # relative, and the absolute floor near zero
ANGLE_TOLERANCE = REL * 360.0
CURVES = ("SPLINE", "ELLIPSE")
# Set once splines and ellipses become records: test_curves.py then checks
# the layers that hold them, and test_samples.py the others.
CURVES_APPROXIMATED = True


@lru_cache(maxsize=None)
def read_drawing(path):
    """The drawing as ezdxf reads it; one without a header is read in
    ezdxf's recover mode, which also takes empty handles."""
    data = path.read_bytes()
    if b"$ACADVER" in data:
        return ezdxf.readfile(path)
    doc, _ = recover.read(io.BytesIO(R2000_HEADER + data))
    return doc


def encoded(doc, name):
    """A layer name in the bytes that the drawing spells it with."""
    return name.encode("utf8" if doc.dxfversion >= "AC1021" else doc.encoding)


def layer_entities(doc):
    """Model-space entities that carry a layer group, in file order; the
    attributes of a block reference follow it."""
    for entity in doc.modelspace():
        for e in (entity, *getattr(entity, "attribs", ())):
            if e.dxf.hasattr("layer"):
                yield e


def curve_kinds(doc, layer):
    return {e.dxftype() for e in layer_entities(doc)
            if e.dxf.layer == layer and e.dxftype() in CURVES}


def model_space_layers(doc):
    names = []
    for entity in layer_entities(doc):
        if entity.dxf.layer not in names:
            names.append(entity.dxf.layer)
    return names


def raw_entities(data):
    """The entities of the ENTITIES section, each as its kind and the first
    value of each of its group codes, read from the file's own group pairs
    without ezdxf."""
    lines = [line.rstrip(b"\r") for line in data.split(b"\n")]
    entities, inside = [], False
    for code, value in zip(lines[0::2], lines[1::2]):
        code = code.strip()
        if not inside:
            inside = code == b"2" and value.strip() == b"ENTITIES"
        elif code == b"0":
            if value.strip() == b"ENDSEC":
                break
            entities.append((value.strip().decode(), {}))
        elif entities:
            entities[-1][1].setdefault(code, value)
    return entities


def raw_layer_entities(data):
    """Kind and layer of each model-space entity that has a layer group;
    vertices and sequence ends belong to the entity before them."""
    for kind, groups in raw_entities(data):
        paper = groups.get(b"67", b"").strip() == b"1"
        if kind not in ("VERTEX", "SEQEND") and b"8" in groups and not paper:
            yield kind, groups[b"8"]


def raw_layers(data):
    names = []
    for _, layer in raw_layer_entities(data):
        if layer not in names:
            names.append(layer)
    return names


def flat(entity):
    """True for an extrusion along +z or -z; False for a tilted plane."""
    x, y, z = entity.dxf.get("extrusion", Vec3(0, 0, 1))
    return x == 0 and y == 0 and z != 0


def degrees(centre, point):
    return math.degrees(math.atan2(point.y - centre.y, point.x - centre.x))


def arc_record(arc, from_entity):
    """An ARC record: centre and radius in world coordinates, the mirrored
    angles in the order of its source, then the anticlockwise start and end.
    Start and end points come from ezdxf's own transformation out of the
    arc's plane; seen from above, an arc whose normal points down runs from
    its end point to its start point."""
    centre = arc.ocs().to_wcs(Vec3(arc.dxf.center))
    start, end = arc.start_point, arc.end_point
    if Vec3(arc.dxf.extrusion).z < 0:
        start, end = end, start
    a, b = degrees(centre, start), degrees(centre, end)
    mirrored = (360 - b, 360 - a) if from_entity else (360 - a, 360 - b)
    return ("ARC", [centre.x, centre.y, arc.dxf.radius, *mirrored, a, b])


def line_record(line):
    s, e = Vec3(line.dxf.start), Vec3(line.dxf.end)
    return ("LINE", [s.x, s.y, e.x, e.y, 0.0])


def segments(polyline):
    """ezdxf's own segments of a 2D polyline; spline frame points of a heavy
    polyline are not on its path."""
    if polyline.dxftype() == "POLYLINE":
        polyline = polyline.copy()
        polyline.vertices[:] = [v for v in polyline.vertices if not v.dxf.flags & 16]
    for segment in polyline.virtual_entities():
        yield arc_record(segment, False) if segment.dxftype() == "ARC" else line_record(segment)


def entity_records(entity):
    """The records that one entity gives (none for a kind that is not
    converted, a tilted plane, a 3D polyline or a mesh)."""
    kind = entity.dxftype()
    if kind == "LINE":
        return [line_record(entity)]
    if kind == "POINT":
        return [("POINT", [*Vec3(entity.dxf.location), 0.0, 0.0])]
    if kind in ("CIRCLE", "ARC", "LWPOLYLINE", "POLYLINE") and not flat(entity):
        return []
    if kind == "CIRCLE":
        centre = entity.ocs().to_wcs(Vec3(entity.dxf.center))
        return [("CIRCLE", [centre.x, centre.y, entity.dxf.radius, 0.0, 0.0])]
    if kind == "ARC":
        return [arc_record(entity, True)]
    if kind == "LWPOLYLINE" or (kind == "POLYLINE" and entity.is_2d_polyline):
        return list(segments(entity))
    return []


def expected_records(doc, layer):
    """What ezdxf finds on `layer`, in the order of the ENTITIES section."""
    return [r for e in layer_entities(doc) if e.dxf.layer == layer for r in entity_records(e)]


# Kinds whose geometry is moved with a block reference; any other kind in a
# block gives no record and only lends its layer.
MOVED = ("LINE", "POINT", "CIRCLE", "ARC", "LWPOLYLINE", "POLYLINE") + CURVES
MAX_NESTING = 16


def drawable_block(insert):
    """The block that a reference draws, or None for one left out: a missing
    or external block (flag 4), a tilted plane, a scale of zero."""
    block = insert.block()
    if block is None or block.block.dxf.get("flags", 0) & 4 or not flat(insert):
        return None
    scales = (insert.dxf.get(key, 1.0) for key in ("xscale", "yscale", "zscale"))
    return block if all(scales) else None


def moved(entity, m):
    """A block entity placed by `m`, as ezdxf's virtual entities are: circles
    and arcs scaled unevenly become elliptic arcs, bulged polylines their
    segments first. Spline frame points of a heavy polyline are dropped, and
    the thickness, which no record holds (ezdxf divides by a zero one)."""
    entity = entity.copy()
    entity.dxf.discard("thickness")
    if entity.dxftype() == "POLYLINE":
        entity.vertices[:] = [v for v in entity.vertices if not v.dxf.flags & 16]
    try:
        entity.transform(m)
    except NonUniformScalingError:
        if entity.dxftype() in ("LWPOLYLINE", "POLYLINE"):
            return [e for part in entity.virtual_entities() for e in moved(part, m)]
        return [Ellipse.from_arc(entity).transform(m)]
    return [entity]


def expand(entity, m, outer, depth):
    """`entity` with the layer it ends up on, references replaced in place by
    their block's entities (an array's rows, then its columns); a block
    entity on layer 0 takes the layer of the reference around it. A
    reference lends its own layer before its block, its attributes after."""
    if not entity.dxf.hasattr("layer"):
        return
    layer = outer if outer is not None and entity.dxf.layer == "0" else entity.dxf.layer
    if entity.dxftype() != "INSERT":
        moving = outer is not None and entity.dxftype() in MOVED
        yield from ((e, layer) for e in (moved(entity, m) if moving else [entity]))
        return
    yield entity, layer
    block = drawable_block(entity)
    if block is not None:
        assert depth < MAX_NESTING, f"block {entity.dxf.name} nested deeper than {MAX_NESTING}"
        for single in entity.multi_insert() if entity.mcount > 1 else [entity]:
            inner = Matrix44.chain(single.matrix44(), m)
            for e in block:
                yield from expand(e, inner, layer, depth + 1)
    for attrib in entity.attribs:
        yield from expand(attrib, m, outer, depth)


@lru_cache(maxsize=None)
def expansion(path):
    """Model space of the drawing at `path` with every block reference
    expanded: (entity, layer) pairs in the order a walk meets them."""
    doc = read_drawing(path)
    return [pair for e in doc.modelspace() for pair in expand(e, Matrix44(), None, 0)]


def expansion_layers(path):
    names = []
    for _, layer in expansion(path):
        if layer not in names:
            names.append(layer)
    return names


def expanded_records(path, layer):
    """What ezdxf draws on `layer` with the blocks expanded, in file order."""
    return [r for e, on in expansion(path) if on == layer for r in entity_records(e)]


def expanded_curves(path, layer):
    return {e.dxftype() for e, on in expansion(path) if on == layer and e.dxftype() in CURVES}


def profile_records(data, layer):
    """The records of a profile, after checking its header, count, tags and
    end."""
    lines = split_profile(data).split(b"\n")
    assert lines[0] == layer + b",<ID>" and lines[-2:] == [b"EOF", b""], lines[:1] + lines[-2:]
    assert int(lines[1]) == len(lines) - 4
    records, sequence = [], {}
    for line in lines[2:-2]:
        kind = line[:7].strip().decode()
        sequence[kind] = sequence.get(kind, 0) + 1
        tag = b"%-7s%s%02d %s " % (kind.encode(), kind[:1].encode(), sequence[kind], CODES[kind])
        assert line[:15] == tag, line
        records.append((kind, [float(v) for v in line[15:].split()]))
    return records


def close(value, expected):
    return abs(value - expected) <= REL * max(abs(expected), 1.0)


def same_angle(value, expected):
    return abs((value - expected + 180.0) % 360.0 - 180.0) <= ANGLE_TOLERANCE


def check_records(written, expected, where):
    assert [kind for kind, _ in written] == [kind for kind, _ in expected], where
    for i, ((kind, values), (_, want)) in enumerate(zip(written, expected)):
        row = f"{where}, record {i + 1}: {values} against {want}"
        assert len(values) == len(want), row
        angles = 3 if kind == "ARC" else len(want)
        assert all(close(v, w) for v, w in zip(values[:angles], want[:angles])), row
        assert all(same_angle(v, w) for v, w in zip(values[angles:], want[angles:])), row
