"""The stubs agree with the compiled modules (mypy's stubtest) and the examples type-check."""

from __future__ import annotations

import importlib
import importlib.util
import inspect
import pkgutil
import re
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
        [sys.executable, "-m", *args],
        cwd=tmp_path,
        capture_output=True,
        text=True,
    )


# A builder wrapped by a validation decorator is bound to its class by velmora's binding
# descriptor, so it behaves as a class method; stubtest, which looks for a `classmethod`
# object in the class, cannot see that. Such reports are accepted once checked at run time.
BOUND_TO_CLASS = "stub is a classmethod but runtime is not"


def bound_to_its_class(path: str) -> bool:
    module, owner_name, name = path.rsplit(".", 2)
    owner = getattr(importlib.import_module(module), owner_name)
    runtime = getattr(owner, name)
    return inspect.ismethod(runtime) and runtime.__self__ is owner


def test_stubs_match_the_modules(tmp_path: Path) -> None:
    # stubtest walks the whole package, Python modules (typed inline) and stubs alike.
    done = mypy(tmp_path, "mypy.stubtest", "velmora", "--allowlist", str(ROOT / "tests" / "stubtest-allowlist.txt"))
    report = done.stdout + done.stderr
    errors = [line for line in done.stdout.splitlines() if line.startswith("error: ")]
    for line in errors:
        found = re.fullmatch(r"error: (\S+) is inconsistent, (.*)", line)
        assert found and found[2] == BOUND_TO_CLASS and bound_to_its_class(found[1]), report
    assert done.returncode == (1 if errors else 0), report
    checked = re.search(r"(?:checked|found in) (\d+) modules", done.stdout)
    package = pkgutil.walk_packages(velmora.__path__, "velmora.", onerror=lambda name: None)
    assert checked and int(checked[1]) == 1 + sum(1 for _ in package), report  # every module


def test_examples_pass_mypy_strict(tmp_path: Path) -> None:
    examples = sorted(str(path) for path in (ROOT / "examples").glob("*.py"))
    assert examples
    done = mypy(tmp_path, "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), *examples)
    assert done.returncode == 0, done.stdout + done.stderr
