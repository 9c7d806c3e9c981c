"""Reading what users send back: values of every element type, the acted-on element, errors."""

from __future__ import annotations

import datetime as dt
from decimal import Decimal
from zoneinfo import ZoneInfo

import pytest

from velmora.interactions import Action, action, errors, values


def option(value: str) -> dict[str, object]:
    return {"text": {"type": "plain_text", "text": value.title(), "emoji": True}, "value": value}


RICH = {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": "hi"}]}]}
FILES = [{"id": "F1", "name": "a.png"}]
# (action_id, the element's state as Slack sends it, the value read)
ELEMENTS = [
    ("title", {"type": "plain_text_input", "value": "Deploy api"}, "Deploy api"),
    ("note", {"type": "plain_text_input", "value": None}, None),
    ("email", {"type": "email_text_input", "value": "ana@example.com"}, "ana@example.com"),
    ("url", {"type": "url_text_input", "value": "https://example.com"}, "https://example.com"),
    ("replicas", {"type": "number_input", "value": "-12"}, -12),
    ("ratio", {"type": "number_input", "value": "2.50"}, Decimal("2.50")),
    ("big", {"type": "number_input", "value": "123456789012345678901234567890"}, 123456789012345678901234567890),
    ("empty", {"type": "number_input", "value": None}, None),
    ("service", {"type": "static_select", "selected_option": option("api")}, "api"),
    ("remote", {"type": "external_select", "selected_option": None}, None),
    ("size", {"type": "radio_buttons", "selected_option": option("small")}, "small"),
    ("tags", {"type": "multi_static_select", "selected_options": [option("a"), option("b")]}, ["a", "b"]),
    ("found", {"type": "multi_external_select", "selected_options": []}, []),
    ("checks", {"type": "checkboxes", "selected_options": [option("lint")]}, ["lint"]),
    ("owner", {"type": "users_select", "selected_user": "U1"}, "U1"),
    ("owners", {"type": "multi_users_select", "selected_users": ["U1", "U2"]}, ["U1", "U2"]),
    ("where", {"type": "conversations_select", "selected_conversation": "C1"}, "C1"),
    ("wheres", {"type": "multi_conversations_select", "selected_conversations": ["C1", "D2"]}, ["C1", "D2"]),
    ("channel", {"type": "channels_select", "selected_channel": None}, None),
    ("channels", {"type": "multi_channels_select", "selected_channels": ["C3"]}, ["C3"]),
    ("day", {"type": "datepicker", "selected_date": "2026-02-28"}, dt.date(2026, 2, 28)),
    ("at", {"type": "timepicker", "selected_time": "09:30"}, dt.time(9, 30)),
    (
        "at_paris",
        {"type": "timepicker", "selected_time": "23:05", "timezone": "Europe/Paris"},
        dt.time(23, 5, tzinfo=ZoneInfo("Europe/Paris")),
    ),
    ("when", {"type": "datetimepicker", "selected_date_time": 1767225600}, dt.datetime(2026, 1, 1, tzinfo=dt.UTC)),
    ("body", {"type": "rich_text_input", "rich_text_value": RICH}, RICH),
    ("files", {"type": "file_input", "files": FILES}, FILES),
    ("future", {"type": "magic_input", "spell": "x"}, {"type": "magic_input", "spell": "x"}),  # unknown: as sent
]
STATE = {"values": {f"b{i}": {action_id: entry} for i, (action_id, entry, _) in enumerate(ELEMENTS)}}
READ = {action_id: read for action_id, _, read in ELEMENTS}
SUBMISSION = {"type": "view_submission", "user": {"id": "U1"}, "view": {"id": "V1", "state": STATE}}


@pytest.mark.parametrize(
    "payload",
    [
        SUBMISSION,
        {"type": "view_closed", "view": {"state": STATE}},
        {"type": "block_actions", "state": STATE, "actions": []},  # in a message
        {"type": "block_actions", "view": {"state": STATE}, "actions": []},  # in a modal
        SUBMISSION["view"],  # Bolt's `view`
    ],
    ids=["view_submission", "view_closed", "block_actions", "block_actions-modal", "view"],
)
def test_values_reads_every_element_type_in_the_forms_order(payload) -> None:
    read = values(payload)
    assert read == READ and list(read) == list(READ)
    assert type(read["replicas"]) is int and type(read["ratio"]) is Decimal
    assert read["body"] is RICH  # the block itself, not a copy
    by_block = values(payload, by_block=True)
    assert by_block == {f"b{i}": {action_id: read} for i, (action_id, _, read) in enumerate(ELEMENTS)}


def test_an_action_id_in_two_blocks_needs_by_block() -> None:
    state = {
        "values": {
            "first": {"amount": {"type": "plain_text_input", "value": "1"}},
            "second": {"amount": {"type": "plain_text_input", "value": "2"}},
        }
    }
    payload = {"type": "view_submission", "view": {"state": state}}
    with pytest.raises(ValueError) as raised:
        values(payload)
    assert str(raised.value) == (
        "action_id 'amount' is in blocks 'first' and 'second': read them with values(payload, by_block=True)"
    )
    assert values(payload, by_block=True) == {"first": {"amount": "1"}, "second": {"amount": "2"}}


BAD = [
    (lambda: values([]), TypeError, "values() takes an interaction payload (a dict), not list"),
    (
        lambda: values({"type": "shortcut"}),
        ValueError,
        "no state.values in this 'shortcut' payload: values() reads "
        "view_submission, view_closed and block_actions payloads (or their view)",
    ),
    (
        lambda: values({"view": {"state": {"values": {"b": {"n": {"type": "number_input", "value": "1,5"}}}}}}),
        ValueError,
        "a number input sent '1,5', which is not a number",
    ),
    (
        lambda: values({"state": {"values": {"b": {"n": {"type": "number_input", "value": "NaN"}}}}}),
        ValueError,
        "a number input sent 'NaN', which is not a finite number",
    ),
    (
        lambda: values({"state": {"values": {"b": {"n": "text"}}}}),
        TypeError,
        "an element's state must be a dict, not str",
    ),
    (
        lambda: action({"type": "view_submission"}),
        ValueError,
        "action() reads a block_actions payload, which lists its actions; this one ('view_submission') has none",
    ),
    (
        lambda: errors({}),
        ValueError,
        "errors() needs at least one block_id and its message; to accept the "
        "submission, acknowledge it without an answer",
    ),
    (lambda: errors({"amount": 3}), TypeError, "errors() maps block_id (str) to a message (str), not 'amount' to 3"),
]


@pytest.mark.parametrize(("call", "error", "message"), BAD)
def test_what_cannot_be_read_says_why(call, error, message) -> None:
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message


@pytest.mark.parametrize(
    ("acted", "expected"),
    [
        (
            {"type": "button", "action_id": "approve", "block_id": "b", "value": "v1", "action_ts": "1.2"},
            ("approve", "b", "v1", "button"),
        ),
        ({"type": "button", "action_id": "go", "block_id": "b", "action_ts": "1.2"}, ("go", "b", None, "button")),
        (
            {"type": "overflow", "action_id": "more", "block_id": "b", "selected_option": option("edit")},
            ("more", "b", "edit", "overflow"),
        ),
        (
            {"type": "datepicker", "action_id": "d", "block_id": "b", "selected_date": "2026-01-02"},
            ("d", "b", dt.date(2026, 1, 2), "datepicker"),
        ),
    ],
)
def test_action_reads_the_acted_on_element(acted, expected) -> None:
    found = action({"type": "block_actions", "actions": [acted], "state": STATE})
    assert found == expected and type(found) is Action and found.value == expected[2]


def test_errors_is_the_answer_slack_shows_under_each_block() -> None:
    given = {"amount": "Must be positive", "when": "In the future, please"}
    answer = errors(given)
    assert answer == {"response_action": "errors", "errors": given} and answer["errors"] is not given
