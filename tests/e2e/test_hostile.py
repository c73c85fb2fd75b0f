"""Hostile input: whatever a file holds, a run ends soon with a message and a
status, and never crashes or hangs."""

import os
import random

import pytest

from conftest import split_profile, unsigned

SECTION_START = b"  0\nSECTION\n  2\nENTITIES\n"
NO_ENTITIES = b"\nInput:%s\nOutput:%s\nError: no ENTITIES section found\n\ndone"
ENDS_INSIDE = b"\nInput:%s\nOutput:%s\nError: DXF file ends inside the ENTITIES section\n\ndone"
END_REACHED = b"\nInput:%s\nLayer name = %s\nError: End of DXF file reached\n\ndone"
QUICK = 60  # seconds; every run here takes well under one


def entries(directory):
    return sorted(os.listdir(directory))


def expect_mode2_refused(converter, tmp_path, data, stdout):
    (tmp_path / "in.dxf").write_bytes(data)
    run = converter(2, "in.dxf", timeout=QUICK)
    assert run.status == unsigned(-1)
    assert run.stdout == stdout % (b"in.dxf", b"in.sdxf")
    assert entries(tmp_path) == ["in.dxf"]


def expect_mode3_end_reached(converter, tmp_path, data, layer=b"L"):
    (tmp_path / "in.sdxf").write_bytes(data)
    run = converter(3, "in.sdxf", layer.decode(), timeout=QUICK)
    assert run.status == unsigned(-1)
    assert run.stdout == END_REACHED % (b"in.sdxf", layer)
    assert entries(tmp_path) == ["in.sdxf"]


def test_random_binary_bytes(converter, tmp_path):
    data = random.Random(7).randbytes(4_000_000)
    assert b"ENTITIES" not in data and b"ENDSEC" not in data
    expect_mode2_refused(converter, tmp_path, data, NO_ENTITIES)
    (tmp_path / "in.dxf").unlink()
    expect_mode3_end_reached(converter, tmp_path, data)


def test_random_bytes_inside_the_entities_section(converter, tmp_path):
    noise = random.Random(8).randbytes(4_000_000)
    expect_mode2_refused(converter, tmp_path, SECTION_START + noise, ENDS_INSIDE)


def test_random_bytes_after_an_entity_on_the_layer(converter, tmp_path):
    noise = random.Random(9).randbytes(1_000_000)
    data = b"ENTITIES\n  0\nLINE\n100\nAcDbEntity\n  8\nL\n" + noise
    (tmp_path / "in.sdxf").write_bytes(data)
    run = converter(3, "in.sdxf", "L", timeout=QUICK)
    # The entity is read group by group, and its next code line is noise.
    assert run.status == unsigned(-1)
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = L\nError: line 8 is not a group code\n\ndone"
    )
    assert entries(tmp_path) == ["in.sdxf"]


NUL_SECTION = (
    b"ENTITIES\n"
    b"  0\nLINE\n100\nAcDbEntity\n  8\nOUT\0LINE\n100\nAcDbLine\n"
    b" 10\n1\0 999\n 20\n2\n 30\n0\n 11\n3\n 21\n4\0\n 31\n0\n"
    b"  0\nPOINT\n100\nAcDb\0Entity\n  8\nOUT\n100\nAcDbPoint\n 10\n5\n 20\n6\n 30\n0\n"
    b"  0\nENDSEC\n"
)


def test_nul_bytes_end_a_name_or_a_number_and_hide_a_marker(converter, tmp_path):
    (tmp_path / "in.dxf").write_bytes(SECTION_START + NUL_SECTION[len(b"ENTITIES\n"):])
    run = converter(2, "in.dxf", timeout=QUICK)
    assert run.status == 0
    assert run.stdout == b"\nInput:in.dxf\nOutput:in.sdxf\nOutput:in.layers\nFound 1 layers:\nOUT\ndone"
    assert (tmp_path / "in.sdxf").read_bytes() == NUL_SECTION + b"EOF"
    assert (tmp_path / "in.layers").read_bytes() == b"OUT\n"

    # The name the inventory listed is the one that mode 3 finds; the point
    # is on it too, whatever its subclass marker holds.
    run = converter(3, "in.sdxf", "OUT", timeout=QUICK)
    assert run.status == 0
    assert split_profile((tmp_path / "OUT.txt").read_bytes()) == (
        b"OUT,<ID>\n2\n"
        b"LINE   L01 101    1.000000    2.000000    3.000000    4.000000    0.000000\n"
        b"POINT  P01 103    5.000000    6.000000    0.000000    0.000000    0.000000\nEOF\n"
    )
    run = converter(3, "in.sdxf", "OUTLINE", timeout=QUICK)
    assert run.status == unsigned(-4)
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = OUTLINE\ncan't find specified layername\n\ndone"
    )


def test_nul_byte_inside_the_section_end_leaves_the_section_open(converter, tmp_path):
    section = NUL_SECTION.replace(b"ENDSEC", b"END\0SEC")
    expect_mode2_refused(converter, tmp_path, SECTION_START + section[9:], ENDS_INSIDE)
    (tmp_path / "in.dxf").unlink()
    expect_mode3_end_reached(converter, tmp_path, section + b"EOF", b"OUT")


def fifty_megabytes_without_a_line_end(path, start=b""):
    with open(path, "wb") as out:
        out.write(start)
        chunk = b"A1 10.5 AcDb" * 87_382  # about 1 MiB
        for _ in range(50):
            out.write(chunk)


def test_fifty_megabytes_without_a_line_end(converter, tmp_path):
    fifty_megabytes_without_a_line_end(tmp_path / "in.dxf")
    expect_mode2_refused(converter, tmp_path, (tmp_path / "in.dxf").read_bytes(), NO_ENTITIES)
    os.rename(tmp_path / "in.dxf", tmp_path / "in.sdxf")
    expect_mode3_end_reached(converter, tmp_path, (tmp_path / "in.sdxf").read_bytes())


def test_fifty_megabytes_without_a_line_end_after_the_section_start(converter, tmp_path):
    fifty_megabytes_without_a_line_end(tmp_path / "in.dxf", SECTION_START)
    run = converter(2, "in.dxf", timeout=QUICK)
    assert run.status == unsigned(-1)
    assert run.stdout == ENDS_INSIDE % (b"in.dxf", b"in.sdxf")
    assert entries(tmp_path) == ["in.dxf"]


def test_fifty_megabyte_layer_name_matches_nothing(converter, tmp_path):
    start = b"ENTITIES\n  0\nLINE\n100\nAcDbEntity\n  8\n"
    fifty_megabytes_without_a_line_end(tmp_path / "in.sdxf", start)
    with open(tmp_path / "in.sdxf", "ab") as out:
        out.write(b"\n100\nAcDbLine\n 10\n1\n 20\n2\n 30\n0\n 11\n3\n 21\n4\n 31\n0\n  0\nENDSEC\nEOF")
    run = converter(3, "in.sdxf", "A1 10.5 AcDb", timeout=QUICK)
    assert run.status == unsigned(-4)
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = A1 10.5 AcDb\ncan't find specified layername\n\ndone"
    )
    assert entries(tmp_path) == ["in.sdxf"]


def test_nothing_but_entity_markers(converter, tmp_path):
    markers = b"AcDbEntity\n" * 1_000_000
    expect_mode2_refused(converter, tmp_path, markers, NO_ENTITIES)
    expect_mode2_refused(converter, tmp_path, SECTION_START + markers, ENDS_INSIDE)
    (tmp_path / "in.dxf").unlink()
    expect_mode3_end_reached(converter, tmp_path, markers)
    # With CR LF line ends and without a line end at the very end.
    expect_mode3_end_reached(converter, tmp_path, markers.replace(b"\n", b"\r\n")[:-2])


def test_polyline_of_a_hundred_thousand_vertices_is_refused(converter, tmp_path):
    count = 100_000
    vertices = b"".join(b" 10\n%d.0\n 20\n%d.5\n" % (i, i % 7) for i in range(count))
    (tmp_path / "in.sdxf").write_bytes(
        b"ENTITIES\n  0\nLWPOLYLINE\n100\nAcDbEntity\n  8\nL\n100\nAcDbPolyline\n"
        b" 90\n%d\n 70\n0\n" % count + vertices + b"  0\nENDSEC\nEOF"
    )
    (tmp_path / "L.txt").write_bytes(b"old profile\n")
    run = converter(3, "in.sdxf", "L", timeout=QUICK)
    assert run.status == unsigned(-5)
    segments = count - 1
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = L" + b"\nseg" * segments
        + b"\nProcessed %d entities\nError: DXF layer contains too many entities\ndone" % segments
    )
    assert (tmp_path / "L.txt").read_bytes() == b""
    assert entries(tmp_path) == ["L.txt", "in.sdxf"]


def test_closed_polyline_with_a_huge_segment_count_stops_soon(converter, tmp_path):
    (tmp_path / "in.sdxf").write_bytes(
        b"ENTITIES\n  0\nLWPOLYLINE\n100\nAcDbEntity\n  8\nL\n100\nAcDbPolyline\n"
        b" 90\n2147483647\n 70\n1\n 10\n0\n 20\n0\n 10\n1\n 20\n0\n  0\nENDSEC\nEOF"
    )
    run = converter(3, "in.sdxf", "L", timeout=QUICK)
    assert run.status == unsigned(-5)
    # The closing segment repeats until the layer is over its limit.
    assert run.stdout == (
        b"\nInput:in.sdxf\nLayer name = L" + b"\nseg" * 65
        + b"\nProcessed 65 entities\nError: DXF layer contains too many entities\ndone"
    )


def test_many_entities_in_a_tilted_plane_are_reported_in_linear_time(converter, tmp_path):
    circle = (
        b"  0\nCIRCLE\n100\nAcDbEntity\n  8\nL\n100\nAcDbCircle\n"
        b" 10\n1\n 20\n2\n 30\n0\n 40\n3\n210\n1\n220\n0\n230\n0\n"
    )
    count = 100_000  # about 9 MB
    (tmp_path / "in.sdxf").write_bytes(b"ENTITIES\n" + circle * count + b"  0\nENDSEC\nEOF")
    run = converter(3, "in.sdxf", "L", timeout=QUICK)
    assert run.status == 0
    warnings = run.stderr.splitlines()
    assert len(warnings) == count + 2
    # Each warning names the circle's group-0 line, 22 lines apart.
    for number in (0, 1, count - 1):
        assert warnings[number] == (
            b"warning: CIRCLE on line %d lies in a tilted plane; left out" % (2 + 22 * number)
        )
    assert warnings[count:] == [b"Left out of layer L:", b"  CIRCLE in a tilted plane: %d" % count]


@pytest.mark.parametrize("mode", [2, 3])
def test_input_paths_that_are_not_files(converter, tmp_path, mode):
    (tmp_path / "dir.dxf").mkdir()
    (tmp_path / "plain").write_bytes(b"ENTITIES\n")
    # Devices are no drawings either: /dev/zero would never end.
    for path in ("dir.dxf", "dir.dxf/", "dir.dxf/.", ".", "/", "plain/x.dxf", "absent.dxf", "",
                 "/dev/zero", "/dev/null"):
        run = converter(mode, path, "L", timeout=QUICK)
        assert run.status == unsigned(-1), path
        assert run.stdout == b"\nInput:%s\nCan't open DXF file\ndone" % path.encode()
    assert entries(tmp_path) == ["dir.dxf", "plain"]


UNWRITABLE = {
    # what stands under the output's name: how to make it
    "a directory": lambda path: path.mkdir(),
    "a link into a missing directory": lambda path: path.symlink_to("missing/file"),
    "a link to a directory": lambda path: path.symlink_to("."),
    "a named pipe that nobody reads": os.mkfifo,
}


@pytest.mark.parametrize("obstacle", list(UNWRITABLE))
def test_unwritable_sdxf_name(converter, tmp_path, obstacle):
    (tmp_path / "in.dxf").write_bytes(SECTION_START + b"  0\nENDSEC\n  0\nEOF\n")
    UNWRITABLE[obstacle](tmp_path / "in.sdxf")
    before = entries(tmp_path)
    run = converter(2, "in.dxf", timeout=QUICK)
    assert run.status == unsigned(-1)
    assert run.stdout == b"\nInput:in.dxf\nOutput:in.sdxf\ncan't open output file\ndone"
    assert entries(tmp_path) == before


@pytest.mark.parametrize("obstacle", list(UNWRITABLE))
def test_unwritable_layers_name_keeps_status_zero(converter, tmp_path, obstacle):
    (tmp_path / "in.dxf").write_bytes(SECTION_START + b"  0\nENDSEC\n  0\nEOF\n")
    UNWRITABLE[obstacle](tmp_path / "in.layers")
    run = converter(2, "in.dxf", timeout=QUICK)
    assert run.status == 0
    assert run.stdout == (
        b"\nInput:in.dxf\nOutput:in.sdxf\nOutput:in.layers\ncan't open output file\n\ndone"
    )
    assert (tmp_path / "in.sdxf").read_bytes() == b"ENTITIES\n  0\nENDSEC\nEOF"


@pytest.mark.parametrize("obstacle", list(UNWRITABLE))
def test_unwritable_profile_name(converter, tmp_path, obstacle):
    (tmp_path / "in.sdxf").write_bytes(
        b"ENTITIES\n  0\nPOINT\n100\nAcDbEntity\n  8\nL\n100\nAcDbPoint\n"
        b" 10\n1\n 20\n2\n 30\n0\n  0\nENDSEC\nEOF"
    )
    UNWRITABLE[obstacle](tmp_path / "L.txt")
    before = entries(tmp_path)
    run = converter(3, "in.sdxf", "L", timeout=QUICK)
    assert run.status == unsigned(-4)
    assert run.stdout == b"\nInput:in.sdxf\nLayer name = L\ncan't open output file\n\ndone"
    assert entries(tmp_path) == before
