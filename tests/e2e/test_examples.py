"""The example drawings of examples/ run through the whole chain, as a user
would run them: mode 2 on the drawing in an empty directory, then mode 3 on
every layer that mode 2 listed. Every file written and every byte printed must
equal examples/expected/<drawing>/ (files/ and runs/), the profile identifiers
aside, whose form is checked."""

import os
import shutil

import pytest

from conftest import SOURCE, split_profile

EXAMPLES = SOURCE / "examples"
EXPECTED = EXAMPLES / "expected"
DRAWINGS = sorted(path.stem for path in EXAMPLES.glob("*.dxf"))


def expected_run(drawing, run):
    """The recorded stdout and stderr of one run; no stderr file means none."""
    runs = EXPECTED / drawing / "runs"
    stderr = runs / f"{run}.stderr"
    return (runs / f"{run}.stdout").read_bytes(), stderr.read_bytes() if stderr.exists() else b""


def comparable(path):
    data = path.read_bytes()
    return split_profile(data) if path.suffix == ".txt" else data


def test_every_example_drawing_has_expected_outputs():
    assert len(DRAWINGS) >= 2
    assert sorted(path.name for path in EXPECTED.iterdir()) == DRAWINGS


@pytest.mark.parametrize("drawing", DRAWINGS)
def test_example_drawing_converts_to_its_expected_files(converter, tmp_path, drawing):
    shutil.copy(EXAMPLES / f"{drawing}.dxf", tmp_path)

    run = converter(2, f"{drawing}.dxf")
    assert (run.status, run.stdout, run.stderr) == (0, *expected_run(drawing, "mode2"))

    # Layer names are bytes; fsdecode lets any byte pass to the command line unchanged.
    layers = [os.fsdecode(name) for name in (tmp_path / f"{drawing}.layers").read_bytes().splitlines()]
    assert layers, "the drawing lists no layers"
    for layer in layers:
        run = converter(3, f"{drawing}.sdxf", layer)
        expected = (0, *expected_run(drawing, f"mode3-{layer}"))
        assert (run.status, run.stdout, run.stderr) == expected, layer

    written = sorted(path.name for path in tmp_path.iterdir() if path.name != f"{drawing}.dxf")
    files = EXPECTED / drawing / "files"
    assert written == sorted(path.name for path in files.iterdir())
    for name in written:
        assert comparable(tmp_path / name) == comparable(files / name), name
