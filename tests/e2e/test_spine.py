"""The mode-3 chain on the worked example of the profile format."""

from conftest import split_profile, unsigned

OUTLINE_SDXF = (
    b"ENTITIES\n"
    b"  0\nLINE\n  5\n1\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n50.0\n 21\n0.0\n 31\n0.0\n"
    b"  0\nLINE\n  5\n2\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n50.0\n 20\n0.0\n 30\n0.0\n 11\n50.0\n 21\n25.0\n 31\n0.0\n"
    b"  0\nARC\n  5\n3\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbCircle\n"
    b" 10\n25.0\n 20\n25.0\n 30\n0.0\n 40\n25.0\n100\nAcDbArc\n 50\n0.0\n 51\n180.0\n"
    b"  0\nLINE\n  5\n4\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbLine\n"
    b" 10\n0.0\n 20\n25.0\n 30\n0.0\n 11\n0.0\n 21\n0.0\n 31\n0.0\n"
    b"  0\nCIRCLE\n  5\n5\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbCircle\n"
    b" 10\n10.0\n 20\n10.0\n 30\n0.0\n 40\n2.5\n"
    b"  0\nPOINT\n  5\n6\n100\nAcDbEntity\n  8\nOUTLINE\n100\nAcDbPoint\n"
    b" 10\n5.0\n 20\n5.0\n 30\n0.0\n"
    b"  0\nENDSEC\nEOF"
)

OUTLINE_PROFILE = (
    b"OUTLINE,<ID>\n"
    b"6\n"
    b"LINE   L01 101    0.000000    0.000000   50.000000    0.000000    0.000000\n"
    b"LINE   L02 101   50.000000    0.000000   50.000000   25.000000    0.000000\n"
    b"ARC    A01 102   25.000000   25.000000   25.000000  180.000000  360.000000    0.000000  180.000000\n"
    b"LINE   L03 101    0.000000   25.000000    0.000000    0.000000    0.000000\n"
    b"CIRCLE C01 104   10.000000   10.000000    2.500000    0.000000    0.000000\n"
    b"POINT  P01 103    5.000000    5.000000    0.000000    0.000000    0.000000\n"
    b"EOF\n"
)


def test_outline_worked_example(converter, tmp_path):
    (tmp_path / "plan.sdxf").write_bytes(OUTLINE_SDXF)
    run = converter(3, "plan.sdxf", "OUTLINE")
    assert run.status == 0
    assert run.stdout == b"\nInput:plan.sdxf\nLayer name = OUTLINE\nProcessed 6 entities\ndone"
    assert split_profile((tmp_path / "OUTLINE.txt").read_bytes()) == OUTLINE_PROFILE


def test_outline_with_crlf_line_ends(converter, tmp_path):
    (tmp_path / "plan.sdxf").write_bytes(OUTLINE_SDXF.replace(b"\n", b"\r\n"))
    run = converter(3, "plan.sdxf", "OUTLINE")
    assert run.status == 0
    assert split_profile((tmp_path / "OUTLINE.txt").read_bytes()) == OUTLINE_PROFILE


def test_missing_input(converter, tmp_path):
    run = converter(3, "absent.sdxf", "OUTLINE")
    assert unsigned(-1) == run.status
    assert run.stdout == b"\nInput:absent.sdxf\nCan't open DXF file\ndone"
