#!/usr/bin/python3
"""Writes a large, realistic DXF drawing for timing the converter.

The drawing has a HEADER, TABLES (with a LAYER table) and BLOCKS section
before ENTITIES, and OBJECTS after it, as CAD programs write them: group codes
right-aligned in three columns, integer values right-aligned, subclass
markers on every entity. The entities are LINE, CIRCLE, ARC, POINT,
LWPOLYLINE (some segments with bulges) and TEXT on a couple of hundred
layers. A handful of entities stand on the layer FEW_SHAPES, spread over the
file, so that a layer scan finds a few records; no entity is on the layer
ABSENT_LAYER.

Usage: generate_drawing.py OUTPUT [--size MB] [--crlf] [--seed N]

Sizes are in MB of 1,000,000 bytes. The entities are drawn from a pool of
random entities, each written with its own handle, so that a gigabyte takes
seconds rather than minutes.
"""

import argparse
import random
import sys

FEW_LAYER = "FEW_SHAPES"
ABSENT_LAYER = "ABSENT_LAYER"
POOL_SIZE = 40000
CHUNK_ENTITIES = 20000

LAYER_STEMS = [
    "WALL", "DOOR", "WINDOW", "STAIR", "FURNITURE", "GRID", "DIM", "HATCH", "TEXT", "PIPE",
    "VALVE", "DUCT", "CABLE", "STEEL", "CONCRETE", "EQUIPMENT", "INSULATION", "SUPPORT",
    "TITLE", "CONTOUR",
]


def group(code, value):
    """One group: the code right-aligned in three columns, then the value."""
    return "%3d\n%s\n" % (code, value)


def integer(code, value, width=6):
    """An integer group whose value is right-aligned as CAD programs write it."""
    return "%3d\n%*d\n" % (code, width, value)


def coordinate(rng, span=5000.0):
    return "%.10g" % rng.uniform(-span, span)


def layer_names():
    names = []
    for stem in LAYER_STEMS:
        for number in range(10):
            names.append("%s-%02d" % (stem, number))
    return names


def header_section(rng):
    out = [group(0, "SECTION"), group(2, "HEADER")]
    variables = [
        ("$ACADVER", 1, "AC1027"), ("$DWGCODEPAGE", 3, "ANSI_1252"), ("$INSUNITS", 70, 4),
        ("$MEASUREMENT", 70, 1), ("$LUNITS", 70, 2), ("$LUPREC", 70, 4), ("$AUNITS", 70, 0),
        ("$AUPREC", 70, 0), ("$ORTHOMODE", 70, 0), ("$FILLMODE", 70, 1), ("$LTSCALE", 40, 1.0),
        ("$TEXTSIZE", 40, 2.5), ("$TEXTSTYLE", 7, "Standard"), ("$CLAYER", 8, "0"),
        ("$CELTYPE", 6, "ByLayer"), ("$DIMSCALE", 40, 1.0), ("$DIMASZ", 40, 2.5),
        ("$DIMTXT", 40, 2.5), ("$PDMODE", 70, 0), ("$PDSIZE", 40, 0.0), ("$PLINEWID", 40, 0.0),
        ("$HANDSEED", 5, "FFFFFF"),
    ]
    for name, code, value in variables:
        out.append(group(9, name))
        if isinstance(value, int):
            out.append(integer(code, value))
        else:
            out.append(group(code, value))
    for name in ("$EXTMIN", "$EXTMAX", "$LIMMIN", "$LIMMAX", "$INSBASE"):
        out.append(group(9, name))
        out.append(group(10, coordinate(rng)))
        out.append(group(20, coordinate(rng)))
        if name not in ("$LIMMIN", "$LIMMAX"):
            out.append(group(30, "0.0"))
    out.append(group(0, "ENDSEC"))
    return "".join(out)


def table(name, handle, records):
    out = [group(0, "TABLE"), group(2, name), group(5, "%X" % handle), group(330, "0"),
           group(100, "AcDbSymbolTable"), integer(70, len(records))]
    out.extend(records)
    out.append(group(0, "ENDTAB"))
    return "".join(out)


def tables_section(layers):
    handle = 0x10
    ltypes = []
    for name, text, pattern in (("ByBlock", "", []), ("ByLayer", "", []),
                                ("Continuous", "Solid line", []),
                                ("DASHED", "Dashed __ __ __", [12.7, -6.35])):
        handle += 1
        record = [group(0, "LTYPE"), group(5, "%X" % handle), group(330, "5"),
                  group(100, "AcDbSymbolTableRecord"), group(100, "AcDbLinetypeTableRecord"),
                  group(2, name), integer(70, 0), group(3, text), integer(72, 65),
                  integer(73, len(pattern)), group(40, "%.4f" % sum(abs(p) for p in pattern))]
        for length in pattern:
            record.append(group(49, "%.4f" % length))
            record.append(integer(74, 0))
        ltypes.append("".join(record))
    layer_records = []
    for index, name in enumerate(layers):
        handle += 1
        layer_records.append("".join([
            group(0, "LAYER"), group(5, "%X" % handle), group(330, "2"),
            group(100, "AcDbSymbolTableRecord"), group(100, "AcDbLayerTableRecord"),
            group(2, name), integer(70, 0), integer(62, 1 + index % 250),
            group(6, "DASHED" if index % 7 == 0 else "Continuous"), integer(370, -3),
            group(390, "F"),
        ]))
    handle += 1
    style = "".join([
        group(0, "STYLE"), group(5, "%X" % handle), group(330, "3"),
        group(100, "AcDbSymbolTableRecord"), group(100, "AcDbTextStyleTableRecord"),
        group(2, "Standard"), integer(70, 0), group(40, "0.0"), group(41, "1.0"),
        group(50, "0.0"), integer(71, 0), group(42, "2.5"), group(3, "txt"), group(4, ""),
    ])
    return "".join([
        group(0, "SECTION"), group(2, "TABLES"),
        table("LTYPE", 5, ltypes), table("LAYER", 2, layer_records), table("STYLE", 3, [style]),
        group(0, "ENDSEC"),
    ])


def blocks_section():
    out = [group(0, "SECTION"), group(2, "BLOCKS")]
    for name, handle, record in (("*Model_Space", 0x20, 0x1F), ("*Paper_Space", 0x22, 0x1E)):
        out += [group(0, "BLOCK"), group(5, "%X" % handle), group(330, "%X" % record),
                group(100, "AcDbEntity"), group(8, "0"), group(100, "AcDbBlockBegin"),
                group(2, name), integer(70, 0), group(10, "0.0"), group(20, "0.0"),
                group(30, "0.0"), group(3, name), group(1, ""),
                group(0, "ENDBLK"), group(5, "%X" % (handle + 1)), group(330, "%X" % record),
                group(100, "AcDbEntity"), group(8, "0"), group(100, "AcDbBlockEnd")]
    out.append(group(0, "ENDSEC"))
    return "".join(out)


def objects_section():
    return "".join([
        group(0, "SECTION"), group(2, "OBJECTS"),
        group(0, "DICTIONARY"), group(5, "C"), group(330, "0"), group(100, "AcDbDictionary"),
        integer(281, 1), group(3, "ACAD_GROUP"), group(350, "D"),
        group(0, "DICTIONARY"), group(5, "D"), group(330, "C"), group(100, "AcDbDictionary"),
        integer(281, 1),
        group(0, "ENDSEC"),
    ])


def entity_head(kind, layer, rng):
    # "%X" is left for the handle, filled in when the entity is written.
    head = group(0, kind) + "  5\n%X\n" + group(330, "1F") + group(100, "AcDbEntity")
    head += group(8, layer)
    if rng.random() < 0.15:
        head += integer(62, rng.randint(1, 255))
    if rng.random() < 0.05:
        head += group(6, "DASHED")
    return head


def line_entity(layer, rng):
    return (entity_head("LINE", layer, rng) + group(100, "AcDbLine") +
            group(10, coordinate(rng)) + group(20, coordinate(rng)) + group(30, "0.0") +
            group(11, coordinate(rng)) + group(21, coordinate(rng)) + group(31, "0.0"))


def circle_body(rng):
    return (group(100, "AcDbCircle") + group(10, coordinate(rng)) + group(20, coordinate(rng)) +
            group(30, "0.0") + group(40, "%.10g" % rng.uniform(0.5, 400.0)))


def circle_entity(layer, rng):
    return entity_head("CIRCLE", layer, rng) + circle_body(rng)


def arc_entity(layer, rng):
    return (entity_head("ARC", layer, rng) + circle_body(rng) + group(100, "AcDbArc") +
            group(50, "%.10g" % rng.uniform(0.0, 360.0)) +
            group(51, "%.10g" % rng.uniform(0.0, 360.0)))


def point_entity(layer, rng):
    return (entity_head("POINT", layer, rng) + group(100, "AcDbPoint") +
            group(10, coordinate(rng)) + group(20, coordinate(rng)) + group(30, "0.0"))


def polyline_entity(layer, rng, vertices=None):
    if vertices is None:
        vertices = rng.choice((2, 3, 4, 4, 5, 6, 8, 12, 24))
    closed = rng.random() < 0.5
    out = [entity_head("LWPOLYLINE", layer, rng), group(100, "AcDbPolyline"),
           integer(90, vertices, 9), integer(70, 1 if closed else 0), group(43, "0.0")]
    x, y = rng.uniform(-5000, 5000), rng.uniform(-5000, 5000)
    for _ in range(vertices):
        x += rng.uniform(-50, 50)
        y += rng.uniform(-50, 50)
        out.append(group(10, "%.10g" % x))
        out.append(group(20, "%.10g" % y))
        if rng.random() < 0.3:
            out.append(group(42, "%.10g" % rng.uniform(-1.0, 1.0)))
    return "".join(out)


WORDS = ["Room", "Level", "Pump", "Section", "Detail", "Note", "See sheet", "Bay", "Line",
         "Elevation", "Valve", "Riser", "Gate", "Axis", "Door", "Tag"]


def text_entity(layer, rng):
    value = "%s %d" % (rng.choice(WORDS), rng.randint(1, 9999))
    return (entity_head("TEXT", layer, rng) + group(100, "AcDbText") +
            group(10, coordinate(rng)) + group(20, coordinate(rng)) + group(30, "0.0") +
            group(40, "%.4g" % rng.uniform(1.0, 10.0)) + group(1, value) +
            group(50, "%.6g" % rng.choice((0.0, 0.0, 90.0, rng.uniform(0, 360)))) +
            group(7, "Standard") + group(100, "AcDbText"))


KINDS = [(line_entity, 45), (polyline_entity, 20), (text_entity, 12), (circle_entity, 10),
         (arc_entity, 10), (point_entity, 3)]


def entity_pool(layers, rng):
    makers = [maker for maker, weight in KINDS for _ in range(weight)]
    # A few layers hold most of the entities, as in real drawings.
    layer_weights = [1.0 / (1 + index) ** 0.8 for index in range(len(layers))]
    chosen = rng.choices(layers, weights=layer_weights, k=POOL_SIZE)
    return [rng.choice(makers)(layer, rng) for layer in chosen]


def few_entities(rng):
    """The entities of FEW_SHAPES: at most a dozen records in all."""
    return [line_entity(FEW_LAYER, rng), circle_entity(FEW_LAYER, rng),
            arc_entity(FEW_LAYER, rng), point_entity(FEW_LAYER, rng),
            polyline_entity(FEW_LAYER, rng, vertices=4)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output")
    parser.add_argument("--size", type=float, default=1000.0, help="size in MB (10^6 bytes)")
    parser.add_argument("--crlf", action="store_true", help="end lines with CR LF")
    parser.add_argument("--seed", type=int, default=20261207)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    layers = layer_names()
    line_end = "\r\n" if args.crlf else "\n"
    target = int(args.size * 1_000_000)

    def encode(text):
        if args.crlf:
            text = text.replace("\n", "\r\n")
        return text.encode("ascii")

    pool = entity_pool(layers, rng)
    few = few_entities(rng)
    tail = encode(group(0, "ENDSEC") + objects_section() + group(0, "EOF").rstrip("\n"))
    tail += line_end.encode("ascii")
    handle = 0x100
    written = 0
    with open(args.output, "wb", buffering=0) as out:
        start = encode(header_section(rng) + tables_section(layers + [FEW_LAYER]) +
                       blocks_section() + group(0, "SECTION") + group(2, "ENTITIES"))
        out.write(start)
        written += len(start)
        # The few entities go in at evenly spread points of the file.
        few_at = [target * (index + 1) // (len(few) + 1) for index in range(len(few))]
        next_few = 0
        entity_start = encode("\n" + group(0, "X")[:4])
        while written + len(tail) < target:
            picks = rng.choices(pool, k=CHUNK_ENTITIES)
            inserted = next_few < len(few) and written >= few_at[next_few]
            if inserted:
                picks[0] = few[next_few]
            first = handle
            handle += len(picks)
            chunk = encode("".join(text % number
                                   for text, number in zip(picks, range(first, handle))))
            room = target - len(tail) - written
            if len(chunk) > room:
                # Cut the last chunk after a whole entity.
                cut = chunk.rfind(entity_start, 0, room)
                if cut <= 0:
                    break
                chunk = chunk[:cut + len(line_end)]
            out.write(chunk)
            written += len(chunk)
            next_few += inserted
        for entity in few[next_few:]:
            data = encode(entity % handle)
            handle += 1
            out.write(data)
            written += len(data)
        out.write(tail)
        written += len(tail)
    print("%s: %d bytes" % (args.output, written), file=sys.stderr)


if __name__ == "__main__":
    main()
