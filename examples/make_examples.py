#!/usr/bin/python3
"""Draws the three example drawings of this directory with ezdxf.

    /usr/bin/python3 examples/make_examples.py [DIRECTORY]   (default: examples/)

The drawings are written for this project (CC0). A new run gives the same
ENTITIES section, byte for byte; only the HEADER's time stamps and GUIDs
change. After a change here, rewrite examples/expected/ with
examples/update-expected.sh and review the diff.
"""

import math
import sys
from pathlib import Path

import ezdxf

MILLIMETRES = 4  # $INSUNITS


def new_drawing(version, layers):
    doc = ezdxf.new(version, units=MILLIMETRES)
    for name, colour in layers:
        doc.layers.add(name, color=colour)
    return doc, doc.modelspace()


def cutting_plate():
    """A 165 x 340 plate: its outline with rounded corners, four bolt holes
    and a slot on the cutting layer, a part number and a bend line on the
    engraving layer."""
    doc, msp = new_drawing("R2010", [("GEOMETRY-CUTTING", 1), ("GEOMETRY-ENGRAVING", 3)])
    cut = {"layer": "GEOMETRY-CUTTING"}
    width, height, r = 165.0, 340.0, 10.0
    msp.add_line((r, 0), (width - r, 0), dxfattribs=cut)
    msp.add_arc((width - r, r), r, 270, 0, dxfattribs=cut)
    msp.add_line((width, r), (width, height - r), dxfattribs=cut)
    msp.add_arc((width - r, height - r), r, 0, 90, dxfattribs=cut)
    msp.add_line((width - r, height), (r, height), dxfattribs=cut)
    msp.add_arc((r, height - r), r, 90, 180, dxfattribs=cut)
    msp.add_line((0, height - r), (0, r), dxfattribs=cut)
    msp.add_arc((r, r), r, 180, 270, dxfattribs=cut)
    for x, y in [(25, 25), (140, 25), (25, 315), (140, 315)]:
        msp.add_circle((x, y), 4.25, dxfattribs=cut)
    # A slot: two half circles joined by straight sides, one closed polyline.
    msp.add_lwpolyline([(70, 160, 0, 0, 0), (95, 160, 0, 0, 1), (95, 180, 0, 0, 0),
                        (70, 180, 0, 0, 1)], format="xyseb", close=True, dxfattribs=cut)
    engrave = {"layer": "GEOMETRY-ENGRAVING"}
    msp.add_line((0, 240), (165, 240), dxfattribs=engrave)
    msp.add_line((60, 100), (105, 100), dxfattribs=engrave)
    msp.add_arc((82.5, 100), 22.5, 0, 180, dxfattribs=engrave)
    msp.add_point((82.5, 110), dxfattribs=engrave)
    return doc


def pocket(msp, x, y, radius, tab, layer):
    """A closed polyline whose first segment is an arc of 280 degrees round
    (x, y), closed by three lines round a tab on the left."""
    start, end = math.radians(220), math.radians(140)
    p0 = (x + radius * math.cos(start), y + radius * math.sin(start))
    p1 = (x + radius * math.cos(end), y + radius * math.sin(end))
    bulge = math.tan(math.radians(280) / 4)
    points = [(*p0, bulge), (*p1, 0), (p1[0] - tab, p1[1], 0), (p0[0] - tab, p0[1], 0)]
    msp.add_lwpolyline(points, format="xyb", close=True, dxfattribs={"layer": layer})


def round_hole(msp, x, y, radius, layer):
    """A closed polyline of two vertices, a bulge of -1 on each: two half
    circles, drawn clockwise."""
    points = [(x - radius, y, -1), (x + radius, y, -1)]
    msp.add_lwpolyline(points, format="xyb", close=True, dxfattribs={"layer": layer})


def cam_pocket_plate():
    """An R2004 plate for a CAM program: bulged closed polylines on Pocket and
    Through Hole, a block reference alone on Cutout, multi-line text alone on
    Text."""
    doc, msp = new_drawing("R2004", [("Through Hole", 5), ("Pocket", 2), ("Cutout", 1),
                                     ("Text", 7)])
    round_hole(msp, 20.0, 95.0, 4.0, "Through Hole")
    round_hole(msp, 180.0, 95.0, 4.0, "Through Hole")
    for row in range(2):
        for column in range(3):
            pocket(msp, 50.0 + 50.0 * column, 30.0 + 40.0 * row, 12.0, 14.0, "Pocket")
    round_hole(msp, 60.0, 100.0, 6.5, "Pocket")
    round_hole(msp, 140.0, 100.0, 6.5, "Pocket")
    outline = doc.blocks.new("OUTLINE")
    outline.add_lwpolyline([(0, 0), (200, 0), (200, 120), (0, 120)], close=True)
    msp.add_blockref("OUTLINE", (0, 0), dxfattribs={"layer": "Cutout"})
    msp.add_mtext("POCKET PLATE 3 mm", dxfattribs={"layer": "Text", "char_height": 5,
                                                    "insert": (60, 110)})
    return doc


def arcs_sheet():
    """A drawing sheet: a frame and title block of LINEs and lightweight
    polylines on Title Block, three ARCs and three attribute definitions on
    layer 0."""
    doc, msp = new_drawing("R2018", [("Title Block", 7)])
    block = {"layer": "Title Block"}
    # The frame: two closed polylines of four vertices.
    msp.add_lwpolyline([(0, 0), (420, 0), (420, 297), (0, 297)], close=True, dxfattribs=block)
    msp.add_lwpolyline([(10, 10), (410, 10), (410, 287), (10, 287)], close=True,
                       dxfattribs=block)
    # The title block's grid: 14 lines.
    for y in (20, 30, 40, 50):
        msp.add_line((230, y), (410, y), dxfattribs=block)
    for x in (260, 290, 320, 350, 380):
        msp.add_line((x, 10), (x, 20), dxfattribs=block)
    for x in (230, 300, 350):
        msp.add_line((x, 50), (x, 60), dxfattribs=block)
    msp.add_line((230, 10), (230, 50), dxfattribs=block)
    msp.add_line((230, 60), (410, 60), dxfattribs=block)
    # Four corner marks, open polylines of three vertices.
    for x, y, dx, dy in [(15, 15, 10, 10), (405, 15, -10, 10), (405, 282, -10, -10),
                         (15, 282, 10, -10)]:
        msp.add_lwpolyline([(x + dx, y), (x, y), (x, y + dy)], dxfattribs=block)
    msp.add_arc((100, 150), 40, 30, 150)
    msp.add_arc((200, 150), 25, 300, 60)
    msp.add_arc((300, 150), 30, 180, 350)
    for n, tag in enumerate(["TITLE", "DRAWN", "SCALE"]):
        msp.add_attdef(tag, (235, 52 - 10 * n), f"{tag.title()}?", dxfattribs={"height": 3})
    return doc


def main():
    directory = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    for name, draw in [("cutting-plate", cutting_plate), ("cam-pocket-plate", cam_pocket_plate),
                       ("arcs-sheet", arcs_sheet)]:
        draw().saveas(directory / f"{name}.dxf")


if __name__ == "__main__":
    main()
