"""The section element messages: one Section accessory builder each."""

from __future__ import annotations

import importlib
import inspect

import pytest

from message_fakes import FakeBuilder, Refusal, refusing_base
from support import assert_no_leak

from velmora.interface import BaseVelmora

PKG = "velmora.messages.section."

# class, module, parameters in order, attributes in the order set, required count
CLASSES = {
    "StaticSelectMessage": ("static_select", ("options", "text_before_option"), ("text_before_option", "options")),
    "MultiStaticSelectMessage": (
        "multi_static_select_msg",
        ("text_before_option", "options"),
        ("text_before_option", "options"),
    ),
    "OverflowMessage": ("overflow", ("text", "options"), ("text", "options")),
    "DatePickerMessage": ("date_picker", ("text", "initial_date"), ("text", "initial_date")),
    "UsersSelectMessage": ("users_select", ("text",), ("text",)),
}
# class -> its keyword-only parameters, in order
KEYWORD_ONLY = {
    "StaticSelectMessage": ("action_id", "placeholder"),
    "MultiStaticSelectMessage": ("action_id", "placeholder"),
    "OverflowMessage": ("action_id",),
}

# class -> (good positional arguments, builder name, expected call args, expected call kwargs)
GOOD = {
    "StaticSelectMessage": ((["a", "b"], "Pick"), "static_select", (), {"options": ["a", "b"], "text": "Pick"}),
    "MultiStaticSelectMessage": (
        ("Pick", ["a", "b"]),
        "multi_static_select",
        (),
        {"text": "Pick", "options": ["a", "b"]},
    ),
    "OverflowMessage": (("Pick", ["a", "b"]), "overflow", (), {"text": "Pick", "options": ["a", "b"]}),
    "DatePickerMessage": (("When?", "2024-01-31"), "datepicker", (), {"text": "When?", "initial_date": "2024-01-31"}),
    "UsersSelectMessage": (("Who?",), "users_select", ("Who?",), {}),
}
CHECKED_RESULT = {"StaticSelectMessage", "MultiStaticSelectMessage", "UsersSelectMessage"}


def load(name):
    module = importlib.import_module(PKG + CLASSES[name][0])
    return module, getattr(module, name)


@pytest.fixture
def section(monkeypatch):
    """Installs a recording Section in every section message module."""
    fake = FakeBuilder()
    for name in CLASSES:
        monkeypatch.setattr(load(name)[0], "Section", fake)
    return fake


@pytest.fixture
def base(monkeypatch):
    """Replaces BaseVelmora in every section message module by a recorder."""
    seen = []

    class RecordingBase:
        def __init__(self, **kwargs):
            seen.append((self, kwargs))

    recorder = RecordingBase
    for name in CLASSES:
        monkeypatch.setattr(load(name)[0], "BaseVelmora", recorder)
    return seen


class Str(str):
    pass


class List(list):
    pass


# ---- construction ---------------------------------------------------------------------------


@pytest.mark.parametrize("name", CLASSES)
def test_signature_and_class(name):
    module, cls = load(name)
    params = inspect.signature(cls).parameters
    assert list(params) == [*CLASSES[name][1], *KEYWORD_ONLY.get(name, ()), "kwargs"]
    assert [p for p in params if params[p].kind is inspect.Parameter.KEYWORD_ONLY] == list(KEYWORD_ONLY.get(name, ()))
    assert cls.__bases__ == (BaseVelmora,)
    assert cls.__module__ == module.__name__
    assert module.Section is importlib.import_module("velmora.blocks").Section


@pytest.mark.parametrize("name", CLASSES)
def test_attributes_hold_caller_objects_in_order(name, base):
    _, cls = load(name)
    args = GOOD[name][0]
    obj = cls(*args)
    by_param = dict(zip(CLASSES[name][1], args))
    attrs = CLASSES[name][2]
    assert [key for key in vars(obj) if key in attrs] == list(attrs)
    for attr in attrs:
        assert getattr(obj, attr) is by_param[attr]
    assert base == [(obj, {})]


@pytest.mark.parametrize("name", CLASSES)
def test_keywords_bind_like_positions(name):
    _, cls = load(name)
    args = GOOD[name][0]
    params = CLASSES[name][1]
    by_kw = cls(**dict(zip(params, args)))
    for param, arg in zip(params, args):
        assert getattr(by_kw, param) is arg


@pytest.mark.parametrize("name", CLASSES)
def test_unknown_keywords_reach_base_unchanged(name, base):
    _, cls = load(name)
    marker = object()
    obj = cls(*GOOD[name][0], preview="p", header="h", marker=marker)
    assert base[0][0] is obj
    assert base[0][1] == {"preview": "p", "header": "h", "marker": marker}
    assert base[0][1]["marker"] is marker
    assert list(base[0][1]) == ["preview", "header", "marker"]


@pytest.mark.parametrize("name", CLASSES)
def test_real_base_keeps_extras(name):
    _, cls = load(name)
    obj = cls(*GOOD[name][0], preview="p", colour="red")
    assert obj.preview == "p" and obj.extras == {"colour": "red"}


def test_base_runs_before_attributes(monkeypatch):
    module, cls = load("OverflowMessage")
    seen = []

    class Base:
        def __init__(self, **kwargs):
            seen.append(dict(vars(self)))
            self.text = "from base"

    monkeypatch.setattr(module, "BaseVelmora", Base)
    obj = cls("mine", ["a"])
    assert seen == [{}] and obj.text == "mine"


def test_base_looked_up_at_call_time(monkeypatch):
    module, cls = load("UsersSelectMessage")
    error = Refusal("no")
    monkeypatch.setattr(module, "BaseVelmora", refusing_base(error))
    with pytest.raises(Refusal) as info:
        cls("Who?")
    assert info.value is error
    monkeypatch.delattr(module, "BaseVelmora")
    with pytest.raises(NameError, match="name 'BaseVelmora' is not defined"):
        cls("Who?")


@pytest.mark.parametrize("name", CLASSES)
def test_base_error_propagates_and_sets_nothing(name, monkeypatch):
    module, cls = load(name)
    error = Refusal("refused")
    monkeypatch.setattr(module, "BaseVelmora", refusing_base(error))
    obj = cls.__new__(cls)
    with pytest.raises(Refusal) as info:
        obj.__init__(*GOOD[name][0])
    assert info.value is error
    assert vars(obj) == {}


BAD_TYPES = [
    ("StaticSelectMessage", (["a"], 3), "text_before_option", "str", "int"),
    ("StaticSelectMessage", (["a"], Str("x")), "text_before_option", "str", "Str"),
    ("MultiStaticSelectMessage", (None, ["a"]), "text_before_option", "str", "NoneType"),
    ("MultiStaticSelectMessage", (Str("x"), ["a"]), "text_before_option", "str", "Str"),
    ("OverflowMessage", ("Pick", ("a", "b")), "options", "list", "tuple"),
    ("OverflowMessage", ("Pick", List(["a"])), "options", "list", "List"),
    ("OverflowMessage", ("Pick", None), "options", "list", "NoneType"),
    ("OverflowMessage", (None, ["a"]), "text", "str", "NoneType"),
    ("OverflowMessage", (Str("Pick"), ["a"]), "text", "str", "Str"),
    ("DatePickerMessage", ("When?", None), "initial_date", "str", "NoneType"),
    ("DatePickerMessage", (b"When?", "2024-01-01"), "text", "str", "bytes"),
    ("UsersSelectMessage", (Str("Who?"),), "text", "str", "Str"),
    ("UsersSelectMessage", (None,), "text", "str", "NoneType"),
]


@pytest.mark.parametrize(("name", "args", "param", "expected", "got"), BAD_TYPES)
def test_wrong_types_refused_before_base(name, args, param, expected, got, base):
    _, cls = load(name)
    obj = cls.__new__(cls)
    message = f"Argument '{param}' has incorrect type (expected {expected}, got {got})"
    with pytest.raises(TypeError) as info:
        obj.__init__(*args)
    assert str(info.value) == message
    assert base == [] and vars(obj) == {}


@pytest.mark.parametrize(
    ("name", "args"),
    [
        ("StaticSelectMessage", (["a"], None)),
        ("StaticSelectMessage", ((x for x in "ab"),)),
        ("MultiStaticSelectMessage", ("Pick", ("a", "b"))),
        ("MultiStaticSelectMessage", ("Pick", None)),
    ],
)
def test_iterable_options_unchecked(name, args):
    _, cls = load(name)
    obj = cls(*args)
    assert obj.options is args[{"StaticSelectMessage": 0, "MultiStaticSelectMessage": 1}[name]]


@pytest.mark.parametrize(
    ("name", "args", "kwargs", "message"),
    [
        ("StaticSelectMessage", (), {}, "missing 1 required positional argument: 'options'"),
        (
            "MultiStaticSelectMessage",
            (),
            {},
            "missing 2 required positional arguments: 'text_before_option' and 'options'",
        ),
        ("OverflowMessage", ("a", [], 3), {}, "takes 2 positional arguments but 3 were given"),
        ("UsersSelectMessage", ("a",), {"text": "b"}, "got multiple values for argument 'text'"),
        ("DatePickerMessage", ("a",), {}, "missing 1 required positional argument: 'initial_date'"),
    ],
)
def test_bad_calls(name, args, kwargs, message):
    _, cls = load(name)
    with pytest.raises(TypeError, match=r"__init__\(\) " + message.replace("(", r"\(")):
        cls(*args, **kwargs)


# ---- building -------------------------------------------------------------------------------


@pytest.mark.parametrize("name", CLASSES)
def test_one_call_in_stated_form(name, section):
    _, cls = load(name)
    args, builder, call_args, call_kwargs = GOOD[name]
    obj = cls(*args)
    blocks = obj.build_blocks()
    assert blocks == [{"type": "section", "built_by": builder}]
    assert section.calls == [(builder, call_args, call_kwargs)]
    got_args, got_kwargs = section.calls[0][1], section.calls[0][2]
    assert list(got_kwargs) == list(call_kwargs)
    for value in (*got_args, *got_kwargs.values()):
        assert any(value is arg for arg in args)


def test_static_select_without_text_passes_none(section):
    _, cls = load("StaticSelectMessage")
    cls(["a"]).build_blocks()
    assert section.calls == [("static_select", (), {"options": ["a"], "text": None})]


@pytest.mark.parametrize("name", CLASSES)
def test_result_returned_unchanged_and_nothing_cached(name, monkeypatch):
    module, cls = load(name)
    obj = cls(*GOOD[name][0])
    for _ in range(2):
        result = [{"type": "section"}]
        monkeypatch.setattr(module, "Section", FakeBuilder(result))
        assert obj.build_blocks() is result


@pytest.mark.parametrize("name", CLASSES)
def test_attribute_changes_reach_next_build(name, section):
    _, cls = load(name)
    obj = cls(*GOOD[name][0])
    attr = CLASSES[name][2][-1]
    new = ["x"] if attr == "options" else "changed"
    setattr(obj, attr, new)
    obj.build_blocks()
    _, args, kwargs = section.calls[-1]
    assert any(value is new for value in (*args, *kwargs.values()))


@pytest.mark.parametrize("name", CLASSES)
def test_deleted_attribute_is_attribute_error(name, section):
    _, cls = load(name)
    obj = cls(*GOOD[name][0])
    delattr(obj, CLASSES[name][2][0])
    with pytest.raises(AttributeError):
        obj.build_blocks()
    assert section.calls == []


@pytest.mark.parametrize("name", CLASSES)
@pytest.mark.parametrize("result", [None, {"type": "section"}, ("a",), "blocks"])
def test_result_check(name, result, monkeypatch):
    module, cls = load(name)
    monkeypatch.setattr(module, "Section", FakeBuilder(result))
    obj = cls(*GOOD[name][0])
    if result is None or name not in CHECKED_RESULT:
        assert obj.build_blocks() is result
    else:
        with pytest.raises(TypeError) as info:
            obj.build_blocks()
        assert str(info.value) == f"Expected list, got {type(result).__name__}"


@pytest.mark.parametrize("name", CLASSES)
def test_builder_errors_propagate(name, monkeypatch):
    module, cls = load(name)
    error = ValueError("bad options")

    class Failing:
        def __getattr__(self, attr):
            def builder(*args, **kwargs):
                raise error

            return builder

    monkeypatch.setattr(module, "Section", Failing())
    with pytest.raises(ValueError) as info:
        cls(*GOOD[name][0]).build_blocks()
    assert info.value is error


def test_section_looked_up_at_call_time(monkeypatch):
    module, cls = load("DatePickerMessage")
    obj = cls("When?", "2024-01-31")
    monkeypatch.delattr(module, "Section")
    with pytest.raises(NameError, match="name 'Section' is not defined"):
        obj.build_blocks()


def test_build_blocks_takes_no_argument():
    _, cls = load("UsersSelectMessage")
    with pytest.raises(TypeError, match="takes no arguments"):
        cls("Who?").build_blocks(1)


def test_subclass_sees_own_attributes(section):
    _, cls = load("OverflowMessage")

    class Mine(cls):
        pass

    obj = Mine("Pick", ["a"], preview="p")
    assert obj.build_blocks() == [{"type": "section", "built_by": "overflow"}]
    assert obj.preview == "p"


# ---- leaks ----------------------------------------------------------------------------------


@pytest.mark.parametrize("name", CLASSES)
def test_no_leak(name, section):
    _, cls = load(name)
    args = GOOD[name][0]
    extra = object()

    def run():
        section.calls.clear()
        return cls(*args, extra=extra).build_blocks()

    assert_no_leak(run, watch=[*args, extra])


@pytest.mark.parametrize(("name", "args", "param", "expected", "got"), BAD_TYPES[:4] + BAD_TYPES[-2:])
def test_no_leak_on_errors(name, args, param, expected, got, section, monkeypatch):
    module, cls = load(name)
    assert_no_leak(lambda: cls(*args, extra=1), expect=TypeError, watch=args)
    good = GOOD[name][0]
    obj = cls(*good)

    class Refusing:
        def __init__(self, **kwargs):
            raise Refusal("no")

    monkeypatch.setattr(module, "BaseVelmora", Refusing)
    assert_no_leak(lambda: cls(*good, extra=2), expect=Refusal, watch=good)
    monkeypatch.setattr(module, "Section", FakeBuilder({"not": "a list"}, record=False))
    assert_no_leak(obj.build_blocks, expect=TypeError)


def test_a_python_descriptor_named_like_the_builders_is_looked_up_on_every_build(monkeypatch):
    # Only velmora's own binding descriptor hands out one binding for good: a Python class that
    # merely bears its name answers afresh on each build.
    module, cls = load("UsersSelectMessage")
    answers = iter(range(3))

    class Binding:
        def __get__(self, obj, owner):
            n = next(answers)
            return lambda text: [{"build": n}]

    Binding.__name__ = Binding.__qualname__ = "velmora.builder"

    class Lookalike:
        users_select = Binding()

    monkeypatch.setattr(module, "Section", Lookalike)
    obj = cls("Who?")
    assert [obj.build_blocks(), obj.build_blocks()] == [[{"build": 0}], [{"build": 1}]]
