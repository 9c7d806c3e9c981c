"""Allocation failures: every call of the registry into a C++ module, with the interpreter's
allocations failing from the n-th on (for every n until the call no longer reaches one), ends
in its usual result, its usual error, or MemoryError: never a crash, never another error.

Calls that spend their work in Python libraries are left out, as their allocation failures test
those libraries and CPython rather than velmora: calls given a DataFrame (a loop of plain pandas
calls under failing allocations hangs, or crashes in pandas' deallocators), but for those the
registry marks as refused before the frame is read (registry.Unread), and native Markdown
(markdown-it-py's parser).

The calls run in a child process (a crash there is the failure this test looks for), which
reports each call before making it, so that a crash names the call that caused it.
"""

from __future__ import annotations

import pytest

from support import run_python

pytest.importorskip("_testcapi")

CHILD = """
import gc, sys, _testcapi
import registry

native = set(registry.extension_modules())
gc.disable()  # a collection in the middle would only add noise

def attempt(call, start):
    _testcapi.set_nomemory(start, 0)
    try:
        call()
    finally:
        _testcapi.remove_mem_hooks()

def starts():
    yield from range(300)
    yield from range(300, 3000, 7)

def probe(entry, target, call, expected):
    run = lambda: entry.invoke(target, call)
    try:
        run()  # warm: imports, interned names and caches are made before memory runs out
    except expected:
        pass
    calm = 0
    for start in starts():
        try:
            attempt(run, start)
        except MemoryError:
            calm = 0
            continue
        except expected:
            pass
        except BaseException as error:
            print("BAD", entry.id, call, start, repr(error)[:300], flush=True)
            return
        calm += 1
        if calm == 3:  # the call made all its allocations before the first failing one
            return

def in_python_libraries(entry, call):
    if isinstance(call, registry.Unread):  # refused before its frame is read
        return False
    values = [*call.args, *call.kwargs.values()]
    frames = any(type(value).__module__.partition(".")[0] in ("pandas", "polars", "pyarrow") for value in values)
    return frames or (entry.id.endswith("MarkdownMessage") and call.kwargs.get("native"))

for entry in registry.entries():
    if entry.module not in native:
        continue
    target = entry.resolve()
    calls = [(call, ()) for call in entry.ok] + list(entry.errors)
    for call, expected in calls:
        if in_python_libraries(entry, call):
            continue
        print("CALL", entry.id, call, flush=True)
        probe(entry, target, call, expected)
print("DONE", flush=True)
"""


def test_allocation_failures_raise_memory_error_or_nothing():
    result = run_python(CHILD, timeout=1500)
    lines = result.stdout.splitlines()
    calls = [line for line in lines if line.startswith("CALL ")]
    assert result.returncode == 0 and lines and lines[-1] == "DONE", (
        f"crashed (exit {result.returncode}) in {calls[-1] if calls else 'set-up'}:\n{result.stderr[-3000:]}"
    )
    assert len(calls) > 80, "the registry's native calls were not all reached"
    assert [line for line in lines if line.startswith("BAD ")] == []
