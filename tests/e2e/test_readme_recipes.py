"""The README's shell recipes, taken from README.md itself (between its
"recipe:" marker comments), run by bash in a UTF-8 locale with the built
converter on the PATH."""

import os
import re
import shutil
import subprocess

import ezdxf
import pytest

from conftest import SOURCE, converter_path, sample_path, split_profile


def recipe(name):
    readme = (SOURCE / "README.md").read_text()
    found = re.search(rf"<!-- recipe: {name} -->\n```sh\n(.*?)```\n<!-- end of recipe -->", readme,
                      re.DOTALL)
    assert found, f"README.md has no recipe {name!r}"
    return found.group(1)


def run_recipe(name, directory, drawing=None):
    """Runs the recipe in `directory`, with `drawing` standing for part.dxf."""
    script = recipe(name)
    if drawing is not None:
        script = script.replace("part.", f"{drawing}.")
    tools = directory.parent / "bin"
    tools.mkdir(exist_ok=True)
    link = tools / "dxfprofile"
    if not link.exists():
        link.symlink_to(os.path.abspath(converter_path()))
    env = dict(os.environ, LC_ALL="C.UTF-8", PATH=f"{tools}:{os.environ['PATH']}")
    return subprocess.run(["bash", "-c", script], cwd=directory, env=env, capture_output=True,
                          timeout=120)


def profiles(directory):
    return sorted(path.name for path in directory.glob("*.txt"))


def test_one_drawing_recipe_converts_every_layer_of_a_code_page_drawing(tmp_path):
    work = tmp_path / "work"
    work.mkdir()
    shutil.copy(sample_path("acad-laser-cp1252-layer-names-r2004"), work / "laser.dxf")
    run = run_recipe("one drawing", work, "laser")
    # Its layer "trac\xe9" holds more than 64 records: the recipe stops there
    # with that status, after the layers before it.
    assert run.returncode == 251, run.stderr
    assert profiles(work) == sorted(
        ["Cut Lazer out line.txt", "courbes niveau.txt", "coupe lazer Marquers niveaux.txt",
         os.fsdecode(b"trac\xe9.txt")])
    assert (work / os.fsdecode(b"trac\xe9.txt")).read_bytes() == b""


def test_one_drawing_recipe_reads_each_code_page_name_on_its_own(tmp_path):
    doc = ezdxf.new("R2004")
    for name in ["trac\xe9", "cadre 2"]:
        doc.modelspace().add_line((0, 0), (1, 1), dxfattribs={"layer": name})
    doc.saveas(tmp_path / "part.dxf", encoding="cp1252")
    run = run_recipe("one drawing", tmp_path)
    assert run.returncode == 0, run.stderr
    assert profiles(tmp_path) == ["cadre 2.txt", os.fsdecode(b"trac\xe9.txt")]


def same_layer_drawing(path, radius):
    doc = ezdxf.new("R2010")
    doc.modelspace().add_circle((0, 0), radius, dxfattribs={"layer": "Cutout"})
    doc.modelspace().add_line((0, 0), (radius, 0), dxfattribs={"layer": "0"})
    doc.saveas(path)


def test_many_drawings_recipe_keeps_same_named_layers_apart(tmp_path):
    work = tmp_path / "work"
    work.mkdir()
    same_layer_drawing(work / "plate.dxf", 10)
    same_layer_drawing(work / "plate-b.rev2.dxf", 20)
    run = run_recipe("many drawings", work)
    assert run.returncode == 0, run.stderr
    for name, radius in [("plate", 10), ("plate-b", 20)]:
        assert profiles(work / name) == ["0.txt", "Cutout.txt"]
        circle = b"CIRCLE C01 104 %11.6f %11.6f %11.6f %11.6f %11.6f\n" % (0, 0, radius, 0, 0)
        cutout = split_profile((work / name / "Cutout.txt").read_bytes())
        assert cutout == b"Cutout,<ID>\n1\n" + circle + b"EOF\n"


def test_recipes_stop_at_the_first_failure(tmp_path):
    work = tmp_path / "work"
    work.mkdir()
    (work / "broken.dxf").write_bytes(b"0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nA\n10\n")
    run = run_recipe("one drawing", work, "broken")
    assert run.returncode == 255
    assert sorted(p.name for p in work.iterdir()) == ["broken.dxf"]
    run = run_recipe("many drawings", work)
    assert run.returncode == 255
    assert sorted(p.name for p in work.iterdir()) == ["broken.dxf"]


def test_manual_page_shows_the_same_recipes():
    page = (SOURCE / "docs" / "dxfprofile.1").read_text().replace("\\-", "-")
    for name in ["one drawing", "many drawings"]:
        assert recipe(name) in page, name
