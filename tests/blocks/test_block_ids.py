"""Ids for Bolt's routing: a keyword-only block_id on every builder of blocks, a button's own
action_id, and the alt text of a context image."""

from __future__ import annotations

import inspect

import pandas as pd
import pytest

from velmora.blocks import Actions, Context, Divider, Header, Image, Preformatted, Section
from velmora.blocks.markdown import Markdown
from velmora.blocks.table import Table
from velmora.messages.composite.button import ButtonMessage

OPTIONS = ["a", "b"]
# Every builder that returns blocks, called with its usual arguments.
BUILDERS = [
    (Section.plain_text, ("hi",)),
    (Section.mrkdwn, ("*hi*",)),
    (Section.text_fields, (["a", "b"],)),
    (Section.users_select, ("Who?",)),
    (Section.static_select, (OPTIONS, "Pick")),
    (Section.multi_static_select, ("Pick", OPTIONS)),
    (Section.overflow, ("More", OPTIONS)),
    (Section.button, ("Go?", {"text": "Go"})),
    (Section.image, ("Look", "https://x/a.png")),
    (Section.slack_image, ("Look", "F0123")),
    (Section.datepicker, ("When?", "2024-02-29")),
    (Section.time_picker, ("When?", "09:30")),
    (Section.radio_buttons, ("Pick", OPTIONS)),
    (Section.checkboxes, (OPTIONS, "Pick", ["first"])),
    (Actions.init_blocks, ()),
    (Actions.buttons, ([{"text": "a"}],)),
    (Actions.datepickers, (["2024-02-29"],)),
    (Actions.time_picker, ("09:30",)),
    (Actions.radio_buttons, (OPTIONS,)),
    (Actions.checkboxes, (OPTIONS, None)),
    (Header.plain_text, ("Title",)),
    (Divider.divider, ()),
    (Preformatted.text, ("x = 1",)),
    (Markdown.markdown, ("**hi**",)),
    (Table.simple_table, (pd.DataFrame({"a": [1]}),)),
]
NAMES = [builder.__qualname__ for builder, _ in BUILDERS]


@pytest.mark.parametrize(("builder", "args"), BUILDERS, ids=NAMES)
def test_every_builder_takes_a_block_id_last(builder, args):
    plain = builder(*args)
    for no_id in (None, ""):
        assert builder(*args, block_id=no_id) == plain
    [block] = builder(*args, block_id="route-me")
    assert list(block) == [*plain[0], "block_id"] and block["block_id"] == "route-me"
    positional = [p for p in inspect.signature(builder).parameters.values() if p.kind is p.POSITIONAL_OR_KEYWORD]
    full = [*args, *(p.default for p in positional[len(args) :])]
    with pytest.raises(TypeError, match=r"^\S+ takes .* positional arguments? but \d+ (?:was|were) given$"):
        builder(*full, "route-me")
    with pytest.raises(TypeError) as raised:
        builder(*args, block_id=7)
    assert str(raised.value) == "Argument 'block_id' has incorrect type (expected str, got int)"
    with pytest.raises(ValueError) as error:
        builder(*args, block_id="b" * 256)
    assert str(error.value) == "block_id must hold at most 255 characters, got 256"


class Falsehood:
    def __bool__(self):
        raise RuntimeError("no truth here")


# Calls where more than one argument is wrong: the argument checked first is the one reported.
@pytest.mark.parametrize(
    ("call", "error", "message"),
    [
        (lambda: Section.plain_text(5, block_id=5), TypeError, "Argument 'text' has incorrect type"),
        (lambda: Section.mrkdwn(5, block_id=5), TypeError, "Argument 'text' has incorrect type"),
        (lambda: Section.mrkdwn(None, block_id=5), TypeError, "Argument 'block_id' has incorrect type"),
        (lambda: Header.plain_text("", block_id="b" * 256), ValueError, "block_id must hold"),
        (lambda: Markdown.markdown("x" * 12001, block_id=5), TypeError, "Argument 'block_id' has incorrect type"),
        (lambda: Preformatted.text(b"x", block_id=5), TypeError, "Argument 'text' has incorrect type"),
        (lambda: Section.checkboxes(OPTIONS, 5, block_id=5), TypeError, "Argument 'text' has incorrect type"),
        (lambda: Section.image("t", 5, block_id=5), TypeError, "Argument 'image_url' has incorrect type"),
        (lambda: Actions.buttons(5, block_id=5), TypeError, "Argument 'buttons' has incorrect type"),
        (lambda: Actions.time_picker(5, block_id=5), TypeError, "Argument 'initial_time' has incorrect type"),
        (lambda: Actions.datepickers(5, block_id=5), TypeError, "Argument 'block_id' has incorrect type"),
        (lambda: Actions.radio_buttons(OPTIONS, block_id=5), TypeError, "Argument 'block_id' has incorrect type"),
        (lambda: Actions.checkboxes(OPTIONS, Falsehood()), RuntimeError, "no truth here"),
        (lambda: Section.checkboxes(OPTIONS, "t", Falsehood()), RuntimeError, "no truth here"),
    ],
)
def test_the_first_bad_argument_is_reported(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value).startswith(message)


@pytest.mark.parametrize("no_descriptions", [None, [], (), ""])
def test_false_descriptions_describe_nothing(no_descriptions):
    [section] = Section.checkboxes(OPTIONS, "t", no_descriptions)
    [actions] = Actions.checkboxes(OPTIONS, no_descriptions)
    for element in (section["accessory"], actions["elements"][0]):
        assert all(list(option) == ["text", "value"] for option in element["options"])


def test_empty_builds_stay_empty_and_the_image_keeps_its_default_id():
    assert Section.mrkdwn("", block_id="b") == [] and Header.plain_text("", block_id="b") == []
    assert Image.image("https://x/a.png")[0]["block_id"] == "image_block"
    [block] = Image.image("https://x/a.png", "cat", block_id="hero")
    assert list(block) == ["type", "block_id", "image_url", "alt_text"] and block["block_id"] == "hero"


def test_a_subclass_start_gets_the_block_id_too():
    class Routed(Actions):
        @classmethod
        def init_blocks(cls):
            return [{"type": "actions", "elements": [], "block_id": "theirs"}]

    assert Routed.buttons([{"text": "a"}])[0]["block_id"] == "theirs"
    assert Routed.buttons([{"text": "a"}], block_id="mine")[0]["block_id"] == "mine"


@pytest.mark.parametrize(
    ("button", "action_id"),
    [
        ({"text": "a", "action_id": "approve"}, "approve"),
        ({"text": "a", "action_id": ""}, "action-button-0"),
        ({"text": "a", "action_id": None}, "action-button-0"),
        ({"text": "a"}, "action-button-0"),
    ],
)
def test_a_button_brings_its_own_action_id(button, action_id):
    [element] = Actions.buttons([button])[0]["elements"]
    assert element["action_id"] == action_id and list(element)[:3] == ["type", "text", "action_id"]
    assert Section.button("Go?", button)[0]["accessory"]["action_id"] == action_id


def test_button_message_takes_button_n_action_id():
    message = ButtonMessage(button_1_text="Yes", button_1_action_id="approve", button_2_text="No")
    assert message.buttons == [{"text": "Yes", "action_id": "approve"}, {"text": "No"}]
    assert [e["action_id"] for e in message.build_blocks()[0]["elements"]] == ["approve", "action-button-1"]
    single = ButtonMessage("Deploy?", button_1_text="Go", button_1_action_id="deploy")
    assert single.build_blocks()[0]["accessory"]["action_id"] == "deploy"
    assert ButtonMessage(button_1_text="a", button_1_x_action_id="y").buttons == [{"text": "a"}]


def test_context_images_take_an_alt_text():
    assert Context.image_url("https://x/a.png", "Ana") == {
        "type": "image",
        "image_url": "https://x/a.png",
        "alt_text": "Ana",
    }
    assert Context.image_url("https://x/a.png")["alt_text"] == "image"
    with pytest.raises(TypeError):
        Context.image_url("https://x/a.png", alt_text=None)
