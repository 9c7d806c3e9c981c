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


def rich_text_block() -> list[dict[str, Any]]:
    from velmora.blocks.rich_text import RichText

    return RichText.block(
        RichText.section(
            "Deploy of ",
            RichText.text("api", code=True),
            " is done ",
            RichText.emoji("tada"),
            " by ",
            RichText.user("U0123ABCD"),
        ),
        RichText.list(["migrations ran", ["cache ", RichText.text("warm", italic=True)]], style="ordered"),
        RichText.quote("Ship small, ship often."),
        RichText.preformatted("$ make deploy", language="shell"),
    )


def markdown_block() -> list[dict[str, Any]]:
    from velmora.blocks.markdown import Markdown

    return Markdown.markdown("## Summary\n**api** is live: [runbook](https://example.com/runbook)")


def markdown_to_blocks() -> list[dict[str, Any]]:
    from velmora.markdown import to_blocks

    return to_blocks(
        "## Summary\n"
        "The **api** deploy is *done*: see the [runbook](https://example.com/runbook).\n\n"
        "- 3 services\n  - api, web and worker\n\n"
        "| service | took (s) |\n|---------|---------:|\n| api | 192.5 |\n"
    )


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
        button_1_text="Approve",
        button_1_style="primary",
        button_2_text="Reject",
        button_2_style="danger",
        button_10_text="Runbook",
        button_10_url="https://example.com/runbook",
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


def _deploys() -> Any:  # a small DataFrame for the table examples (pandas only when they run)
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


def data_table_message() -> list[dict[str, Any]]:
    from velmora.messages.table.data_table import DataTableMessage

    return DataTableMessage(_deploys(), caption="Deploys today", page_size=5).build_blocks()


def chart_message() -> list[dict[str, Any]]:
    from velmora.messages.chart.chart import ChartMessage

    signups = {"week": ["2026-01-05", "2026-01-12", "2026-01-19"], "web": [120, 135, 128], "mobile": [80, 95, 110]}
    return ChartMessage(signups, "bar", x="week", title="Weekly sign-ups", y_label="sign-ups").build_blocks()


def dataframe_message() -> list[dict[str, Any]]:
    from velmora.messages.composite.dataframe import DataFrameMessage

    return DataFrameMessage(_deploys(), title="*Deploys today*").build_blocks()


def checkboxes_message() -> list[dict[str, Any]]:
    from velmora.messages.composite.checkboxes import CheckBoxesMessage

    return CheckBoxesMessage("Notify me about", ["Deploys", "Incidents"], ["Every release"]).build_blocks()


def radio_buttons_message() -> list[dict[str, Any]]:
    from velmora.messages.composite.radio_buttons import RadioButtonsMessage

    return RadioButtonsMessage("Deploy to", ["staging", "prod"]).build_blocks()


def time_picker_message() -> list[dict[str, Any]]:
    from velmora.messages.composite.time_picker import TimePickerMessage

    return TimePickerMessage("Daily summary at", "09:30").build_blocks()


def date_pickers_message() -> list[dict[str, Any]]:
    from velmora.messages.actions.datepickers import DatePickersMessage

    return DatePickersMessage(["2024-12-20", "2025-01-06"]).build_blocks()


def preformatted_message() -> list[dict[str, Any]]:
    from velmora.messages.rich_text.preformatted import PreformattedMessage

    return PreformattedMessage("$ make deploy\nok: 3 services").build_blocks()


def rich_text_message() -> list[dict[str, Any]]:
    from velmora.blocks.rich_text import RichText
    from velmora.messages.rich_text.rich import RichTextMessage

    return RichTextMessage("Release 1.4.2 is out:", RichText.list(["faster tables", "webhooks"])).build_blocks()


def markdown_message() -> list[dict[str, Any]]:
    from velmora.messages.rich_text.markdown import MarkdownMessage

    return MarkdownMessage(
        "**Deploy finished** in 3m 12s. See the [runbook](https://example.com/runbook)."
    ).build_blocks()


def composed_message() -> list[dict[str, Any]]:
    from velmora.blocks import Context
    from velmora.messages.composite.message import Message
    from velmora.messages.header.header import HeaderMessage

    return Message(HeaderMessage("Deploy finished", divider=False), Context.block("by *ana*")).build_blocks()


# heading (what builds the example, and where it is imported from) -> builder of its blocks,
# in the order the demo prints them
EXAMPLES: dict[str, Example] = {
    "Section.plain_text, Section.mrkdwn, Section.text_fields (velmora.blocks)": section_texts,
    "Actions.buttons (velmora.blocks)": actions_block,
    "Section.static_select (velmora.blocks)": static_select,
    "RichText.block, section, list, quote, preformatted (velmora.blocks.rich_text)": rich_text_block,
    "Markdown.markdown (velmora.blocks.markdown)": markdown_block,
    "to_blocks (velmora.markdown)": markdown_to_blocks,
    "HeaderMessage (velmora.messages.header.header)": header_message,
    "ContextMessage (velmora.messages.context.context)": context_message,
    "ButtonMessage (velmora.messages.composite.button)": button_message,
    "StaticSelectMessage (velmora.messages.section.static_select)": static_select_message,
    "MultiStaticSelectMessage (velmora.messages.section.multi_static_select_msg)": multi_static_select_message,
    "OverflowMessage (velmora.messages.section.overflow)": overflow_message,
    "DatePickerMessage (velmora.messages.section.date_picker)": date_picker_message,
    "UsersSelectMessage (velmora.messages.section.users_select)": users_select_message,
    "ImageMessage (velmora.messages.image.image_msg)": image_message,
    "SimpleTableMessage (velmora.messages.table.simple_table)": table_message,
    "DataTableMessage (velmora.messages.table.data_table)": data_table_message,
    "ChartMessage (velmora.messages.chart.chart)": chart_message,
    "DataFrameMessage (velmora.messages.composite.dataframe)": dataframe_message,
    "CheckBoxesMessage (velmora.messages.composite.checkboxes)": checkboxes_message,
    "RadioButtonsMessage (velmora.messages.composite.radio_buttons)": radio_buttons_message,
    "TimePickerMessage (velmora.messages.composite.time_picker)": time_picker_message,
    "DatePickersMessage (velmora.messages.actions.datepickers)": date_pickers_message,
    "PreformattedMessage (velmora.messages.rich_text.preformatted)": preformatted_message,
    "RichTextMessage (velmora.messages.rich_text.rich)": rich_text_message,
    "MarkdownMessage (velmora.messages.rich_text.markdown)": markdown_message,
    "Message (velmora.messages.composite.message)": composed_message,
}
