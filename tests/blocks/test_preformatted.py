"""Preformatted.text and PreformattedMessage."""

from __future__ import annotations

import pytest
from slack_sdk.models.blocks import Block

from support import assert_no_leak
from velmora.blocks.preformatted import Preformatted
from velmora.interface import BaseVelmora
from velmora.messages.rich_text import preformatted as preformatted_module
from velmora.messages.rich_text.preformatted import PreformattedMessage


def test_block_shape_and_identity():
    text = "".join(["line 1\n", "  line 2"])
    [block] = Preformatted.text(text)
    assert block == {
        "type": "rich_text",
        "elements": [{"type": "rich_text_preformatted", "elements": [{"type": "text", "text": text}]}],
    }
    assert list(block) == ["type", "elements"]
    assert list(block["elements"][0]) == ["type", "elements"]
    assert list(block["elements"][0]["elements"][0]) == ["type", "text"]
    assert block["elements"][0]["elements"][0]["text"] is text
    assert Block.parse(block).to_dict() == block


def test_empty_text_is_no_block():
    assert Preformatted.text("") == []
    assert Preformatted.text(text="") == []


@pytest.mark.parametrize(
    "value, got", [(None, "NoneType"), (3, "int"), (b"x", "bytes"), (type("S", (str,), {})("x"), "S")]
)
def test_text_must_be_str(value, got):
    message = f"Argument 'text' has incorrect type (expected str, got {got})"
    for call in (lambda: Preformatted.text(value), lambda: PreformattedMessage(value)):
        with pytest.raises(TypeError) as info:
            call()
        assert str(info.value) == message


def test_fresh_blocks():
    one, two = Preformatted.text("x"), Preformatted.text("x")
    assert one == two and one[0]["elements"] is not two[0]["elements"]


def test_message():
    message = PreformattedMessage("a\nb", preview="p", other=1)
    assert isinstance(message, BaseVelmora)
    assert message.text == "a\nb" and message.preview == "p" and message.extras == {"other": 1}
    assert message.build_blocks() == Preformatted.text("a\nb")
    assert PreformattedMessage(text="").build_blocks() == []
    with pytest.raises(TypeError, match=r"missing 1 required positional argument: 'text'"):
        PreformattedMessage()


def test_message_uses_the_builder_from_module_globals(monkeypatch):
    class Fake:
        @classmethod
        def text(cls, text):
            return ("not", "a list") if text == "bad" else [text]

    monkeypatch.setattr(preformatted_module, "Preformatted", Fake)
    assert PreformattedMessage("hi").build_blocks() == ["hi"]
    with pytest.raises(TypeError, match="^Expected list, got tuple$"):
        PreformattedMessage("bad").build_blocks()


def test_no_leak():
    text = "".join(["x", "y"])
    assert_no_leak(lambda: Preformatted.text(text), watch=[text])
    assert_no_leak(lambda: Preformatted.text(1), expect=TypeError)
    assert_no_leak(lambda: PreformattedMessage(text, preview="p").build_blocks(), watch=[text])
    assert_no_leak(lambda: PreformattedMessage(None), expect=TypeError)
