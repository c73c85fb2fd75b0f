"""Curves as writers round them: an ELLIPSE whose span is a hair off a full
turn is the whole ellipse, and a normal of (0, 0, 0) on a SPLINE or an
ELLIPSE stands for none. Each gives the same run, byte for byte, as the
curve written plainly."""

import pytest

from conftest import split_profile

SPLINE = (b"  0\nSPLINE\n  8\nCUT\n100\nAcDbSpline\n%s 70\n8\n 71\n3\n 72\n8\n 73\n4\n"
          + b"".join(b" 40\n%d\n" % k for k in (0, 0, 0, 0, 1, 1, 1, 1))
          + b"".join(b" 10\n%s\n 20\n%s\n 30\n0\n" % p
                     for p in ((b"0", b"0"), (b"3", b"4"), (b"6", b"-4"), (b"9", b"0"))))
ELLIPSE = (b"  0\nELLIPSE\n  8\nCUT\n100\nAcDbEllipse\n 10\n1\n 20\n2\n 30\n0\n"
           b" 11\n10\n 21\n0\n 31\n0\n%s 40\n0.5\n 41\n%s\n 42\n%s\n")
ZERO = b"210\n0\n220\n0\n230\n0\n"


def run_of(converter, tmp_path, entities):
    (tmp_path / "c.sdxf").write_bytes(b"ENTITIES\n" + entities + b"  0\nENDSEC\nEOF")
    run = converter(3, "c.sdxf", "CUT")
    assert run.status == 0
    return run.stdout, run.stderr, split_profile((tmp_path / "CUT.txt").read_bytes())


@pytest.mark.parametrize("start, end", [
    (b"0", b"6.28318530717959"), (b"0", b"6.2831853080000002"), (b"0", b"6.283185307179587"),
    (b"0", b"6.283185307179585"), (b"1", b"0.9999999999"), (b"-3.141592653589793", b"3.5")])
def test_span_within_1e_9_of_a_full_turn_or_more_is_the_full_ellipse(converter, tmp_path,
                                                                      start, end):
    # Equal parameters give the full ellipse from there.
    full = run_of(converter, tmp_path, ELLIPSE % (b"", start, start))
    assert b"ELLIPSE 1 as 1 LINE" not in full[1]
    assert run_of(converter, tmp_path, ELLIPSE % (b"", start, end)) == full


@pytest.mark.parametrize("curve", [SPLINE % ZERO, ELLIPSE % (ZERO, b"0", b"3")],
                         ids=["SPLINE", "ELLIPSE"])
def test_normal_of_zero_stands_for_none(converter, tmp_path, curve):
    plain = curve.replace(ZERO, b"")
    assert run_of(converter, tmp_path, curve) == run_of(converter, tmp_path, plain)
