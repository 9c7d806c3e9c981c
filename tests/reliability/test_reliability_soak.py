"""Leak soak: every public entry, on its success path and on each error path, called many times.

Interpreter blocks (sys.getallocatedblocks), tracemalloc's traced memory and the process's
resident memory must stay flat, and the arguments' reference counts come back. The suite makes
VELMORA_SOAK_CALLS calls per entry (100 000 by default, shared among its paths); `make soak`
raises that to a million and writes each path's figures to VELMORA_SOAK_REPORT (JSON lines).
"""

from __future__ import annotations

import gc
import json
import os
import resource
import sys
import time
import tracemalloc

import pytest

import registry

CALLS = int(os.environ.get("VELMORA_SOAK_CALLS", "100000"))
# Under AddressSanitizer freed memory sits in quarantine, so resident memory grows by design.
SANITIZED = os.environ.get("VELMORA_SANITIZE") == "1"
REPORT = os.environ.get("VELMORA_SOAK_REPORT")
PAGE = resource.getpagesize()


def rss() -> int:
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE


def soak_cases():
    for entry in registry.entries():
        paths = [(f"ok{i}", call, None) for i, call in enumerate(entry.ok)]
        paths += [(f"{error.__name__}{i}", call, error) for i, (call, error) in enumerate(entry.errors)]
        for label, call, error in paths:
            calls = max(min(10_000, CALLS), CALLS // len(paths))
            yield pytest.param(entry, call, error, calls, id=f"{entry.id}-{label}")


def _loop(run, times: int, error) -> None:
    if error is None:
        for _ in range(times):
            run()
    else:
        for _ in range(times):
            try:
                run()
            except error:
                pass


@pytest.mark.parametrize("entry, call, error, calls", list(soak_cases()))
def test_soak(entry, call, error, calls):
    target = entry.resolve()

    def run():
        return entry.invoke(target, call)

    # The path is what it claims to be.
    if error is None:
        run()
    else:
        with pytest.raises(error):
            run()
    watch = [*call.args, *call.kwargs.values()]
    _loop(run, 1000, error)  # warm caches, specialisations and free lists
    gc.collect()
    refs = [sys.getrefcount(obj) for obj in watch]
    blocks, memory = sys.getallocatedblocks(), rss()
    started = time.perf_counter()
    _loop(run, calls, error)
    seconds = time.perf_counter() - started
    gc.collect()
    blocks_after, memory_after = sys.getallocatedblocks(), rss()
    refs_after = [sys.getrefcount(obj) for obj in watch]

    # A tenth of the calls again under tracemalloc, which sees every allocation's size.
    traced_calls = max(min(1000, calls), calls // 10)
    tracemalloc.start()
    try:
        _loop(run, 200, error)
        gc.collect()
        traced = tracemalloc.get_traced_memory()[0]
        _loop(run, traced_calls, error)
        gc.collect()
        traced_after = tracemalloc.get_traced_memory()[0]
    finally:
        tracemalloc.stop()

    if REPORT:
        with open(REPORT, "a") as out:
            out.write(
                json.dumps(
                    {
                        "path": f"{entry.id}-{'ok' if error is None else error.__name__}",
                        "calls": calls + traced_calls,
                        "blocks": [blocks, blocks_after],
                        "rss_kib": [memory // 1024, memory_after // 1024],
                        "traced_bytes": [traced, traced_after],
                        "seconds": round(seconds, 3),
                    }
                )
                + "\n"
            )
    assert refs_after == refs, "reference counts of the arguments changed"
    assert blocks_after - blocks < 100 + calls // 2000, f"{blocks_after - blocks} more blocks after {calls} calls"
    assert traced_after - traced < 64 * 1024, f"{traced_after - traced} bytes more traced after {traced_calls} calls"
    assert SANITIZED or memory_after - memory < 4 * 1024 * 1024, (
        f"resident memory grew by {(memory_after - memory) // 1024} KiB"
    )
