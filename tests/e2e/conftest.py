"""Shared fixtures of the end-to-end tests: the built converter run on real
files in a temporary directory."""

import os
import re
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(os.environ.get("DXFPROFILE_SOURCE", Path(__file__).resolve().parents[2]))
DATA = SOURCE / "tests" / "data"
# The sample drawings taken from public repositories are not ours to
# redistribute: they are read in place from the shared folder beside the
# checkout. When it is absent the drawings made here stand in, and a test of
# any other sample skips.
SHARED_SAMPLES = Path(os.environ.get("DXFPROFILE_SAMPLES", SOURCE.parent / "shared" / "samples"))
SAMPLES = SHARED_SAMPLES if SHARED_SAMPLES.is_dir() else DATA / "drawn-here"
IDENTIFIER = re.compile(rb"^[A-Z]{8}\.[A-Z]{3}$")


def converter_path():
    path = os.environ.get("DXFPROFILE")
    if not path:
        pytest.skip("DXFPROFILE is not set: run the end-to-end tests through ctest")
    return path


def sample_path(name):
    """The sample drawing NAME.dxf; the test skips when it is absent."""
    path = SAMPLES / f"{name}.dxf"
    if not path.exists():
        pytest.skip(f"{name}.dxf is not in {SAMPLES}")
    return path


class Run:
    def __init__(self, completed):
        self.status = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr


@pytest.fixture
def converter(tmp_path):
    """Runs the converter in tmp_path; returns its status, stdout and stderr."""
    binary = converter_path()

    def run(*args, cwd=None, timeout=120):
        completed = subprocess.run(
            [binary, *[str(a) for a in args]],
            cwd=cwd or tmp_path,
            capture_output=True,
            timeout=timeout,
        )
        return Run(completed)

    return run


def split_profile(data):
    """Returns the profile with its identifier replaced by a fixed text, after
    checking the identifier's form."""
    header, _, rest = data.partition(b"\n")
    layer, _, identifier = header.rpartition(b",")
    assert IDENTIFIER.match(identifier), header
    return layer + b",<ID>\n" + rest


def unsigned(status):
    """The exit status that a shell sees for a negative job status."""
    return status & 0xFF
