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


# User code as an editor sees it: each line marked `# error: <code>` must be refused by mypy with
# that code, and no other line.
USER_CODE = """
import asyncio
import pandas as pd
from velmora.blocks import Chart, Input, RichText, Section, Table
from velmora.messages import HeaderMessage
from velmora.views import HomeTab, Modal

Input.email("Email", action_id="email", placeholder="you@example.com", optional=True, hint="work")
Input.checkboxes("Pick", ["a"], action_id="pick", initial_options=["a"], dispatch_action=True)
Input.email("Email")  # error: call-arg
Input.email("Email", action_id="email", hnit="work")  # error: call-arg
Input.checkboxes("Pick", ["a"], action_id="pick", placeholder="one")  # error: call-arg
Input.number("Age", action_id="age", optional="yes")  # error: arg-type
Chart.line(pd.DataFrame(), title="Load", x="day", dropna=True)
Chart.bar(pd.DataFrame())  # error: call-arg
Chart.area(pd.DataFrame(), title="Load", x_label=3)  # error: arg-type
Table.simple_table(pd.DataFrame(), align={"a": "left"}, max_rows=5, block_id="t")
Table.simple_table(pd.DataFrame(), max_row=5)  # error: call-arg
Table.data_table(pd.DataFrame(), caption="Sales", na_rep="-")
Table.data_table(pd.DataFrame(), caption="Sales", wrap=["a"])  # error: call-arg
Section.static_select(["a"], "Pick", placeholder="one")
Section.multi_static_select("Pick", ["a"], action=None)  # error: call-arg
RichText.text("t", bold=True, underline=True)
RichText.link("https://example.com", underline=True)  # error: call-arg
message = HeaderMessage("Hi")
message.send("C1", thread_ts="1.2", unfurl_links=False)
asyncio.run(message.send_async("C1", fit=True))
message.update("C1")  # error: call-arg
modal = Modal("Deploy", [])
asyncio.run(modal.update_async(external_id="deploy"))
modal.open(trigger="T1")  # error: call-arg
HomeTab([]).publish("U1", hash=3)  # error: arg-type
"""


def test_user_code_is_checked_keyword_by_keyword(tmp_path: Path) -> None:
    (tmp_path / "user.py").write_text(USER_CODE)
    done = mypy(tmp_path, "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), "user.py")
    refused = re.findall(r"^user\.py:(\d+): error: .*\[([\w-]+)\]$", done.stdout, re.MULTILINE)
    marked = [
        (str(number), line.rpartition("# error: ")[2])
        for number, line in enumerate(USER_CODE.splitlines(), 1)
        if "# error: " in line
    ]
    assert refused == marked, done.stdout
