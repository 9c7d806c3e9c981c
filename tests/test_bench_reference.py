"""The benchmark's plain-Python reference and output floors still build exactly what velmora
builds, so the benchmark cannot drift into timing something else. Times nothing."""

from __future__ import annotations

import sys
from pathlib import Path

import pytest

BENCH = Path(__file__).resolve().parent.parent / "bench"
sys.path.insert(0, str(BENCH))

import cases  # noqa: E402
import run  # noqa: E402

ALL = cases.all_cases()


def test_case_ids_are_unique():
    ids = [case.id for case in ALL]
    assert len(ids) == len(set(ids))


@pytest.mark.parametrize("case", ALL, ids=lambda case: case.id)
def test_reference_and_floor_match_velmora(case):
    velmora_ns, why = run.load_velmora(case)
    if velmora_ns is None:
        pytest.skip(why)
    prepared = run.Prepared(case, velmora_ns, None, run.sdk_namespace())
    ok = prepared.check()
    if prepared.missing:
        pytest.skip(prepared.problems[-1])
    assert ok, "\n".join(prepared.problems)
    # and the timed statements really run in a timing loop
    for impl in prepared.ns:
        run.timeit.Timer(prepared.stmt(impl), globals=prepared.ns[impl]).timeit(2)


@pytest.mark.parametrize(
    ("a", "b", "equal"),
    [
        ({"a": 1, "b": 2}, {"a": 1, "b": 2}, True),
        ({"a": 1, "b": 2}, {"b": 2, "a": 1}, False),  # key order is part of the output
        ([{"x": True}], [{"x": 1}], False),  # True is not 1 here
        ([], (), False),
    ],
)
def test_same_compares_key_order_and_types(a, b, equal):
    assert run.same(a, b) is equal


def test_tiny_mode_runs():
    assert run.main(["--tiny"]) == 0
