"""velmora.Message (parts of any kind), message + message, Context.block, and the warning for a
keyword that looks like a misspelt parameter."""

from __future__ import annotations

import warnings

import pytest

import velmora
from velmora.blocks import Context, Section
from velmora.interface import BaseVelmora
from velmora.messages import ButtonMessage, HeaderMessage, MarkdownMessage, Message

DIVIDER = {"type": "divider"}


def test_parts_keep_their_order_and_the_caller_s_blocks():
    header = HeaderMessage("Deploy", divider=False)
    section = Section.mrkdwn("*done*")
    divider = dict(DIVIDER)
    message = velmora.Message(header, section, divider, [], preview="p", channel="C1")
    blocks = message.build_blocks()
    assert [b["type"] for b in blocks] == ["header", "section", "divider"]
    assert blocks[1] is section[0] and blocks[2] is divider
    assert message.parts == (header, section, divider, []) and message.parts[0] is header
    assert (message.preview, message.extras) == ("p", {"channel": "C1"})
    header.header = "Deployed"  # a message part is built when the whole is
    assert message.build_blocks()[0]["text"]["text"] == "Deployed"
    assert repr(Message(header, [DIVIDER])) == (
        "Message(parts=(HeaderMessage(header='Deployed', divider=False), [{'type': 'divider'}]))"
    )
    assert velmora.Message is Message and Message().build_blocks() == []


class Odd(BaseVelmora):
    def __init__(self, result):
        super().__init__()
        self.result = result

    def build_blocks(self):
        return self.result


@pytest.mark.parametrize(
    ("part", "error", "text"),
    [
        (3, TypeError, "a part of a Message is a list of blocks, a block (dict) or a message, got int"),
        ("text", TypeError, "a part of a Message is a list of blocks, a block (dict) or a message, got str"),
        (HeaderMessage, TypeError, "a part of a Message is a list of blocks, a block (dict) or a message, got type"),
        (Odd("blocks"), TypeError, "Expected list, got str"),
    ],
)
def test_parts_of_another_kind_are_refused_when_built(part, error, text):
    message = Message(DIVIDER, part)
    with pytest.raises(error) as info:
        message.build_blocks()
    assert str(info.value) == text


def test_a_message_inside_itself_is_a_recursion_error():
    message = Message()
    message.parts = (message,)
    with pytest.raises(RecursionError):
        message.build_blocks()
    assert Message(Odd(None), DIVIDER).build_blocks() == [DIVIDER]


@pytest.mark.parametrize(
    ("left", "right", "types"),
    [
        (HeaderMessage("a", divider=False), MarkdownMessage("b"), ["header", "markdown"]),
        ([DIVIDER], HeaderMessage("a", divider=False), ["divider", "header"]),
        (HeaderMessage("a", divider=False), DIVIDER, ["header", "divider"]),
    ],
)
def test_adding_messages_makes_a_message(left, right, types):
    total = left + right
    assert type(total) is Message and total.parts == (left, right)
    assert [b["type"] for b in total.build_blocks()] == types


@pytest.mark.parametrize("other", [3, "text", None])
def test_a_message_adds_only_messages_and_blocks(other):
    with pytest.raises(TypeError, match="unsupported operand"):
        HeaderMessage("a") + other
    with pytest.raises(TypeError, match="unsupported operand|can only concatenate"):
        other + HeaderMessage("a")


@pytest.mark.parametrize(
    ("call", "expected"),
    [
        (lambda: Context.block("*a*"), [{"type": "context", "elements": [{"type": "mrkdwn", "text": "*a*"}]}]),
        (
            lambda: Context.block("a", Context.image_url("https://x/a.png", "A"), block_id="c"),
            [
                {
                    "type": "context",
                    "elements": [
                        {"type": "mrkdwn", "text": "a"},
                        {"type": "image", "image_url": "https://x/a.png", "alt_text": "A"},
                    ],
                    "block_id": "c",
                }
            ],
        ),
        (lambda: Context.block(), ValueError("a context block needs at least one element")),
        (
            lambda: Context.block(["a"]),
            TypeError("Argument 'elements' has incorrect type (expected str or dict, got list)"),
        ),
    ],
)
def test_context_block(call, expected):
    if isinstance(expected, Exception):
        with pytest.raises(type(expected)) as info:
            call()
        assert str(info.value) == str(expected)
    else:
        assert call() == expected
        assert list(call()[0]) == list(expected[0])  # key order: type, elements, block_id


class Titled(HeaderMessage):
    def __init__(self, header, *, subtitle=None, **kwargs):
        super().__init__(header, **kwargs)
        self.subtitle = subtitle


@pytest.mark.parametrize(
    ("cls", "args", "keyword", "warning"),
    [
        (HeaderMessage, ("a",), "divder", "HeaderMessage got 'divder'; did you mean 'divider'?"),
        (HeaderMessage, ("a",), "previw", "HeaderMessage got 'previw'; did you mean 'preview'?"),
        (Titled, ("a",), "subtile", "Titled got 'subtile'; did you mean 'subtitle'?"),
        (MarkdownMessage, ("a",), "natve", "MarkdownMessage got 'natve'; did you mean 'native'?"),
        (HeaderMessage, ("a",), "channel", None),
        (ButtonMessage, (), "txt", "ButtonMessage got 'txt'; did you mean 'text'?"),
    ],
)
def test_a_keyword_close_to_a_parameter_warns_once_and_stays_in_extras(cls, args, keyword, warning):
    kwargs = {keyword: 1, "button_1_text": "b"} if cls is ButtonMessage else {keyword: 1}
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        first, second = cls(*args, **kwargs), cls(*args, **kwargs)
    assert first.extras == second.extras == {keyword: 1}
    assert [(w.category, str(w.message)) for w in caught] == ([(UserWarning, warning)] if warning else [])
    if warning:
        assert caught[0].filename == __file__  # points at the caller
