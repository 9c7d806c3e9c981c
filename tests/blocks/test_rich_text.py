"""RichText builders and Markdown.markdown: shapes, key order, identity, errors, Slack's own models."""

from __future__ import annotations

import inspect

import pytest
from slack_sdk.models.blocks import Block

from support import assert_no_leak, sdk_view
from velmora import validate
from velmora.blocks.markdown import Markdown
from velmora.blocks.rich_text import RichText as R
from velmora.blocks.rich_text import RickText


def assert_slack_takes(blocks):
    assert validate(blocks) == []
    for block in blocks:
        assert Block.parse(block).to_dict() == sdk_view(block)


T = {"type": "text", "text": "a"}
SECTION = {"type": "rich_text_section", "elements": [T]}

# (call, expected): exact values, key order checked by list() all the way down.
SHAPES = [
    (lambda: R.text("a"), T),
    (
        lambda: R.text("a", underline=True, bold=1, code="yes", italic=0),
        {"type": "text", "text": "a", "style": {"bold": True, "code": True, "underline": True}},
    ),
    (
        lambda: R.text(text="a", strike=True, italic=True),
        {"type": "text", "text": "a", "style": {"italic": True, "strike": True}},
    ),
    (lambda: R.link("https://x"), {"type": "link", "url": "https://x"}),
    (lambda: R.link("https://x", "", bold=False), {"type": "link", "url": "https://x"}),
    (
        lambda: R.link("https://x", "docs", code=True),
        {"type": "link", "url": "https://x", "text": "docs", "style": {"code": True}},
    ),
    (lambda: R.emoji(":tada:"), {"type": "emoji", "name": "tada"}),
    (lambda: R.emoji("thumbsup::skin-tone-2"), {"type": "emoji", "name": "thumbsup::skin-tone-2"}),
    (lambda: R.user("U1"), {"type": "user", "user_id": "U1"}),
    (lambda: R.channel("C1"), {"type": "channel", "channel_id": "C1"}),
    (lambda: R.usergroup("S1"), {"type": "usergroup", "usergroup_id": "S1"}),
    (lambda: R.broadcast("everyone"), {"type": "broadcast", "range": "everyone"}),
    (
        lambda: R.date(1700000000, "{date_short}", fallback="Nov 14", url="https://x"),
        {"type": "date", "timestamp": 1700000000, "format": "{date_short}", "url": "https://x", "fallback": "Nov 14"},
    ),
    (lambda: R.date(0, "{time}", fallback=None, url=""), {"type": "date", "timestamp": 0, "format": "{time}"}),
    (
        lambda: R.section("a", R.emoji("x")),
        {"type": "rich_text_section", "elements": [T, {"type": "emoji", "name": "x"}]},
    ),
    (lambda: R.list(["a"]), {"type": "rich_text_list", "style": "bullet", "elements": [SECTION]}),
    (
        lambda: R.list(["a", ["a", R.user("U1")], SECTION], style="ordered", indent=8, offset=2, border=1),
        {
            "type": "rich_text_list",
            "style": "ordered",
            "elements": [
                SECTION,
                {"type": "rich_text_section", "elements": [T, {"type": "user", "user_id": "U1"}]},
                SECTION,
            ],
            "indent": 8,
            "offset": 2,
            "border": 1,
        },
    ),
    (
        lambda: R.list(["a"], indent=0, offset=0, border=0),
        {"type": "rich_text_list", "style": "bullet", "elements": [SECTION]},
    ),
    (lambda: R.quote("a"), {"type": "rich_text_quote", "elements": [T]}),
    (lambda: R.quote("a", border=1), {"type": "rich_text_quote", "elements": [T], "border": 1}),
    (
        lambda: R.preformatted("a", R.link("https://x"), language="python", border=1),
        {
            "type": "rich_text_preformatted",
            "elements": [T, {"type": "link", "url": "https://x"}],
            "language": "python",
            "border": 1,
        },
    ),
    (lambda: R.block("a"), [{"type": "rich_text", "elements": [SECTION]}]),
    (
        lambda: R.block(R.list(["a"]), "a", block_id="b1"),
        [
            {
                "type": "rich_text",
                "elements": [{"type": "rich_text_list", "style": "bullet", "elements": [SECTION]}, SECTION],
                "block_id": "b1",
            }
        ],
    ),
    (lambda: Markdown.markdown("**a**"), [{"type": "markdown", "text": "**a**"}]),
    (
        lambda: Markdown.markdown("a" * 12000, block_id="m"),
        [{"type": "markdown", "text": "a" * 12000, "block_id": "m"}],
    ),
    (lambda: Markdown.markdown(""), []),
]


def same(a, b) -> bool:
    if isinstance(a, dict):
        return type(b) is dict and list(a) == list(b) and all(same(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return type(b) is list and len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    return type(a) is type(b) and a == b


@pytest.mark.parametrize(("call", "expected"), SHAPES)
def test_shapes(call, expected):
    got = call()
    assert same(got, expected), got
    blocks = (
        got
        if isinstance(got, list)
        else R.block(got)
        if got["type"].startswith("rich_text_")
        else R.block(R.section(got))
    )
    assert_slack_takes(blocks)
    assert_no_leak(call, times=500)


def test_caller_objects_are_placed_not_copied():
    text, url, element, item = "x" + str(id(R)), "https://" + str(id(R)), R.user("U1"), R.section("b")
    assert R.text(text)["text"] is text and R.link(url, text)["url"] is url
    section = R.section(text, element)
    assert section["elements"][0]["text"] is text and section["elements"][1] is element
    listed = R.list([item, [element]])
    assert listed["elements"][0] is item and listed["elements"][1]["elements"][0] is element
    [block] = R.block(section)
    assert block["elements"][0] is section and R.block(section)[0] is not block


ERRORS = [
    (lambda: R.text(""), ValueError, "text must not be empty: Slack shows no empty rich-text element"),
    (lambda: R.section("a", ""), ValueError, "text must not be empty: Slack shows no empty rich-text element"),
    (lambda: R.text(type("S", (str,), {})("a")), TypeError, "Argument 'text' has incorrect type (expected str, got S)"),
    (lambda: R.text("a", True), TypeError, "RichText.text() takes 1 positional argument but 2 were given"),
    (lambda: R.text("a", bolt=True), TypeError, "RichText.text() got an unexpected keyword argument 'bolt'"),
    (lambda: R.link(""), ValueError, "url must not be empty"),
    (lambda: R.link("https://x", 3), TypeError, "Argument 'text' has incorrect type (expected str, got int)"),
    (
        lambda: R.link("https://x", "t", underline=True),
        TypeError,
        "RichText.link() got an unexpected keyword argument 'underline'",
    ),
    (lambda: R.emoji("::"), ValueError, 'name must hold an emoji\'s name, such as "tada" or ":tada:"'),
    (lambda: R.user(""), ValueError, "user_id must not be empty"),
    (lambda: R.channel(None), TypeError, "Argument 'channel_id' has incorrect type (expected str, got NoneType)"),
    (lambda: R.broadcast("all"), ValueError, 'range must be "here", "channel" or "everyone", got \'all\''),
    (lambda: R.date(1.5, "{date}"), TypeError, "Argument 'timestamp' has incorrect type (expected int, got float)"),
    (lambda: R.date(True, "{date}"), TypeError, "Argument 'timestamp' has incorrect type (expected int, got bool)"),
    (lambda: R.date(1, ""), ValueError, "format must not be empty"),
    (lambda: R.date(2**63, "{date}"), ValueError, f"timestamp must be a Unix time in seconds, got {2**63}"),
    (lambda: R.date(1), TypeError, "RichText.date() missing 1 required positional argument: 'format'"),
    (lambda: R.section(), ValueError, "a rich-text section needs at least one element"),
    (lambda: R.section(3), TypeError, "Argument 'elements' has incorrect type (expected str or dict, got int)"),
    (lambda: R.section(x=1), TypeError, "RichText.section() got an unexpected keyword argument 'x'"),
    (lambda: R.list([]), ValueError, "items must be a list with at least one item"),
    (lambda: R.list(("a",)), TypeError, "Argument 'items' has incorrect type (expected list, got tuple)"),
    (lambda: R.list([3]), TypeError, "Argument 'items' has incorrect type (expected str, list or dict, got int)"),
    (lambda: R.list([[]]), ValueError, "a list item needs at least one element"),
    (lambda: R.list(["a"], style="dashed"), ValueError, 'style must be "bullet" or "ordered", got \'dashed\''),
    (lambda: R.list(["a"], indent=9), ValueError, "indent must be 0 to 8, got 9"),
    (lambda: R.list(["a"], offset=-1), ValueError, "offset must be 0 or more, got -1"),
    (lambda: R.list(["a"], border=2**70), ValueError, f"border must be 0 or 1, got {2**70}"),
    (lambda: R.list(["a"], border=True), TypeError, "Argument 'border' has incorrect type (expected int, got bool)"),
    (lambda: R.quote(), ValueError, "a rich-text quote needs at least one element"),
    (lambda: R.preformatted(), ValueError, "preformatted text needs at least one element"),
    (
        lambda: R.preformatted("a", language=1),
        TypeError,
        "Argument 'language' has incorrect type (expected str, got int)",
    ),
    (lambda: R.block(), ValueError, "a rich-text block needs at least one part"),
    (lambda: R.block(["a"]), TypeError, "Argument 'parts' has incorrect type (expected str or dict, got list)"),
    (lambda: R.block("a", block_id="b" * 256), ValueError, "block_id must hold at most 255 characters, got 256"),
    (lambda: Markdown.markdown(None), TypeError, "Argument 'text' has incorrect type (expected str, got NoneType)"),
    (
        lambda: Markdown.markdown("a", "b"),
        TypeError,
        "Markdown.markdown() takes 1 positional argument but 2 were given",
    ),
]


@pytest.mark.parametrize(("call", "error", "message"), ERRORS)
def test_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


def test_a_style_flag_that_cannot_say_true_or_false_propagates():
    class Bad:
        def __bool__(self):
            raise ZeroDivisionError("no truth")

    with pytest.raises(ZeroDivisionError, match="no truth"):
        R.text("a", bold=Bad())


def test_subclasses_and_the_placeholders_stay():
    class Mine(R):
        pass

    assert Mine.block("a") == R.block("a") and Mine.text.__self__ is Mine
    assert [getattr(RickText, name)() for name in ("list", "preformatted", "quote", "strike")] == [None] * 4
    assert str(inspect.signature(R.quote)) == "(*elements, border=0)"
