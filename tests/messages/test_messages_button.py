"""ButtonMessage: numbered button keywords, one section button or an actions block."""

from __future__ import annotations

import inspect
import logging
import subprocess
import sys

import pytest

from message_fakes import FakeBuilder, Refusal, recording_base
from support import assert_no_leak

import velmora.messages.composite.button as button_module
from velmora.interface import BaseVelmora
from velmora.messages.composite.button import ButtonMessage

WARNING = (
    "Multiple buttons detected (count: {}). When using multiple buttons, Actions.buttons() method "
    "will be used. The top-level 'text' parameter will be ignored as it's not supported for "
    "multi-button layouts."
)
NO_BUTTON = "At least one button must be provided (use button_1_text and related parameters)"


@pytest.fixture
def builders(monkeypatch):
    section, actions = FakeBuilder(), FakeBuilder()
    monkeypatch.setattr(button_module, "Section", section)
    monkeypatch.setattr(button_module, "Actions", actions)
    return section, actions


class Str(str):
    pass


# ---- construction ---------------------------------------------------------------------------


def test_class_and_signature():
    assert ButtonMessage.__bases__ == (BaseVelmora,)
    assert str(inspect.signature(ButtonMessage)) == "(text=None, **kwargs)"
    assert button_module.logger is logging.getLogger("velmora.messages.composite.button")


@pytest.mark.parametrize(
    ("kwargs", "buttons"),
    [
        ({"button_1_text": "Go"}, [{"text": "Go"}]),
        (
            {"button_1_text": "Go", "button_1_style": "primary", "button_1_value": "v", "button_1_url": "https://x"},
            [{"text": "Go", "style": "primary", "value": "v", "url": "https://x"}],
        ),
        # keys come in the fixed order whatever order the caller uses
        (
            {"button_1_url": "https://x", "button_1_value": "v", "button_1_style": "danger", "button_1_text": "Go"},
            [{"text": "Go", "style": "danger", "value": "v", "url": "https://x"}],
        ),
        ({"button_1_text": "Go", "button_1_style": "secondary", "button_1_value": ""}, [{"text": "Go"}]),
        ({"button_1_text": "Go", "button_1_style": "", "button_1_value": None, "button_1_url": 0}, [{"text": "Go"}]),
        ({"button_1_text": None}, [{"text": None}]),
        ({"button_1_text": "", "button_1_style": "Primary"}, [{"text": ""}]),
        ({"button_a_text": "A"}, [{"text": "A"}]),
        ({"button_1_text": "Go", "button_1_alt_text": "x", "button_text": "y", "button_extra": 1}, [{"text": "Go"}]),
        (
            {
                "button_1_text": "Go",
                "button_1_action_id": "go",
                "button_1_x_action_id": "no",
                "button_1_action_ids": "no",
            },
            [{"text": "Go", "action_id": "go"}],
        ),
        ({"button_é_text": "É", "button_😀_text": "smile"}, [{"text": "É"}, {"text": "smile"}]),
    ],
)
def test_button_dicts(kwargs, buttons):
    message = ButtonMessage(**kwargs)
    assert message.buttons == buttons
    assert [list(b) for b in message.buttons] == [list(b) for b in buttons]
    assert message.text is None


def test_values_are_the_callers_objects():
    text, value, url = object(), object(), object()
    (button,) = ButtonMessage(button_1_text=text, button_1_value=value, button_1_url=url).buttons
    assert button["text"] is text and button["value"] is value and button["url"] is url


@pytest.mark.parametrize(
    ("numbers", "order"),
    [
        (["2", "10"], ["2", "10"]),
        (["10", "9", "1"], ["1", "9", "10"]),
        ([str(n) for n in range(12, 0, -1)], [str(n) for n in range(1, 13)]),
        (["b", "10", "a", "2"], ["2", "10", "a", "b"]),
        (["1", "01", "001"], ["001", "01", "1"]),
        (["00", "0"], ["0", "00"]),
        (["12345678901234567890123", "99"], ["99", "12345678901234567890123"]),
        (["1a", "2"], ["2", "1a"]),
        (["٣", "3"], ["3", "٣"]),  # Arabic-Indic digit: not an ASCII digit, sorted as text
        (["-1", "1"], ["1", "-1"]),
        (
            ["😀", "日", "é", "b", ""],
            ["", "b", "é", "日", "😀"],
        ),  # one, two and four bytes a character: code point order
        (["é1", "é", "1é"], ["1é", "é", "é1"]),
        # many buttons, given in a scrambled order
        ([str(n * 7919 % 300) for n in range(300)], [str(n) for n in range(300)]),
    ],
)
def test_natural_button_order(numbers, order):
    message = ButtonMessage(**{f"button_{n}_text": n for n in numbers})
    assert [b["text"] for b in message.buttons] == order


def test_each_button_gathers_its_own_keywords_in_any_order():
    # the keywords of several buttons interleaved, numbers of every width
    kwargs = {
        "button_10_style": "danger",
        "button_2_text": "two",
        "button_日_value": "v",
        "button_10_text": "ten",
        "button_2_action_id": "a2",
        "button_日_text": "sun",
        "button_02_text": "zero-two",
    }
    assert (
        ButtonMessage(**dict(reversed(kwargs.items()))).buttons
        == ButtonMessage(**kwargs).buttons
        == [
            {"text": "zero-two"},
            {"text": "two", "action_id": "a2"},
            {"text": "ten", "style": "danger"},
            {"text": "sun", "value": "v"},
        ]
    )


def test_natural_order_reaches_actions(builders):
    _, actions = builders
    ButtonMessage(button_10_text="ten", button_2_text="two", button_1_text="one").build_blocks()
    assert actions.calls == [("buttons", (), {"buttons": [{"text": "one"}, {"text": "two"}, {"text": "ten"}]})]


def test_consumed_and_forwarded_keywords():
    probe, seen = recording_base(ButtonMessage)
    marker = object()
    message = probe(
        "hi", preview="p", button_1_text="Go", marker=marker, button_extra=1, text_x="t", button_="z", buttonx=2
    )
    assert seen == [{"preview": "p", "marker": marker, "text_x": "t", "buttonx": 2}]
    assert list(seen[0]) == ["preview", "marker", "text_x", "buttonx"]
    assert seen[0]["marker"] is marker
    assert message.text == "hi" and message.preview == "p"


def test_text_keyword_binds_to_parameter():
    probe, seen = recording_base(ButtonMessage)
    assert probe(text="hi", button_1_text="Go").text == "hi"
    assert seen == [{}]


def test_base_runs_last():
    seen = []

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            seen.append(dict(vars(self)))
            super().__init__(**kwargs)

    class Probe(ButtonMessage, Base):
        pass

    Probe("t", button_1_text="Go")
    assert seen == [{"text": "t", "buttons": [{"text": "Go"}]}]


def test_base_error_propagates():
    error = Refusal("no")

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise error

    class Probe(ButtonMessage, Base):
        pass

    with pytest.raises(Refusal) as info:
        Probe(button_1_text="Go")
    assert info.value is error


@pytest.mark.parametrize(
    ("kwargs", "message"),
    [
        ({}, NO_BUTTON),
        ({"preview": "p"}, NO_BUTTON),
        ({"button_extra": 1}, NO_BUTTON),
        ({"button_1_alt_text": "x"}, NO_BUTTON),
        ({"button_1_url": "https://x"}, "Button 1 is missing required 'text' (use button_1_text)"),
        ({"button_a_style": "primary"}, "Button a is missing required 'text' (use button_a_text)"),
        ({"button__value": "v"}, "Button  is missing required 'text' (use button__text)"),
        ({"button_日本_style": "primary"}, "Button 日本 is missing required 'text' (use button_日本_text)"),
        ({"button_1_texts": "x"}, "Button 1 is missing required 'text' (use button_1_text)"),
    ],
)
def test_value_errors(kwargs, message):
    probe, seen = recording_base(ButtonMessage)
    with pytest.raises(ValueError) as info:
        probe(**kwargs)
    assert str(info.value) == message
    assert seen == []


def test_missing_text_keeps_earlier_buttons():
    message = ButtonMessage.__new__(ButtonMessage)
    with pytest.raises(ValueError, match="Button 3 is missing"):
        message.__init__("t", button_10_text="ten", button_3_url="u", button_2_text="two")
    assert message.text == "t"
    assert message.buttons == [{"text": "two"}]
    assert not hasattr(message, "preview")


@pytest.mark.parametrize(("value", "got"), [(3, "int"), (Str("x"), "Str"), (b"x", "bytes")])
def test_text_type(value, got):
    message = ButtonMessage.__new__(ButtonMessage)
    with pytest.raises(TypeError) as info:
        message.__init__(value, button_1_text="Go")
    assert str(info.value) == f"Argument 'text' has incorrect type (expected str, got {got})"
    assert vars(message) == {}


def test_positional_arguments():
    with pytest.raises(TypeError, match=r"takes from 0 to 1 positional arguments but 2 were given"):
        ButtonMessage("a", "b", button_1_text="Go")


def test_style_compared_by_equality():
    class Style(str):
        pass

    style = Style("primary")
    (button,) = ButtonMessage(button_1_text="Go", button_1_style=style).buttons
    assert button["style"] is style


def test_style_comparison_error_propagates():
    class Odd:
        def __eq__(self, other):
            raise RuntimeError("cannot compare")

    with pytest.raises(RuntimeError, match="cannot compare"):
        ButtonMessage(button_1_text="Go", button_1_style=Odd())


def test_caller_kwargs_unchanged():
    kwargs = {"button_1_text": "Go", "preview": "p"}
    ButtonMessage(**kwargs)
    assert kwargs == {"button_1_text": "Go", "preview": "p"}


# ---- building -------------------------------------------------------------------------------


@pytest.mark.parametrize("text", ["Pick one", ""])
def test_one_button_with_text_uses_section(text, builders, caplog):
    section, actions = builders
    message = ButtonMessage(text, button_1_text="Go", button_1_style="primary")
    with caplog.at_level(logging.WARNING):
        assert message.build_blocks() == [{"type": "section", "built_by": "button"}]
    assert section.calls == [("button", (), {"text": text, "button": {"text": "Go", "style": "primary"}})]
    assert section.calls[0][2]["text"] is text and section.calls[0][2]["button"] is message.buttons[0]
    assert actions.calls == [] and caplog.records == []


def test_one_button_without_text_uses_actions(builders, caplog):
    section, actions = builders
    message = ButtonMessage(button_1_text="Go")
    with caplog.at_level(logging.WARNING):
        message.build_blocks()
    assert actions.calls == [("buttons", (), {"buttons": [{"text": "Go"}]})]
    assert actions.calls[0][2]["buttons"] is message.buttons
    assert section.calls == [] and caplog.records == []


@pytest.mark.parametrize("count", [2, 3, 11])
def test_text_with_several_buttons_warns(count, builders, caplog):
    section, actions = builders
    message = ButtonMessage("ignored", **{f"button_{i}_text": str(i) for i in range(1, count + 1)})
    with caplog.at_level(logging.WARNING, logger="velmora.messages.composite.button"):
        blocks = message.build_blocks()
    assert blocks == [{"type": "section", "built_by": "buttons"}]
    assert [(r.name, r.levelno, r.getMessage()) for r in caplog.records] == [
        ("velmora.messages.composite.button", logging.WARNING, WARNING.format(count))
    ]
    assert section.calls == [] and len(actions.calls) == 1


def test_several_buttons_without_text_do_not_warn(builders, caplog):
    with caplog.at_level(logging.DEBUG):
        ButtonMessage(button_1_text="a", button_2_text="b").build_blocks()
    assert caplog.records == []


def test_logger_looked_up_at_call_time(builders, monkeypatch):
    logged = []

    class Logger:
        def warning(self, message):
            logged.append(message)

    monkeypatch.setattr(button_module, "logger", Logger())
    ButtonMessage("t", button_1_text="a", button_2_text="b").build_blocks()
    assert logged == [WARNING.format(2)]


def test_attribute_changes_reach_build(builders):
    section, actions = builders
    message = ButtonMessage(button_1_text="a", button_2_text="b")
    message.text = "now a section"
    message.buttons = [{"text": "only"}]
    message.build_blocks()
    assert section.calls == [("button", (), {"text": "now a section", "button": {"text": "only"}})]
    message.text = None
    message.build_blocks()
    assert actions.calls == [("buttons", (), {"buttons": [{"text": "only"}]})]


@pytest.mark.parametrize("result", [{"type": "actions"}, "x", (1,)])
@pytest.mark.parametrize("text", [None, "t"])
def test_result_check(result, text, monkeypatch):
    monkeypatch.setattr(button_module, "Section", FakeBuilder(result))
    monkeypatch.setattr(button_module, "Actions", FakeBuilder(result))
    with pytest.raises(TypeError) as info:
        ButtonMessage(text, button_1_text="Go").build_blocks()
    assert str(info.value) == f"Expected list, got {type(result).__name__}"


def test_none_result_passes(monkeypatch):
    monkeypatch.setattr(button_module, "Actions", FakeBuilder(None))
    assert ButtonMessage(button_1_text="Go").build_blocks() is None


def test_builder_error_propagates(monkeypatch):
    class Failing:
        @classmethod
        def buttons(cls, buttons):
            raise KeyError("text")

    monkeypatch.setattr(button_module, "Actions", Failing)
    with pytest.raises(KeyError):
        ButtonMessage(button_1_text="Go").build_blocks()


def test_missing_builders_are_name_errors(monkeypatch):
    monkeypatch.delattr(button_module, "Actions")
    with pytest.raises(NameError, match="name 'Actions' is not defined"):
        ButtonMessage(button_1_text="Go").build_blocks()


# ---- leaks ----------------------------------------------------------------------------------


def test_no_leak(monkeypatch):
    monkeypatch.setattr(button_module, "Section", FakeBuilder(record=False))
    monkeypatch.setattr(button_module, "Actions", FakeBuilder(record=False))
    monkeypatch.setattr(button_module, "logger", type("Quiet", (), {"warning": lambda self, m: None})())
    text, label = "pick", "Go"
    assert_no_leak(lambda: ButtonMessage(text, button_1_text=label, preview="p").build_blocks(), watch=[text, label])
    assert_no_leak(
        lambda: ButtonMessage(
            text, button_2_text=label, button_10_text=label, button_x_style="danger", button_x_text=label
        ).build_blocks(),
        watch=[text, label],
    )


def test_no_leak_on_errors(monkeypatch):
    label = "Go"
    assert_no_leak(lambda: ButtonMessage(button_extra=label), expect=ValueError, watch=[label])
    assert_no_leak(lambda: ButtonMessage(button_1_text=label, button_2_url=label), expect=ValueError, watch=[label])
    assert_no_leak(lambda: ButtonMessage(3, button_1_text=label), expect=TypeError, watch=[label])

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise Refusal("no")

    class Probe(ButtonMessage, Base):
        pass

    assert_no_leak(lambda: Probe(button_1_text=label, other=label), expect=Refusal, watch=[label])
    monkeypatch.setattr(button_module, "Actions", FakeBuilder({}, record=False))
    message = ButtonMessage(button_1_text=label)
    assert_no_leak(message.build_blocks, expect=TypeError, watch=[label])


def test_logging_is_imported_when_the_logger_is_first_needed():
    code = (
        "import sys, velmora.messages.composite.button as m\n"
        "print('logging' in sys.modules)\n"
        "m.ButtonMessage(text='t', button_1_text='a', button_2_text='b').build_blocks()\n"
        "print('logging' in sys.modules, m.logger is sys.modules['logging'].getLogger(m.__name__))\n"
    )
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert done.stdout.split() == ["False", "True", "True"]
    assert "Multiple buttons detected (count: 2)" in done.stderr  # logging's last-resort handler


@pytest.mark.parametrize("name", ["nothing", 1])
def test_module_getattr_knows_only_the_logger(name):
    get = button_module.__getattr__
    with pytest.raises(AttributeError, match=f"has no attribute '{name}'"):
        get(name)
    assert_no_leak(lambda: get(name), expect=AttributeError, watch=[name])
    assert_no_leak(lambda: get("logger"), watch=[button_module.logger])
