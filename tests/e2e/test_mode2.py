"""Mode 2 end to end: the SDXF file, the layers file and standard output, byte
for byte, for whole runs in a temporary directory."""

import os
import subprocess
import time

from conftest import converter_path, split_profile, unsigned


def entity(kind, layer, *groups):
    """An entity as an AutoCAD-style writer puts it: marker, layer, subclass."""
    return (
        b"  0\n%s\n  5\n1F\n330\n1F\n100\nAcDbEntity\n  8\n%s\n" % (kind, layer)
        + b"".join(groups)
    )


LINE_GROUPS = b"100\nAcDbLine\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n10.0\n 21\n5.0\n 31\n0.0\n"

PLAN_SECTION = (
    b"ENTITIES\n"
    + entity(b"LINE", b"0", LINE_GROUPS)
    + entity(b"LINE", b"WALLS", LINE_GROUPS)
    + entity(b"CIRCLE", b"0", b"100\nAcDbCircle\n 10\n2.0\n 20\n3.0\n 30\n0.0\n 40\n1.5\n")
    + b"  0\nENDSEC\n"
)
HEADER = b"  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
TRAILER = b"  0\nSECTION\n  2\nOBJECTS\n  0\nDICTIONARY\n  0\nENDSEC\n  0\nEOF\n"


def drawing(section):
    return HEADER + b"  0\nSECTION\n  2\n" + section + TRAILER


PLAN_DXF = drawing(PLAN_SECTION)


def success_stdout(names, stem=b"plan"):
    return (
        b"\nInput:%s.dxf\nOutput:%s.sdxf\nOutput:%s.layers\nFound %d layers:"
        % (stem, stem, stem, len(names))
        + b"".join(b"\n" + name for name in names)
        + b"\ndone"
    )


def run_mode2(converter, tmp_path, dxf, *extra):
    (tmp_path / "plan.dxf").write_bytes(dxf)
    return converter(2, "plan.dxf", *extra)


def entries(directory):
    return sorted(os.listdir(directory))


def test_plan_example_writes_sdxf_layers_and_stdout(converter, tmp_path):
    run = run_mode2(converter, tmp_path, PLAN_DXF)
    assert run.status == 0
    assert run.stdout == (
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nOutput:plan.layers\nFound 2 layers:\n0\nWALLS\ndone"
    )
    assert (tmp_path / "plan.sdxf").read_bytes() == PLAN_SECTION + b"EOF"
    assert (tmp_path / "plan.layers").read_bytes() == b"0\nWALLS\n"
    assert entries(tmp_path) == ["plan.dxf", "plan.layers", "plan.sdxf"]


def test_sdxf_of_mode_2_feeds_mode_3(converter, tmp_path):
    run_mode2(converter, tmp_path, PLAN_DXF)
    run = converter(3, "plan.sdxf", "WALLS")
    assert run.status == 0
    assert split_profile((tmp_path / "WALLS.txt").read_bytes()) == (
        b"WALLS,<ID>\n1\n"
        b"LINE   L01 101    0.000000    0.000000   10.000000    5.000000    0.000000\nEOF\n"
    )


def test_third_argument_is_ignored(converter, tmp_path):
    run = run_mode2(converter, tmp_path, PLAN_DXF, "WALLS")
    assert run.status == 0
    assert run.stdout == success_stdout([b"0", b"WALLS"])
    assert entries(tmp_path) == ["plan.dxf", "plan.layers", "plan.sdxf"]


def test_crlf_input_gives_lf_output(converter, tmp_path):
    run = run_mode2(converter, tmp_path, PLAN_DXF.replace(b"\n", b"\r\n"))
    assert run.status == 0
    assert run.stdout == success_stdout([b"0", b"WALLS"])
    assert (tmp_path / "plan.sdxf").read_bytes() == PLAN_SECTION + b"EOF"
    assert (tmp_path / "plan.layers").read_bytes() == b"0\nWALLS\n"


def test_empty_entities_section(converter, tmp_path):
    run = run_mode2(converter, tmp_path, drawing(b"ENTITIES\n  0\nENDSEC\n"))
    assert run.status == 0
    assert run.stdout == success_stdout([])
    assert (tmp_path / "plan.sdxf").read_bytes() == b"ENTITIES\n  0\nENDSEC\nEOF"
    assert (tmp_path / "plan.layers").read_bytes() == b""


def test_section_words_in_values_do_not_move_the_copy(converter, tmp_path):
    # The section is the one whose (0, SECTION) pair is followed by
    # (2, ENTITIES); the words elsewhere, in values however long, are text.
    header = (
        b"  0\nSECTION\n  2\nHEADER\n  9\n$PROJECTNAME\n  1\nALL ENTITIES ON LAYER 0\n"
        b"  9\n$X\n  1\n" + b"y" * 70 + b"ENTITIES\n  0\nENDSEC\n"
    )
    section = (
        b"ENTITIES\n"
        + entity(b"TEXT", b"NOTES", b"100\nAcDbText\n  1\nsee ENDSEC below\n  1\nENDSEC\n")
        + b"999\n" + b"y" * 70 + b"ENDSEC" + b"z" * 60 + b"\n"
        + entity(b"LINE", b"WALLS", LINE_GROUPS)
        + b"  0\nENDSEC\n"
    )
    run = run_mode2(converter, tmp_path, header + b"  0\nSECTION\n  2\n" + section + TRAILER)
    assert run.status == 0
    assert run.stdout == success_stdout([b"NOTES", b"WALLS"])
    assert (tmp_path / "plan.sdxf").read_bytes() == section + b"EOF"
    # A name that only holds the word names no section.
    run = run_mode2(converter, tmp_path, drawing(b"ENTITIES ENDSEC\n  0\nENDSEC\n"))
    assert run.status == unsigned(-1)
    assert run.stdout.endswith(b"\nError: no ENTITIES section found\n\ndone")


def test_bytes_are_copied_whatever_they_are(converter, tmp_path):
    odd = b"\x00\x01\xe9\xff lone\rCR\r\r\n"
    section = b"ENTITIES\n999\n" + odd + b"  0\nENDSEC\n"
    run = run_mode2(converter, tmp_path, drawing(section))
    assert run.status == 0
    expected = section.replace(b"\r\r\n", b"\r\n")  # only CR LF reads as LF
    assert (tmp_path / "plan.sdxf").read_bytes() == expected + b"EOF"


def test_names_differing_in_case_or_blanks_are_different_layers(converter, tmp_path):
    names = [b"WALLS", b"Walls", b" WALLS", b"WALLS ", b"WALLS", b"walls", b"Walls"]
    section = b"ENTITIES\n" + b"".join(entity(b"LINE", n, LINE_GROUPS) for n in names)
    run = run_mode2(converter, tmp_path, drawing(section + b"  0\nENDSEC\n"))
    listed = [b"WALLS", b"Walls", b" WALLS", b"WALLS ", b"walls"]
    assert run.status == 0
    assert run.stdout == success_stdout(listed)
    assert (tmp_path / "plan.layers").read_bytes() == b"".join(n + b"\n" for n in listed)


def test_layer_group_counts_wherever_it_stands(converter, tmp_path):
    section = (
        b"ENTITIES\n"
        # In paper space, whether the flag comes before the layer or after it.
        b"  0\nCIRCLE\n100\nAcDbEntity\n 67\n1\n  8\nPAPER\n100\nAcDbCircle\n"
        b"  0\nCIRCLE\n  8\nPAPER2\n 67\n     1\n"
        # Codes are numbers however they are aligned.
        b"  0\nLINE\n100\nAcDbEntity\n8\nLEFT\n100\nAcDbLine\n"
        b"  0\nLINE\n100\nAcDbEntity\n 8\nONEBLANK\n100\nAcDbLine\n"
        # The layer group before the marker, as some writers put it, and R12
        # entities without markers; the first group 8 counts.
        b"  0\nLINE\n  8\nBEFORE\n100\nAcDbEntity\n100\nAcDbLine\n  8\nSECOND\n"
        b"  0\nLINE\n  8\nR12\n 10\n0.0\n"
        # No layer group at all, and a polyline's vertices: not listed.
        b"  0\nLINE\n 10\n0.0\n"
        b"  0\nPOLYLINE\n  8\nPOLY\n  0\nVERTEX\n  8\nVERTEXES\n  0\nSEQEND\n  8\nENDS\n"
        b"  0\nLINE\n100\nAcDbEntity\n  8\nRIGHT\n100\nAcDbLine\n"
        b"  0\nENDSEC\n"
    )
    listed = [b"LEFT", b"ONEBLANK", b"BEFORE", b"R12", b"POLY", b"RIGHT"]
    run = run_mode2(converter, tmp_path, drawing(section))
    assert run.status == 0
    assert run.stdout == success_stdout(listed)
    assert (tmp_path / "plan.layers").read_bytes() == b"".join(n + b"\n" for n in listed)


def test_forty_layers_are_all_listed_in_order(converter, tmp_path):
    names = [b"L%02d" % (i * 7 % 40) for i in range(40)]
    section = b"ENTITIES\n"
    for name in names + names[::-1]:
        section += entity(b"LINE", name, LINE_GROUPS)
    run = run_mode2(converter, tmp_path, drawing(section + b"  0\nENDSEC\n"))
    assert run.status == 0
    assert run.stdout == success_stdout(names)
    assert (tmp_path / "plan.layers").read_bytes() == b"".join(n + b"\n" for n in names)


def test_layer_name_longer_than_one_read_is_listed_whole(converter, tmp_path):
    long_name = bytes(b"ABCDEFGHIJ"[i % 10] for i in range(200))
    near = [b"n" * 62, b"n" * 63, b"n" * 64, long_name[:126], long_name]
    section = b"ENTITIES\n" + b"".join(entity(b"LINE", n, LINE_GROUPS) for n in near)
    dxf = drawing(section + b"  0\nENDSEC\n").replace(b"\n", b"\r\n")
    run = run_mode2(converter, tmp_path, dxf)
    assert run.status == 0
    assert run.stdout == success_stdout(near)
    assert (tmp_path / "plan.layers").read_bytes() == b"".join(n + b"\n" for n in near)
    # Mode 3 compares the name as whole as the inventory lists it.
    run = converter(3, "plan.sdxf", long_name.decode())
    assert run.status == 0
    assert split_profile((tmp_path / (long_name.decode() + ".txt")).read_bytes()).startswith(
        long_name + b",<ID>\n1\nLINE   L01 101"
    )


def test_input_without_entities_writes_nothing(converter, tmp_path):
    run = run_mode2(converter, tmp_path, HEADER + b"  0\nEOF\n")
    assert run.status == unsigned(-1)
    assert run.stdout == (
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nError: no ENTITIES section found\n\ndone"
    )
    assert entries(tmp_path) == ["plan.dxf"]


def test_input_ending_inside_the_entities_section_leaves_no_file(converter, tmp_path):
    stdout = (
        b"\nInput:plan.dxf\nOutput:plan.sdxf"
        b"\nError: DXF file ends inside the ENTITIES section\n\ndone"
    )
    whole = drawing(PLAN_SECTION)
    end = whole.index(b"ENDSEC\n", len(HEADER)) + len(b"ENDS")
    # Cut inside the last entity, inside the word "ENDSEC", and a section
    # that is never closed at all.
    never_closed = HEADER + b"  0\nSECTION\n  2\n" + PLAN_SECTION[:-11] + b"  0\nEOF\n"
    for dxf in (whole[: len(HEADER) + 200], whole[:end], never_closed):
        run = run_mode2(converter, tmp_path, dxf)
        assert run.status == unsigned(-1)
        assert run.stdout == stdout
        assert entries(tmp_path) == ["plan.dxf"]


def test_layers_name_taken_by_a_directory_keeps_status_zero(converter, tmp_path):
    (tmp_path / "plan.layers").mkdir()
    run = run_mode2(converter, tmp_path, PLAN_DXF)
    assert run.status == 0
    assert run.stdout == (
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nOutput:plan.layers\ncan't open output file\n\ndone"
    )
    assert (tmp_path / "plan.sdxf").read_bytes() == PLAN_SECTION + b"EOF"


def peak_memory_kib(args, cwd):
    """Runs the converter and returns its peak resident size."""
    process = subprocess.Popen(args, cwd=cwd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    assert os.waitstatus_to_exitcode(status) == 0
    return usage.ru_maxrss


def test_memory_does_not_grow_with_the_file(tmp_path):
    binary = converter_path()
    block = entity(b"LINE", b"WALLS", LINE_GROUPS) * 10000  # about 900 kB
    with open(tmp_path / "big.dxf", "wb") as out:
        out.write(HEADER + b"  0\nSECTION\n  2\nENTITIES\n")
        for _ in range(50):
            out.write(block)
        out.write(b"  0\nENDSEC\n" + TRAILER)
    small_section = entity(b"LINE", b"WALLS", LINE_GROUPS) * 10
    (tmp_path / "small.dxf").write_bytes(drawing(b"ENTITIES\n" + small_section + b"  0\nENDSEC\n"))
    small = peak_memory_kib([binary, "2", "small.dxf"], tmp_path)
    big = peak_memory_kib([binary, "2", "big.dxf"], tmp_path)
    assert (tmp_path / "big.sdxf").stat().st_size > 40_000_000
    assert big < small + 16 * 1024, (small, big)


def test_many_names_are_found_without_a_pass_over_earlier_ones(converter, tmp_path):
    # 300,000 distinct names: a search through the names found so far would
    # take minutes; a lookup takes well under a second.
    count = 300_000
    section = b"ENTITIES\n" + b"".join(
        b"  0\nLINE\n  8\nL%d\n" % i for i in range(count)
    ) + b"  0\nLINE\n  8\nL0\n  0\nENDSEC\n"
    (tmp_path / "plan.dxf").write_bytes(drawing(section))
    started = time.monotonic()
    run = converter(2, "plan.dxf", timeout=60)
    assert run.status == 0
    assert time.monotonic() - started < 30
    layers = (tmp_path / "plan.layers").read_bytes().split(b"\n")
    assert len(layers) == count + 1
    assert layers[:3] == [b"L0", b"L1", b"L2"] and layers[-2] == b"L%d" % (count - 1)
    assert run.stdout.startswith(
        b"\nInput:plan.dxf\nOutput:plan.sdxf\nOutput:plan.layers\nFound 300000 layers:\nL0\nL1\n"
    )
    assert run.stdout.endswith(b"\nL%d\ndone" % (count - 1))
