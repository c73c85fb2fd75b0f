"""Shared fixtures of the end-to-end tests: the built converter run on real
files in a temporary directory."""

import os
import re
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(os.environ.get("DXFPROFILE_SOURCE", Path(__file__).resolve().parents[2]))
DATA = SOURCE / "tests" / "data"
IDENTIFIER = re.compile(rb"^[A-Z]{8}\.[A-Z]{3}$")


def converter_path():
    path = os.environ.get("DXFPROFILE")
    if not path:
        pytest.skip("DXFPROFILE is not set: run the end-to-end tests through ctest")
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
