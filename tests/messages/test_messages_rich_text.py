"""RichTextMessage and MarkdownMessage: what each hands its builder, and what it builds."""

from __future__ import annotations

import pytest

from velmora.blocks import Markdown, RichText
from velmora.messages import MarkdownMessage, RichTextMessage
from velmora.markdown import to_blocks


@pytest.mark.parametrize(
    ("make", "expected"),
    [
        (lambda: RichTextMessage("a", RichText.quote("b")), lambda: RichText.block("a", RichText.quote("b"))),
        (
            lambda: RichTextMessage(*(f"line {i}" for i in range(30))),
            lambda: RichText.block(*(f"line {i}" for i in range(30))),
        ),
        (lambda: MarkdownMessage("**x**"), lambda: Markdown.markdown("**x**")),
        (lambda: MarkdownMessage(""), list),
        (lambda: MarkdownMessage("# T\n\n**x**", native=True), lambda: to_blocks("# T\n\n**x**")),
        (lambda: MarkdownMessage("# T", native=1), lambda: to_blocks("# T")),
    ],
)
def test_blocks_are_the_builders(make, expected):
    assert make().build_blocks() == expected()


def test_parts_are_kept_and_read_again_on_every_build():
    part = RichText.section("x")
    message = RichTextMessage("a", part, preview="p")
    assert message.parts == ("a", part) and message.parts[1] is part and message.preview == "p"
    message.parts = ("changed",)
    assert message.build_blocks() == RichText.block("changed")
    with pytest.raises(ValueError):
        RichTextMessage().build_blocks()  # a rich-text block needs content, as RichText.block says


def test_markdown_switches_on_native_at_build_time():
    message = MarkdownMessage("# T")
    assert [b["type"] for b in message.build_blocks()] == ["markdown"]
    message.native = True
    assert [b["type"] for b in message.build_blocks()] == ["header"]
