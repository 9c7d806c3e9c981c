"""Input blocks: every element of a form, what Slack's SDK reads back, and what the builders refuse."""

from __future__ import annotations

import datetime
from decimal import Decimal

import pytest
from slack_sdk.models.blocks import Block

from velmora import validate
from velmora.blocks import Input, RichText


def plain(text):
    return {"type": "plain_text", "text": text, "emoji": True}


def option(text, value=None):
    return {"text": plain(text), "value": text if value is None else value}


def block(label, element, **block_keys):
    return [{"type": "input", "label": plain(label), "element": element, **block_keys}]


def key_orders(value):
    if isinstance(value, dict):
        return [(key, key_orders(item)) for key, item in value.items()]
    if isinstance(value, list):
        return [key_orders(item) for item in value]
    return None


RICH = RichText.block(RichText.section("Hello"))
PARIS = datetime.timezone(datetime.timedelta(hours=1))
SIZES = ["S", ("Large", "L"), {"text": plain("Extra"), "value": "XL", "description": plain("big")}]
SIZE_OPTIONS = [option("S"), option("Large", "L"), SIZES[2]]

SHAPES = [
    pytest.param(
        lambda: Input.plain_text("Service", action_id="service"),
        block("Service", {"type": "plain_text_input", "action_id": "service"}),
        id="plain_text",
    ),
    pytest.param(
        lambda: Input.plain_text(
            "Notes",
            action_id="notes",
            placeholder="Why?",
            initial_value="none",
            multiline=True,
            min_length=0,
            max_length=3000,
            optional=True,
            hint="Be brief",
            dispatch_action=True,
            block_id="b",
        ),
        [
            {
                "type": "input",
                "label": plain("Notes"),
                "element": {
                    "type": "plain_text_input",
                    "action_id": "notes",
                    "initial_value": "none",
                    "multiline": True,
                    "min_length": 0,
                    "max_length": 3000,
                    "placeholder": plain("Why?"),
                },
                "dispatch_action": True,
                "block_id": "b",
                "hint": plain("Be brief"),
                "optional": True,
            }
        ],
        id="plain_text-all",
    ),
    pytest.param(
        lambda: Input.number("Replicas", action_id="n", initial_value=3, min_value="1", max_value=10),
        block(
            "Replicas",
            {
                "type": "number_input",
                "action_id": "n",
                "is_decimal_allowed": False,
                "initial_value": "3",
                "min_value": "1",
                "max_value": "10",
            },
        ),
        id="number",
    ),
    pytest.param(
        lambda: Input.number(
            "Ratio",
            action_id="r",
            is_decimal_allowed=True,
            placeholder="0.5",
            initial_value=Decimal("0.25"),
            min_value=-1.5,
            max_value="-0.0",
        ),
        block(
            "Ratio",
            {
                "type": "number_input",
                "action_id": "r",
                "is_decimal_allowed": True,
                "initial_value": "0.25",
                "min_value": "-1.5",
                "max_value": "-0.0",
                "placeholder": plain("0.5"),
            },
        ),
        id="number-decimal",
    ),
    pytest.param(
        lambda: Input.email("Email", action_id="e", placeholder="you@example.com", initial_value="a@b.io"),
        block(
            "Email",
            {
                "type": "email_text_input",
                "action_id": "e",
                "initial_value": "a@b.io",
                "placeholder": plain("you@example.com"),
            },
        ),
        id="email",
    ),
    pytest.param(
        lambda: Input.url("Link", action_id="u", initial_value=""),
        block("Link", {"type": "url_text_input", "action_id": "u"}),
        id="url",
    ),
    pytest.param(
        lambda: Input.rich_text("Summary", action_id="s", initial_value=RICH),
        block("Summary", {"type": "rich_text_input", "action_id": "s", "initial_value": RICH[0]}),
        id="rich_text",
    ),
    pytest.param(
        lambda: Input.static_select("Size", SIZES, action_id="size", placeholder="Pick", initial_option="Large"),
        block(
            "Size",
            {
                "type": "static_select",
                "action_id": "size",
                "options": SIZE_OPTIONS,
                "initial_option": SIZE_OPTIONS[1],
                "placeholder": plain("Pick"),
            },
        ),
        id="static_select",
    ),
    pytest.param(
        lambda: Input.multi_static_select(
            "Sizes", iter(SIZES), action_id="sizes", initial_options=[("x", "XL"), "S"], max_selected_items=2
        ),
        block(
            "Sizes",
            {
                "type": "multi_static_select",
                "action_id": "sizes",
                "options": SIZE_OPTIONS,
                "initial_options": [SIZE_OPTIONS[2], SIZE_OPTIONS[0]],
                "max_selected_items": 2,
            },
        ),
        id="multi_static_select",
    ),
    pytest.param(
        lambda: Input.checkboxes("Flags", ["a", 2], action_id="f", initial_options=[2]),
        block(
            "Flags",
            {
                "type": "checkboxes",
                "action_id": "f",
                "options": [option("a"), option("2")],
                "initial_options": [option("2")],
            },
        ),
        id="checkboxes",
    ),
    pytest.param(
        lambda: Input.radio_buttons(
            "Plan", [("Free", "0"), ("Pro", "1")], action_id="p", initial_option="1", optional=True
        ),
        block(
            "Plan",
            {
                "type": "radio_buttons",
                "action_id": "p",
                "options": [option("Free", "0"), option("Pro", "1")],
                "initial_option": option("Pro", "1"),
            },
            optional=True,
        ),
        id="radio_buttons",
    ),
    pytest.param(
        lambda: Input.datepicker(
            "When", action_id="d", initial_date=datetime.datetime(2024, 2, 29, 23, 59), placeholder="Day"
        ),
        block(
            "When", {"type": "datepicker", "action_id": "d", "initial_date": "2024-02-29", "placeholder": plain("Day")}
        ),
        id="datepicker",
    ),
    pytest.param(
        lambda: Input.datepicker("When", action_id="d", initial_date="0999-01-31"),
        block("When", {"type": "datepicker", "action_id": "d", "initial_date": "0999-01-31"}),
        id="datepicker-str",
    ),
    pytest.param(
        lambda: Input.timepicker("At", action_id="t", initial_time=datetime.time(7, 5, 59), timezone="Europe/Paris"),
        block("At", {"type": "timepicker", "action_id": "t", "initial_time": "07:05", "timezone": "Europe/Paris"}),
        id="timepicker",
    ),
    pytest.param(
        lambda: Input.datetimepicker(
            "At", action_id="t", initial_date_time=datetime.datetime(2026, 1, 1, 1, 0, 0, 999999, PARIS)
        ),
        block("At", {"type": "datetimepicker", "action_id": "t", "initial_date_time": 1767225600}),
        id="datetimepicker",
    ),
    pytest.param(
        lambda: Input.users_select("Owner", action_id="o", initial_user="U1", placeholder="Who"),
        block("Owner", {"type": "users_select", "action_id": "o", "initial_user": "U1", "placeholder": plain("Who")}),
        id="users_select",
    ),
    pytest.param(
        lambda: Input.multi_users_select("Team", action_id="t", initial_users=("U1", "U2"), max_selected_items=5),
        block(
            "Team",
            {"type": "multi_users_select", "action_id": "t", "initial_users": ["U1", "U2"], "max_selected_items": 5},
        ),
        id="multi_users_select",
    ),
    pytest.param(
        lambda: Input.conversations_select(
            "Where",
            action_id="c",
            initial_conversation="C1",
            default_to_current_conversation=True,
            filter={"include": ["public"]},
            response_url_enabled=True,
        ),
        block(
            "Where",
            {
                "type": "conversations_select",
                "action_id": "c",
                "initial_conversation": "C1",
                "default_to_current_conversation": True,
                "filter": {"include": ["public"]},
                "response_url_enabled": True,
            },
        ),
        id="conversations_select",
    ),
    pytest.param(
        lambda: Input.channels_select("Channel", action_id="c", initial_channel="C1"),
        block("Channel", {"type": "channels_select", "action_id": "c", "initial_channel": "C1"}),
        id="channels_select",
    ),
    pytest.param(
        lambda: Input.file("Logs", action_id="f", filetypes=["txt", "log"], max_files=10),
        block("Logs", {"type": "file_input", "action_id": "f", "filetypes": ["txt", "log"], "max_files": 10}),
        id="file",
    ),
]


@pytest.mark.parametrize(("build", "expected"), SHAPES)
def test_each_input_is_the_exact_block_slack_reads_back(build, expected):
    result = build()
    assert result == expected and key_orders(result) == key_orders(expected)
    assert Block.parse(result[0]).to_dict() == result[0]
    assert validate(result, surface="modal") == []  # input blocks are a modal's
    assert build()[0]["element"] is not result[0]["element"]


def test_caller_objects_are_placed_not_copied():
    label, choice, given = "Si" + "ze", {"text": plain("A"), "value": "a"}, ("B", "b" + "b")
    (made,) = Input.static_select(label, [choice, given], action_id="s", initial_option=given)
    element = made["element"]
    assert made["label"]["text"] is label and element["options"][0] is choice
    assert element["initial_option"] is element["options"][1] and element["options"][1]["value"] is given[1]
    (made,) = Input.conversations_select(label, action_id="c", filter=choice)
    assert made["element"]["filter"] is choice


BAD = [
    (
        lambda: Input.plain_text("x"),
        TypeError,
        "Input.plain_text() missing 1 required keyword-only argument: 'action_id'",
    ),
    (
        lambda: Input.static_select("x", action_id="a"),
        TypeError,
        "Input.static_select() missing 1 required positional argument: 'options'",
    ),
    (lambda: Input.plain_text("x", "a"), TypeError, "Input.plain_text() takes 1 positional argument but 2 were given"),
    (
        lambda: Input.plain_text(None, action_id="a"),
        TypeError,
        "Argument 'label' has incorrect type (expected str, got NoneType)",
    ),
    (lambda: Input.plain_text("", action_id="a"), ValueError, "label must hold 1 to 2000 characters, got 0"),
    (lambda: Input.email("x", action_id="a" * 256), ValueError, "action_id must hold 1 to 255 characters, got 256"),
    (
        lambda: Input.url("x", action_id="a", optional=1),
        TypeError,
        "Argument 'optional' has incorrect type (expected bool, got int)",
    ),
    (
        lambda: Input.url("x", action_id="a", hint="h" * 2001),
        ValueError,
        "hint must hold at most 2000 characters, got 2001",
    ),
    (
        lambda: Input.users_select("x", action_id="a", placeholder="p" * 151),
        ValueError,
        "placeholder must hold 1 to 150 characters, got 151",
    ),
    (
        lambda: Input.plain_text("x", action_id="a", max_length=0),
        ValueError,
        "max_length must be from 1 to 3000, got 0",
    ),
    (
        lambda: Input.plain_text("x", action_id="a", min_length=True),
        TypeError,
        "Argument 'min_length' has incorrect type (expected int, got bool)",
    ),
    (
        lambda: Input.plain_text("x", action_id="a", min_length=5, max_length=4),
        ValueError,
        "min_length (5) is more than max_length (4)",
    ),
    (
        lambda: Input.number("x", action_id="a", min_value=1.5),
        ValueError,
        "min_value must be a whole number unless is_decimal_allowed is True, got '1.5'",
    ),
    (
        lambda: Input.number("x", action_id="a", is_decimal_allowed=True, max_value=1e300),
        ValueError,
        "max_value must be a number written in digits (such as -12 or 3.5), got '1e+300'",
    ),
    (
        lambda: Input.number("x", action_id="a", initial_value=True),
        TypeError,
        "Argument 'initial_value' has incorrect type (expected int, float, Decimal or str, got bool)",
    ),
    (
        lambda: Input.number("x", action_id="a", min_value=10, max_value="9"),
        ValueError,
        "min_value ('10') is more than max_value ('9')",
    ),
    (
        lambda: Input.static_select("x", "abc", action_id="a"),
        TypeError,
        "options must be an iterable of option texts (a list, say), not a single str",
    ),
    (lambda: Input.static_select("x", [], action_id="a"), ValueError, "static_select takes 1 to 100 options, got 0"),
    (
        lambda: Input.radio_buttons("x", list("abcdefghijk"), action_id="a"),
        ValueError,
        "radio_buttons takes 1 to 10 options, got 11",
    ),
    (
        lambda: Input.checkboxes("x", ["a", "b" * 76], action_id="a"),
        ValueError,
        "checkboxes option 1 has 76 characters; an option text holds 1 to 75",
    ),
    (
        lambda: Input.static_select("x", [("a", "b", "c")], action_id="a"),
        ValueError,
        "static_select option 0 is a tuple of 3 items; a (text, value) pair holds 2",
    ),
    (
        lambda: Input.static_select("x", [("a", 1)], action_id="a"),
        TypeError,
        "static_select option 0: a (text, value) pair holds two str, got (str, int)",
    ),
    (
        lambda: Input.static_select("x", [("a", "v" * 151)], action_id="a"),
        ValueError,
        "static_select option 0 has a value of 151 characters; an option value holds 1 to 150",
    ),
    (
        lambda: Input.static_select("x", ["a"], action_id="a", initial_option="b"),
        ValueError,
        "initial_option 'b' is not one of the options",
    ),
    (
        lambda: Input.multi_static_select("x", ["a"], action_id="a", initial_options="a"),
        TypeError,
        "initial_options must be an iterable of options, not a single str",
    ),
    (
        lambda: Input.multi_static_select("x", ["a"], action_id="a", max_selected_items=0),
        ValueError,
        "max_selected_items must be 1 or more, got 0",
    ),
    (
        lambda: Input.datepicker("x", action_id="a", initial_date="2023-02-29"),
        ValueError,
        "Invalid date '2023-02-29': expected a real calendar date in the format YYYY-MM-DD",
    ),
    (
        lambda: Input.datepicker("x", action_id="a", initial_date=20230228),
        TypeError,
        "Argument 'initial_date' has incorrect type (expected str or datetime.date, got int)",
    ),
    (
        lambda: Input.timepicker("x", action_id="a", initial_time="24:00"),
        ValueError,
        "initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got '24:00'",
    ),
    (
        lambda: Input.datetimepicker("x", action_id="a", initial_date_time=datetime.datetime(2026, 1, 1)),
        ValueError,
        "initial_date_time must be Unix seconds or an aware datetime (with a tzinfo), got a naive datetime",
    ),
    (
        lambda: Input.datetimepicker("x", action_id="a", initial_date_time=10**10),
        ValueError,
        "initial_date_time must be from 0 to 9999999999, got 10000000000",
    ),
    (
        lambda: Input.multi_users_select("x", action_id="a", initial_users=["U1", 2]),
        TypeError,
        "initial_users must hold str, got int at position 1",
    ),
    (
        lambda: Input.conversations_select("x", action_id="a", filter=["public"]),
        TypeError,
        "Argument 'filter' has incorrect type (expected dict, got list)",
    ),
    (
        lambda: Input.rich_text("x", action_id="a", initial_value="Hello"),
        TypeError,
        "Argument 'initial_value' has incorrect type (expected a rich_text block (dict), got str)",
    ),
    (lambda: Input.file("x", action_id="a", max_files=11), ValueError, "max_files must be from 1 to 10, got 11"),
    (
        lambda: Input.file("x", action_id="a", dispatch_action=True),
        ValueError,
        "a file input cannot dispatch actions: leave dispatch_action False",
    ),
]


@pytest.mark.parametrize(("call", "error", "message"), BAD)
def test_bad_arguments_say_what_is_wanted(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message
