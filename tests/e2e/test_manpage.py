"""The manual pages: format without a single warning and are installed by
cmake --install; dxfprofile(1)'s worked example is what the converter really
prints, and every status it gives is listed under that status."""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import SOURCE, converter_path, split_profile

PAGE = SOURCE / "docs" / "dxfprofile.1"
PAGES = [PAGE, SOURCE / "docs" / "dxfprofile-preview.1"]
SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "MODES", "OUTPUT FILES", "EXIT STATUS", "EXAMPLES",
            "LIMITS", "SEE ALSO"]


def formatter_output(command):
    if shutil.which(command[0]) is None:
        pytest.skip(f"{command[0]} is not installed")
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MANPAGER="cat", PAGER="cat")
    return subprocess.run(command, capture_output=True, env=env, timeout=60)


@pytest.mark.parametrize("page", PAGES, ids=lambda page: page.stem)
@pytest.mark.parametrize("command", [
    ["groff", "-man", "-ww", "-z"],
    ["man", "--warnings", "-E", "UTF-8", "-l"],
], ids=["groff", "man"])
def test_page_formats_without_warnings(command, page):
    run = formatter_output([*command, str(page)])
    assert run.returncode == 0
    assert run.stderr == b""


def test_page_has_its_sections_in_order():
    headings = re.findall(r'^\.SH "?([^"\n]+)"?$', PAGE.read_text(), re.MULTILINE)
    assert headings == SECTIONS


def test_install_puts_the_pages_in_man1(tmp_path):
    if shutil.which("cmake") is None:
        pytest.skip("cmake is not installed")
    build = Path(converter_path()).parent
    run = subprocess.run(["cmake", "--install", str(build), "--prefix", str(tmp_path)],
                         capture_output=True, timeout=120)
    assert run.returncode == 0, run.stderr
    for page in PAGES:
        assert (tmp_path / "share" / "man" / "man1" / page.name).read_bytes() == page.read_bytes()


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


# --- every status the program gives is documented under that status ----------------

LINE = b"0\nLINE\n8\nL\n10\n0\n20\n0\n11\n1\n21\n1\n"
DRAWING = b"0\nSECTION\n2\nENTITIES\n" + LINE + b"0\nENDSEC\n0\nEOF\n"


def sdxf(entities):
    return b"ENTITIES\n" + entities + b"0\nENDSEC\nEOF"


# (arguments, files to make, status the shell sees, text on standard output,
# text of the manual page's and README's entry when it differs)
STATUS_RUNS = {
    "no arguments": ([], {}, 255, b"Usage:", "missing arguments"),
    "unknown mode": ([5, "a.dxf"], {}, 255, b"Error: unknown mode", None),
    "long argument": ([2, "x" * 300], {}, 255, b"Error: argument longer than 255 characters", None),
    "missing input": ([2, "a.dxf"], {}, 255, b"Can't open DXF file", None),
    "binary": ([3, "a.sdxf", "L"], {"a.sdxf": b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(40)}, 255,
               b"Error: binary DXF is not supported", None),
    "mode 2 own input": ([2, "a.sdxf"], {"a.sdxf": DRAWING}, 255,
                         b"would overwrite the input file", None),
    "not a group code": ([2, "a.dxf"], {"a.dxf": DRAWING.replace(b"\n10\n", b"\nx\n")}, 255,
                         b"is not a group code", None),
    "no entities": ([2, "a.dxf"], {"a.dxf": b"0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nEOF\n"}, 255,
                    b"Error: no ENTITIES section found", None),
    "ends in section": ([2, "a.dxf"], {"a.dxf": b"0\nSECTION\n2\nENTITIES\n" + LINE}, 255,
                        b"ends inside the ENTITIES section", None),
    "sdxf not created": ([2, "a.dxf"], {"a.dxf": DRAWING, "a.sdxf": None}, 255,
                         b"can't open output file", None),
    "sdxf not written": ([2, "a.dxf"], {"a.dxf": DRAWING, "a.sdxf": "/dev/full"}, 255,
                         b"Error: can't write output file", None),
    "sdxf ends": ([3, "a.sdxf", "L"], {"a.sdxf": b"ENTITIES\n" + LINE}, 255,
                  b"Error: End of DXF file reached", None),
    "out of range": ([3, "a.sdxf", "L"], {"a.sdxf": sdxf(LINE.replace(b"\n1\n", b"\nnan\n", 1))},
                     255, b"holds a value out of range", None),
    "no geometry": ([3, "a.sdxf", "L"], {"a.sdxf": b"ENTITIES\n0\nLINE\n8\nL\n"}, 254,
                    b"Error: DXF file contains no geometry", None),
    "no layer": ([3, "a.sdxf", "M"], {"a.sdxf": sdxf(LINE)}, 252,
                 b"can't find specified layername", None),
    "profile not created": ([3, "a.sdxf", "a/b"],
                            {"a.sdxf": sdxf(LINE.replace(b"\nL\n", b"\na/b\n"))}, 252,
                            b"can't open output file", None),
    "mode 3 own input": ([3, "L.txt", "L"], {"L.txt": sdxf(LINE)}, 252,
                         b"would overwrite the input file", None),
    "profile not written": ([3, "a.sdxf", "L"], {"a.sdxf": sdxf(LINE), "L.txt": "/dev/full"}, 252,
                            b"Error: can't write output file", None),
    "too many": ([3, "a.sdxf", "L"], {"a.sdxf": sdxf(LINE * 65)}, 251,
                 b"too many entities", None),
}


def page_statuses(page):
    """The words of each entry of a page's EXIT STATUS section, by status."""
    section = re.search(r"^\.SH EXIT STATUS\n(.*?)^\.SH", page, re.MULTILINE | re.DOTALL).group(1)
    entries = {}
    for entry in section.split(".TP\n")[1:]:
        head, _, body = entry.partition("\n")
        words = [re.sub(r"^\.[A-Z]+ ?", "", line).replace('"', "") for line in body.splitlines()]
        entries[int(re.search(r"\d+", head).group())] = unescape(" ".join(words))
    return entries


def readme_statuses():
    """The cause and message of each row of the README's exit status table."""
    readme = (SOURCE / "README.md").read_text()
    rows = re.findall(r"^\| (\d+) \| -?\d+ \|[^|]*\|([^|]*)\|([^|]*)\|$", readme, re.MULTILINE)
    assert len(rows) > 15
    return [(int(status), cause + message) for status, cause, message in rows]


@pytest.mark.parametrize("case", list(STATUS_RUNS))
def test_every_status_is_documented_under_it(converter, tmp_path, case):
    args, files, status, printed, documented = STATUS_RUNS[case]
    for name, content in files.items():
        if content is None:
            (tmp_path / name).mkdir()
        elif isinstance(content, str):
            (tmp_path / name).symlink_to(content)
        else:
            (tmp_path / name).write_bytes(content)
    run = converter(*args)
    assert (run.status, printed in run.stdout) == (status, True), run.stdout
    documented = documented or printed.decode()
    assert documented in page_statuses(PAGE.read_text())[status]
    assert any(documented in text for shown, text in readme_statuses() if shown == status)


PROFILE = b"P,ABCDEFGH.IJK\n1\nPOINT  P01 103 1 2 0 0 0\nEOF\n"
PREVIEW_RUNS = {
    "no arguments": ([], {}, 255, "No argument"),
    "too many arguments": (["P.txt", "a.svg", "b.svg"], {"P.txt": PROFILE}, 255, "more than two"),
    "own input": (["P.svg", "P.svg"], {"P.svg": PROFILE}, 255, "would overwrite the input file"),
    "missing profile": (["P.txt"], {}, 255, "can't open profile file"),
    "picture not written": (["P.txt", "/dev/full"], {"P.txt": PROFILE}, 255,
                            "can't write output file"),
    "not well formed": (["P.txt"], {"P.txt": PROFILE.replace(b"EOF", b"END")}, 254,
                        "not well formed"),
    "drawn": (["P.txt"], {"P.txt": PROFILE}, 0, "picture was written"),
}


@pytest.mark.parametrize("case", list(PREVIEW_RUNS))
def test_every_preview_status_is_documented_under_it(tmp_path, case):
    binary = os.environ.get("DXFPROFILE_PREVIEW")
    if not binary:
        pytest.skip("DXFPROFILE_PREVIEW is not set: run the end-to-end tests through ctest")
    args, files, status, documented = PREVIEW_RUNS[case]
    for name, content in files.items():
        (tmp_path / name).write_bytes(content)
    run = subprocess.run([binary, *args], cwd=tmp_path, capture_output=True, timeout=60)
    assert run.returncode == status, run.stderr
    assert documented in page_statuses(PAGES[1].read_text())[status]
