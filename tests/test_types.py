"""The stubs agree with the compiled modules (mypy's stubtest) and the examples type-check."""

from __future__ import annotations

import importlib.util
import pkgutil
import subprocess
import sys
from pathlib import Path

import pytest

pytest.importorskip("mypy")

import velmora

ROOT = Path(__file__).resolve().parents[1]


def extension_modules() -> list[Path]:
    """Every compiled module of the installed package."""
    found = pkgutil.walk_packages(velmora.__path__, "velmora.", onerror=lambda name: None)
    origins = (importlib.util.find_spec(m.name) for m in found)
    return [Path(spec.origin) for spec in origins if spec and spec.origin and spec.origin.endswith(".so")]


def test_every_compiled_module_has_a_stub() -> None:
    compiled = extension_modules()
    assert any(path.name.startswith("_validate.") for path in compiled)
    missing = [str(path) for path in compiled if not path.with_name(path.name.split(".")[0] + ".pyi").exists()]
    assert missing == []


def mypy(tmp_path: Path, *args: str) -> subprocess.CompletedProcess[str]:
    # Run outside the checkout, so that only the installed package (stubs beside modules) is seen.
    return subprocess.run(
        [sys.executable, "-m", *args], cwd=tmp_path, capture_output=True, text=True,
    )


def test_stubs_match_the_modules(tmp_path: Path) -> None:
    # stubtest walks the whole package, Python modules (typed inline) and stubs alike.
    done = mypy(tmp_path, "mypy.stubtest", "velmora", "--allowlist", str(ROOT / "tests" / "stubtest-allowlist.txt"))
    assert done.returncode == 0, done.stdout + done.stderr
    found = pkgutil.walk_packages(velmora.__path__, "velmora.", onerror=lambda name: None)
    count = 1 + sum(1 for _ in found)  # the package itself and every module in it
    assert f"no issues found in {count} modules" in done.stdout, done.stdout


def test_examples_pass_mypy_strict(tmp_path: Path) -> None:
    examples = sorted(str(path) for path in (ROOT / "examples").glob("*.py"))
    assert examples
    done = mypy(tmp_path, "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), *examples)
    assert done.returncode == 0, done.stdout + done.stderr
