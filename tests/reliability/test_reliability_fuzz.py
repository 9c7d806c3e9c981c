"""Property tests: arbitrary values and call shapes thrown at every public callable.

Only ordinary exceptions may come out (or the very HostileError a hostile argument raised),
never SystemError or a crash; every object the caller passed is unchanged afterwards and
holds the reference count it had. `HYPOTHESIS_PROFILE=fuzz` (make fuzz) runs long.
"""

from __future__ import annotations

import gc
import os
import sys

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import hostile
import registry
from hostile import HOSTILE_METHODS, HostileError, Saboteur, hostile_type, snapshot, values
from registry import C

_checks = [
    HealthCheck.too_slow,
    HealthCheck.data_too_large,
    HealthCheck.large_base_example,
    HealthCheck.function_scoped_fixture,
]
settings.register_profile(
    "quick", max_examples=30, deadline=None, derandomize=True, database=None, suppress_health_check=_checks
)
settings.register_profile(
    "fuzz",
    max_examples=int(os.environ.get("VELMORA_FUZZ_EXAMPLES", "4000")),
    deadline=None,
    suppress_health_check=_checks,
)
PROFILE = settings.get_profile(os.environ.get("HYPOTHESIS_PROFILE", "quick"))

ORDINARY = (TypeError, ValueError, KeyError, IndexError, AttributeError)
ENTRIES = registry.entries()
ANY = values(2)
SHALLOW = values(1)
NAME_TYPES = [
    hostile.StrSub,
    hostile_type(str, frozenset({"__eq__"})),
    hostile_type(str, frozenset({"__eq__", "__str__", "__repr__", "__iter__", "__len__", "__getitem__"})),
]
ODD_NAMES = [
    "",
    "é",
    "x",
    "self",
    "cls",
    "kwargs",
    "args",
    "__init__",
    "text_",
    "button_",
    "Δ",
    "a" * 300,
    "preview",
    "slack_bot",
]


@st.composite
def call_shapes(draw, entry):
    """Arguments for one call: each parameter valid, arbitrary or left out, by position or keyword,
    with sometimes surplus positional arguments and odd or duplicate keywords."""
    args, kwargs = [], {}
    positional = True
    for param in entry.params:
        mode = draw(st.sampled_from(("valid", "any", "valid", "omit")))
        if mode == "omit":
            positional = False
            continue
        value = draw(param.valid if mode == "valid" else ANY)
        if positional and draw(st.booleans()):
            args.append(value)
        else:
            positional = False
            kwargs[param.name] = value
    if entry.extra_kwargs is not None:
        for name, value in draw(entry.extra_kwargs).items():
            kwargs.setdefault(name, value)
    if draw(st.integers(0, 4)) == 0:
        args.extend(draw(st.lists(SHALLOW, min_size=1, max_size=2)))
    if draw(st.integers(0, 3)) == 0:
        names = ODD_NAMES + [p.name for p in entry.params]
        for name in draw(st.lists(st.sampled_from(names), min_size=1, max_size=2)):
            kwargs[name] = draw(SHALLOW)
    if kwargs and draw(st.integers(0, 3)) == 0:  # keyword names may be str subclasses, even hostile ones
        kind = draw(st.sampled_from(NAME_TYPES))
        kwargs = {kind(name): value for name, value in kwargs.items()}
    return C(*args, **kwargs)


def check_error(entry, error: BaseException | None) -> None:
    if error is None:
        return
    if isinstance(error, HostileError):
        assert any(error is raised for raised in hostile.RAISED), f"a HostileError not raised by an argument: {error!r}"
        return
    if not isinstance(error, ORDINARY + entry.allowed):
        raise AssertionError(f"{entry.id} raised {type(error).__name__}: {error}") from error
    assert not isinstance(error.__context__, HostileError), (
        f"{entry.id} replaced {error.__context__!r} by {type(error).__name__}: {error}"
    )


def attempt(entry, step):
    """Runs step(); returns its result, or None after checking the exception it raised."""
    try:
        return step(), None
    except BaseException as error:  # every exception is judged here
        if isinstance(error, (KeyboardInterrupt, SystemExit)):
            raise
        check_error(entry, error)
        hostile.scrub(error)
        return None, error


def walk(value, depth=0):
    """Touch every object of a result, so a corrupted one shows now rather than later."""
    if depth > 20:
        return
    if type(value) is list:
        for item in value:
            walk(item, depth + 1)
    elif type(value) is dict:
        for k, v in value.items():
            walk(k, depth + 1)
            walk(v, depth + 1)


def exercise(entry, target, call: C, later: dict) -> None:
    """One call (a message: constructed, rendered, its attributes replaced by `later`, rendered
    again), each step allowed to fail only with an ordinary error."""
    if not entry.message:
        result, _ = attempt(entry, lambda: target(*call.args, **call.kwargs))
        walk(result)
        return
    obj, error = attempt(entry, lambda: target(*call.args, **call.kwargs))
    if error is not None:
        return
    for name in entry.methods:
        walk(attempt(entry, getattr(obj, name))[0])
    for attr, value in later.items():
        setattr(obj, attr, value)
        walk(attempt(entry, obj.build_blocks)[0])


def check_caller_objects_kept(entry, target, call: C, later: dict) -> None:
    caller = [*call.args, *call.kwargs.values(), *later.values()]
    before = snapshot(caller)

    def counted_run():
        refs = [sys.getrefcount(obj) for obj in caller]
        exercise(entry, target, call, later)
        hostile.forget_raised()
        return refs, [sys.getrefcount(obj) for obj in caller]

    # No collection between the counts, or freeing unrelated garbage would move them.
    collecting = gc.isenabled()
    gc.disable()
    try:
        refs, after = counted_run()
        assert snapshot(caller) == before, f"{entry.id}{call!r} changed an argument"
        if after != refs:  # confirm on a clean heap; a cycle the call made may await collection
            gc.collect()
            refs, after = counted_run()
            if after != refs:
                gc.collect()
                after = [sys.getrefcount(obj) for obj in caller]
    finally:
        if collecting:
            gc.enable()
    changed = [(type(o).__name__, r, a) for o, r, a in zip(caller, refs, after) if r != a]
    assert not changed, f"{entry.id}{call!r}: reference counts changed {changed}"


@pytest.mark.parametrize("entry", ENTRIES, ids=lambda e: e.id)
def test_arbitrary_calls_raise_only_ordinary_errors(entry):
    target = entry.resolve()
    examples = []

    @PROFILE
    @given(st.data())
    def run(data):
        examples.append(1)
        hostile.reset()
        call = data.draw(call_shapes(entry), label="call")
        later = {}
        if entry.message and entry.attrs and data.draw(st.booleans()):
            later = data.draw(st.fixed_dictionaries({}, optional=dict.fromkeys(entry.attrs, ANY)), label="attrs")
        check_caller_objects_kept(entry, target, call, later)

    run()
    if os.environ.get("VELMORA_FUZZ_REPORT"):
        with open(os.environ["VELMORA_FUZZ_REPORT"], "a") as out:
            out.write(f"{entry.id}\t{len(examples)}\n")


# ---- a systematic sweep: each kind of hostile object in each parameter ----------------------------

HOSTILE_KINDS = [
    hostile_type(base, frozenset({method}))
    for base in (object, str, list, dict, int, tuple)
    for method in HOSTILE_METHODS
    if not (base is dict and method == "__hash__")
]


def _hostile_instance(cls):
    base = cls.__mro__[1]
    if base is str:
        return cls("x")
    if base in (list, tuple):
        return cls(["a", "b"])
    if base is dict:
        return cls({"text": "a", "style": "primary"})
    if base is int:
        return cls(1)
    return cls()


def _fresh(text: str) -> str:
    return "".join(list(text))  # a new str object, freed as soon as its container lets go


def _sabotaged(method: str, as_dict: bool):
    # Fresh items only: an item freed while the callee still holds a borrowed pointer to it is
    # then a use after free that the sanitizer build reports.
    saboteur = Saboteur(method)
    if as_dict:
        container = {"text": saboteur, "style": _fresh("primary"), "value": _fresh("v1"), "url": saboteur}
    else:
        container = [_fresh("a1"), saboteur, _fresh("b1"), Saboteur(method), _fresh("c1")]
        container[3].target = container
    saboteur.target = container
    hostile.SABOTAGED.add(id(container))
    return container


def _valid_example(entry):
    return entry.ok[0] if entry.ok else C(*[p.valid.example() for p in entry.params if p.required])


@pytest.mark.parametrize("entry", [e for e in ENTRIES if e.params], ids=lambda e: e.id)
def test_each_hostile_object_in_each_parameter(entry):
    target = entry.resolve()
    base = _valid_example(entry)
    for index, param in enumerate(entry.params):
        kinds = [lambda cls=cls: _hostile_instance(cls) for cls in HOSTILE_KINDS]
        kinds += [lambda m=m, d=d: _sabotaged(m, d) for m in Saboteur.ANSWERS for d in (False, True)]
        for make in kinds:
            for by_keyword in (False, True):
                hostile.reset()
                value = make()
                args, kwargs = list(base.args), dict(base.kwargs)
                if not by_keyword and index <= len(args) and param.name not in kwargs:
                    args[index : index + 1] = [value]
                else:
                    args = args[:index]
                    kwargs[param.name] = value
                check_caller_objects_kept(entry, target, C(*args, **kwargs), {})


def test_every_public_callable_has_an_entry():
    """Extension-module callables without a table entry get generic fuzzing only: valid
    examples, error paths and the other sweeps need an entry of their own."""
    generic = [e.path for e in ENTRIES if e.generic]
    assert generic == [], "add these to tests/registry.py"
