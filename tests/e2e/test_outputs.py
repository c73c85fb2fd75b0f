"""Outputs are complete or absent: a killed run, a full disk or an output that
names the run's own input never leaves a partial file or loses a file."""

import os
import resource
import signal
import subprocess
import time

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
    """A drawing of about `size` bytes, all of it one ENTITIES section; returns
    the SDXF file that mode 2 makes of it."""
    block = ENTITY * 10000
    count = max(1, size // len(block))
    with open(path, "wb") as out:
        out.write(b"  0\nSECTION\n  2\nENTITIES\n")
        for _ in range(count):
            out.write(block)
        out.write(b"  0\nENDSEC\n  0\nEOF\n")
    return count, block


def expected_big_sdxf_size(count, block):
    return len(b"ENTITIES\n") + count * len(block) + len(b"  0\nENDSEC\nEOF")


@pytest.mark.parametrize("phase", ["plan.sdxf", "plan.layers"])
def test_killed_mode_2_leaves_the_old_file_or_a_complete_one(tmp_path, phase):
    count, block = write_big_dxf(tmp_path / "plan.dxf", 120_000_000)
    old = {"plan.sdxf": b"old SDXF\n", "plan.layers": b"old layers\n"}
    for name, data in old.items():
        (tmp_path / name).write_bytes(data)
    process = subprocess.Popen(
        [converter_path(), "2", "plan.dxf"], cwd=tmp_path, stdout=subprocess.DEVNULL
    )
    # Kill it as soon as the temporary file of the output is there (for the
    # SDXF file: with data in it; the layers file is written at its end).
    temporary = "." + phase + "."
    least = 1 if phase == "plan.sdxf" else 0
    deadline = time.monotonic() + 120
    seen = None
    while process.poll() is None and time.monotonic() < deadline:
        for name in os.listdir(tmp_path):
            if name.startswith(temporary) and os.path.getsize(tmp_path / name) >= least:
                seen = name
        if seen:
            process.send_signal(signal.SIGKILL)
            break
        time.sleep(0.001)
    status = process.wait()
    sdxf = tmp_path / "plan.sdxf"
    layers = tmp_path / "plan.layers"
    if status == 0:
        # It finished first: both outputs complete.
        assert sdxf.stat().st_size == expected_big_sdxf_size(count, block)
        assert layers.read_bytes() == b"0\n"
        return
    assert status == -signal.SIGKILL
    assert seen is not None
    assert layers.read_bytes() == old["plan.layers"]
    if phase == "plan.sdxf":
        assert sdxf.read_bytes() == old["plan.sdxf"]
    else:
        assert sdxf.stat().st_size == expected_big_sdxf_size(count, block)
        with open(sdxf, "rb") as data:
            data.seek(-len(b"ENDSEC\nEOF"), os.SEEK_END)
            assert data.read() == b"ENDSEC\nEOF"
    # Only the temporary file of the killed write is left, under a hidden name.
    assert set(entries(tmp_path)) - {"plan.dxf", "plan.sdxf", "plan.layers"} == {seen}


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
    count, block = write_big_dxf(tmp_path / "plan.dxf", 2_000_000)
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
