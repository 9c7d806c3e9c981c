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


def context_message() -> list[dict[str, Any]]:
    from velmora.messages.context.context import ContextMessage

    return ContextMessage(
        text_1="Deployed by *ana*", image_url_2="https://picsum.photos/id/237/64", text_3="2 minutes ago"
    ).build_blocks()


def button_message() -> list[dict[str, Any]]:
    from velmora.messages.composite.button import ButtonMessage

    return ButtonMessage(
        button_1_text="Approve", button_1_style="primary", button_2_text="Reject", button_2_style="danger",
        button_10_text="Runbook", button_10_url="https://example.com/runbook",
    ).build_blocks()


def static_select_message() -> list[dict[str, Any]]:
    from velmora.messages.section.static_select import StaticSelectMessage

    return StaticSelectMessage(["eu-west-1", "us-east-1"], "Deploy to which region?").build_blocks()


def multi_static_select_message() -> list[dict[str, Any]]:
    from velmora.messages.section.multi_static_select_msg import MultiStaticSelectMessage

    return MultiStaticSelectMessage("Notify which teams?", ["api", "web", "data"]).build_blocks()


def overflow_message() -> list[dict[str, Any]]:
    from velmora.messages.section.overflow import OverflowMessage

    return OverflowMessage("Release 1.4.2", ["Roll back", "Open changelog"]).build_blocks()


def date_picker_message() -> list[dict[str, Any]]:
    from velmora.messages.section.date_picker import DatePickerMessage

    return DatePickerMessage("Freeze starts on", "2024-12-20").build_blocks()


def users_select_message() -> list[dict[str, Any]]:
    from velmora.messages.section.users_select import UsersSelectMessage

    return UsersSelectMessage("Who is on call?").build_blocks()


def image_message() -> list[dict[str, Any]]:
    from velmora.messages.image.image_msg import ImageMessage

    return ImageMessage(image_url="https://picsum.photos/id/237/200", image_name="A black puppy").build_blocks()


def _deploys():  # a small DataFrame for the table examples (pandas only when they run)
    import pandas as pd

    return pd.DataFrame(
        {
            "service": ["api", "web", "worker"],
            "version": ["1.4.2", "2.0.0", None],
            "took (s)": [192.5, 64.0, float("nan")],
            "pods": [12, 4, 3],
        }
    )


def table_message() -> list[dict[str, Any]]:
    from velmora.messages.table.simple_table import SimpleTableMessage

    return SimpleTableMessage(_deploys(), "*Deploys today*").build_blocks()


def dataframe_message() -> list[dict[str, Any]]:
    from velmora.messages.composite.dataframe import DataFrameMessage

    return DataFrameMessage(_deploys(), title="*Deploys today*").build_blocks()


def choice_messages() -> list[dict[str, Any]]:
    from velmora.messages.composite.checkboxes import CheckBoxesMessage
    from velmora.messages.composite.time_picker import TimePickerMessage

    return (
        CheckBoxesMessage("Notify me about", ["Deploys", "Incidents"], ["Every release"]).build_blocks()
        + TimePickerMessage("Daily summary at", "09:30").build_blocks()
    )


def preformatted_message() -> list[dict[str, Any]]:
    from velmora.messages.rich_text.preformatted import PreformattedMessage

    return PreformattedMessage("$ make deploy\nok: 3 services").build_blocks()


# name -> builder of the example's blocks, in the order the demo prints them
EXAMPLES: dict[str, Example] = {
    "section texts": section_texts,
    "actions block": actions_block,
    "static select": static_select,
    "header message": header_message,
    "context message": context_message,
    "button message": button_message,
    "static select message": static_select_message,
    "multi-select message": multi_static_select_message,
    "overflow message": overflow_message,
    "date picker message": date_picker_message,
    "users select message": users_select_message,
    "image message": image_message,
    "table message": table_message,
    "dataframe message": dataframe_message,
    "choice messages": choice_messages,
    "preformatted message": preformatted_message,
}
