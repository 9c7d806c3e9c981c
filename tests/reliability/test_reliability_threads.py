"""Eight threads hammering every builder and message give the outputs one thread gives."""

from __future__ import annotations

import random
import sys
import threading

import pytest

import registry

THREADS = 8
ROUNDS = 200


def canon(value, depth=0):
    """A result as plain data: containers by content, other objects (wrappers, bots) by type."""
    if depth > 30:
        return "..."
    if type(value) is list:
        return [canon(v, depth + 1) for v in value]
    if type(value) is dict:
        return [(canon(k, depth + 1), canon(v, depth + 1)) for k, v in value.items()]
    if type(value) in (str, int, bool, float, type(None), bytes):
        return value
    return f"<{type(value).__name__}>"


def outcome(entry, target, call):
    try:
        return ("ok", canon(entry.invoke(target, call)))
    except Exception as error:  # errors are outputs too
        return (type(error).__name__, str(error))


def work():
    jobs = []
    for entry in registry.entries():
        if not entry.deterministic:
            continue
        target = entry.resolve()
        jobs += [(entry, target, call) for call in entry.ok]
        jobs += [(entry, target, call) for call, _ in entry.errors]
    return jobs


def test_threads_give_the_outputs_of_one_thread():
    jobs = work()
    expected = [outcome(*job) for job in jobs]
    assert any(kind == "ok" for kind, _ in expected) and any(kind != "ok" for kind, _ in expected)
    mismatches: list[str] = []
    start = threading.Barrier(THREADS)

    def hammer(seed):
        order = list(range(len(jobs)))
        random.Random(seed).shuffle(order)
        start.wait()
        for _ in range(ROUNDS):
            for i in order:
                got = outcome(*jobs[i])
                if got != expected[i]:
                    mismatches.append(f"{jobs[i][0].id}{jobs[i][2]!r}: {got!r} != {expected[i]!r}")
                    return

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)  # switch threads as often as the interpreter allows
    try:
        threads = [threading.Thread(target=hammer, args=(seed,)) for seed in range(THREADS)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    finally:
        sys.setswitchinterval(interval)
    assert not mismatches, mismatches[:5]


@pytest.mark.parametrize("entry", [e for e in registry.entries() if e.ok], ids=lambda e: e.id)
def test_results_are_fresh_objects(entry):
    """Two calls share no mutable output object, so threads never share one either."""
    target = entry.resolve()
    call = entry.ok[0]
    first, second = entry.invoke(target, call), entry.invoke(target, call)
    caller: set[int] = set()  # the caller's own objects, at any depth, are placed as they are

    def containers(value, seen, skip=caller):
        if type(value) in (list, dict) and id(value) not in skip and id(value) not in seen:
            seen.add(id(value))
            for item in value.values() if type(value) is dict else value:
                containers(item, seen, skip)
        return seen

    for value in (*call.args, *call.kwargs.values()):
        containers(value, caller, set())
        caller.add(id(value))

    keep = (first, second)  # both alive, so ids cannot be reused
    assert not containers(keep[0], set()) & containers(keep[1], set())
