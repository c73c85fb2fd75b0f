"""Block references through the whole chain, checked against ezdxf's expansion
of model space (oracle.expansion). Mode 2 copies the BLOCKS section into
NAME.blocks and lists the layers of the expansion; mode 3 gives, for every
layer, the same output from the SDXF file (beside its blocks file) as from the
drawing itself, and the records of ezdxf's expanded geometry, or refuses a
layer of more than 64. The drawings are those of tests/data/blocks/ and the
shared ones whose model space holds a reference, read in place. Hostile
drawings end fast, with one message. Under the sanitizers (DXFPROFILE_SUBSET
set) only every n-th layer of a drawing runs, and the time limit is wider."""

import os
import re
import shutil
import time

import pytest

from conftest import DATA, SOURCE, split_profile, unsigned
from oracle import (CURVES, check_records, encoded, entity_records, expanded_curves,
                    expanded_records, expansion, expansion_layers, expected_records,
                    profile_records, raw_layer_entities, read_drawing)
from test_curves import check_curves_followed

MADE = DATA / "blocks"
FOLDERS = [MADE, SOURCE.parent / "shared" / "wild", SOURCE.parent / "shared" / "samples"]
SUBSET = int(os.environ.get("DXFPROFILE_SUBSET", "1") or 1)
QUICK = 1.0 if SUBSET == 1 else 5.0  # seconds for a hostile run
TIMEOUT = 20
TOO_MANY = b"Error: DXF layer contains too many entities\ndone"


def holds_reference(path):
    data = path.read_bytes()
    return b"INSERT" in data and not data.startswith(b"AutoCAD Binary DXF") and any(
        kind == "INSERT" for kind, _ in raw_layer_entities(data))


DRAWINGS = [p for folder in FOLDERS if folder.is_dir() for p in sorted(folder.glob("*.dxf"))
            if not p.name.startswith("hostile-") and holds_reference(p)]


def drawing_id(path):
    return f"{path.parent.name}/{path.stem}"


def readable(path):
    try:
        return read_drawing(path)
    except Exception as error:  # ezdxf's own limits: nothing to compare with
        pytest.skip(f"ezdxf cannot read {path.name}: {error}")


def convert(converter, tmp_path, path):
    shutil.copy(path, tmp_path / "drawing.dxf")
    return converter(2, "drawing.dxf", timeout=TIMEOUT)


def blocks_copy(data):
    """The lines from the value line BLOCKS to its section's ENDSEC, CR LF
    read as LF, then EOF."""
    lines = [line.removesuffix(b"\r") for line in data.split(b"\n")]
    pairs = [(lines[i].strip(), lines[i + 1].strip()) for i in range(0, len(lines) - 1, 2)]
    start = next(2 * k + 3 for k in range(len(pairs) - 1)
                 if pairs[k] == (b"0", b"SECTION") and pairs[k + 1] == (b"2", b"BLOCKS"))
    end = next(2 * k + 1 for k in range(start // 2, len(pairs)) if pairs[k] == (b"0", b"ENDSEC"))
    return b"\n".join(lines[start:end + 1]) + b"\nEOF"


@pytest.mark.parametrize("path", DRAWINGS, ids=drawing_id)
def test_mode_2_copies_the_blocks_and_lists_the_expanded_layers(converter, tmp_path, path):
    doc = readable(path)
    names = [encoded(doc, name) for name in expansion_layers(path)]
    run = convert(converter, tmp_path, path)
    assert run.status == 0, run.stdout
    assert run.stdout == (
        b"\nInput:drawing.dxf\nOutput:drawing.sdxf\nOutput:drawing.blocks\nOutput:drawing.layers"
        + b"\nFound %d layers:" % len(names) + b"".join(b"\n" + name for name in names) + b"\ndone")
    assert (tmp_path / "drawing.layers").read_bytes() == b"".join(name + b"\n" for name in names)
    assert (tmp_path / "drawing.blocks").read_bytes() == blocks_copy(path.read_bytes())


def mode_3(converter, tmp_path, given, name):
    """Status, standard output with the file's name and quoted line numbers
    masked, and the profile (None when absent)."""
    profile = tmp_path / os.fsdecode(name + b".txt")
    profile.unlink(missing_ok=True)
    run = converter(3, given, os.fsdecode(name), timeout=TIMEOUT)
    stdout = re.sub(rb"line \d+", b"line N", run.stdout.replace(given.encode(), b"FILE"))
    return run.status, stdout, profile.read_bytes() if profile.exists() else None


def check_layer(converter, tmp_path, path, layer):
    name = encoded(read_drawing(path), layer)
    runs = [mode_3(converter, tmp_path, given, name) for given in ("drawing.sdxf", "drawing.dxf")]
    status, stdout, profile = runs[0]
    sdxf, drawing = ((code, out, split_profile(p) if p else p) for code, out, p in runs)
    assert drawing == sdxf, f"the drawing gives {runs[1][:2]}, the SDXF file {runs[0][:2]}"
    assert stdout.startswith(b"\nInput:FILE\nLayer name = %s\n" % name), stdout[:80]
    expected, curves = expanded_records(path, layer), expanded_curves(path, layer)
    if len(expected) > 64 or (curves and status == unsigned(-5)):
        assert (status, profile) == (unsigned(-5), b"") and stdout.endswith(TOO_MANY), (
            f"{len(expected)} records, not refused: status {status}, {stdout[-60:]}")
        return
    assert status == 0 and profile, f"status {status}: {stdout[-120:]}"
    records = profile_records(profile, name)
    if curves:
        check_curves_followed(records, [e for e, on in expansion(path) if on == layer
                                        and (e.dxftype() in CURVES or entity_records(e))])
    else:
        check_records(records, expected, layer)
        assert stdout.endswith(b"\nProcessed %d entities\ndone" % len(expected)), stdout


def layer_fault(converter, tmp_path, path, layer):
    """What is wrong with one layer, or None."""
    try:
        check_layer(converter, tmp_path, path, layer)
    except AssertionError as error:
        return str(error)[:400]
    return None


@pytest.mark.parametrize("path", DRAWINGS, ids=drawing_id)
def test_each_layer_gives_the_expanded_records_from_either_file(converter, tmp_path, path):
    readable(path)
    assert convert(converter, tmp_path, path).status == 0
    layers = [layer for layer in expansion_layers(path)
              if "/" not in layer and len(layer.encode()) <= 251][::SUBSET]
    faults = [(layer, layer_fault(converter, tmp_path, path, layer)) for layer in layers]
    faults = [f"{layer!r}: {fault}" for layer, fault in faults if fault]
    assert not faults, f"{len(faults)} of {len(layers)} layers:\n" + "\n".join(faults)


def test_a_drawing_without_references_gets_no_blocks_file(converter, tmp_path):
    (tmp_path / "drawing.blocks").write_bytes(b"a stale copy\n")
    run = convert(converter, tmp_path, MADE / "no-references.dxf")
    assert run.status == 0
    assert run.stdout == (
        b"\nInput:drawing.dxf\nOutput:drawing.sdxf\nOutput:drawing.layers\nFound 1 layers:\nA"
        b"\ndone")
    assert sorted(os.listdir(tmp_path)) == ["drawing.dxf", "drawing.layers", "drawing.sdxf"]


def test_without_its_blocks_file_mode_3_leaves_references_out_with_a_hint(converter, tmp_path):
    path = MADE / "references-r2018.dxf"
    assert convert(converter, tmp_path, path).status == 0
    (tmp_path / "drawing.blocks").unlink(missing_ok=True)
    run = converter(3, "drawing.sdxf", "ROTATED")
    assert run.status == 0, run.stdout
    records = profile_records((tmp_path / "ROTATED.txt").read_bytes(), b"ROTATED")
    check_records(records, expected_records(read_drawing(path), "ROTATED"), "ROTATED")
    assert b"INSERT: 1" in run.stderr and b"drawing.blocks" in run.stderr, run.stderr


# Each hostile drawing of tests/data/blocks/ (make_blocks.py) with the
# statuses that mode 3 may end with on layer L. A reference nested too deep
# may be refused or left out with a warning.
HOSTILE = {
    "hostile-self": (0, 255),
    "hostile-mutual": (0, 255),
    "hostile-chain": (0, 255),  # 200 deep
    "hostile-array": (251,),  # 10^9 x 10^9 copies of a line on L
    "hostile-missing": (0,),  # the warning names the line of the reference
    "hostile-scale-zero": (0,),  # left out with a warning
    "hostile-scale-nan": (255,),  # a value out of range
}


def timed(converter, *args):
    started = time.monotonic()
    run = converter(*args, timeout=5 * QUICK)
    elapsed = time.monotonic() - started
    assert elapsed < QUICK, f"{args} took {elapsed:.2f} s"
    return run


def reference_line(data):
    """The line of the first INSERT's group 0 in the ENTITIES section."""
    lines = data.split(b"\n")
    start = lines.index(b"ENTITIES")
    return start + lines[start:].index(b"INSERT")


@pytest.mark.parametrize("drawing", list(HOSTILE))
def test_hostile_references_end_fast_with_one_message(converter, tmp_path, drawing):
    shutil.copy(MADE / f"{drawing}.dxf", tmp_path / "drawing.dxf")
    assert timed(converter, 2, "drawing.dxf").status in (0, unsigned(-1))
    given = ["drawing.sdxf"] if (tmp_path / "drawing.sdxf").exists() else []
    for name in given + ["drawing.dxf"]:
        (tmp_path / "L.txt").unlink(missing_ok=True)
        run = timed(converter, 3, name, "L")
        where = f"{name}: {run.stdout!r} {run.stderr!r}"
        assert run.status in HOSTILE[drawing], where
        messages = [line for line in run.stderr.split(b"\n")
                    if line.startswith((b"dxfprofile: ", b"warning: "))]
        assert len(messages) == 1, where
        profile = tmp_path / "L.txt"
        if drawing in ("hostile-missing", "hostile-scale-zero"):  # the line on L stays
            assert profile.read_bytes().split(b"\n")[1] == b"1", where
        if drawing == "hostile-missing":
            line = reference_line((tmp_path / name).read_bytes())
            assert re.search(rb"\bline %d\b" % line, messages[0]), where
        if drawing == "hostile-array":
            assert profile.read_bytes() == b"" and run.stdout.endswith(TOO_MANY), where
        if drawing == "hostile-scale-nan":
            assert b"out of range" in run.stdout, where
