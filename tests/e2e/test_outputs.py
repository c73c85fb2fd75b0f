"""Outputs are complete or absent: a full disk or an output that names the
run's own input never leaves a partial file or loses a file (killed runs are
in test_kill.py)."""

import os
import resource
import signal
import subprocess

import pytest

from conftest import converter_path, split_profile, unsigned

ENTITY = (
    b"  0\nLINE\n  5\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n"
    b" 10\n1.5\n 20\n2.5\n 30\n0.0\n 11\n3.5\n 21\n4.5\n 31\n0.0\n"
)
SMALL_SECTION = b"ENTITIES\n" + ENTITY + b"  0\nENDSEC\n"
SMALL_DXF = b"  0\nSECTION\n  2\n" + SMALL_SECTION + b"  0\nEOF\n"
PROFILE = (
    b"0,<ID>\n1\n"
    b"LINE   L01 101    1.500000    2.500000    3.500000    4.500000    0.000000\nEOF\n"
)


def entries(directory):
    return sorted(os.listdir(directory))


def write_big_dxf(path, size):
    """A drawing of about `size` bytes, all of it one ENTITIES section."""
    block = ENTITY * 10000
    with open(path, "wb") as out:
        out.write(b"  0\nSECTION\n  2\nENTITIES\n")
        for _ in range(max(1, size // len(block))):
            out.write(block)
        out.write(b"  0\nENDSEC\n  0\nEOF\n")


def link_kinds():
    return {
        "hard link": os.link,
        "symbolic link": lambda target, name: os.symlink(os.path.basename(target), name),
    }


@pytest.mark.parametrize("kind", ["hard link", "symbolic link"])
@pytest.mark.parametrize("output", ["plan.sdxf", "plan.layers"])
def test_mode_2_output_that_is_its_input_through_a_link_is_refused(
    converter, tmp_path, kind, output
):
    (tmp_path / "plan.dxf").write_bytes(SMALL_DXF)
    link_kinds()[kind](tmp_path / "plan.dxf", tmp_path / output)
    before = entries(tmp_path)
    for spelling in ("plan.dxf", "./plan.dxf", str(tmp_path / "plan.dxf")):
        sdxf = spelling[: -len("dxf")] + "sdxf"
        refused = spelling[: -len("dxf")] + output.split(".")[1]
        run = converter(2, spelling)
        assert run.status == unsigned(-1)
        assert run.stdout == (
            b"\nInput:%s\nOutput:%s\nError: %s would overwrite the input file\n\ndone"
            % (spelling.encode(), sdxf.encode(), refused.encode())
        )
        assert entries(tmp_path) == before
        assert (tmp_path / "plan.dxf").read_bytes() == SMALL_DXF


@pytest.mark.parametrize("spelling", ["x.layers", "./x.layers", "sub/../x.layers"])
def test_mode_2_on_a_layers_file_is_refused_before_the_sdxf_is_written(
    converter, tmp_path, spelling
):
    (tmp_path / "sub").mkdir()
    (tmp_path / "x.layers").write_bytes(SMALL_DXF)
    run = converter(2, spelling)
    assert run.status == unsigned(-1)
    stem = spelling[: -len("layers")]
    assert run.stdout == (
        b"\nInput:%s\nOutput:%ssdxf\nError: %slayers would overwrite the input file\n\ndone"
        % (spelling.encode(), stem.encode(), stem.encode())
    )
    assert entries(tmp_path) == ["sub", "x.layers"]
    assert (tmp_path / "x.layers").read_bytes() == SMALL_DXF


@pytest.mark.parametrize("kind", ["hard link", "symbolic link"])
def test_mode_3_profile_that_is_its_input_through_a_link_is_refused(converter, tmp_path, kind):
    sdxf = SMALL_SECTION + b"EOF"
    (tmp_path / "plan.sdxf").write_bytes(sdxf)
    link_kinds()[kind](tmp_path / "plan.sdxf", tmp_path / "0.txt")
    before = entries(tmp_path)
    for spelling in ("plan.sdxf", str(tmp_path / "plan.sdxf"), "0.txt"):
        run = converter(3, spelling, "0")
        assert run.status == unsigned(-4)
        assert run.stdout == (
            b"\nInput:%s\nLayer name = 0\nError: 0.txt would overwrite the input file\n\ndone"
            % spelling.encode()
        )
        assert entries(tmp_path) == before
        assert (tmp_path / "plan.sdxf").read_bytes() == sdxf


FULL_DISK_RUNS = {
    # output: (input name, input bytes, arguments, status, stdout)
    "plan.sdxf": (
        "plan.dxf", SMALL_DXF, (2, "plan.dxf"), -1,
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nError: can't write output file plan.sdxf\n\ndone",
    ),
    "plan.layers": (
        "plan.dxf", SMALL_DXF, (2, "plan.dxf"), 0,
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nOutput:plan.layers\nFound 1 layers:"
        b"\nError: can't write output file plan.layers\n\n0\ndone",
    ),
    "0.txt": (
        "plan.sdxf", SMALL_SECTION + b"EOF", (3, "plan.sdxf", "0"), -4,
        b"\nInput:plan.sdxf\nLayer name = 0\nProcessed 1 entities"
        b"\nError: can't write output file 0.txt\n\ndone",
    ),
}


@pytest.mark.parametrize("output", list(FULL_DISK_RUNS))
def test_output_on_a_full_device_is_reported(converter, tmp_path, output):
    name, data, args, status, stdout = FULL_DISK_RUNS[output]
    (tmp_path / name).write_bytes(data)
    (tmp_path / output).symlink_to("/dev/full")
    run = converter(*args)
    assert run.status == unsigned(status)
    assert run.stdout == stdout
    assert os.readlink(tmp_path / output) == "/dev/full"
    assert sorted(set(entries(tmp_path)) - {name, output}) == (
        ["plan.sdxf"] if output == "plan.layers" else []
    )


def run_with_file_size_limit(args, cwd, limit):
    """Runs the converter with files limited to `limit` bytes: a write past it
    fails as on a full disk."""

    def limit_files():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

    return subprocess.run(
        [converter_path(), *map(str, args)], cwd=cwd, capture_output=True,
        preexec_fn=limit_files, timeout=120,
    )


def test_sdxf_that_fills_the_disk_keeps_the_old_file(tmp_path):
    write_big_dxf(tmp_path / "plan.dxf", 2_000_000)
    (tmp_path / "plan.sdxf").write_bytes(b"old SDXF\n")
    run = run_with_file_size_limit((2, "plan.dxf"), tmp_path, 1_000_000)
    assert run.returncode == unsigned(-1)
    assert run.stdout == (
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nError: can't write output file plan.sdxf\n\ndone"
    )
    assert (tmp_path / "plan.sdxf").read_bytes() == b"old SDXF\n"
    assert entries(tmp_path) == ["plan.dxf", "plan.sdxf"]


def test_profile_that_fills_the_disk_leaves_an_empty_file(tmp_path):
    sdxf = b"ENTITIES\n" + ENTITY * 60 + b"  0\nENDSEC\nEOF"
    (tmp_path / "plan.sdxf").write_bytes(sdxf)
    (tmp_path / "0.txt").write_bytes(b"old profile\n")
    run = run_with_file_size_limit((3, "plan.sdxf", "0"), tmp_path, 1000)
    assert run.returncode == unsigned(-4)
    assert run.stdout == (
        b"\nInput:plan.sdxf\nLayer name = 0\nProcessed 60 entities"
        b"\nError: can't write output file 0.txt\n\ndone"
    )
    assert (tmp_path / "0.txt").read_bytes() == b""
    assert entries(tmp_path) == ["0.txt", "plan.sdxf"]


def test_profile_within_the_limit_is_written(tmp_path):
    (tmp_path / "plan.sdxf").write_bytes(SMALL_SECTION + b"EOF")
    run = run_with_file_size_limit((3, "plan.sdxf", "0"), tmp_path, 1000)
    assert run.returncode == 0
    assert split_profile((tmp_path / "0.txt").read_bytes()) == PROFILE
