"""velmora.validate: every Block Kit limit, reported with a JSON pointer and a sentence."""

from __future__ import annotations

import copy
import subprocess
import sys
from typing import Any

import pytest
from support import assert_no_leak

from velmora._validate import validate
from velmora.blocks import Context, Section
from velmora.interface import BaseVelmora, InvalidBlocks


def plain(text: str) -> dict[str, Any]:
    return {"type": "plain_text", "text": text}


def md(text: str) -> dict[str, Any]:
    return {"type": "mrkdwn", "text": text}


def section(**keys: Any) -> dict[str, Any]:
    return {"type": "section", "text": md("x"), **keys}


def actions(*elements: Any) -> dict[str, Any]:
    return {"type": "actions", "elements": list(elements)}


def button(**keys: Any) -> dict[str, Any]:
    return {"type": "button", "text": plain("Go"), **keys}


def opts(count: int, **keys: Any) -> list[dict[str, Any]]:
    return [{"text": plain(f"o{i}"), "value": f"value-{i}", **keys} for i in range(count)]


def image(**keys: Any) -> dict[str, Any]:
    return {"type": "image", "image_url": "https://example.com/a.png", "alt_text": "a", **keys}


def table(rows: Any, **keys: Any) -> dict[str, Any]:
    return {"type": "table", "rows": rows, **keys}


def cell(text: str = "c") -> dict[str, Any]:
    return {"type": "raw_text", "text": text}


def rich(*parts: Any) -> dict[str, Any]:
    return {"type": "rich_text", "elements": list(parts)}


def p(path: str, message: str) -> dict[str, str]:
    return {"path": path, "message": message}


VALID = [
    *Section.plain_text("Deploy finished"),
    *Section.mrkdwn("*api* is live"),
    *Section.text_fields(["a", "b"]),
    {"type": "context", "elements": [Context.mrkdwn("note"), Context.image_url("https://example.com/i.png")]},
    {"type": "header", "text": {"type": "plain_text", "text": "h", "emoji": True}},
    {"type": "divider"},
    image(block_id="image_block", title=plain("t")),
    {"type": "image", "slack_file": {"url": "https://files.slack.com/x.png"}, "alt_text": "f"},
    actions(
        button(style="primary", value="v", url="https://example.com", action_id="a"),
        {"type": "static_select", "placeholder": plain("Pick"), "options": opts(100)},
        {"type": "overflow", "options": opts(5, url="https://example.com")},
        {"type": "radio_buttons", "options": opts(10)},
        {"type": "checkboxes", "options": opts(10, description=md("d"))},
        {"type": "datepicker", "initial_date": "2024-02-29", "placeholder": plain("Select a date")},
        {"type": "timepicker", "initial_time": "23:59"},
        {"type": "users_select", "placeholder": plain("Who"), "action_id": "u", "initial_user": "U1"},
        {"type": "multi_static_select", "option_groups": [{"label": plain("g"), "options": opts(2)}]},
    ),
    rich(
        {"type": "rich_text_section", "elements": [{"type": "text", "text": "hi", "style": {"bold": True}}]},
        {"type": "rich_text_list", "style": "bullet", "elements": [{"type": "rich_text_section", "elements": []}]},
        {"type": "rich_text_preformatted", "elements": [{"type": "emoji", "name": "wave"}]},
    ),
    table([[cell(), rich()]] * 100, column_settings=[{"align": "right", "is_wrapped": True}, None]),
    {"type": "video", "anything": "goes"},  # block types without published limits pass
]


def test_valid_messages_have_no_problems() -> None:
    assert validate(VALID) == []
    assert validate({"text": "fallback", "blocks": VALID}) == []
    assert validate({"text": "only text"}) == []
    assert validate(blocks=[]) == []


# One case per limit: (blocks, problems). Paths are JSON pointers into the list given.
CASES = [
    # text objects
    ([section(text=md(""))], [p("/0/text/text", '"text" is empty; it needs at least 1 character.')]),
    ([section(text=md("x" * 3001))], [p("/0/text/text", '"text" is 3001 characters long; Slack allows at most 3000.')]),
    ([section(text={"type": "markdown", "text": "x"})],
     [p("/0/text/type", 'A text object\'s type must be "plain_text" or "mrkdwn", not "markdown".')]),
    ([section(text={**md("x"), "emoji": True})], [p("/0/text/emoji", '"emoji" is allowed only on "plain_text" text objects.')]),
    ([section(text={"type": "mrkdwn", "text": 5})], [p("/0/text/text", '"text" must be a string, not int.')]),
    ([section(text={"type": "mrkdwn"})], [p("/0/text/text", '"text" is missing.')]),
    ([section(text="x")], [p("/0/text", "A text object must be an object (a dict), not str.")]),
    ([section(text={"text": "x"})], [p("/0/text/type", 'A text object needs a "type" string.')]),
    # sections
    ([{"type": "section", "fields": [md("f")] * 11}], [p("/0/fields", '"fields" holds 11 items; a section allows at most 10.')]),
    ([{"type": "section", "fields": [md("f"), md("f" * 2001)]}],
     [p("/0/fields/1/text", '"text" is 2001 characters long; Slack allows at most 2000.')]),
    ([{"type": "section"}], [p("/0", 'A section needs "text" or "fields".')]),
    ([section(accessory=button(style="blue"))], [p("/0/accessory/style", '"style" must be "primary" or "danger", not "blue".')]),
    ([section(accessory={"type": "image", "image_url": "https://example.com/a.png"})], [p("/0/accessory/alt_text", '"alt_text" is missing.')]),
    # actions and buttons
    ([actions(*[button()] * 26)], [p("/0/elements", '"elements" holds 26 items; an actions block allows at most 25.')]),
    ([{"type": "actions"}], [p("/0/elements", '"elements" is missing; an actions block needs it.')]),
    ([actions(button(text=plain("b" * 76)))], [p("/0/elements/0/text/text", '"text" is 76 characters long; Slack allows at most 75.')]),
    ([actions(button(text=md("b")))], [p("/0/elements/0/text/type", 'Text here must be "plain_text", not "mrkdwn".')]),
    ([actions(button(action_id="a" * 256))], [p("/0/elements/0/action_id", '"action_id" is 256 characters long; Slack allows at most 255.')]),
    ([actions(button(url="u" * 3001))], [p("/0/elements/0/url", '"url" is 3001 characters long; Slack allows at most 3000.')]),
    ([actions(button(value="v" * 2001))], [p("/0/elements/0/value", '"value" is 2001 characters long; Slack allows at most 2000.')]),
    ([actions(button(style=1))], [p("/0/elements/0/style", '"style" must be a string, not int.')]),
    ([actions("button")], [p("/0/elements/0", "An element must be an object (a dict), not str.")]),
    # selects and options
    ([actions({"type": "static_select", "options": opts(101)})],
     [p("/0/elements/0/options", '"options" holds 101 items; a select menu allows at most 100.')]),
    ([actions({"type": "multi_static_select", "option_groups": [{"label": plain("g"), "options": opts(1)}] * 101})],
     [p("/0/elements/0/option_groups", '"option_groups" holds 101 items; a select menu allows at most 100.')]),
    ([actions({"type": "static_select", "option_groups": [7]})],
     [p("/0/elements/0/option_groups/0", "An option group must be an object (a dict), not int.")]),
    ([actions({"type": "static_select", "options": [{"text": plain("t" * 76), "value": "v" * 151, "description": plain("d" * 76)}]})],
     [p("/0/elements/0/options/0/text/text", '"text" is 76 characters long; Slack allows at most 75.'),
      p("/0/elements/0/options/0/value", '"value" is 151 characters long; Slack allows at most 150.'),
      p("/0/elements/0/options/0/description/text", '"text" is 76 characters long; Slack allows at most 75.')]),
    ([actions({"type": "static_select", "options": opts(1, url="https://example.com")})],
     [p("/0/elements/0/options/0/url", '"url" is allowed only on the options of an overflow menu.')]),
    ([actions({"type": "static_select", "options": opts(1), "placeholder": plain("p" * 151)})],
     [p("/0/elements/0/placeholder/text", '"text" is 151 characters long; Slack allows at most 150.')]),
    ([actions({"type": "overflow", "options": []})], [p("/0/elements/0/options", '"options" holds 0 items; an overflow menu needs at least 1.')]),
    ([actions({"type": "overflow", "options": opts(6)})], [p("/0/elements/0/options", '"options" holds 6 items; an overflow menu allows at most 5.')]),
    ([actions({"type": "overflow", "options": opts(1, url="u" * 3001)})],
     [p("/0/elements/0/options/0/url", '"url" is 3001 characters long; Slack allows at most 3000.')]),
    ([actions({"type": "radio_buttons", "options": opts(11)})],
     [p("/0/elements/0/options", '"options" holds 11 items; a radio button group allows at most 10.')]),
    ([actions({"type": "checkboxes", "options": opts(11)})],
     [p("/0/elements/0/options", '"options" holds 11 items; a checkbox group allows at most 10.')]),
    ([actions({"type": "checkboxes", "options": [3]})], [p("/0/elements/0/options/0", "An option must be an object (a dict), not int.")]),
    # pickers
    ([actions({"type": "datepicker", "initial_date": "2023-02-29"})],
     [p("/0/elements/0/initial_date", '"initial_date" must be a real date written YYYY-MM-DD, not "2023-02-29".')]),
    ([actions({"type": "timepicker", "initial_time": "24:00"})],
     [p("/0/elements/0/initial_time", '"initial_time" must be a 24-hour time written HH:mm, not "24:00".')]),
    ([actions({"type": "timepicker", "initial_time": "9:00"})],
     [p("/0/elements/0/initial_time", '"initial_time" must be a 24-hour time written HH:mm, not "9:00".')]),
    ([actions({"type": "users_select", "placeholder": md("who")})],
     [p("/0/elements/0/placeholder/type", 'Text here must be "plain_text", not "mrkdwn".')]),
    # context and header
    ([{"type": "context", "elements": [md("c")] * 11}], [p("/0/elements", '"elements" holds 11 items; a context block allows at most 10.')]),
    ([{"type": "context", "elements": [button()]}],
     [p("/0/elements/0/type", 'A context block holds only text objects and images, not "button".')]),
    ([{"type": "header", "text": md("h" * 151)}],
     [p("/0/text/type", 'Text here must be "plain_text", not "mrkdwn".'),
      p("/0/text/text", '"text" is 151 characters long; Slack allows at most 150.')]),
    ([{"type": "header", "text": plain("h" * 151)}], [p("/0/text/text", '"text" is 151 characters long; Slack allows at most 150.')]),
    ([{"type": "header"}], [p("/0/text", '"text" is missing.')]),
    # images
    ([{"type": "image", "alt_text": "a"}], [p("/0", 'An image needs "image_url" or "slack_file".')]),
    ([image(slack_file={"id": "F1"})], [p("/0", 'An image takes "image_url" or "slack_file", not both.')]),
    ([image(image_url="u" * 3001, alt_text="a" * 2001)],
     [p("/0/image_url", '"image_url" is 3001 characters long; Slack allows at most 3000.'),
      p("/0/alt_text", '"alt_text" is 2001 characters long; Slack allows at most 2000.')]),
    ([image(title=md("t"))], [p("/0/title/type", 'Text here must be "plain_text", not "mrkdwn".')]),
    ([image(title=plain("t" * 2001))], [p("/0/title/text", '"text" is 2001 characters long; Slack allows at most 2000.')]),
    # tables
    ([table([[cell()]] * 101)], [p("/0/rows", '"rows" holds 101 items; a table allows at most 100.')]),
    ([table([[cell()] * 21])], [p("/0/rows/0", "A table row holds 21 cells; Slack allows at most 20.")]),
    ([table([[md("x")]])], [p("/0/rows/0/0/type", 'A table cell must be "raw_text" or "rich_text", not "mrkdwn".')]),
    ([table(["a"])], [p("/0/rows/0", "A table row must be a list of cells, not str.")]),
    ([table([], column_settings=[{"align": "middle", "is_wrapped": "yes"}] + [None] * 20)],
     [p("/0/column_settings", '"column_settings" holds 21 items; a table allows at most 20.'),
      p("/0/column_settings/0/is_wrapped", '"is_wrapped" must be true or false, not str.'),
      p("/0/column_settings/0/align", '"align" must be "left", "center" or "right", not "middle".')]),
    ([table([]), table([])], [p("/1", "A message holds at most one table; this is the second.")]),
    # rich text
    ([rich({"type": "rich_text_list", "style": "dashed", "elements": [md("x")]})],
     [p("/0/elements/0/style", '"style" must be "bullet" or "ordered", not "dashed".'),
      p("/0/elements/0/elements/0/type", 'A list item must be a "rich_text_section", not "mrkdwn".')]),
    ([rich({"type": "paragraph", "elements": []})],
     [p("/0/elements/0/type", 'A rich-text part must be "rich_text_section", "rich_text_list", '
                              '"rich_text_preformatted" or "rich_text_quote", not "paragraph".')]),
    ([rich({"type": "rich_text_quote", "elements": ["hi"]})],
     [p("/0/elements/0/elements/0", "A rich-text element must be an object (a dict), not str.")]),
    # message-wide
    ([{"type": "divider"}] * 51, [p("", "A message holds at most 50 blocks; this one has 51.")]),
    ([section(block_id="b" * 256)], [p("/0/block_id", '"block_id" is 256 characters long; Slack allows at most 255.')]),
    ([image(block_id="image_block"), image(block_id="image_block")],
     [p("/1/block_id", 'block_id "image_block" is already used by an earlier block; each must be unique.')]),
    ([7, {"text": md("x")}], [p("/0", "A block must be an object (a dict), not int."), p("/1/type", 'A block needs a "type" string.')]),
]


@pytest.mark.parametrize(("blocks", "problems"), CASES)
def test_each_limit(blocks: list[Any], problems: list[dict[str, str]]) -> None:
    before = copy.deepcopy(blocks)
    found = validate(blocks)
    assert found == problems
    assert all(list(problem) == ["path", "message"] for problem in found)
    assert blocks == before


@pytest.mark.parametrize(
    ("payload", "problems"),
    [
        ({"text": "x", "blocks": [{"type": "header"}]}, [p("/blocks/0/text", '"text" is missing.')]),
        ({"text": "x" * 40001}, [p("/text", "The fallback text is 40001 characters long; Slack cuts it at 40,000.")]),
        ({"text": 5, "blocks": []}, [p("/text", '"text" must be a string, not int.')]),
        ({"blocks": {"type": "divider"}}, [p("/blocks", "Blocks must be a list, not dict.")]),
        ({}, [p("", 'A message needs "text" or "blocks".')]),
    ],
)
def test_payloads(payload: dict[str, Any], problems: list[dict[str, str]]) -> None:
    assert validate(payload) == problems


@pytest.mark.parametrize(
    ("args", "kwargs", "message"),
    [
        ((5,), {}, "validate() expects a list of blocks or a payload dict, got int"),
        (('[{"type": "divider"}]',), {}, "validate() expects a list of blocks or a payload dict, got str"),
        ((), {}, "validate() missing 1 required positional argument: 'blocks'"),
        (([], []), {}, "validate() takes 1 positional argument but 2 were given"),
        ((), {"block": []}, "validate() got an unexpected keyword argument 'block'"),
    ],
)
def test_bad_calls(args: tuple[Any, ...], kwargs: dict[str, Any], message: str) -> None:
    with pytest.raises(TypeError) as raised:
        validate(*args, **kwargs)
    assert str(raised.value) == message


def test_caller_objects_stay_put() -> None:
    text = "x" * 3001
    blocks = [section(text=md(text))]
    (problem,) = validate(blocks)
    assert blocks[0]["text"]["text"] is text
    assert validate(blocks) is not validate(blocks)  # a new list each call


class Sneaky:
    """A key that compares equal to "type" and empties the blocks list while compared."""

    def __init__(self, victim: list[Any]) -> None:
        self.victim = victim

    def __hash__(self) -> int:
        return hash("type")

    def __eq__(self, other: object) -> bool:
        self.victim.clear()
        return False


def test_blocks_changed_during_the_check_do_not_crash() -> None:
    blocks: list[Any] = []
    blocks += [{Sneaky(blocks): 1, "type": "section"}, {"type": "divider"}]
    assert validate(blocks) == [p("/0", 'A section needs "text" or "fields".')]
    assert blocks == []


def test_no_leaks() -> None:
    bad = [section(text=md("")), actions(*[button(style="x")] * 26), table([]), table([])]
    assert_no_leak(lambda: validate(VALID), watch=VALID, times=200)
    assert_no_leak(lambda: validate({"text": "x" * 40001, "blocks": bad}), watch=bad)
    assert_no_leak(lambda: validate(5), expect=TypeError)
    assert_no_leak(lambda: validate([], x=1), expect=TypeError)


# ---- refusing a message ----------------------------------------------------------------------


class Blocks(BaseVelmora):
    def __init__(self, blocks: list[Any], **kwargs: Any) -> None:
        super().__init__(**kwargs)
        self.blocks = blocks

    def build_blocks(self) -> list[Any]:
        return self.blocks


def test_strict_payload() -> None:
    good = Blocks(Section.plain_text("hi"), preview="hi")
    assert good.payload(strict=True) == good.payload() == {"text": "hi", "blocks": Section.plain_text("hi")}
    bad = Blocks([section(text=md("")), {"type": "header", "text": md("h")}])
    with pytest.raises(InvalidBlocks) as raised:
        bad.payload(strict=True)
    assert isinstance(raised.value, ValueError)
    assert raised.value.problems == [
        p("/blocks/0/text/text", '"text" is empty; it needs at least 1 character.'),
        p("/blocks/1/text/type", 'Text here must be "plain_text", not "mrkdwn".'),
    ]
    assert str(raised.value) == (
        "the message breaks 2 Block Kit limits:\n"
        '  /blocks/0/text/text: "text" is empty; it needs at least 1 character.\n'
        '  /blocks/1/text/type: Text here must be "plain_text", not "mrkdwn".'
    )
    assert bad.payload()["blocks"] is bad.blocks  # not strict: built as it is
    with pytest.raises(InvalidBlocks):
        bad.send(strict=True)
    assert bad.slack_bot.sent == []


def test_validate_is_loaded_lazily() -> None:
    code = (
        "import sys, velmora\n"
        "assert 'velmora._validate' not in sys.modules and 'velmora.interface' not in sys.modules\n"
        "from velmora._validate import validate\n"
        "assert velmora.validate is validate and 'validate' in dir(velmora)\n"
        "assert velmora.InvalidBlocks.__module__ == 'velmora'\n"
        "try:\n    velmora.nothing\nexcept AttributeError as e:\n    assert str(e) == \"module 'velmora' has no attribute 'nothing'\"\n"
    )
    subprocess.run([sys.executable, "-c", code], check=True)


# ---- anything at all -------------------------------------------------------------------------

from hypothesis import given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402

KEYS = st.sampled_from(["type", "text", "blocks", "elements", "fields", "options", "rows", "accessory",
                        "image_url", "slack_file", "alt_text", "style", "block_id", "placeholder", "title",
                        "option_groups", "column_settings", "initial_date", "initial_time", "emoji", "url"])
TYPES = st.sampled_from(["section", "actions", "context", "header", "image", "table", "rich_text", "button",
                         "static_select", "overflow", "datepicker", "timepicker", "plain_text", "mrkdwn",
                         "raw_text", "rich_text_list", "rich_text_section"])
JSON = st.recursive(
    st.none() | st.booleans() | st.integers() | st.floats(allow_nan=False) | st.text(max_size=5) | TYPES,
    lambda inner: st.lists(inner, max_size=4) | st.dictionaries(KEYS, inner | TYPES, max_size=5),
    max_leaves=30,
)


@settings(max_examples=200, deadline=None)
@given(st.lists(JSON, max_size=4) | st.dictionaries(KEYS, JSON, max_size=4))
def test_any_json_gives_a_list_of_problems(value: Any) -> None:
    before = copy.deepcopy(value)
    problems = validate(value)
    assert isinstance(problems, list)
    assert all(list(p) == ["path", "message"] and p["path"].startswith("/") or p["path"] == "" for p in problems)
    assert value == before
