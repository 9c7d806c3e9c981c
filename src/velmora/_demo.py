"""The messages that `python -m velmora demo` prints: one example of each kind, built offline."""

from __future__ import annotations

from collections.abc import Callable
from typing import Any

Example = Callable[[], list[dict[str, Any]]]


def section_texts() -> list[dict[str, Any]]:
    from velmora.blocks import Section

    return (
        Section.plain_text("Deploy finished :rocket:")
        + Section.mrkdwn("*api* is live on `prod`")
        + Section.text_fields(["*Version*\n1.4.2", "*Took*\n3m 12s"])
    )


def actions_block() -> list[dict[str, Any]]:
    from velmora.blocks import Actions

    return Actions.buttons(
        [
            {"text": "Approve", "style": "primary", "value": "approve"},
            {"text": "Reject", "style": "danger"},
            {"text": "Runbook", "url": "https://example.com/runbook"},
        ]
    )


def static_select() -> list[dict[str, Any]]:
    from velmora.blocks import Section

    return Section.static_select(["eu-west-1", "us-east-1", "ap-south-1"], text="Deploy to which region?")


def header_message() -> list[dict[str, Any]]:
    from velmora.messages.header.header import HeaderMessage

    return HeaderMessage("Nightly report").build_blocks()


# name -> builder of the example's blocks, in the order the demo prints them
EXAMPLES: dict[str, Example] = {
    "section texts": section_texts,
    "actions block": actions_block,
    "static select": static_select,
    "header message": header_message,
}
