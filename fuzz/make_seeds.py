#!/usr/bin/python3
"""Writes small seed inputs for the fuzz targets from sample drawings.

Each seed holds a few entities of one kind from one drawing: for mode 2 as a
DXF file cut down to its ENTITIES section, for mode 3 as an SDXF file (layer
"0" for layer_scan, the drawing's own layer named on the first line for
layer_scan_named). The seeds are then merged into the corpus with libFuzzer's
-merge=1 (scripts/fuzz --merge), which keeps only those that add coverage.

usage: make_seeds.py OUTPUT_DIRECTORY DRAWING.dxf...
"""

import re
import sys
from pathlib import Path

MAX_SEED = 3000


def entities_of(data):
    """The entities of the ENTITIES section, each as its raw lines, and the
    line end of the drawing."""
    line_end = b"\r\n" if b"\r\n" in data[:4096] else b"\n"
    lines = data.split(line_end)
    try:
        start = next(i for i in range(1, len(lines)) if lines[i].strip() == b"ENTITIES"
                     and lines[i - 1].strip() == b"2")
    except StopIteration:
        return [], line_end
    entities = []
    i = start + 1
    current = None
    while i + 1 < len(lines):
        code, value = lines[i], lines[i + 1]
        if code.strip() == b"0":
            if current:
                entities.append(current)
            if value.strip() == b"ENDSEC":
                break
            current = []
        if current is not None:
            current += [code, value]
        i += 2
    return entities, line_end


def kind_of(entity):
    return entity[1].strip().decode("latin-1")


def layer_of(entity):
    for i in range(0, len(entity) - 1, 2):
        if entity[i].strip() == b"8":
            return entity[i + 1]
    return None


def with_layer(entity, layer):
    out = list(entity)
    for i in range(0, len(out) - 1, 2):
        if out[i].strip() == b"8":
            out[i + 1] = layer
    return out


def main():
    out_dir = Path(sys.argv[1])
    for target in ("extract", "layer_scan", "layer_scan_named"):
        (out_dir / target).mkdir(parents=True, exist_ok=True)
    for drawing in map(Path, sys.argv[2:]):
        entities, eol = entities_of(drawing.read_bytes())
        by_kind = {}
        for entity in entities:
            by_kind.setdefault(kind_of(entity), []).append(entity)
        stem = re.sub(r"[^a-z0-9]+", "-", drawing.stem.lower())
        for kind, group in by_kind.items():
            chosen = [e for e in group if len(eol.join(e)) < MAX_SEED // 2][:2]
            if not chosen:
                continue
            name = f"{stem}-{kind.lower()}"
            body = [line for e in chosen for line in e]
            tail = [b"  0", b"ENDSEC"]
            dxf = eol.join([b"  0", b"SECTION", b"  2", b"ENTITIES"] + body + tail +
                           [b"  0", b"EOF", b""])
            (out_dir / "extract" / name).write_bytes(dxf)
            zero = [line for e in chosen for line in with_layer(e, b"0")]
            sdxf = eol.join([b"ENTITIES"] + zero + tail) + eol + b"EOF"
            (out_dir / "layer_scan" / name).write_bytes(sdxf)
            layer = layer_of(chosen[0])
            if layer is not None:
                sdxf = eol.join([b"ENTITIES"] + body + tail) + eol + b"EOF"
                (out_dir / "layer_scan_named" / name).write_bytes(layer + b"\n" + sdxf)


if __name__ == "__main__":
    main()
