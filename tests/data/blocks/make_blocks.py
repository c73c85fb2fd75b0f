#!/usr/bin/python3
"""Writes the block-reference drawings of this directory: four drawn with
ezdxf, and hostile ones written as plain group pairs.

    /usr/bin/python3 tests/data/blocks/make_blocks.py [DIRECTORY]   (default: this one)

Each case of the ezdxf drawings has a layer of its own (the reference's
layer), so that a failure names the case; the few layers that block entities
keep for themselves (OWN, DEEP, NESTED_OWN) gather several cases. A new run
writes the same bytes. The drawings are written for this project (CC0).
"""

import sys
from pathlib import Path

import ezdxf

MILLIMETRES = 4  # $INSUNITS


def part_block(doc, r12):
    """PART: a line, an arc, a circle, a bulged closed polyline and a point on
    layer 0 (eight records), a line on its own layer OWN and a text."""
    block = doc.blocks.new("PART")
    block.add_line((0, 0), (10, 0))
    block.add_arc((10, 5), 5, -90, 90)
    block.add_circle((4, 5), 2)
    outline = [(0, 10, 0), (10, 10, 0.5), (10, 14, 0), (0, 14, -0.3)]
    if r12:
        block.add_polyline2d(outline, format="xyb", close=True)
    else:
        block.add_lwpolyline(outline, format="xyb", close=True)
    block.add_point((5, 7))
    block.add_line((0, 0), (0, 10), dxfattribs={"layer": "OWN"})
    block.add_text("PART", dxfattribs={"insert": (1, 1), "height": 1.0})


def small_blocks(doc):
    """TICK: a line and an arc (two records); SHIFTED: drawn round its base
    point (50, 40); OUTER > MIDDLE > INNER: three deep, INNER also referenced
    from OUTER on a layer of its own, with a line on DEEP that only nesting
    reaches; TAGGED: an attribute definition beside its geometry."""
    tick = doc.blocks.new("TICK")
    tick.add_line((0, 0), (4, 0))
    tick.add_arc((4, 2), 2, 270, 45)
    shifted = doc.blocks.new("SHIFTED", base_point=(50, 40))
    shifted.add_line((50, 40), (60, 40))
    shifted.add_arc((55, 45), 3, 0, 180)
    inner = doc.blocks.new("INNER")
    inner.add_circle((1, 1), 3)
    inner.add_line((0, 0), (6, 2), dxfattribs={"layer": "DEEP"})
    middle = doc.blocks.new("MIDDLE")
    middle.add_arc((0, 0), 4, 30, 200)
    middle.add_blockref("INNER", (5, 5), dxfattribs={"rotation": -45, "xscale": 2, "yscale": 2})
    outer = doc.blocks.new("OUTER")
    outer.add_line((-20, 0), (20, 0))
    outer.add_blockref("MIDDLE", (20, 0),
                       dxfattribs={"rotation": 30, "xscale": 0.5, "yscale": 0.5})
    outer.add_blockref("INNER", (-20, 0), dxfattribs={"layer": "NESTED_OWN"})
    tagged = doc.blocks.new("TAGGED")
    tagged.add_attdef("NO", (0, -3), dxfattribs={"height": 1.0})
    tagged.add_line((0, 0), (8, 0))
    tagged.add_circle((4, 4), 4)


def unused_blocks(doc, paper):
    """UNUSED is never referenced; PAPER only from paper space: their layers
    are not listed."""
    doc.blocks.new("UNUSED").add_line((0, 0), (1, 1), dxfattribs={"layer": "UNUSED"})
    doc.blocks.new("PAPER").add_line((0, 0), (1, 1), dxfattribs={"layer": "PAPER_ONLY"})
    paper.add_blockref("PAPER", (10, 10), dxfattribs={"layer": "SHEET"})


def references(msp, r12):
    """One case per layer; ROTATED has entities of its own around its
    reference, which the records must keep in place."""
    msp.add_line((-5, -5), (5, 5), dxfattribs={"layer": "ROTATED"})
    msp.add_blockref("PART", (100, 50), dxfattribs={"layer": "ROTATED", "rotation": 30})
    msp.add_point((101, 51), dxfattribs={"layer": "ROTATED"})
    msp.add_blockref("PART", (-40, 20), dxfattribs={
        "layer": "SCALED", "xscale": 2.5, "yscale": 2.5, "zscale": 2.5})
    mirror = ("xscale", "yscale")[r12]
    msp.add_blockref("PART", (60, -30), dxfattribs={
        "layer": "MIRRORED", mirror: -1, "rotation": 15})
    msp.add_blockref("PART", (0, -60), dxfattribs={
        "layer": "STRETCHED", "xscale": 2, "yscale": 0.5, "rotation": 20})
    msp.add_blockref("PART", (30, 30), dxfattribs={
        "layer": "DOWN", "extrusion": (0, 0, -1), "rotation": 40})
    msp.add_blockref("SHIFTED", (200, 0), dxfattribs={"layer": "BASE", "rotation": 90})
    grid = msp.add_blockref("TICK", (-200, 0), dxfattribs={"layer": "ARRAY", "rotation": 10})
    grid.grid(size=(3, 4), spacing=(12, 15))
    msp.add_blockref("OUTER", (300, 100), dxfattribs={"layer": "NESTED", "rotation": 45})
    tagged = msp.add_blockref("TAGGED", (0, 200), dxfattribs={"layer": "ATTRIB"})
    tagged.add_auto_attribs({"NO": "7"})
    for attrib in tagged.attribs:
        attrib.dxf.layer = "ATTRIB"
    msp.add_line((0, 300), (10, 300))
    msp.add_blockref("TICK", (0, 310))  # on layer 0: its entities stay there
    crowded = msp.add_blockref("TICK", (-300, -300), dxfattribs={"layer": "LIMIT"})
    crowded.grid(size=(6, 6), spacing=(10, 10))  # 72 records, over the limit


def curves_block(doc, msp):
    """CURVY: a spline by control points, one by fit points, an elliptic arc
    and a whole ellipse, on layer 0."""
    curvy = doc.blocks.new("CURVY")
    curvy.add_open_spline([(0, 0), (5, 8), (12, -3), (20, 4)], degree=3)
    curvy.add_spline([(0, -10), (6, -6), (12, -12), (18, -8)])
    curvy.add_ellipse((30, 0), major_axis=(6, 2), ratio=0.5, start_param=0.3, end_param=4.0)
    curvy.add_ellipse((30, 20), major_axis=(0, 5), ratio=0.4)
    msp.add_blockref("CURVY", (-100, -100), dxfattribs={
        "layer": "CURVES", "rotation": 60, "xscale": 1.5, "yscale": 1.5})


def references_drawing(version):
    doc = ezdxf.new(version, units=MILLIMETRES)
    r12 = version == "R12"
    part_block(doc, r12)
    small_blocks(doc)
    unused_blocks(doc, doc.layout("Layout1"))
    references(doc.modelspace(), r12)
    if not r12:
        curves_block(doc, doc.modelspace())
    return doc


def nested_drawing():
    """Two deep, both references on layer 0 of a layer-0 block, written with
    CR LF line ends."""
    doc = ezdxf.new("R2000", units=MILLIMETRES)
    leaf = doc.blocks.new("LEAF", base_point=(1, 1))
    leaf.add_arc((1, 1), 2, 10, 350)
    leaf.add_line((1, 1), (4, 1), dxfattribs={"layer": "LEAF_OWN"})
    stem = doc.blocks.new("STEM")
    stem.add_line((0, 0), (0, 10))
    stem.add_blockref("LEAF", (0, 10), dxfattribs={"rotation": 90, "xscale": -1})
    msp = doc.modelspace()
    msp.add_blockref("STEM", (5, 5), dxfattribs={"layer": "PLANT", "rotation": 30})
    msp.add_blockref("STEM", (50, 5), dxfattribs={"layer": "PLANT", "xscale": 3, "yscale": 3})
    return doc


def no_references_drawing():
    """A block defined and referenced from paper space only."""
    doc = ezdxf.new("R2000", units=MILLIMETRES)
    doc.blocks.new("FRAME").add_line((0, 0), (100, 0), dxfattribs={"layer": "FRAME"})
    doc.layout("Layout1").add_blockref("FRAME", (0, 0))
    doc.modelspace().add_line((0, 0), (10, 10), dxfattribs={"layer": "A"})
    return doc


def pairs(*groups):
    """Group pairs as DXF text, codes right-aligned in three characters."""
    return "".join(f"{code:>3}\n{value}\n" for code, value in groups)


def block(name, *entities):
    return (pairs((0, "BLOCK"), (8, "0"), (2, name), (70, 0), (10, 0.0), (20, 0.0), (30, 0.0),
                  (3, name)) + "".join(entities) + pairs((0, "ENDBLK"), (8, "0")))


def line(layer="0"):
    return pairs((0, "LINE"), (8, layer), (10, 0.0), (20, 0.0), (30, 0.0), (11, 1.0), (21, 1.0),
                 (31, 0.0))


def insert(name, layer="0", *groups):
    return pairs((0, "INSERT"), (8, layer), (2, name), (10, 1.0), (20, 2.0), (30, 0.0), *groups)


def drawing(blocks, entities):
    return (pairs((0, "SECTION"), (2, "BLOCKS")) + "".join(blocks) + pairs((0, "ENDSEC"))
            + pairs((0, "SECTION"), (2, "ENTITIES")) + "".join(entities)
            + pairs((0, "ENDSEC"), (0, "EOF")))


CHAIN = 200
HOSTILE = {
    "hostile-self": drawing([block("A", line(), insert("A"))], [insert("A", "L")]),
    "hostile-mutual": drawing([block("A", line(), insert("B")), block("B", line(), insert("A"))],
                              [insert("A", "L")]),
    "hostile-chain": drawing([block(f"B{i}", line(), insert(f"B{i + 1}")) for i in range(CHAIN)]
                             + [block(f"B{CHAIN}", line())], [insert("B0", "L")]),
    "hostile-array": drawing([block("T", line("L"))], [insert(
        "T", "L", (70, 1000000000), (71, 1000000000), (44, 1.0), (45, 1.0))]),
    "hostile-missing": drawing([block("T", line())], [line("L"), insert("NOPE", "L")]),
    "hostile-scale-zero": drawing([block("T", line())], [insert("T", "L", (41, 0.0)), line("L")]),
    "hostile-scale-nan": drawing([block("T", line())], [line("L"), insert("T", "L", (41, "nan"))]),
}


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    ezdxf.options.write_fixed_meta_data_for_testing = True
    references_drawing("R2018").saveas(out / "references-r2018.dxf")
    references_drawing("R12").saveas(out / "references-r12.dxf")
    no_references_drawing().saveas(out / "no-references.dxf")
    crlf = out / "nested-crlf.dxf"
    nested_drawing().saveas(crlf)
    crlf.write_bytes(crlf.read_bytes().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))
    for name, text in HOSTILE.items():
        (out / f"{name}.dxf").write_bytes(text.encode())


if __name__ == "__main__":
    main()
