"""CheckBoxesMessage, RadioButtonsMessage, TimePickerMessage and DatePickersMessage; the keyword-only
arguments of every choice message."""

from __future__ import annotations

import importlib
import sys

import pytest
from slack_sdk.models.blocks import Block

from support import assert_no_leak
from velmora.blocks import Actions, Section
from velmora.interface import BaseVelmora
from velmora.messages.actions.datepickers import DatePickersMessage
from velmora.messages.composite.checkboxes import CheckBoxesMessage
from velmora.messages.composite.radio_buttons import RadioButtonsMessage
from velmora.messages.composite.time_picker import TimePickerMessage
from velmora.messages.section.multi_static_select_msg import MultiStaticSelectMessage
from velmora.messages.section.overflow import OverflowMessage
from velmora.messages.section.static_select import StaticSelectMessage

# class, constructor arguments, attribute names, the Actions builder and its keyword arguments
CASES = [
    (
        CheckBoxesMessage,
        ("Pick", ["a", "b"], ["first"]),
        ["text", "options", "options_description"],
        "checkboxes",
        {"options": ["a", "b"], "options_description": ["first"]},
    ),
    (RadioButtonsMessage, ("Pick", ["a", "b"]), ["text", "options"], "radio_buttons", {"options": ["a", "b"]}),
    (TimePickerMessage, ("When", "09:30"), ["text", "initial_time"], "time_picker", {"initial_time": "09:30"}),
]
IDS = ["checkboxes", "radio_buttons", "time_picker"]


def module_of(cls):
    return sys.modules[cls.__module__]


@pytest.mark.parametrize("cls, args, attrs, builder, kwargs", CASES, ids=IDS)
def test_blocks_are_text_then_actions(cls, args, attrs, builder, kwargs):
    blocks = cls(*args).build_blocks()
    assert blocks == Section.mrkdwn(args[0]) + getattr(Actions, builder)(**kwargs)
    assert [block["type"] for block in blocks] == ["section", "actions"]
    for block in blocks:
        assert Block.parse(block).to_dict() == block


@pytest.mark.parametrize("cls, args, attrs, builder, kwargs", CASES, ids=IDS)
def test_empty_text_gives_only_the_actions_block(cls, args, attrs, builder, kwargs):
    assert cls("", *args[1:]).build_blocks() == getattr(Actions, builder)(**kwargs)


@pytest.mark.parametrize("cls, args, attrs, builder, kwargs", CASES, ids=IDS)
def test_attributes_keep_the_callers_objects(cls, args, attrs, builder, kwargs):
    message = cls(*args, preview="p", unknown=3)
    assert isinstance(message, BaseVelmora)
    for name, value in zip(attrs, args):
        assert getattr(message, name) is value
    assert message.preview == "p" and message.extras == {"unknown": 3}
    by_keyword = cls(**dict(zip(attrs, args)))
    assert [getattr(by_keyword, name) for name in attrs] == list(args)


@pytest.mark.parametrize("cls, args, attrs, builder, kwargs", CASES, ids=IDS)
def test_builders_come_from_module_globals_by_keyword(monkeypatch, cls, args, attrs, builder, kwargs):
    calls = []

    class FakeSection:
        @classmethod
        def mrkdwn(cls, *a, **kw):
            calls.append(("mrkdwn", a, kw))
            return [{"type": "section"}]

    class FakeActions:
        pass

    def fake(cls, *a, **kw):
        calls.append((builder, a, kw))
        return [{"type": "actions"}]

    setattr(FakeActions, builder, classmethod(fake))
    monkeypatch.setattr(module_of(cls), "Section", FakeSection)
    monkeypatch.setattr(module_of(cls), "Actions", FakeActions)
    assert cls(*args).build_blocks() == [{"type": "section"}, {"type": "actions"}]
    assert calls == [("mrkdwn", (args[0],), {}), (builder, (), kwargs)]


@pytest.mark.parametrize("cls, args, attrs, builder, kwargs", CASES, ids=IDS)
@pytest.mark.parametrize("bad, got", [({"type": "actions"}, "dict"), ((), "tuple")])
def test_builder_result_must_be_a_list(monkeypatch, cls, args, attrs, builder, kwargs, bad, got):
    class FakeActions:
        pass

    setattr(FakeActions, builder, classmethod(lambda cls, **kw: bad))
    monkeypatch.setattr(module_of(cls), "Actions", FakeActions)
    with pytest.raises(TypeError) as info:
        cls(*args).build_blocks()
    assert str(info.value) == f"Expected list, got {got}"


# class, positional arguments, the builder's owner and method, what it always gets, the class's
# own keyword-only arguments
KEYWORD_CASES = [
    (RadioButtonsMessage, ("t", ["a"]), "Actions", "radio_buttons", {"options": ["a"]}, {"action_id": "pick"}),
    (
        CheckBoxesMessage,
        ("t", ["a"]),
        "Actions",
        "checkboxes",
        {"options": ["a"], "options_description": None},
        {"action_id": "pick"},
    ),
    (
        StaticSelectMessage,
        (["a"], "t"),
        "Section",
        "static_select",
        {"options": ["a"], "text": "t"},
        {"action_id": "pick", "placeholder": "Choose"},
    ),
    (
        MultiStaticSelectMessage,
        ("t", ["a"]),
        "Section",
        "multi_static_select",
        {"text": "t", "options": ["a"]},
        {"action_id": "pick", "placeholder": "Choose"},
    ),
    (OverflowMessage, ("t", ["a"]), "Section", "overflow", {"text": "t", "options": ["a"]}, {"action_id": "pick"}),
]


@pytest.mark.parametrize(
    "cls, args, owner, builder, always, own", KEYWORD_CASES, ids=lambda v: getattr(v, "__name__", "")
)
@pytest.mark.parametrize("given", ["omitted", "None", "set"])
def test_keyword_only_arguments_reach_the_builder_only_when_given(
    monkeypatch, cls, args, owner, builder, always, own, given
):
    kwargs = {"omitted": {}, "None": dict.fromkeys(own), "set": own}[given]
    passed = own if given == "set" else {}
    message = cls(*args, **kwargs)
    assert {name: getattr(message, name) for name in own} == {name: kwargs.get(name) for name in own}
    before = Section.mrkdwn("t") if owner == "Actions" else []
    real = {"Actions": Actions, "Section": Section}[owner]
    assert message.build_blocks() == before + getattr(real, builder)(**always, **passed)
    calls = []

    def fake(fake_cls, *a, **kw):
        calls.append((a, kw))
        return []

    monkeypatch.setattr(module_of(cls), owner, type("Fake", (), {builder: classmethod(fake), "mrkdwn": Section.mrkdwn}))
    message.build_blocks()
    assert calls == [((), {**always, **passed})]
    assert list(calls[0][1]) == [*always, *passed]


def test_none_results_add_nothing(monkeypatch):
    class FakeActions:
        @classmethod
        def radio_buttons(cls, options):
            return None

    monkeypatch.setattr(module_of(RadioButtonsMessage), "Actions", FakeActions)
    assert RadioButtonsMessage("t", ["a"]).build_blocks() == Section.mrkdwn("t")


class Text(str):
    pass


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: CheckBoxesMessage(None, ["a"]), "Argument 'text' has incorrect type (expected str, got NoneType)"),
        (lambda: RadioButtonsMessage(Text("t"), ["a"]), "Argument 'text' has incorrect type (expected str, got Text)"),
        (lambda: TimePickerMessage(1, "10:00"), "Argument 'text' has incorrect type (expected str, got int)"),
        (
            lambda: TimePickerMessage("t", None),
            "Argument 'initial_time' has incorrect type (expected str, got NoneType)",
        ),
        (
            lambda: CheckBoxesMessage("t"),
            "CheckBoxesMessage.__init__() missing 1 required positional argument: 'options'",
        ),
        (
            lambda: RadioButtonsMessage(),
            "RadioButtonsMessage.__init__() missing 2 required positional arguments: 'text' and 'options'",
        ),
        (
            lambda: TimePickerMessage("t", "10:00", 1),
            "TimePickerMessage.__init__() takes 2 positional arguments but 3 were given",
        ),
        (
            lambda: RadioButtonsMessage("t", ["a"], "id"),
            "RadioButtonsMessage.__init__() takes 2 positional arguments but 3 were given",
        ),
        (
            lambda: RadioButtonsMessage("t", ["a"], action_id=1),
            "Argument 'action_id' has incorrect type (expected str, got int)",
        ),
        (
            lambda: DatePickersMessage(),
            "DatePickersMessage.__init__() missing 1 required positional argument: 'initial_dates'",
        ),
        (
            lambda: CheckBoxesMessage("t", ["a"], options=["b"]),
            "CheckBoxesMessage.__init__() got multiple values for argument 'options'",
        ),
    ],
)
def test_bad_construction(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_iterable_options_are_not_checked_on_entry():
    message = RadioButtonsMessage("t", ("a", "b"))
    assert message.build_blocks()[1]["elements"][0]["options"][1]["value"] == "value-1"


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda: CheckBoxesMessage("t", []).build_blocks(), ValueError),
        (lambda: RadioButtonsMessage("t", "ab").build_blocks(), TypeError),
        (lambda: CheckBoxesMessage("t", ["a"], ["x", "y"]).build_blocks(), IndexError),
        (lambda: TimePickerMessage("t", "25:00").build_blocks(), ValueError),
        (lambda: DatePickersMessage(["2024-02-30"]).build_blocks(), ValueError),
    ],
    ids=["no-options", "str-options", "more-descriptions", "bad-time", "bad-date"],
)
def test_builder_errors_propagate(call, error):
    with pytest.raises(error):
        call()


def test_checkboxes_without_descriptions():
    blocks = CheckBoxesMessage("t", ["a", "b"]).build_blocks()
    assert blocks[1] == Actions.checkboxes(["a", "b"], None)[0]
    assert all("description" not in option for option in blocks[1]["elements"][0]["options"])


def test_datepickers_message():
    dates = ["2024-01-02", "2024-03-04"]
    message = DatePickersMessage(dates, preview="p")
    assert message.initial_dates is dates and message.preview == "p"
    blocks = message.build_blocks()
    assert blocks == Actions.datepickers(dates)
    assert [e["action_id"] for e in blocks[0]["elements"]] == ["action-datepickers-0", "action-datepickers-1"]
    assert Block.parse(blocks[0]).to_dict() == blocks[0]
    assert DatePickersMessage(initial_dates=[]).build_blocks() == [{"type": "actions", "elements": []}]


def test_datepickers_calls_by_keyword(monkeypatch):
    calls = []

    class FakeActions:
        @classmethod
        def datepickers(cls, *a, **kw):
            calls.append((a, kw))
            return []

    monkeypatch.setattr(module_of(DatePickersMessage), "Actions", FakeActions)
    dates = iter(["2024-01-02"])
    assert DatePickersMessage(dates).build_blocks() == []
    assert calls == [((), {"initial_dates": dates})]


def test_attributes_are_read_at_build_time():
    message = RadioButtonsMessage("t", ["a"])
    message.options = ["x", "y"]
    assert len(message.build_blocks()[1]["elements"][0]["options"]) == 2


@pytest.mark.parametrize("cls, args, attrs, builder, kwargs", CASES, ids=IDS)
def test_no_leak(cls, args, attrs, builder, kwargs):
    text = "".join(["te", "xt"])
    rest = list(args[1:])
    assert_no_leak(lambda: cls(text, *rest, preview="p").build_blocks(), watch=[text, *rest])
    assert_no_leak(lambda: cls(None, *rest), expect=TypeError, watch=rest)
    assert_no_leak(lambda: cls(text, *rest, **{attrs[1]: 1}), expect=TypeError, watch=[text])


def test_no_leak_on_builder_errors_and_datepickers():
    dates = ["2024-01-02"]
    assert_no_leak(lambda: DatePickersMessage(dates).build_blocks(), watch=[dates])
    assert_no_leak(lambda: DatePickersMessage(["bad"]).build_blocks(), expect=ValueError)
    assert_no_leak(lambda: CheckBoxesMessage("t", ["a"], ["x", "y"]).build_blocks(), expect=IndexError)


@pytest.mark.parametrize(
    "module",
    [
        "velmora.messages.composite.checkboxes",
        "velmora.messages.composite.radio_buttons",
        "velmora.messages.composite.time_picker",
        "velmora.messages.actions.datepickers",
        "velmora.messages.rich_text.preformatted",
        "velmora.messages.table.simple_table",
        "velmora.messages.composite.dataframe",
        "velmora.blocks.table",
        "velmora.blocks.preformatted",
    ],
)
def test_second_initialisation_is_refused(module):
    mod = importlib.import_module(module)
    short = module.rsplit(".", 1)[1]
    spec = importlib.util.find_spec(module)
    with pytest.raises(
        ImportError, match=f"^Module '{short}' has already been imported. Re-initialisation is not supported.$"
    ):
        importlib.util.module_from_spec(spec)
    assert sys.modules[module] is mod


STUBBED = {
    "velmora.blocks.table": ["Table"],
    "velmora.blocks.preformatted": ["Preformatted"],
    "velmora.messages.table.simple_table": ["SimpleTableMessage"],
    "velmora.messages.composite.dataframe": ["DataFrameMessage"],
    "velmora.messages.composite.checkboxes": ["CheckBoxesMessage"],
    "velmora.messages.composite.radio_buttons": ["RadioButtonsMessage"],
    "velmora.messages.composite.time_picker": ["TimePickerMessage"],
    "velmora.messages.actions.datepickers": ["DatePickersMessage"],
    "velmora.messages.rich_text.preformatted": ["PreformattedMessage"],
}


@pytest.mark.parametrize("module", sorted(STUBBED))
def test_stub_matches_the_module(module):
    """The stub beside each module declares its classes with the runtime's parameters."""
    import ast
    import inspect
    from pathlib import Path

    runtime = importlib.import_module(module)
    tree = ast.parse(Path(runtime.__file__).with_name(module.rsplit(".", 1)[1] + ".pyi").read_text())
    every = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    classes = {name: node for name, node in every.items() if not name.startswith("_")}  # not the TypedDicts
    assert sorted(classes) == STUBBED[module]
    for name, node in classes.items():
        cls = getattr(runtime, name)
        for item in node.body:
            if not isinstance(item, ast.FunctionDef):
                continue
            args = item.args
            keywords = [a.arg for a in args.kwonlyargs]
            if args.kwarg and ast.unparse(args.kwarg.annotation).startswith("Unpack["):  # **options: Unpack[_X]
                typed = every[ast.unparse(args.kwarg.annotation)[len("Unpack[") : -1]]
                keywords += [field.target.id for field in typed.body if isinstance(field, ast.AnnAssign)]
            elif args.kwarg:
                keywords.append("kwargs")
            target = cls if item.name == "__init__" else getattr(cls, item.name)
            params = inspect.signature(target).parameters.values()
            params = [p for p in params if p.name != "self" or item.name != "build_blocks"]
            positional = [p.name for p in params if p.kind is p.POSITIONAL_OR_KEYWORD]
            assert [a.arg for a in args.args[1:]] == positional, (name, item.name)
            # keyword-only parameters in any order, as a call sees them (and a TypedDict lists them)
            named = sorted(p.name for p in params if p.kind in (p.KEYWORD_ONLY, p.VAR_KEYWORD))
            assert sorted(keywords) == named, (name, item.name)
