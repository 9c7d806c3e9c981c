"""Section's text builders: shapes, key order, identity, exact errors."""

import pytest
from support import assert_no_leak

from velmora.blocks import Section


class Text(str):
    pass


def test_plain_text_shape_and_key_order():
    text = "hi there"
    (block,) = Section.plain_text(text)
    assert block == {"type": "section", "text": {"type": "plain_text", "text": text, "emoji": True}}
    assert list(block) == ["type", "text"]
    assert list(block["text"]) == ["type", "text", "emoji"]
    assert block["text"]["text"] is text
    assert block["text"]["emoji"] is True


def test_mrkdwn_has_no_emoji_key():
    text = "*bold*"
    (block,) = Section.mrkdwn(text=text)
    assert list(block["text"]) == ["type", "text"]
    assert block["text"] == {"type": "mrkdwn", "text": text}
    assert block["text"]["text"] is text


@pytest.mark.parametrize(
    "call",
    [
        lambda: Section.plain_text(""),
        lambda: Section.mrkdwn(),
        lambda: Section.mrkdwn(None),
        lambda: Section.mrkdwn(""),
    ],
    ids=["plain-empty", "mrkdwn-default", "mrkdwn-none", "mrkdwn-empty"],
)
def test_empty_texts_give_no_block(call):
    assert call() == []


def test_results_are_fresh_objects():
    first, second = Section.plain_text("a"), Section.plain_text("a")
    assert first == second and first is not second and first[0]["text"] is not second[0]["text"]
    assert Section.mrkdwn() is not Section.mrkdwn()


def test_text_fields_keeps_elements_unchanged():
    marker = object()
    texts = ["a", 3, marker]
    (block,) = Section.text_fields(texts)
    assert list(block) == ["type", "fields"]
    assert [list(f) for f in block["fields"]] == [["type", "text"]] * 3
    assert [f["text"] for f in block["fields"]] == ["a", 3, marker]
    assert block["fields"][2]["text"] is marker
    assert texts == ["a", 3, marker]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: Section.plain_text(None), "Argument 'text' has incorrect type (expected str, got NoneType)"),
        (lambda: Section.plain_text(3), "Argument 'text' has incorrect type (expected str, got int)"),
        (lambda: Section.plain_text(Text("x")), "Argument 'text' has incorrect type (expected str, got Text)"),
        (lambda: Section.mrkdwn(b"x"), "Argument 'text' has incorrect type (expected str, got bytes)"),
        (lambda: Section.text_fields(("a",)), "Argument 'texts' has incorrect type (expected list, got tuple)"),
        (lambda: Section.text_fields(None), "Argument 'texts' has incorrect type (expected list, got NoneType)"),
        (lambda: Section.plain_text(), "Section.plain_text() missing 1 required positional argument: 'text'"),
        (lambda: Section.plain_text("a", "b"), "Section.plain_text() takes 1 positional argument but 2 were given"),
        (lambda: Section.mrkdwn("a", "b"), "Section.mrkdwn() takes from 0 to 1 positional arguments but 2 were given"),
        (lambda: Section.plain_text("a", text="b"), "Section.plain_text() got multiple values for argument 'text'"),
        (lambda: Section.plain_text(txt="a"), "Section.plain_text() got an unexpected keyword argument 'txt'"),
    ],
)
def test_bad_calls_raise_type_error_with_exact_message(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_text_fields_empty_list():
    with pytest.raises(ValueError, match="^texts must be a list with at least one element$"):
        Section.text_fields([])


def test_keyword_given_as_str_subclass_still_binds():
    assert Section.plain_text(**{Text("text"): "hi"}) == Section.plain_text("hi")


@pytest.mark.parametrize(
    "call, expect",
    [
        (lambda: Section.plain_text("leak"), ()),
        (lambda: Section.mrkdwn("leak"), ()),
        (lambda: Section.text_fields(["a", "b"]), ()),
        (lambda: Section.plain_text(1), TypeError),
        (lambda: Section.plain_text(nope=1), TypeError),
        (lambda: Section.text_fields([]), ValueError),
    ],
)
def test_no_leaks(call, expect):
    assert_no_leak(call, expect=expect)


def test_caller_strings_keep_their_refcount():
    import sys

    text = "".join(["refcount", "-probe"])
    before = sys.getrefcount(text)
    blocks = Section.plain_text(text)
    assert sys.getrefcount(text) == before + 1
    del blocks
    assert sys.getrefcount(text) == before
