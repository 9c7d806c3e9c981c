"""Arbitrary and hostile argument values for the reliability checks, and caller-state snapshots.

`values()` draws anything a caller could pass: None, numbers, str/list/dict subclasses, bytes,
huge, empty and non-ASCII strings with lone surrogates, dicts with odd keys, generators, and
hostile objects whose dunders raise a fresh `HostileError` (or, for saboteurs, empty the
container they sit in, to catch code that keeps borrowed pointers across Python calls).
`snapshot(obj)` records a caller object's state without calling any of its own methods.
"""

from __future__ import annotations

import itertools

from hypothesis import strategies as st


class HostileError(Exception):
    """Raised only by hostile objects; every instance is new, so it can be told apart by identity."""


# Every HostileError raised since the last reset(): an error escaping a call must be one of these.
RAISED: list[HostileError] = []
# ids of containers that a saboteur empties (their contents may change by design).
SABOTAGED: set[int] = set()
_serial = itertools.count()

# The dunders (and `get`) that a hostile object may make raise.
HOSTILE_METHODS = (
    "__str__",
    "__repr__",
    "__bool__",
    "__eq__",
    "__hash__",
    "__iter__",
    "__getitem__",
    "get",
    "__index__",
    "__len__",
    "__contains__",
    "keys",
    "__format__",
    "__lt__",
)
_BASES = (object, str, list, dict, int, tuple)


def forget_raised() -> None:
    """Forget raised errors (and their tracebacks, which keep frames and arguments alive)."""
    for error in RAISED:
        scrub(error)
    RAISED.clear()


def reset() -> None:
    """Start a new example: no raised errors, no sabotaged containers."""
    forget_raised()
    SABOTAGED.clear()


def scrub(error: BaseException | None) -> None:
    """Drop the traceback chain of an error so that it holds no frame (and no argument)."""
    for _ in range(8):
        if error is None:
            return
        error.__traceback__ = None
        error = error.__context__ or error.__cause__


def _raiser(name: str):
    def method(self, *args, **kwargs):
        error = HostileError(f"{type(self).__name__}.{name} #{next(_serial)}")
        RAISED.append(error)
        raise error

    method.__name__ = name
    return method


_hostile_types: dict[tuple[type, frozenset[str]], type] = {}


def hostile_type(base: type, methods: frozenset[str]) -> type:
    key = (base, methods)
    if key not in _hostile_types:
        namespace = {name: _raiser(name) for name in methods}
        # Hypothesis prints failing examples with _repr_pretty_, which must not raise.
        namespace["_repr_pretty_"] = lambda self, printer, cycle: printer.text(f"<{type(self).__name__}>")
        if "__eq__" in methods and "__hash__" not in methods:
            namespace["__hash__"] = base.__hash__ if base.__hash__ is not None else object.__hash__
        label = "".join(sorted(m.strip("_").title() for m in methods))[:60]
        _hostile_types[key] = type(f"Hostile{base.__name__.title()}{label}", (base,), namespace)
    return _hostile_types[key]


@st.composite
def hostiles(draw) -> object:
    base = draw(st.sampled_from(_BASES))
    methods = draw(st.frozensets(st.sampled_from(HOSTILE_METHODS), min_size=1, max_size=4))
    if base is dict:  # a dict whose keys or lookups raise would break the strategy itself
        methods = methods - {"__hash__"}
        if not methods:
            methods = frozenset({"get"})
    cls = hostile_type(base, methods)
    if base is str:
        return cls(draw(st.sampled_from(["", "x", "primary", "2024-01-31", "12:30"])))
    if base is int:
        return cls(draw(st.integers(-3, 3)))
    if base in (list, tuple):
        return cls(draw(st.lists(st.sampled_from(["a", "", 1, None]), max_size=3)))
    if base is dict:
        return cls(
            draw(
                st.dictionaries(
                    st.sampled_from(["text", "style", "value", "url"]),
                    st.sampled_from(["a", "", None, "primary"]),
                    max_size=4,
                )
            )
        )
    return cls()


class Saboteur:
    """Empties `target` (the container holding it) when one of its methods is used, then answers."""

    ANSWERS = {
        "__str__": "x",
        "__repr__": "'x'",
        "__bool__": True,
        "__eq__": False,
        "__hash__": 0,
        "get": None,
        "__index__": 0,
        "__len__": 0,
        "__format__": "x",
        "__getitem__": "x",
        "__iter__": (),
    }

    def __init__(self, method: str) -> None:
        self.method = method
        self.target = None

    def _fire(self, name):
        target, self.target = self.target, None
        if target is not None:
            target.clear()
        return self.ANSWERS[name]

    def __str__(self):
        return self._fire("__str__") if self.method == "__str__" else "saboteur"

    def __repr__(self):
        return self._fire("__repr__") if self.method == "__repr__" else "Saboteur()"

    def __bool__(self):
        return self._fire("__bool__") if self.method == "__bool__" else True

    def __eq__(self, other):
        return self._fire("__eq__") if self.method == "__eq__" else self is other

    def __hash__(self):
        return self._fire("__hash__") if self.method == "__hash__" else id(self) >> 4

    def get(self, key, default=None):
        return self._fire("get") if self.method == "get" else default

    def __index__(self):
        return self._fire("__index__") if self.method == "__index__" else 1

    def __len__(self):
        return self._fire("__len__") if self.method == "__len__" else 1

    def __format__(self, spec):
        return self._fire("__format__") if self.method == "__format__" else "s"

    def __getitem__(self, key):
        return self._fire("__getitem__") if self.method == "__getitem__" else "x"

    def __iter__(self):
        return iter(self._fire("__iter__") if self.method == "__iter__" else ("x",))


@st.composite
def sabotaged_containers(draw, inner) -> object:
    """A list or dict holding saboteurs that empty it when touched."""
    saboteurs = draw(st.lists(st.sampled_from(tuple(Saboteur.ANSWERS)).map(Saboteur), min_size=1, max_size=3))
    others = draw(st.lists(inner, max_size=4))
    items = others + saboteurs
    items = draw(st.permutations(items))
    if draw(st.booleans()):
        container: object = list(items)
    else:
        keys = ["text", "style", "value", "url", "options"] + [f"k{i}" for i in range(len(items))]
        container = dict(zip(keys, items))
    for s in saboteurs:
        s.target = container
    SABOTAGED.add(id(container))
    return container


class StrSub(str):
    pass


class ListSub(list):
    pass


class DictSub(dict):
    pass


class TupleSub(tuple):
    pass


def _generator(items):
    yield from items


LONE_SURROGATES = ["\ud800", "\udfff", "a\udc80b", "\ud83d"]
HUGE = ["x" * 1_000_000, "é" * 200_000, "\U0001f600" * 100_000, "\ud800" * 50_000]

# Characters of every category, lone surrogates included.
any_text = st.text(st.characters(exclude_categories=()), max_size=40) | st.sampled_from(
    [
        "",
        " ",
        "\x00",
        "é",
        "日本",
        "\U0001f600",
        "%s%n%x",
        "{0}",
        "value-1",
        "primary",
        "danger",
        "2024-02-29",
        "2023-02-29",
        "23:59",
        "24:00",
        *LONE_SURROGATES,
    ]
)

scalars = st.one_of(
    st.none(),
    st.booleans(),
    st.integers(),
    st.integers(min_value=2**63 - 2, max_value=2**70),
    st.floats(),
    st.complex_numbers(),
    any_text,
    st.binary(max_size=16),
    st.sampled_from(
        [
            b"",
            bytearray(b"ab"),
            memoryview(b"xy"),
            Ellipsis,
            NotImplemented,
            object(),
            type,
            len,
            str,
            list,
            dict,
            range(3),
            0.0,
            -0.0,
        ]
    ),
)


def _subclassed(value):
    kind = type(value)
    sub = {str: StrSub, list: ListSub, dict: DictSub, tuple: TupleSub}.get(kind)
    return sub(value) if sub else value


def values(depth: int = 2) -> st.SearchStrategy:
    """Anything a caller might pass, nested `depth` containers deep."""
    if depth <= 0:
        return scalars | hostiles()
    inner = values(depth - 1)
    odd_keys = st.one_of(
        any_text,
        st.integers(),
        st.none(),
        st.tuples(st.integers()),
        st.just(b"text"),
        st.sampled_from(["text", "style", "value", "url", "options", "button_1_text"]),
    )
    return st.one_of(
        scalars,
        hostiles(),
        st.sampled_from(HUGE),
        st.lists(inner, max_size=5),
        st.tuples(inner, inner),
        st.dictionaries(odd_keys, inner, max_size=5),
        st.lists(inner, max_size=4).map(_generator),
        st.lists(inner, max_size=4).map(iter),
        st.frozensets(st.integers(), max_size=3),
        (any_text | st.lists(inner, max_size=3) | st.dictionaries(any_text, inner, max_size=3) | st.tuples(inner)).map(
            _subclassed
        ),
        sabotaged_containers(inner),
    )


# ---- snapshots of caller state --------------------------------------------------------------


def snapshot(obj: object, memo: dict | None = None) -> object:
    """A plain-data picture of `obj` taken without calling any method it overrides."""
    memo = {} if memo is None else memo
    key = id(obj)
    if key in memo:
        return ("seen", key)
    memo[key] = obj
    kind = type(obj)
    if key in SABOTAGED:
        return ("sabotaged", key)
    if kind in (type(None), bool, int) or kind is str:
        return (kind.__name__, obj)
    if kind is float:
        return ("float", float.hex(obj))
    if kind is complex:
        return ("complex", float.hex(obj.real), float.hex(obj.imag))
    if isinstance(obj, (bytes, bytearray)):
        return (kind.__name__, key if kind is bytearray else 0, bytes(obj))
    if isinstance(obj, memoryview):
        return ("memoryview", key, obj.tobytes())
    extra = _own_dict(obj, memo)
    if isinstance(obj, str):
        return ("str", kind.__name__, key, str.__str__(obj), extra)
    if isinstance(obj, int):
        return ("int", kind.__name__, key, int.__repr__(obj), extra)
    if isinstance(obj, list):
        return ("list", kind.__name__, key, [snapshot(x, memo) for x in list.__iter__(obj)], extra)
    if isinstance(obj, tuple):
        return ("tuple", kind.__name__, key, [snapshot(x, memo) for x in tuple.__iter__(obj)], extra)
    if isinstance(obj, dict):
        items = [(snapshot(k, memo), snapshot(v, memo)) for k, v in dict.items(obj)]
        return ("dict", kind.__name__, key, items, extra)
    if isinstance(obj, (set, frozenset)):
        return ("set", kind.__name__, key, sorted(map(repr, map(snapshot, frozenset.__iter__(frozenset(obj))))))
    return ("object", kind.__name__, key, extra)


def _own_dict(obj: object, memo: dict) -> object:
    try:
        attrs = object.__getattribute__(obj, "__dict__")
    except (AttributeError, TypeError):
        return None
    if not isinstance(attrs, dict):
        return None
    # A saboteur's target is its container; it is emptied by design.
    return [(name, snapshot(value, memo)) for name, value in dict.items(attrs) if name != "target"]
