"""Helpers shared by the test modules."""

from __future__ import annotations

import gc
import subprocess
import sys
import textwrap
from pathlib import Path
from collections.abc import Callable, Iterable


def _run(call: Callable[[], object], times: int, expect: tuple[type[BaseException], ...]) -> None:
    for _ in range(times):
        try:
            call()
        except expect:
            pass


def assert_no_leak(
    call: Callable[[], object],
    *,
    expect: type[BaseException] | tuple[type[BaseException], ...] = (),
    watch: Iterable[object] = (),
    times: int = 2000,
    windows: int = 1,
) -> None:
    """Call `call` `times` times and check that nothing accumulates.

    Exceptions of the types in `expect` are swallowed (to exercise error paths).
    Interpreter memory blocks must stay flat and each object in `watch` must end
    with the reference count it started with. With `windows` > 1, a window of calls whose
    blocks grew is measured again, up to that many windows in all: a leak grows in every
    window, while a library settling bookkeeping of its own (pandas keeps a list of the
    references to a frame's data, purged every few hundred calls) does not.
    """
    expect = expect if isinstance(expect, tuple) else (expect,)
    watch = list(watch)
    _run(call, 50, expect)  # warm caches, specialisations, interned names
    gc.collect()
    refs = [sys.getrefcount(obj) for obj in watch]
    for _ in range(windows):
        blocks = sys.getallocatedblocks()
        _run(call, times, expect)
        gc.collect()
        grown = sys.getallocatedblocks() - blocks
        if grown < times // 20:
            break
    assert grown < times // 20, f"{grown} memory blocks more after {times} calls"
    assert [sys.getrefcount(obj) for obj in watch] == refs, "reference counts of arguments changed"


def run_python(code: str, timeout: float = 120) -> subprocess.CompletedProcess:
    """Run `code` (dedented) in a fresh interpreter that can import the test helpers."""
    tests = str(Path(__file__).parent)
    code = f"import sys; sys.path.insert(0, {tests!r})\n" + textwrap.dedent(code)
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=timeout)


def usable_browser(monkeypatch) -> str:
    """The browser the preview would use; the test skips, saying why, when there is none.

    The browser is a program of its own: it must not get the AddressSanitizer runtime that
    `make sanitize` preloads into this interpreter (Chromium hangs at start with it).
    """
    import pytest

    from velmora.preview import BrowserNotFound, find_browser

    try:
        path = find_browser()
    except BrowserNotFound as error:
        pytest.skip(f"no browser on this machine: {error}")
    monkeypatch.delenv("LD_PRELOAD", raising=False)
    return path


def sdk_view(value):
    """What slack_sdk keeps of a block: it does not model preformatted "language" nor quote "border"."""
    if isinstance(value, list):
        return [sdk_view(v) for v in value]
    if not isinstance(value, dict):
        return value
    drop = {"rich_text_preformatted": {"language"}, "rich_text_quote": {"border"}}.get(value.get("type"), set())
    return {k: sdk_view(v) for k, v in value.items() if k not in drop}
