"""velmora.validate: every Block Kit limit, reported with a JSON pointer and a sentence."""

from __future__ import annotations

import copy
import json
import subprocess
import sys
from typing import Any

import pytest
from message_fakes import Blocks
from support import assert_no_leak

from velmora import _limits
from velmora._validate import _unsplittable, validate
from velmora.blocks import Context, Section
from velmora.interface import InvalidBlocks


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
        {
            "type": "rich_text_list",
            "style": "bullet",
            "elements": [{"type": "rich_text_section", "elements": [{"type": "emoji", "name": "wave"}]}],
        },
        {"type": "rich_text_preformatted", "elements": [{"type": "text", "text": "x = 1"}]},
    ),
    table([[cell(), rich()]] * 100, column_settings=[{"align": "right", "is_wrapped": True}, {}]),
    {
        "type": "video",
        "alt_text": "demo",
        "title": plain("Demo"),
        "video_url": "https://example.com/v.mp4",
        "thumbnail_url": "https://example.com/v.png",
    },
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
    (
        [section(text={"type": "markdown", "text": "x"})],
        [p("/0/text/type", 'A text object\'s type must be "plain_text" or "mrkdwn", not "markdown".')],
    ),
    (
        [section(text={**md("x"), "emoji": True})],
        [p("/0/text/emoji", '"emoji" is allowed only on "plain_text" text objects.')],
    ),
    ([section(text={"type": "mrkdwn", "text": 5})], [p("/0/text/text", '"text" must be a string, not int.')]),
    ([section(text={"type": "mrkdwn"})], [p("/0/text/text", '"text" is missing.')]),
    ([section(text="x")], [p("/0/text", "A text object must be an object (a dict), not str.")]),
    ([section(text={"text": "x"})], [p("/0/text/type", 'A text object needs a "type" string.')]),
    # sections
    (
        [{"type": "section", "fields": [md("f")] * 11}],
        [p("/0/fields", '"fields" holds 11 items; a section allows at most 10.')],
    ),
    (
        [{"type": "section", "fields": [md("f"), md("f" * 2001)]}],
        [p("/0/fields/1/text", '"text" is 2001 characters long; Slack allows at most 2000.')],
    ),
    ([{"type": "section"}], [p("/0", 'A section needs "text" or "fields".')]),
    (
        [section(accessory=button(style="blue"))],
        [p("/0/accessory/style", '"style" must be "primary" or "danger", not "blue".')],
    ),
    (
        [section(accessory={"type": "image", "image_url": "https://example.com/a.png"})],
        [p("/0/accessory/alt_text", '"alt_text" is missing.')],
    ),
    # actions and buttons
    ([actions(*[button()] * 26)], [p("/0/elements", '"elements" holds 26 items; an actions block allows at most 25.')]),
    ([{"type": "actions"}], [p("/0/elements", '"elements" is missing; an actions block needs it.')]),
    (
        [actions(button(text=plain("b" * 76)))],
        [p("/0/elements/0/text/text", '"text" is 76 characters long; Slack allows at most 75.')],
    ),
    ([actions(button(text=md("b")))], [p("/0/elements/0/text/type", 'Text here must be "plain_text", not "mrkdwn".')]),
    (
        [actions(button(action_id="a" * 256))],
        [p("/0/elements/0/action_id", '"action_id" is 256 characters long; Slack allows at most 255.')],
    ),
    (
        [actions(button(url="u" * 3001))],
        [p("/0/elements/0/url", '"url" is 3001 characters long; Slack allows at most 3000.')],
    ),
    (
        [actions(button(value="v" * 2001))],
        [p("/0/elements/0/value", '"value" is 2001 characters long; Slack allows at most 2000.')],
    ),
    ([actions(button(style=1))], [p("/0/elements/0/style", '"style" must be a string, not int.')]),
    ([actions("button")], [p("/0/elements/0", "An element must be an object (a dict), not str.")]),
    # selects and options
    (
        [actions({"type": "static_select", "options": opts(101)})],
        [p("/0/elements/0/options", '"options" holds 101 items; a select menu allows at most 100.')],
    ),
    (
        [actions({"type": "multi_static_select", "option_groups": [{"label": plain("g"), "options": opts(1)}] * 101})],
        [p("/0/elements/0/option_groups", '"option_groups" holds 101 items; a select menu allows at most 100.')],
    ),
    (
        [actions({"type": "static_select", "option_groups": [7]})],
        [p("/0/elements/0/option_groups/0", "An option group must be an object (a dict), not int.")],
    ),
    (
        [
            actions(
                {
                    "type": "static_select",
                    "options": [{"text": plain("t" * 76), "value": "v" * 151, "description": plain("d" * 76)}],
                }
            )
        ],
        [
            p("/0/elements/0/options/0/text/text", '"text" is 76 characters long; Slack allows at most 75.'),
            p("/0/elements/0/options/0/value", '"value" is 151 characters long; Slack allows at most 150.'),
            p("/0/elements/0/options/0/description/text", '"text" is 76 characters long; Slack allows at most 75.'),
        ],
    ),
    (
        [actions({"type": "static_select", "options": opts(1, url="https://example.com")})],
        [p("/0/elements/0/options/0/url", '"url" is allowed only on the options of an overflow menu.')],
    ),
    (
        [actions({"type": "static_select", "options": opts(1), "placeholder": plain("p" * 151)})],
        [p("/0/elements/0/placeholder/text", '"text" is 151 characters long; Slack allows at most 150.')],
    ),
    (
        [actions({"type": "overflow", "options": []})],
        [p("/0/elements/0/options", '"options" holds 0 items; an overflow menu needs at least 1.')],
    ),
    (
        [actions({"type": "overflow", "options": opts(6)})],
        [p("/0/elements/0/options", '"options" holds 6 items; an overflow menu allows at most 5.')],
    ),
    (
        [actions({"type": "overflow", "options": opts(1, url="u" * 3001)})],
        [p("/0/elements/0/options/0/url", '"url" is 3001 characters long; Slack allows at most 3000.')],
    ),
    (
        [actions({"type": "radio_buttons", "options": opts(11)})],
        [p("/0/elements/0/options", '"options" holds 11 items; a radio button group allows at most 10.')],
    ),
    (
        [actions({"type": "checkboxes", "options": opts(11)})],
        [p("/0/elements/0/options", '"options" holds 11 items; a checkbox group allows at most 10.')],
    ),
    (
        [actions({"type": "checkboxes", "options": [3]})],
        [p("/0/elements/0/options/0", "An option must be an object (a dict), not int.")],
    ),
    # pickers
    (
        [actions({"type": "datepicker", "initial_date": "2023-02-29"})],
        [p("/0/elements/0/initial_date", '"initial_date" must be a real date written YYYY-MM-DD, not "2023-02-29".')],
    ),
    (
        [actions({"type": "timepicker", "initial_time": "24:00"})],
        [p("/0/elements/0/initial_time", '"initial_time" must be a 24-hour time written HH:mm, not "24:00".')],
    ),
    (
        [actions({"type": "timepicker", "initial_time": "9:00"})],
        [p("/0/elements/0/initial_time", '"initial_time" must be a 24-hour time written HH:mm, not "9:00".')],
    ),
    (
        [actions({"type": "users_select", "placeholder": md("who")})],
        [p("/0/elements/0/placeholder/type", 'Text here must be "plain_text", not "mrkdwn".')],
    ),
    # context and header
    (
        [{"type": "context", "elements": [md("c")] * 11}],
        [p("/0/elements", '"elements" holds 11 items; a context block allows at most 10.')],
    ),
    (
        [{"type": "context", "elements": [button()]}],
        [p("/0/elements/0/type", 'A context block holds only text objects and images, not "button".')],
    ),
    (
        [{"type": "header", "text": md("h" * 151)}],
        [
            p("/0/text/type", 'Text here must be "plain_text", not "mrkdwn".'),
            p("/0/text/text", '"text" is 151 characters long; Slack allows at most 150.'),
        ],
    ),
    (
        [{"type": "header", "text": plain("h" * 151)}],
        [p("/0/text/text", '"text" is 151 characters long; Slack allows at most 150.')],
    ),
    ([{"type": "header"}], [p("/0/text", '"text" is missing.')]),
    # images
    ([{"type": "image", "alt_text": "a"}], [p("/0", 'An image needs "image_url" or "slack_file".')]),
    ([image(slack_file={"id": "F1"})], [p("/0", 'An image takes "image_url" or "slack_file", not both.')]),
    (
        [image(image_url="u" * 3001, alt_text="a" * 2001)],
        [
            p("/0/image_url", '"image_url" is 3001 characters long; Slack allows at most 3000.'),
            p("/0/alt_text", '"alt_text" is 2001 characters long; Slack allows at most 2000.'),
        ],
    ),
    ([image(title=md("t"))], [p("/0/title/type", 'Text here must be "plain_text", not "mrkdwn".')]),
    (
        [image(title=plain("t" * 2001))],
        [p("/0/title/text", '"text" is 2001 characters long; Slack allows at most 2000.')],
    ),
    # tables
    ([table([[cell()]] * 101)], [p("/0/rows", '"rows" holds 101 items; a table allows at most 100.')]),
    ([table([[cell()] * 21])], [p("/0/rows/0", "A table row holds 21 cells; Slack allows at most 20.")]),
    (
        [table([[md("x")]])],
        [p("/0/rows/0/0/type", 'A table cell must be "raw_text", "raw_number" or "rich_text", not "mrkdwn".')],
    ),
    ([table(["a"])], [p("/0/rows/0", "A table row must be a list of cells, not str.")]),
    (
        [table([[cell()]], column_settings=[{"align": "middle", "is_wrapped": "yes"}] + [{}] * 20)],
        [
            p("/0/column_settings", '"column_settings" holds 21 items; a table allows at most 20.'),
            p("/0/column_settings/0/is_wrapped", '"is_wrapped" must be true or false, not str.'),
            p("/0/column_settings/0/align", '"align" must be "left", "center" or "right", not "middle".'),
        ],
    ),
    (
        [table([[cell()]]), table([[cell()]])],
        [p("/1", "A message holds at most one table or data table; this is the second.")],
    ),
    # rich text
    (
        [rich({"type": "rich_text_list", "style": "dashed", "elements": [md("x")]})],
        [
            p("/0/elements/0/style", '"style" must be "bullet" or "ordered", not "dashed".'),
            p("/0/elements/0/elements/0/type", 'A list item must be a "rich_text_section", not "mrkdwn".'),
        ],
    ),
    (
        [rich({"type": "paragraph", "elements": []})],
        [
            p(
                "/0/elements/0/type",
                'A rich-text part must be "rich_text_section", "rich_text_list", '
                '"rich_text_preformatted" or "rich_text_quote", not "paragraph".',
            )
        ],
    ),
    (
        [rich({"type": "rich_text_quote", "elements": ["hi"]})],
        [p("/0/elements/0/elements/0", "A rich-text element must be an object (a dict), not str.")],
    ),
    # message-wide
    ([{"type": "divider"}] * 51, [p("", "A message holds at most 50 blocks; this one has 51.")]),
    ([section(block_id="b" * 256)], [p("/0/block_id", '"block_id" is 256 characters long; Slack allows at most 255.')]),
    (
        [image(block_id="image_block"), image(block_id="image_block")],
        [p("/1/block_id", 'block_id "image_block" is already used by an earlier block; each must be unique.')],
    ),
    (
        [7, {"text": md("x")}],
        [p("/0", "A block must be an object (a dict), not int."), p("/1/type", 'A block needs a "type" string.')],
    ),
]


@pytest.mark.parametrize(("blocks", "problems"), CASES)
def test_each_limit(blocks: list[Any], problems: list[dict[str, str]]) -> None:
    before = copy.deepcopy(blocks)
    found = validate(blocks)
    assert found == problems
    assert all(list(problem) == ["path", "message"] for problem in found)
    assert blocks == before


# ---- the rules beyond sizes: each broken (its problems), then kept (no problem) ---------------

CONFIRM = {"title": plain("Sure?"), "text": md("It *cannot* be undone."), "confirm": plain("Yes"), "deny": plain("No")}
CARD = {"type": "card", "title": md("Card"), "body": plain("b"), "actions": [button(action_id="c")]}
IMAGE_ELEMENT = {"type": "image", "image_url": "https://example.com/i.png", "alt_text": "i"}


def field(key: str, value: Any, base: dict[str, Any]) -> dict[str, Any]:
    return {**base, key: value}


RULES = [
    # text objects and options
    (
        [section(text={**plain("x"), "verbatim": True})],
        [p("/0/text/verbatim", '"verbatim" is allowed only on "mrkdwn" text objects.')],
        [section(text={**md("x"), "verbatim": True}), section(text={**plain("x"), "emoji": False})],
    ),
    (
        [section(text={**plain("x"), "emoji": "yes"})],
        [p("/0/text/emoji", '"emoji" must be true or false, not str.')],
        [section(text={**plain("x"), "emoji": True})],
    ),
    (
        [actions({"type": "static_select", "options": [{"text": plain("a")}]})],
        [p("/0/elements/0/options/0/value", '"value" is missing.')],
        [actions({"type": "static_select", "options": [{"text": plain("a"), "value": ""}]})],
    ),
    (
        [actions({"type": "overflow", "options": [{"text": md("a"), "value": "v"}]})],
        [p("/0/elements/0/options/0/text/type", 'Text here must be "plain_text", not "mrkdwn".')],
        [actions({"type": "radio_buttons", "options": [{"text": md("a"), "value": "v", "description": md("d")}]})],
    ),
    (
        [
            actions({"type": "static_select", "options": opts(1), "option_groups": []}),
            actions({"type": "multi_static_select", "options": []}),
        ],
        [
            p("/0/elements/0/option_groups", 'A select menu takes "options" or "option_groups", not both.'),
            p("/1/elements/0/options", '"options" holds 0 items; a select menu needs at least 1.'),
        ],
        [actions({"type": "static_select", "option_groups": [{"label": plain("g"), "options": opts(1)}]})],
    ),
    (
        [actions({"type": "radio_buttons", "options": []}, {"type": "checkboxes"})],
        [
            p("/0/elements/0/options", '"options" holds 0 items; a radio button group needs at least 1.'),
            p("/0/elements/1/options", '"options" is missing; a checkbox group needs it.'),
        ],
        [actions({"type": "checkboxes", "options": opts(1)})],
    ),
    # confirmation dialogs and buttons
    (
        [
            actions(
                button(confirm={"title": plain("t" * 101), "text": md("x" * 301), "confirm": md("y"), "style": "red"})
            )
        ],
        [
            p(
                "/0/elements/0/confirm/title/text",
                '"title" is 101 characters long; Slack allows at most 100.'.replace('"title"', '"text"'),
            ),
            p("/0/elements/0/confirm/text/text", '"text" is 301 characters long; Slack allows at most 300.'),
            p("/0/elements/0/confirm/confirm/type", 'Text here must be "plain_text", not "mrkdwn".'),
            p("/0/elements/0/confirm/deny", '"deny" is missing.'),
            p("/0/elements/0/confirm/style", '"style" must be "primary" or "danger", not "red".'),
        ],
        [
            actions(
                button(confirm=CONFIRM),
                {"type": "overflow", "options": opts(2), "confirm": {**CONFIRM, "style": "danger"}},
            )
        ],
    ),
    (
        [actions(button(confirm="sure?"))],
        [p("/0/elements/0/confirm", "A confirmation dialog must be an object (a dict), not str.")],
        [actions(button(confirm={**CONFIRM, "text": plain("plain")}))],
    ),
    (
        [actions(button(accessibility_label="l" * 76), button(accessibility_label=""))],
        [
            p(
                "/0/elements/0/accessibility_label",
                '"accessibility_label" is 76 characters long; Slack allows at most 75.',
            ),
            p("/0/elements/1/accessibility_label", '"accessibility_label" is empty; it needs at least 1 character.'),
        ],
        [actions(button(accessibility_label="l" * 75))],
    ),
    (
        [actions(button(action_id="go"), button(action_id="stop"), button(action_id="go"))],
        [
            p(
                "/0/elements/2/action_id",
                'action_id "go" is already used in this block; each must be unique in its block.',
            )
        ],
        [actions(button(action_id="go"), button(action_id="stop"), button()), actions(button(action_id="go"))],
    ),
    # menus, pickers and inputs
    (
        [
            actions(
                {"type": "conversations_select", "filter": {"include": ["dm"]}},
                {"type": "multi_conversations_select", "filter": {}, "max_selected_items": 0},
            )
        ],
        [
            p(
                "/0/elements/0/filter/include/0",
                'A conversation kind must be "im", "mpim", "private" or "public", not "dm".',
            ),
            p(
                "/0/elements/1/filter",
                'A conversation filter needs "include", "exclude_bot_users" or "exclude_external_shared_channels".',
            ),
            p("/0/elements/1/max_selected_items", '"max_selected_items" must be 1 or more, not 0.'),
        ],
        [
            actions(
                {
                    "type": "conversations_select",
                    "filter": {"include": ["im", "public"], "exclude_bot_users": True},
                    "default_to_current_conversation": True,
                },
                {"type": "multi_external_select", "min_query_length": 0, "max_selected_items": 3},
            )
        ],
    ),
    (
        [actions({"type": "datetimepicker", "initial_date_time": 10**10}, {"type": "timepicker", "timezone": 5})],
        [
            p(
                "/0/elements/0/initial_date_time",
                '"initial_date_time" must be Unix seconds of at most 10 digits, not 10000000000.',
            ),
            p("/0/elements/1/timezone", '"timezone" must be a string, not int.'),
        ],
        [
            actions(
                {"type": "datetimepicker", "initial_date_time": 1700000000},
                {"type": "timepicker", "timezone": "Europe/Paris"},
            )
        ],
    ),
    (
        [
            actions(
                {"type": "workflow_button", "text": plain("Run"), "workflow": {"trigger": {}}},
                {"type": "icon_button", "text": plain("Del")},
                {"type": "feedback_buttons", "positive_button": {"text": plain("Good"), "value": "up"}},
            )
        ],
        [
            p("/0/elements/0/workflow/trigger/url", '"url" is missing.'),
            p("/0/elements/1/icon", '"icon" is missing.'),
            p("/0/elements/2/negative_button", '"negative_button" is missing.'),
        ],
        [
            actions(
                {
                    "type": "workflow_button",
                    "text": plain("Run"),
                    "workflow": {"trigger": {"url": "https://slack.com/t"}},
                    "style": "primary",
                },
                {"type": "icon_button", "icon": "trash", "text": plain("Del")},
            )
        ],
    ),
    (
        [
            {
                "type": "input",
                "label": plain("Name"),
                "element": {"type": "plain_text_input", "min_length": 10, "max_length": 5},
            },
            {
                "type": "input",
                "label": plain("N"),
                "element": {"type": "number_input", "min_value": "5", "max_value": "1x"},
            },
            {
                "type": "input",
                "label": plain("F"),
                "element": {"type": "file_input", "max_files": 11},
                "dispatch_action": True,
            },
            {
                "type": "input",
                "element": {"type": "email_text_input", "dispatch_action_config": {"trigger_actions_on": ["on_blur"]}},
            },
        ],
        [
            p("/0/element/max_length", '"max_length" is less than "min_length".'),
            p("/1/element/is_decimal_allowed", '"is_decimal_allowed" is missing.'),
            p("/1/element/max_value", '"max_value" must be a number written as a string, not "1x".'),
            p("/2/element/max_files", '"max_files" must be 1 to 10, not 11.'),
            p("/2/element", 'A file input cannot dispatch actions; leave out the input\'s "dispatch_action".'),
            p("/3/label", '"label" is missing.'),
            p(
                "/3/element/dispatch_action_config/trigger_actions_on/0",
                'A trigger must be "on_enter_pressed" or "on_character_entered".',
            ),
        ],
        [
            {
                "type": "input",
                "label": plain("Name"),
                "hint": plain("h"),
                "optional": True,
                "dispatch_action": True,
                "element": {
                    "type": "plain_text_input",
                    "multiline": True,
                    "min_length": 1,
                    "max_length": 5,
                    "dispatch_action_config": {"trigger_actions_on": ["on_enter_pressed"]},
                },
            },
            {
                "type": "input",
                "label": plain("N"),
                "element": {"type": "number_input", "is_decimal_allowed": False, "min_value": "1", "max_value": "1.5"},
            },
            {
                "type": "input",
                "label": plain("F"),
                "element": {"type": "file_input", "max_files": 10, "filetypes": ["pdf"]},
            },
        ],
    ),
    (
        [image(image_url=None, slack_file={})],
        [
            p("/0/image_url", '"image_url" is null; Slack refuses null where it expects a value: leave the key out.'),
            p("/0/slack_file", 'A Slack file needs an "id" or a "url".'),
        ],
        [{"type": "image", "slack_file": {"id": "F1"}, "alt_text": "a"}],
    ),
    # block types
    (
        [{"type": "sectoin"}, {"type": "alert", "text": "x"}, {"type": "file", "external_id": "x", "source": "remote"}],
        [
            p("/0/type", 'Slack has no block of type "sectoin".'),
            p("/1/type", '"alert" blocks show only in modals, not in messages.'),
            p("/1/text", "A text object must be an object (a dict), not str."),
            p("/2/type", 'Slack adds "file" blocks itself, to show remote files; a message cannot post one.'),
        ],
        [{"type": "divider", "block_id": "d"}, {"type": "call", "call_id": "R1"}, {"type": "markdown", "text": "# hi"}],
    ),
    (
        [{"type": "section", "fields": [], "expand": 1}, actions(), {"type": "context", "elements": []}, table([])],
        [
            p("/0/fields", '"fields" holds 0 items; a section needs at least 1.'),
            p("/0/expand", '"expand" must be true or false, not int.'),
            p("/1/elements", '"elements" holds 0 items; an actions block needs at least 1.'),
            p("/2/elements", '"elements" holds 0 items; a context block needs at least 1.'),
            p("/3/rows", '"rows" holds 0 items; a table needs at least 1.'),
        ],
        [section(expand=True), table([[cell(), {"type": "raw_number", "text": "1", "value": 1}]])],
    ),
    (
        [table([[], [cell("")]])],
        [
            p("/0/rows/0", "A table row holds no cells; it needs at least 1."),
            p("/0/rows/1/0/text", '"text" is empty; it needs at least 1 character.'),
        ],
        [table([[cell("a")], [cell("b")]])],
    ),
    (
        [{"type": "video", "title": plain("t" * 200), "video_url": "http://x", "author_name": "a" * 50}],
        [
            p("/0/alt_text", '"alt_text" is missing.'),
            p("/0/title/text", '"text" is 200 characters long; Slack allows at most 199.'),
            p("/0/video_url", '"video_url" must be an https:// address.'),
            p("/0/thumbnail_url", '"thumbnail_url" is missing.'),
            p("/0/author_name", '"author_name" is 50 characters long; Slack allows at most 49.'),
        ],
        [
            {
                "type": "video",
                "alt_text": "a",
                "title": plain("t" * 199),
                "video_url": "https://x",
                "thumbnail_url": "https://t",
                "title_url": "https://x",
                "description": plain("d"),
                "author_name": "a" * 49,
                "provider_name": "YouTube",
            }
        ],
    ),
    (
        [
            {"type": "card"},
            {
                **CARD,
                "body": md("b" * 201),
                "icon": IMAGE_ELEMENT,
                "slack_icon": "x",
                "actions": [button()] * 3 + [{"type": "overflow", "options": opts(1)}],
            },
        ],
        [
            p("/0", 'A card needs "hero_image", "title", "actions" or "body".'),
            p("/1/body/text", '"text" is 201 characters long; Slack allows at most 200.'),
            p("/1/slack_icon", 'A card takes "icon" or "slack_icon", not both.'),
            p("/1/actions", '"actions" holds 4 items; a card allows at most 3.'),
            p("/1/actions/3/type", 'A card\'s actions are buttons, not "overflow".'),
        ],
        [CARD, {"type": "card", "hero_image": IMAGE_ELEMENT, "subtitle": plain("s"), "subtext": md("x")}],
    ),
    (
        [{"type": "carousel", "elements": [CARD] * 11}, {"type": "carousel", "elements": [section()]}],
        [
            p("/0/elements", '"elements" holds 11 items; a carousel allows at most 10.'),
            p("/1/elements/0/type", 'A carousel holds only cards, not "section".'),
        ],
        [{"type": "carousel", "elements": [CARD] * 10}],
    ),
    (
        [
            {"type": "container", "child_blocks": [{"type": "header"}], "width": "huge", "default_collapsed": True},
            {
                "type": "container",
                "child_blocks": [],
                "is_collapsible": True,
                "has_header_divider": True,
                "title": plain("t"),
                "rich_text_title": rich(),
            },
        ],
        [
            p("/0", 'A container needs "title" or "rich_text_title".'),
            p("/0/width", '"width" must be "narrow", "standard", "wide" or "full", not "huge".'),
            p("/0/default_collapsed", '"default_collapsed" needs "is_collapsible": true.'),
            p("/0/child_blocks/0/text", '"text" is missing.'),
            p("/1/rich_text_title", 'A container takes "title" or "rich_text_title", not both.'),
            p("/1/has_header_divider", '"has_header_divider" cannot go with "is_collapsible": true.'),
            p("/1/child_blocks", '"child_blocks" holds 0 items; a container needs at least 1.'),
        ],
        [
            {
                "type": "container",
                "child_blocks": [section()],
                "title": plain("t"),
                "subtitle": plain("s"),
                "width": "wide",
                "is_collapsible": True,
                "default_collapsed": True,
            }
        ],
    ),
    (
        [{"type": "plan", "title": "Plan", "tasks": [{"title": "t", "status": "done"}]}],
        [
            p("/0/tasks/0/task_id", '"task_id" is missing.'),
            p("/0/tasks/0/status", '"status" must be "pending", "in_progress", "complete" or "error", not "done".'),
        ],
        [
            {
                "type": "plan",
                "title": "Plan",
                "tasks": [
                    {
                        "task_id": "1",
                        "title": "t",
                        "status": "pending",
                        "details": rich(),
                        "sources": [{"type": "url", "url": "https://x", "text": "x"}],
                    }
                ],
            },
            {"type": "task_card", "task_id": "2", "title": "t"},
        ],
    ),
    (
        [{"type": "call"}, {"type": "auth_provider", "value": "", "accessory": button()}],
        [
            p("/0/call_id", '"call_id" is missing.'),
            p("/1/value", '"value" is empty; it needs at least 1 character.'),
            p("/1/accessory", "An auth_provider block takes only an overflow menu as its accessory."),
        ],
        [
            {
                "type": "auth_provider",
                "value": "v",
                "name": "GitHub",
                "is_connected": True,
                "accessory": {"type": "overflow", "options": opts(1)},
            }
        ],
    ),
    (
        [
            {
                "type": "context_actions",
                "elements": [{"type": "icon_button", "icon": "x", "text": plain("t")}] * 6 + [button()],
            }
        ],
        [
            p("/0/elements", '"elements" holds 7 items; a context_actions block allows at most 5.'),
            p(
                "/0/elements/6/type",
                'A context_actions block holds only "feedback_buttons" and "icon_button", not "button".',
            ),
        ],
        [
            {
                "type": "context_actions",
                "elements": [
                    {
                        "type": "feedback_buttons",
                        "action_id": "f",
                        "positive_button": {"text": plain("Good"), "value": "up", "accessibility_label": "Good answer"},
                        "negative_button": {"text": plain("Bad"), "value": "down"},
                    }
                ],
            }
        ],
    ),
]


def unknown(path: str, key: str, owner: str) -> dict[str, str]:
    return p(f"{path}/{key}", f'"{key}" is not a key of {owner}; Slack refuses keys it does not know.')


def null(path: str) -> dict[str, str]:
    key = path.rsplit("/", 1)[1]
    return p(path, f'"{key}" is null; Slack refuses null where it expects a value: leave the key out.')


def section_of(*leaves: Any) -> dict[str, Any]:
    return rich({"type": "rich_text_section", "elements": list(leaves)})


TASK = {"task_id": "1", "title": "Build"}

# Slack refuses what these rules catch, live ("invalid additional property", "must be more than 0
# characters", "only_one_table_allowed", ...): each broken, then kept.
RULES += [
    # keys an object does not take, and null where Slack expects a value
    (
        [
            actions(
                button(disabled=True),
                {
                    "type": "static_select",
                    "options": [{**opts(1)[0], "type": "option"}],
                    "confirm": {**CONFIRM, "type": "confirm"},
                },
            ),
            section(foo=1, text={**md("x"), "bold": True}),
            {"type": "divider", "text": md("x")},
        ],
        [
            unknown("/0/elements/0", "disabled", 'type "button"'),
            unknown("/0/elements/1/confirm", "type", "a confirmation dialog"),
            unknown("/0/elements/1/options/0", "type", "an option"),
            unknown("/1", "foo", 'type "section"'),
            unknown("/1/text", "bold", 'type "mrkdwn"'),
            unknown("/2", "text", 'type "divider"'),
        ],
        [
            actions(
                button(accessibility_label="Go", agent_prompt="Summarise", visible_to_user_ids=["U1"]),
                {"type": "static_select", "options": opts(1), "initial_option": opts(1)[0], "confirm": CONFIRM},
            )
        ],
    ),
    (
        [
            actions(button(style=None), {"type": "static_select", "options": opts(1), "initial_option": None}),
            table([[cell()]], column_settings=[None, {"align": None}]),
            {"type": "header", "text": None},
        ],
        [
            null("/0/elements/0/style"),
            null("/0/elements/1/initial_option"),
            p("/1/column_settings/0", "A column setting is null; Slack refuses null here: write {} for the defaults."),
            null("/1/column_settings/1/align"),
            null("/2/text"),
        ],
        [actions(button()), table([[cell()]], column_settings=[{}, {"align": "left"}])],
    ),
    (
        [
            section_of(
                {"type": "user", "user_id": "U1", "style": {"code": True}},
                {"type": "broadcast", "range": "here", "style": {"bold": True, "code": False}},
                {"type": "text", "text": "t", "style": {"shout": True}},
            )
        ],
        [
            unknown("/0/elements/0/elements/0/style", "code", "the style of a mention"),
            unknown("/0/elements/0/elements/1/style", "code", "the style of a mention"),
            unknown("/0/elements/0/elements/2/style", "shout", "a style"),
        ],
        [
            section_of(
                {"type": "text", "text": "t", "style": {"code": True, "highlight": True}},
                {"type": "user", "user_id": "U1", "style": {"bold": True, "unlink": True}},
            )
        ],
    ),
    # a text of zero characters, an empty part of rich text
    (
        [
            section_of({"type": "text", "text": ""}, {"type": "link", "url": "https://x", "text": ""}),
            rich({"type": "rich_text_quote", "elements": []}, {"type": "rich_text_preformatted", "elements": []}),
            {"type": "input", "label": plain(""), "element": {"type": "plain_text_input"}},
            {"type": "header", "text": plain("")},
        ],
        [
            p("/0/elements/0/elements/0/text", '"text" is empty; it needs at least 1 character.'),
            p("/0/elements/0/elements/1/text", '"text" is empty; it needs at least 1 character.'),
            p("/1/elements/0/elements", '"elements" holds 0 items; a rich-text quote needs at least 1.'),
            p("/1/elements/1/elements", '"elements" holds 0 items; preformatted text needs at least 1.'),
            p("/2/label/text", '"text" is empty; it needs at least 1 character.'),
            p("/3/text/text", '"text" is empty; it needs at least 1 character.'),
        ],
        [section_of({"type": "text", "text": " "}, {"type": "link", "url": "https://x"}), table([[cell(" ")]])],
    ),
    (
        [rich({"type": "rich_text_preformatted", "elements": [{"type": "emoji", "name": "x"}]})],
        [p("/0/elements/0/elements/0/type", 'Preformatted text holds only "text" and "link" elements, not "emoji".')],
        [
            rich(
                {
                    "type": "rich_text_preformatted",
                    "language": "python",
                    "elements": [{"type": "text", "text": "x"}, {"type": "link", "url": "https://x"}],
                }
            )
        ],
    ),
    # the blocks a message holds once (data tables counted with tables), and header levels
    (
        [
            {"type": "plan", "title": "a"},
            table([[cell()]]),
            {"type": "plan", "title": "b"},
            {"type": "data_table", "caption": "c", "rows": [[cell()], [cell()]]},
            {"type": "header", "text": plain("h"), "level": 5},
            {"type": "header", "text": plain("h"), "level": 0},
        ],
        [
            p("/2", "A message holds at most one plan; this is the second."),
            p("/3", "A message holds at most one table or data table; this is the second."),
            p("/4/level", '"level" must be 1 to 4, not 5.'),
            p("/5/level", '"level" must be 1 to 4, not 0.'),
        ],
        [
            {"type": "plan", "title": "a", "status": "in_progress"},
            table([[cell()]]),
            {"type": "header", "text": plain("h"), "level": 1},
            {"type": "header", "text": plain("h"), "level": 4},
        ],
    ),
    (
        [table([[cell("x" * 5000)], [cell("x" * 5001)]])],
        [p("/0/rows", "The cells hold 10001 characters; Slack allows at most 10000 in a table.")],
        [table([[cell("x" * 5000)], [cell("x" * 5000)]])],
    ),
    # plans and task cards
    (
        [
            {
                "type": "plan",
                "title": plain("Plan"),
                "tasks": [{**TASK, "type": "task_card"}, TASK] + [{"task_id": "x"}] * 49,
            },
            {
                "type": "task_card",
                **TASK,
                "status": "pending",
                "title": plain("t"),
                "sources": [{"type": "link", "url": "https://x"}, {"type": "url", "url": "https://x"}],
            },
        ],
        [
            p("/0/title", '"title" must be a string, not dict.'),
            p("/0/tasks", '"tasks" holds 51 items; a plan allows at most 50.'),
            unknown("/0/tasks/0", "type", "a plan's task"),
            p("/0/tasks/1/task_id", 'task_id "1" is already used in this plan; each must be unique.'),
            p("/0/tasks/2/title", '"title" is missing.'),
            p("/0/tasks/3/title", '"title" is missing.'),
            p("/0/tasks/3/task_id", 'task_id "x" is already used in this plan; each must be unique.'),
        ]
        + [
            problem
            for i in range(4, 51)
            for problem in (
                p(f"/0/tasks/{i}/title", '"title" is missing.'),
                p(f"/0/tasks/{i}/task_id", 'task_id "x" is already used in this plan; each must be unique.'),
            )
        ]
        + [
            p("/1/title", '"title" must be a string, not dict.'),
            p(
                "/1/status",
                '"status" must be "in_progress", "complete" or "error" (a task_card block cannot be pending), '
                'not "pending".',
            ),
            p("/1/sources/0/type", 'A source must be a "url" element, not "link".'),
            p("/1/sources/1/text", '"text" is missing.'),
        ],
        [
            {"type": "plan", "title": "Plan", "tasks": [TASK, {**TASK, "task_id": "2", "status": "pending"}]},
            {"type": "task_card", **TASK, "status": "complete", "output": rich()},
        ],
    ),
    # cards and containers
    (
        [
            {"type": "card", "title": "Card", "body": "b", "icon": button()},
            {
                "type": "container",
                "title": plain("t"),
                "icon": IMAGE_ELEMENT,
                "child_blocks": [{"type": "container", "child_blocks": []}, {"type": "markdown", "text": "m"}],
            },
        ],
        [
            p("/0/icon/type", '"icon" must be an "image" element, not "button".'),
            p("/0/title", "A text object must be an object (a dict), not str."),
            p("/0/body", "A text object must be an object (a dict), not str."),
            p("/1/child_blocks/0/type", "A container cannot hold another container."),
            p(
                "/1/child_blocks/1/type",
                "A container holds actions, context, divider, file, header, image, input, rich_text, "
                'section, table and video blocks, not "markdown".',
            ),
        ],
        [
            {"type": "card", "title": plain("Card"), "icon": IMAGE_ELEMENT},
            {
                "type": "container",
                "rich_text_title": section_of({"type": "text", "text": "t"}),
                "child_blocks": [section()],
            },
        ],
    ),
]


def data_table(rows: list[Any], **keys: Any) -> dict[str, Any]:
    return {"type": "data_table", "caption": "KPIs", "rows": rows, **keys}


def number(value: Any, text: str = "1") -> dict[str, Any]:
    return {"type": "raw_number", "value": value, "text": text}


def chart(kind: str, series: list[Any], categories: list[str], **axis: Any) -> dict[str, Any]:
    return {
        "type": "data_visualization",
        "title": "Sales",
        "chart": {"type": kind, "series": series, "axis_config": {"categories": categories, **axis}},
    }


def line(name: str, *labels: str, value: Any = 1) -> dict[str, Any]:
    return {"name": name, "data": [{"label": label, "value": value} for label in labels]}


def pie(*values: Any) -> dict[str, Any]:
    return {
        "type": "data_visualization",
        "title": "Share",
        "chart": {"type": "pie", "segments": [{"label": f"s{i}", "value": v} for i, v in enumerate(values)]},
    }


HEAD = [cell("name"), cell("n")]
CATS = [f"c{i}" for i in range(20)]

# Data tables and charts, each rule broken and kept (one per message: a message holds one data
# table and two charts).
RULES += [
    (
        [{"type": "data_table", "rows": [HEAD, HEAD], "columns": [], "sort": "n"}],
        [
            unknown("/0", "columns", 'type "data_table"'),
            unknown("/0", "sort", 'type "data_table"'),
            p("/0/caption", '"caption" is missing.'),
        ],
        [data_table([HEAD, HEAD])],
    ),
    (
        [data_table([HEAD], caption="")],
        [
            p("/0/caption", '"caption" is empty; it needs at least 1 character.'),
            p("/0/rows", '"rows" holds 1 items; a data table needs at least 2.'),
        ],
        [data_table([HEAD] * 201)],
    ),
    (
        [data_table([HEAD] * 202)],
        [p("/0/rows", '"rows" holds 202 items; a data table allows at most 201.')],
        [data_table([[cell()] * 20] * 2)],
    ),
    (
        [data_table([HEAD, [cell()], [cell()] * 21])],
        [
            p("/0/rows/1", "A data table row holds 1 cells, the first row 2; all rows must be as long."),
            p("/0/rows/2", "A table row holds 21 cells; Slack allows at most 20."),
            p("/0/rows/2", "A data table row holds 21 cells, the first row 2; all rows must be as long."),
        ],
        [
            data_table(
                [HEAD, [cell(), rich({"type": "rich_text_section", "elements": [{"type": "text", "text": "x"}]})]]
            )
        ],
    ),
    (
        [data_table([[rich(), number(1)], [cell(), number(1)]])],
        [
            p("/0/rows/0/0/type", 'A header cell must be "raw_text", not "rich_text".'),
            p("/0/rows/0/1/type", 'A header cell must be "raw_text", not "raw_number".'),
        ],
        [data_table([HEAD, [cell(), number(1.5, "1.50")], [cell(), number(-2)]])],
    ),
    (
        [
            data_table(
                [
                    HEAD,
                    [{"type": "raw_number", "value": 1}, {"type": "raw_number", "text": "1"}],
                    [number(float("nan")), number(True)],
                    [number(10**400), number("1")],
                ]
            )
        ],
        [
            p("/0/rows/1/0/text", '"text" is missing.'),
            p("/0/rows/1/1/value", '"value" is missing.'),
            p("/0/rows/2/0/value", '"value" must be a finite number, not nan.'),
            p("/0/rows/2/1/value", '"value" must be a number, not bool.'),
            p("/0/rows/3/0/value", f'"value" must be a finite number, not {10**400!r}.'),
            p("/0/rows/3/1/value", '"value" must be a number, not str.'),
        ],
        [data_table([HEAD, [number(0), number(10**15)]])],
    ),
    (
        [data_table([HEAD, [cell("x" * 10000), cell("x" * 9996)]])],
        [p("/0/rows", "The cells hold 20001 characters; Slack allows at most 20000 in a data table.")],
        [data_table([HEAD, [cell("x" * 10000), cell("x" * 9995)]])],
    ),
    (
        [
            data_table([HEAD, HEAD], page_size=0, row_header_column_index=2),
            data_table([HEAD, HEAD], page_size=101, row_header_column_index=-1),
        ],
        [
            p("/0/page_size", '"page_size" must be 1 to 100, not 0.'),
            p("/0/row_header_column_index", '"row_header_column_index" must be the index of a column, not 2.'),
            p("/1", "A message holds at most one table or data table; this is the second."),
            p("/1/page_size", '"page_size" must be 1 to 100, not 101.'),
            p("/1/row_header_column_index", '"row_header_column_index" must be the index of a column, not -1.'),
        ],
        [data_table([HEAD, HEAD], page_size=1, row_header_column_index=1)],
    ),
    # charts: the block and its pie
    (
        [
            {"type": "data_visualization", "chart": {"type": "scatter"}},
            {"type": "data_visualization", "title": "t" * 51},
            {**pie(1), "chart": {"type": "pie", "segments": [], "colors": ["red"]}},
        ],
        [
            p("/0/title", '"title" is missing.'),
            p("/0/chart/type", 'A chart must be "pie", "bar", "area" or "line", not "scatter".'),
            p("/1/title", '"title" is 51 characters long; Slack allows at most 50.'),
            p("/1/chart", '"chart" is missing.'),
            p("/2", "A message holds at most 2 data_visualization blocks; this is the third."),
            unknown("/2/chart", "colors", 'type "pie"'),
            p("/2/chart/segments", '"segments" holds 0 items; a pie needs at least 1.'),
        ],
        [pie(*range(1, 13)), {**pie(0.5), "title": "t" * 50}],
    ),
    (
        [pie(*range(1, 14)), pie(0, -1, float("inf"))],
        [
            p("/0/chart/segments", '"segments" holds 13 items; a pie allows at most 12.'),
            p("/1/chart/segments/0/value", '"value" must be more than 0, not 0.'),
            p("/1/chart/segments/1/value", '"value" must be more than 0, not -1.'),
            p("/1/chart/segments/2/value", '"value" must be a finite number, not inf.'),
        ],
        [pie(3, 1.5)],
    ),
    (
        [
            {
                **pie(1),
                "chart": {"type": "pie", "segments": [{"label": "x" * 21, "value": 1, "color": "red"}, {"value": 2}]},
            }
        ],
        [
            unknown("/0/chart/segments/0", "color", "a segment"),
            p("/0/chart/segments/0/label", '"label" is 21 characters long; Slack allows at most 20.'),
            p("/0/chart/segments/1/label", '"label" is missing.'),
        ],
        [{**pie(1), "chart": {"type": "pie", "segments": [{"label": "x" * 20, "value": 1}]}}],
    ),
    # charts: series over the categories of the axis
    (
        [chart("line", [line("a", "c0")], []), chart("bar", [line("a", "c0")], ["c0", "c0", 5, ""])],
        [
            p("/0/chart/axis_config/categories", '"categories" holds 0 items; an axis needs at least 1.'),
            p("/1/chart/axis_config/categories/1", 'Category "c0" is already on the axis; each must be unique.'),
            p("/1/chart/axis_config/categories/2", "A category must be a string, not int."),
            p("/1/chart/axis_config/categories/3", "A category holds 0 characters; Slack takes 1 to 20."),
        ],
        [chart("line", [line(f"s{i}", *CATS, value=-i) for i in range(12)], CATS)],
    ),
    (
        [
            chart("area", [line("a", *CATS, "c20")], [*CATS, "c20"]),
            {**chart("bar", [], ["c0"]), "chart": {"type": "bar"}},
        ],
        [
            p("/0/chart/axis_config/categories", '"categories" holds 21 items; an axis allows at most 20.'),
            p("/0/chart/series/0/data", '"data" holds 21 items; a series allows at most 20.'),
            p("/1/chart/axis_config", '"axis_config" is missing.'),
            p("/1/chart/series", '"series" is missing; a chart needs it.'),
        ],
        [chart("area", [line("a", "c0", "c1")], ["c0", "c1"], x_label="x" * 50, y_label="Revenue")],
    ),
    (
        [
            chart(
                "line",
                [line("a", "c0", "c9", "c0"), line("b" * 21, "c1"), line("c", "c1")],
                ["c0", "c1"],
                x_label="x" * 51,
            )
        ],
        [
            p("/0/chart/axis_config/x_label", '"x_label" is 51 characters long; Slack allows at most 50.'),
            p("/0/chart/series/0/data/1/label", '"c9" is not one of the axis\'s categories.'),
            p(
                "/0/chart/series/0/data/2/label",
                'The series has a point for "c0" already; each category takes exactly one.',
            ),
            p("/0/chart/series/0/data", "The series has points for 1 of the 2 categories; it needs one for each."),
            p("/0/chart/series/1/name", '"name" is 21 characters long; Slack allows at most 20.'),
            p("/0/chart/series/1/data", "The series has points for 1 of the 2 categories; it needs one for each."),
            p("/0/chart/series/2/data", "The series has points for 1 of the 2 categories; it needs one for each."),
        ],
        [chart("line", [line("a", "c1", "c0"), line("b" * 20, "c0", "c1")], ["c0", "c1"])],
    ),
    (
        [
            chart("bar", [line("a", "c0")] * 13, ["c0"]),
            chart("bar", [{"name": "a", "data": [{"label": "c0", "value": "1"}]}], ["c0"]),
        ],
        [
            p("/0/chart/series", '"series" holds 13 items; a chart allows at most 12.'),
            p("/1/chart/series/0/data/0/value", '"value" must be a number, not str.'),
        ],
        [chart("bar", [line("a", "c0")] * 12, ["c0"])],
    ),
]


@pytest.mark.parametrize(("broken", "problems", "kept"), RULES)
def test_each_rule_is_caught_and_its_valid_form_accepted(broken, problems, kept):
    assert validate(broken) == problems
    assert validate(kept) == []
    # read from JSON, every string is a new object rather than the interned one: the same answers
    assert validate(json.loads(json.dumps(broken))) == problems
    assert validate(json.loads(json.dumps(kept))) == []


@pytest.mark.parametrize(
    "kind",
    [
        "section",
        "divider",
        "actions",
        "context",
        "header",
        "image",
        "rich_text",
        "table",
        "markdown",
        "video",
        "input",
        "card",
        "carousel",
        "container",
        "plan",
        "task_card",
        "call",
        "data_table",
        "data_visualization",
        "context_actions",
        "auth_provider",
    ],
)
def test_every_block_type_is_told_by_its_text(kind):
    # a type spelt at run time is checked as the block it names, like the interned literal
    spelt = "".join(list(kind))
    assert spelt is not kind
    problems = validate([{"type": kind}])
    assert not any("has no block of type" in p["message"] for p in problems)
    assert validate([{"type": spelt}]) == problems


def test_a_payload_holds_at_most_100_attachments():
    assert validate({"text": "t", "attachments": [{}] * 101}) == [
        p("/attachments", '"attachments" holds 101 items; a message allows at most 100.')
    ]
    assert validate({"text": "t", "attachments": [{}] * 100}) == []


@pytest.mark.parametrize(
    ("payload", "problems"),
    [
        ({"text": "x", "blocks": [{"type": "header"}]}, [p("/blocks/0/text", '"text" is missing.')]),
        (
            {"text": "x" * 4001},
            [p("/text", "The fallback text is 4001 characters long; Slack refuses more than 4000 (msg_too_long).")],
        ),
        (
            {"text": None, "blocks": []},
            [p("/text", '"text" is null; Slack refuses null where it expects a value: leave the key out.')],
        ),
        ({"text": 5, "blocks": []}, [p("/text", '"text" must be a string, not int.')]),
        ({"blocks": {"type": "divider"}}, [p("/blocks", "Blocks must be a list, not dict.")]),
        ({}, [p("", 'A message needs "text" or "blocks".')]),
    ],
)
def test_payloads(payload: dict[str, Any], problems: list[dict[str, str]]) -> None:
    assert validate(payload) == problems


@pytest.mark.parametrize(
    ("function", "args", "kwargs", "message"),
    [
        (validate, (5,), {}, "validate() expects a list of blocks, a payload dict or a view, got int"),
        (
            validate,
            ('[{"type": "divider"}]',),
            {},
            "validate() expects a list of blocks, a payload dict or a view, got str",
        ),
        (validate, (), {}, "validate() missing 1 required positional argument: 'blocks'"),
        (validate, ([], []), {}, "validate() takes 1 positional argument but 2 were given"),
        (validate, (), {"block": []}, "validate() got an unexpected keyword argument 'block'"),
        # fit's own check names itself as it is exported; what it is given wrong, fit reports
        (_unsplittable, (), {}, "_unsplittable() missing 1 required positional argument: 'blocks'"),
        (_unsplittable, ([], []), {}, "_unsplittable() takes 1 positional argument but 2 were given"),
        (_unsplittable, (5,), {}, "fit() expects a list of blocks or a payload dict, got int"),
    ],
)
def test_bad_calls(function: Any, args: tuple[Any, ...], kwargs: dict[str, Any], message: str) -> None:
    with pytest.raises(TypeError) as raised:
        function(*args, **kwargs)
    assert str(raised.value) == message


def rich_list(indent: int) -> dict[str, Any]:
    return rich({"type": "rich_text_list", "style": "bullet", "indent": indent, "elements": []})


# Each shared limit as velmora._limits gives it to Python: at the limit no problem, one past it one.
@pytest.mark.parametrize(
    ("name", "make"),
    [
        ("BLOCKS", lambda n: [{"type": "divider"}] * n),
        ("SECTION_TEXT", lambda n: [section(text=md("x" * n))]),
        ("FIELDS", lambda n: [{"type": "section", "fields": [md("f")] * n}]),
        ("FIELD_TEXT", lambda n: [{"type": "section", "fields": [md("f" * n)]}]),
        ("ACTIONS", lambda n: [actions(*[button()] * n)]),
        ("CONTEXT", lambda n: [{"type": "context", "elements": [md("c")] * n}]),
        ("HEADER_TEXT", lambda n: [{"type": "header", "text": plain("h" * n)}]),
        ("BLOCK_ID", lambda n: [section(block_id="b" * n)]),
        ("TABLE_ROWS", lambda n: [table([[cell()]] * n)]),
        ("TABLE_COLUMNS", lambda n: [table([[cell()] * n])]),
        ("RICH_TEXT_INDENT", lambda n: [rich_list(n)]),
        ("MARKDOWN", lambda n: [{"type": "markdown", "text": "m" * n}]),
        ("MESSAGE_TEXT", lambda n: {"text": "t" * n}),
        ("ATTACHMENTS", lambda n: {"text": "t", "attachments": [{}] * n}),
    ],
)
def test_the_limits_python_reads_are_the_validators(name: str, make: Any) -> None:
    limit = getattr(_limits, name)
    assert type(limit) is int
    assert validate(make(limit)) == []
    assert len(validate(make(limit + 1))) == 1


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
    assert validate(blocks) == [
        p("/0", "A key must be a string, not Sneaky."),
        p("/0", 'A section needs "text" or "fields".'),
    ]
    assert blocks == []


def test_no_leaks() -> None:
    bad = [section(text=md("")), actions(*[button(style="x")] * 26), table([]), table([[cell("")]])]
    assert_no_leak(lambda: validate(VALID), watch=VALID, times=200)
    assert_no_leak(lambda: validate({"text": "x" * 4001, "blocks": bad}), watch=bad)
    assert_no_leak(lambda: validate(5), expect=TypeError)
    assert_no_leak(lambda: validate([], x=1), expect=TypeError)


# ---- refusing a message ----------------------------------------------------------------------


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

KEYS = st.sampled_from(
    [
        "type",
        "text",
        "blocks",
        "elements",
        "fields",
        "options",
        "rows",
        "accessory",
        "image_url",
        "slack_file",
        "alt_text",
        "style",
        "block_id",
        "placeholder",
        "title",
        "option_groups",
        "column_settings",
        "initial_date",
        "initial_time",
        "emoji",
        "url",
    ]
)
TYPES = st.sampled_from(
    [
        "section",
        "actions",
        "context",
        "header",
        "image",
        "table",
        "rich_text",
        "button",
        "static_select",
        "overflow",
        "datepicker",
        "timepicker",
        "plain_text",
        "mrkdwn",
        "raw_text",
        "rich_text_list",
        "rich_text_section",
    ]
)
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
    assert all((list(p) == ["path", "message"] and p["path"].startswith("/")) or p["path"] == "" for p in problems)
    assert value == before
