"""The manual page: formats without a single warning, is installed by
cmake --install, and its worked example is what the converter really prints."""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import SOURCE, converter_path, split_profile

PAGE = SOURCE / "docs" / "dxfprofile.1"
SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "MODES", "OUTPUT FILES", "EXIT STATUS", "EXAMPLES",
            "LIMITS", "SEE ALSO"]


def formatter_output(command):
    if shutil.which(command[0]) is None:
        pytest.skip(f"{command[0]} is not installed")
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MANPAGER="cat", PAGER="cat")
    return subprocess.run(command, capture_output=True, env=env, timeout=60)


@pytest.mark.parametrize("command", [
    ["groff", "-man", "-ww", "-z", str(PAGE)],
    ["man", "--warnings", "-E", "UTF-8", "-l", str(PAGE)],
], ids=["groff", "man"])
def test_page_formats_without_warnings(command):
    run = formatter_output(command)
    assert run.returncode == 0
    assert run.stderr == b""


def test_page_has_its_sections_in_order():
    headings = re.findall(r'^\.SH "?([^"\n]+)"?$', PAGE.read_text(), re.MULTILINE)
    assert headings == SECTIONS


def test_install_puts_the_page_in_man1(tmp_path):
    if shutil.which("cmake") is None:
        pytest.skip("cmake is not installed")
    build = Path(converter_path()).parent
    run = subprocess.run(["cmake", "--install", str(build), "--prefix", str(tmp_path)],
                         capture_output=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert (tmp_path / "share" / "man" / "man1" / "dxfprofile.1").read_bytes() == PAGE.read_bytes()


def unescape(roff):
    """The text of an .EX block as the reader sees it."""
    return roff.replace("\\-", "-").replace("\\e", "\\")


def test_worked_example_is_the_real_output(converter, tmp_path):
    """The first example block: two runs with their output, then the profile.
    The page shows each run's output ending with a line end, which "done" lacks."""
    block = re.search(r"^\.EX\n(.*?)^\.EE$", PAGE.read_text(), re.MULTILINE | re.DOTALL)
    transcript = unescape(block.group(1))
    shutil.copy(SOURCE / "examples" / "cutting-plate.dxf", tmp_path)

    steps = re.findall(r"^\$ (.*)\n((?:(?!\$ ).*\n)*)", transcript, re.MULTILINE)
    assert [command.split()[0] for command, _ in steps] == ["dxfprofile", "dxfprofile", "cat"]
    for command, output in steps:
        words = command.split()
        if words[0] == "cat":
            actual = split_profile((tmp_path / words[1]).read_bytes())
            expected = split_profile(output.encode())
        else:
            run = converter(*words[1:])
            assert run.status == 0, command
            actual, expected = run.stdout + b"\n", output.encode()
        assert actual == expected, command
