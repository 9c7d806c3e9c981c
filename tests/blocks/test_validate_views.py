"""velmora.validate on the surfaces Slack shows blocks on: messages, modals and Home tabs."""

from __future__ import annotations

import json
from typing import Any

import pytest

from velmora import validate


def plain(text: str) -> dict[str, Any]:
    return {"type": "plain_text", "text": text}


def p(path: str, message: str) -> dict[str, str]:
    return {"path": path, "message": message}


def input_block(element: dict[str, Any], **keys: Any) -> dict[str, Any]:
    return {"type": "input", "label": plain("Amount"), "element": element, **keys}


def modal(*blocks: Any, **keys: Any) -> dict[str, Any]:
    return {"type": "modal", "title": plain("Expenses"), "blocks": list(blocks), **keys}


NUMBER = {"type": "number_input", "is_decimal_allowed": True, "action_id": "amount"}
SECTION = {"type": "section", "text": {"type": "mrkdwn", "text": "x"}}

# Where Slack shows each block type.
SURFACES: dict[str, frozenset[str]] = {
    **dict.fromkeys(
        [
            "section",
            "divider",
            "actions",
            "context",
            "header",
            "image",
            "rich_text",
            "video",
            "input",
            "card",
            "auth_provider",
        ],
        frozenset({"message", "modal", "home"}),
    ),
    **dict.fromkeys(["carousel", "container", "data_table"], frozenset({"message", "home"})),
    **dict.fromkeys(
        ["markdown", "table", "data_visualization", "plan", "task_card", "context_actions", "call", "file"],
        frozenset({"message"}),
    ),
    "alert": frozenset({"modal"}),
}
NAMES = {"message": "messages", "modal": "modals", "home": "Home tabs"}
SHOWN = {
    frozenset({"message", "modal", "home"}): "messages, modals and Home tabs",
    frozenset({"message", "home"}): "messages and Home tabs",
    frozenset({"message"}): "messages",
    frozenset({"modal"}): "modals",
}


@pytest.mark.parametrize("kind", sorted(SURFACES))
@pytest.mark.parametrize("surface", ["message", "modal", "home"])
def test_each_block_type_shows_only_where_slack_shows_it(kind: str, surface: str) -> None:
    problem = p("/0/type", f'"{kind}" blocks show only in {SHOWN[SURFACES[kind]]}, not in {NAMES[surface]}.')
    found = validate([{"type": kind}], surface=surface)
    assert (problem in found) == (surface not in SURFACES[kind])
    if surface != "message":  # a view of that type says the same of its blocks
        view = validate(
            {"type": surface, "title": plain("t"), "submit": plain("s"), "blocks": [{"type": kind}]}
            if surface == "modal"
            else {"type": surface, "blocks": [{"type": kind}]}
        )
        assert ({**problem, "path": "/blocks" + problem["path"]} in view) == (surface not in SURFACES[kind])


@pytest.mark.parametrize(
    ("value", "problems", "kept"),
    [
        (
            [{"type": "divider"}] * 51,
            [p("", "A message holds at most 50 blocks; this one has 51.")],
            [{"type": "divider"}] * 50,
        ),
        (
            modal(*[{"type": "divider"}] * 101),
            [p("/blocks", "A modal holds at most 100 blocks; this one has 101.")],
            modal(*[{"type": "divider"}] * 100),
        ),
        (
            {"type": "home", "blocks": [{"type": "divider"}] * 101},
            [p("/blocks", "A Home tab holds at most 100 blocks; this one has 101.")],
            {
                "type": "home",
                "blocks": [{"type": "divider"}] * 100,
                "private_metadata": "m" * 3000,
                "callback_id": "c" * 255,
                "external_id": "home-1",
            },
        ),
        # a modal's own rules
        (
            {
                "type": "modal",
                "blocks": [input_block(NUMBER)],
                "close": plain("c" * 25),
                "submit_disabled": True,
                "private_metadata": "m" * 3001,
                "callback_id": "c" * 256,
                "clear_on_close": "yes",
                "hash": "1",
            },
            [
                p("/hash", '"hash" is not a key of type "modal"; Slack refuses keys it does not know.'),
                p("/submit_disabled", 'Slack refuses "submit_disabled" on ordinary modals; leave it out.'),
                p("/submit", '"submit" is missing; a modal that holds an input block needs it.'),
                p("/title", '"title" is missing.'),
                p("/close/text", '"text" is 25 characters long; Slack allows at most 24.'),
                p("/clear_on_close", '"clear_on_close" must be true or false, not str.'),
                p("/private_metadata", '"private_metadata" is 3001 characters long; Slack allows at most 3000.'),
                p("/callback_id", '"callback_id" is 256 characters long; Slack allows at most 255.'),
            ],
            modal(
                input_block(NUMBER),
                submit=plain("s" * 24),
                close=plain("Cancel"),
                private_metadata="{}",
                clear_on_close=True,
                notify_on_close=False,
                callback_id="expenses",
            ),
        ),
        (
            {"type": "modal", "title": {"type": "mrkdwn", "text": "t" * 25}, "submit": None},
            [
                p("/submit", '"submit" is null; Slack refuses null where it expects a value: leave the key out.'),
                p("/title/type", 'Text here must be "plain_text", not "mrkdwn".'),
                p("/title/text", '"text" is 25 characters long; Slack allows at most 24.'),
                p("/blocks", '"blocks" is missing.'),
            ],
            modal(SECTION),
        ),
        # a Home tab takes none of what only modals take
        (
            {
                "type": "home",
                "title": plain("t"),
                "submit": plain("s"),
                "close": plain("c"),
                "clear_on_close": True,
                "notify_on_close": True,
                "blocks": [SECTION],
            },
            [
                p(f"/{key}", f'"{key}" is for modals; a Home tab takes none.')
                for key in ("title", "close", "submit", "clear_on_close", "notify_on_close")
            ],
            {
                "type": "home",
                "blocks": [SECTION, {"type": "container", "title": plain("t"), "child_blocks": [SECTION]}],
            },
        ),
        (
            {"type": "dialog", "blocks": []},
            [p("/type", 'A view\'s "type" must be "modal" or "home", not "dialog".')],
            {"type": "home", "blocks": []},
        ),
        # the input block and what it holds
        (
            modal(
                input_block({"type": "button", "text": plain("b")}),
                input_block({"type": "file_input"}, dispatch_action=True),
                submit=plain("s"),
            ),
            [
                p(
                    "/blocks/0/element/type",
                    'An input block\'s element is a menu, a picker, a choice or an input, not "button".',
                ),
                p(
                    "/blocks/1/element",
                    'A file input cannot dispatch actions; leave out the input\'s "dispatch_action".',
                ),
            ],
            modal(input_block({"type": "file_input", "filetypes": ["pdf"], "max_files": 1}), submit=plain("s")),
        ),
        (
            modal(
                input_block(
                    {**NUMBER, "focus_on_load": True, "min_value": "1", "max_value": "10", "initial_value": "1e"}
                ),
                input_block({"type": "plain_text_input", "focus_on_load": True, "initial_value": "x" * 3001}),
                input_block({"type": "rich_text_input", "min_lines": 0, "initial_value": SECTION}),
                submit=plain("s"),
            ),
            [
                p("/blocks/0/element/initial_value", '"initial_value" must be a number written as a string, not "1e".'),
                p(
                    "/blocks/1/element/focus_on_load",
                    'Only one element of a view can have "focus_on_load": true; this is another.',
                ),
                p(
                    "/blocks/1/element/initial_value",
                    '"initial_value" is 3001 characters long; Slack allows at most 3000.',
                ),
                p("/blocks/2/element/min_lines", '"min_lines" must be 1 or more, not 0.'),
                p("/blocks/2/element/initial_value/type", 'Rich text must be "rich_text", not "section".'),
            ],
            modal(
                input_block({**NUMBER, "focus_on_load": True, "min_value": "1", "initial_value": "1.5"}),
                input_block({"type": "email_text_input", "initial_value": "ana@example.com"}),
                input_block({"type": "rich_text_input", "initial_value": {"type": "rich_text", "elements": []}}),
                submit=plain("s"),
            ),
        ),
        (
            [
                {
                    "type": "actions",
                    "elements": [
                        {"type": "conversations_select", "response_url_enabled": True, "initial_conversation": ""},
                        {"type": "multi_users_select", "initial_users": ["U1", 7]},
                        {
                            "type": "static_select",
                            "options": [{"text": plain("a"), "value": "a"}],
                            "initial_option": {"text": plain("a"), "value": "a", "type": "option"},
                        },
                        {
                            "type": "checkboxes",
                            "options": [{"text": plain("a"), "value": "a"}],
                            "initial_options": [{"value": "a"}],
                        },
                    ],
                }
            ],
            [
                p(
                    "/0/elements/0/initial_conversation",
                    '"initial_conversation" is empty; it needs at least 1 character.',
                ),
                p(
                    "/0/elements/0/response_url_enabled",
                    '"response_url_enabled" works only in an input block of a modal.',
                ),
                p("/0/elements/1/initial_users/1", "An id must be a string of at least one character."),
                p(
                    "/0/elements/2/initial_option/type",
                    '"type" is not a key of an option; Slack refuses keys it does not know.',
                ),
                p("/0/elements/3/initial_options/0/text", '"text" is missing.'),
            ],
            modal(
                input_block({"type": "channels_select", "response_url_enabled": True, "initial_channel": "C1"}),
                input_block({"type": "multi_conversations_select", "initial_conversations": ["C1", "D2"]}),
                input_block(
                    {
                        "type": "radio_buttons",
                        "options": [{"text": plain("a"), "value": "a"}],
                        "initial_option": {"text": plain("a"), "value": "a"},
                    }
                ),
                submit=plain("s"),
            ),
        ),
    ],
)
def test_each_view_rule_is_caught_and_its_valid_form_accepted(value: Any, problems: list[Any], kept: Any) -> None:
    assert validate(value) == problems
    assert validate(kept) == []
    assert validate(json.loads(json.dumps(value))) == problems


def test_blocks_given_alone_follow_their_surface() -> None:
    blocks = [input_block(NUMBER), {"type": "alert", "text": plain("Saved"), "level": "success"}]
    assert validate(blocks, surface="modal") == []
    assert validate(blocks) == [p("/1/type", '"alert" blocks show only in modals, not in messages.')]
    assert validate([{"type": "alert", "text": plain("x" * 201), "level": "loud"}], surface="modal") == [
        p("/0/text/text", '"text" is 201 characters long; Slack allows at most 200.'),
        p("/0/level", '"level" must be "default", "info", "warning", "error" or "success", not "loud".'),
    ]


@pytest.mark.parametrize(
    ("args", "kwargs", "error", "message"),
    [
        (([],), {"surface": "dialog"}, ValueError, 'surface must be "message", "modal" or "home", got \'dialog\''),
        (([],), {"surface": None}, TypeError, "Argument 'surface' has incorrect type (expected str, got NoneType)"),
        (([], "modal"), {}, TypeError, "validate() takes 1 positional argument but 2 were given"),
        ((modal(),), {"surface": "home"}, ValueError, "validate() got a modal view, but surface='home'"),
        (
            ({"text": "t"},),
            {"surface": "modal"},
            ValueError,
            "validate() got a message payload, but surface='modal'; give a view or a list of blocks",
        ),
    ],
)
def test_bad_surfaces(args: tuple[Any, ...], kwargs: dict[str, Any], error: type, message: str) -> None:
    with pytest.raises(error) as raised:
        validate(*args, **kwargs)
    assert str(raised.value) == message


def test_the_text_guard_is_a_messages() -> None:
    blocks = [{"type": "section", "text": {"type": "mrkdwn", "text": "x" * 2900}}] * 5
    assert validate(modal(*blocks)) == validate({"type": "home", "blocks": blocks}) == []
    assert [problem["path"] for problem in validate(blocks)] == ["/4"]


def test_fit_refuses_a_view() -> None:
    from velmora import fit

    with pytest.raises(ValueError, match="^fit\\(\\) splits messages, not views$"):
        fit(modal(SECTION))
    assert validate(modal(SECTION), surface="modal") == validate(modal(SECTION)) == []
