"""A run killed at any moment leaves the directory as it found it: no hidden
temporary file, and the outputs of an earlier run unchanged, each unless the
killed run had already put its own complete output in its place."""

import os
import select
import shutil
import signal
import subprocess
import time

import pytest

from conftest import converter_path, split_profile

SIZE = 300_000_000  # bytes of the generated drawing
LAYERS = [b"Walls", b"Doors", b"Windows", b"Hatch", b"Text"]
MOMENTS = [0.1, 0.5, 0.9]  # of a complete run's duration


def line(handle, layer, x):
    """A LINE entity as CAD programs write it: handle, owner, subclass markers."""
    return (
        b"  0\nLINE\n  5\n%X\n330\n1F\n100\nAcDbEntity\n  8\n%s\n100\nAcDbLine\n"
        b" 10\n%d.0\n 20\n0.0\n 30\n0.0\n 11\n%d.5\n 21\n25.0\n 31\n0.0\n"
    ) % (handle, layer, x, x)


def drawing(body):
    return (
        b"  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
        b"  0\nSECTION\n  2\nENTITIES\n" + body + b"  0\nENDSEC\n  0\nEOF\n"
    )


# The profile's layer: a few lines at the front of the drawing.
CUT = b"".join(line(0x100 + i, b"Cut", i) for i in range(4))


def run_to_end(args, cwd):
    started = time.monotonic()
    subprocess.run([converter_path(), *map(str, args)], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    return time.monotonic() - started


def killed_after(args, cwd, delay):
    """Starts a run and kills it after `delay` seconds. Returns None when it
    was killed, or how long it took when it ended first."""
    started = time.monotonic()
    process = subprocess.Popen([converter_path(), *map(str, args)], cwd=cwd,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pidfd = os.pidfd_open(process.pid)
    ended, _, _ = select.select([pidfd], [], [], delay)
    os.close(pidfd)
    if not ended:
        process.send_signal(signal.SIGKILL)
    if process.wait() == -signal.SIGKILL:
        return None
    return time.monotonic() - started


def measure_mode_2(root):
    directory = root / "measure"
    directory.mkdir()
    (directory / "plan.dxf").symlink_to(root / "plan.dxf")
    duration = run_to_end((2, "plan.dxf"), directory)
    shutil.rmtree(directory)
    return duration


@pytest.fixture(scope="session")
def big(tmp_path_factory):
    """The ~300 MB drawing and its complete outputs, a smaller drawing of the
    same name and fewer entities, and the duration of a complete run in each
    mode."""
    root = tmp_path_factory.mktemp("kill")
    block = b"".join(line(0x200 + i, LAYERS[i % len(LAYERS)], i) for i in range(2000))
    head, _, tail = drawing(b"\0").partition(b"\0")
    with open(root / "plan.dxf", "wb") as out:
        out.write(head + CUT)
        for _ in range(SIZE // len(block)):
            out.write(block)
        out.write(tail)
    (root / "small").mkdir()
    small = drawing(CUT[: len(CUT) // 2] + line(0x300, b"Walls", 9))
    (root / "small" / "plan.dxf").write_bytes(small)
    run_to_end((2, "plan.dxf"), root / "small")
    # Measured as the tests run, into a directory with no earlier outputs to
    # free; the faster of two runs is the measure, and a run that ends before
    # it is killed lowers it.
    mode2 = min(run_to_end((2, "plan.dxf"), root), measure_mode_2(root))
    mode3 = min(run_to_end((3, root / "plan.sdxf", "Cut"), root) for _ in range(2))
    complete = {name: (root / name).read_bytes() for name in ("plan.layers", "Cut.txt")}
    yield root, {2: mode2, 3: mode3}, complete
    # pytest keeps the directories of its last runs: not these 600 MB.
    shutil.rmtree(root)


def is_complete(root, complete, path):
    """Whether `path` holds what a complete run on the big drawing writes."""
    if path.name == "plan.sdxf":
        if path.stat().st_size != (root / "plan.sdxf").stat().st_size:
            return False
        with open(path, "rb") as data:
            data.seek(-len(b"ENDSEC\nEOF"), os.SEEK_END)
            return data.read() == b"ENDSEC\nEOF"
    data = path.read_bytes()
    if path.name == "Cut.txt":
        return split_profile(data) == split_profile(complete["Cut.txt"])
    return data == complete[path.name]


@pytest.mark.parametrize("earlier", [False, True], ids=["fresh", "over an earlier run"])
@pytest.mark.parametrize("moment", MOMENTS)
@pytest.mark.parametrize("mode", [2, 3])
def test_killed_run_leaves_nothing_behind(big, tmp_path, mode, moment, earlier):
    root, duration, complete = big
    if mode == 2:
        outputs, args = ["plan.sdxf", "plan.layers"], (2, "plan.dxf")
        (tmp_path / "plan.dxf").symlink_to(root / "small" / "plan.dxf")
        if earlier:
            run_to_end(args, tmp_path)
        (tmp_path / "plan.dxf").unlink()
        (tmp_path / "plan.dxf").symlink_to(root / "plan.dxf")
    else:
        outputs, args = ["Cut.txt"], (3, root / "plan.sdxf", "Cut")
        if earlier:
            run_to_end((3, root / "small" / "plan.sdxf", "Cut"), tmp_path)
    names = sorted(os.listdir(tmp_path))
    before = {name: (tmp_path / name).read_bytes() for name in names if name in outputs}

    for _ in range(5):
        ended = killed_after(args, tmp_path, moment * duration[mode])
        if ended is None:
            break
        # The run was faster than the measure and ended first: it is the new
        # measure. Put the directory back and try again.
        duration[mode] = min(duration[mode], ended)
        for name in outputs:
            (tmp_path / name).unlink(missing_ok=True)
            if name in before:
                (tmp_path / name).write_bytes(before[name])
    else:
        pytest.fail("every run ended before it was killed")

    after = sorted(os.listdir(tmp_path))
    assert [n for n in after if n not in outputs] == [n for n in names if n not in outputs]
    for name in outputs:
        path = tmp_path / name
        if path.exists() and is_complete(root, complete, path):
            continue
        assert (path.read_bytes() if path.exists() else None) == before.get(name), name
    for name in outputs:
        (tmp_path / name).unlink(missing_ok=True)  # a complete SDXF file is 300 MB
