"""Packaging: the supported Pythons are named alike everywhere, and the wheel that `make dist`
builds holds every compiled module with its stub and no C++ source, and installs into a fresh venv
with no compiler on PATH, where every module imports without a warning and the README's examples
pass.

`make dist` runs this file with VELMORA_WHEEL set to the wheel; the normal suite skips the wheel's
tests.
"""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import sys
import tomllib
import zipfile
from pathlib import Path

import pytest

WHEEL = os.path.abspath(os.environ["VELMORA_WHEEL"]) if os.environ.get("VELMORA_WHEEL") else ""
needs_wheel = pytest.mark.skipif(not WHEEL, reason="needs a built wheel: make dist runs it")

ROOT = Path(__file__).parents[1]
# One extension module per C++ source (CMakeLists.txt): velmora/blocks/section.cpp -> .../section
MODULES = sorted(str(p.relative_to(ROOT / "src").with_suffix("")) for p in ROOT.glob("src/velmora/**/*.cpp"))
PROJECT = tomllib.loads((ROOT / "pyproject.toml").read_text())["project"]
BUILD_TOOLS = ("cc", "c++", "gcc", "g++", "clang", "clang++", "cmake")


def test_the_supported_pythons_agree_and_this_one_is_among_them() -> None:
    classified = [
        c.rsplit(" ", 1)[1]
        for c in PROJECT["classifiers"]
        if re.fullmatch(r"Programming Language :: Python :: 3\.\d+", c)
    ]
    [found] = re.findall(r'^SUPPORTED="(.*)"$', (ROOT / "tools/find-python").read_text(), re.M)
    [cmake] = re.findall(r"find_package\(Python (\S+) ", (ROOT / "CMakeLists.txt").read_text())
    assert found.split() == classified and "{}.{}".format(*sys.version_info[:2]) in classified
    assert PROJECT["requires-python"] == f">={classified[0]}" and cmake == classified[0]


def test_the_version_is_written_once() -> None:
    import importlib.metadata

    import velmora

    assert "version" not in PROJECT and "version" in PROJECT["dynamic"]
    assert importlib.metadata.version("velmora") == velmora.__version__


@needs_wheel
def test_the_wheel_holds_every_module_with_its_stub_and_no_sources() -> None:
    names = zipfile.ZipFile(WHEEL).namelist()
    assert [n for n in names if n.endswith((".dist-info/licenses/LICENSE", ".dist-info/LICENSE"))]
    assert sorted(n.split(".")[0] for n in names if n.endswith(".so")) == MODULES
    assert [m for m in MODULES if f"{m}.pyi" not in names] == []
    assert "velmora/py.typed" in names
    assert [n for n in names if n.endswith((".cpp", ".hpp", ".def"))] == []


@needs_wheel
def test_the_wheel_installs_without_a_compiler_and_the_readme_passes(tmp_path: Path) -> None:
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", str(venv)], check=True)
    python = str(venv / "bin" / "python")
    env = {k: v for k, v in os.environ.items() if k not in ("VIRTUAL_ENV", "PYTHONPATH", "PYTHONHOME")}
    env["PATH"] = str(venv / "bin")
    assert [tool for tool in BUILD_TOOLS if shutil.which(tool, path=env["PATH"])] == []

    def run(*args: str, cwd: Path = tmp_path) -> str:
        done = subprocess.run([python, *args], cwd=cwd, env=env, capture_output=True, text=True)
        assert done.returncode == 0, (done.stdout + done.stderr)[-4000:]
        return done.stdout

    # Every extra a user may ask for (not the project's own test and bench tools), wheels only:
    # pip must not fall back to building anything from source.
    extras = ",".join(name for name in PROJECT["optional-dependencies"] if name not in ("test", "bench"))
    run(
        "-m",
        "pip",
        "--disable-pip-version-check",
        "-q",
        "install",
        "--only-binary=:all:",
        f"{WHEEL}[{extras}]",
        "pytest",
    )
    modules = [m.replace("/", ".") for m in MODULES]
    # -W error: a module built for another Python would warn on import.
    imported = run(
        "-W",
        "error",
        "-c",
        f"import importlib, velmora; [importlib.import_module(m) for m in {modules!r}];print(velmora.__file__)",
    )
    assert imported.startswith(str(venv)), imported
    run("-m", "pytest", "-q", "-p", "no:cacheprovider", "tests/test_readme.py", cwd=ROOT)
