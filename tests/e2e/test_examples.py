"""The example drawings of examples/ run through the whole chain, as a user
would run them: mode 2 on the drawing in an empty directory, then mode 3 on
every layer that mode 2 listed. Every file written and every byte printed must
equal examples/expected/<drawing>/ (files/ and runs/), the profile identifiers
aside, whose form is checked. The README's transcripts are replayed the same way,
and examples/demo.sh is run as a user would run it."""

import os
import re
import shlex
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import SOURCE, converter_path, split_profile

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


def readme_transcripts():
    """The (command, output) pairs of the README's console blocks."""
    readme = (SOURCE / "README.md").read_text()
    blocks = re.findall(r"^```console\n(.*?)^```$", readme, re.MULTILINE | re.DOTALL)
    return [step for block in blocks
            for step in re.findall(r"^\$ (.*)\n((?:(?!\$ ).*\n)*)", block, re.MULTILINE)]


def test_readme_transcripts_are_the_real_output(converter, tmp_path):
    """Each run's output is shown ending with a line end, which "done" lacks."""
    for drawing in DRAWINGS:
        shutil.copy(EXAMPLES / f"{drawing}.dxf", tmp_path)
    steps = readme_transcripts()
    assert len(steps) >= 6
    for command, output in steps:
        words = shlex.split(command)
        if words[0] == "cat":
            actual = (tmp_path / words[1]).read_bytes()
            expected = output.encode()
            if words[1].endswith(".txt"):
                actual, expected = split_profile(actual), split_profile(expected)
        else:
            assert words[0] == "dxfprofile", command
            run = converter(*words[1:])
            assert run.status == 0, command
            actual, expected = run.stdout + b"\n", output.encode()
        assert actual == expected, command


def test_readme_quotes_the_real_left_out_report():
    _, stderr = expected_run("cam-pocket-plate", "mode3-Text")
    assert stderr and stderr.decode() in (SOURCE / "README.md").read_text()


def test_demo_runs_from_another_directory(tmp_path):
    """demo.sh reuses the build directory of the default preset, so it runs
    only there, where it has nothing to build."""
    build = SOURCE / "build" / "default"
    if Path(converter_path()).resolve().parent != build.resolve():
        pytest.skip("the demo builds build/default; this run tests another build")
    run = subprocess.run([str(EXAMPLES / "demo.sh")], cwd=tmp_path, capture_output=True,
                         timeout=300)
    assert run.returncode == 0, run.stderr
    demo = SOURCE / "build" / "demo"
    names = ["cutting-plate.sdxf", "cutting-plate.layers", "GEOMETRY-CUTTING.txt",
             "GEOMETRY-CUTTING.svg"]
    listed = run.stdout.decode().split("== files written:\n")[1].splitlines()
    assert listed == [str(demo / name) for name in names]
    files = EXPECTED / "cutting-plate" / "files"
    for name in names[:3]:
        assert comparable(demo / name) == comparable(files / name), name
    assert (demo / names[3]).read_bytes().startswith(b"<?xml")
    assert list(tmp_path.iterdir()) == []
