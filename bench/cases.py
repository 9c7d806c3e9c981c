"""What the benchmark times: one Case per builder or message class and argument set.

A case runs one statement in three namespaces: velmora's classes, the plain-Python
reference (bench/reference.py) and its Cython build, so all three do exactly the same
call. `floor` is a Python literal or comprehension producing the identical output (the
cost of allocating it); `sdk` builds the equivalent with slack_sdk's models and
`to_dict()`, where it has them. `names` maps each class the statement uses to the velmora
module that defines it; a case whose module does not import is skipped.
"""

from __future__ import annotations

from collections.abc import Callable
from dataclasses import dataclass, field
from typing import Any


@dataclass
class Case:
    name: str  # "Section.plain_text"
    size: str  # "typical" or "large"
    kind: str  # "builder" or "message"
    names: dict[str, str]  # class name -> velmora module
    stmt: str
    floor: str
    sdk: str | None = None
    args: dict[str, Any] | Callable[[], dict[str, Any]] = field(default_factory=dict)
    callgrind: bool = False  # also count instructions per call
    needs: tuple[str, ...] = ()  # other modules the case needs (pandas)
    # False where `floor` is a baseline doing less (a parser's own parse), not the same output
    floor_output: bool = True
    budget_ms: float | None = None  # a helper's target: at most this long per call

    @property
    def id(self) -> str:
        return f"{self.name}[{self.size}]"


SECTION = {"Section": "velmora.blocks.section"}
ACTIONS = {"Actions": "velmora.blocks.actions"}
INPUT = {"Input": "velmora.blocks.input"}

OPTIONS_100 = [f"Option {i}" for i in range(100)]
OPTIONS_5 = ["Low", "Medium", "High", "Critical", "Blocker"]
BUTTON_TEXTS_25 = [f"Button {i}" for i in range(25)]
DATES_25 = [f"2026-12-{d:02d}" for d in range(1, 26)]
TEXTS_10 = [f"*Field {i}*\nvalue {i}" for i in range(10)]  # Block Kit allows 10 fields


class Bot:
    """A bot shared by every message of the benchmark, so that no message makes its own."""

    def send(self, payload, channel=None):
        return payload

    def image_upload(self, buffer, file_name=None):
        return "https://example.com/uploaded.png"


BOT = Bot()


def _button_kwargs(texts, styles=()):
    kw: dict[str, Any] = {}
    for i, text in enumerate(texts, 1):
        kw[f"button_{i}_text"] = text
        if i <= len(styles):
            kw[f"button_{i}_style"] = styles[i - 1]
    kw["slack_bot"] = BOT
    return kw


def _plain_buttons_floor(count_var: str) -> str:
    return (
        '[{"type": "actions", "elements": [{"type": "button", "text": {"type": "plain_text", '
        '"text": t}, "action_id": f"action-button-{i}", "value": f"button_value-{i}"} '
        f"for i, t in enumerate({count_var})]}}]"
    )


def all_cases() -> list[Case]:
    cases = [
        # ---- Section text builders
        Case(
            "Section.plain_text",
            "typical",
            "builder",
            SECTION,
            "Section.plain_text(t)",
            '[{"type": "section", "text": {"type": "plain_text", "text": t, "emoji": True}}]',
            "[SectionBlock(text=PlainTextObject(text=t, emoji=True)).to_dict()]",
            {"t": "Deploy finished :rocket:"},
            callgrind=True,
        ),
        # the same through the package's attribute, as `import velmora.blocks as vb` reads it
        Case(
            "vb.Section.plain_text",
            "typical",
            "builder",
            {"vb": "package:velmora.blocks"},
            "vb.Section.plain_text(t)",
            '[{"type": "section", "text": {"type": "plain_text", "text": t, "emoji": True}}]',
            None,
            {"t": "Deploy finished :rocket:"},
        ),
        Case(
            "Section.mrkdwn",
            "typical",
            "builder",
            SECTION,
            "Section.mrkdwn(t)",
            '[{"type": "section", "text": {"type": "mrkdwn", "text": t}}]',
            "[SectionBlock(text=MarkdownTextObject(text=t)).to_dict()]",
            {"t": "*api* is live on `prod`"},
            callgrind=True,
        ),
        Case(
            "Section.text_fields",
            "typical",
            "builder",
            SECTION,
            "Section.text_fields(texts)",
            '[{"type": "section", "fields": [{"type": "mrkdwn", "text": x} for x in texts]}]',
            "[SectionBlock(fields=[MarkdownTextObject(text=x) for x in texts]).to_dict()]",
            {"texts": ["*Version*\n1.4.2", "*Took*\n3m 12s"]},
            callgrind=True,
        ),
        Case(
            "Section.text_fields",
            "large",
            "builder",
            SECTION,
            "Section.text_fields(texts)",
            '[{"type": "section", "fields": [{"type": "mrkdwn", "text": x} for x in texts]}]',
            "[SectionBlock(fields=[MarkdownTextObject(text=x) for x in texts]).to_dict()]",
            {"texts": TEXTS_10},
        ),
        Case(
            "Section.datepicker",
            "typical",
            "builder",
            SECTION,
            "Section.datepicker(t, d)",
            '[{"type": "section", "text": {"type": "mrkdwn", "text": t}, "accessory": '
            '{"type": "datepicker", "initial_date": d, "placeholder": {"type": "plain_text", '
            '"text": "Select a date", "emoji": True}, "action_id": "datepicker-action"}}]',
            "[SectionBlock(text=MarkdownTextObject(text=t), accessory=DatePickerElement("
            'initial_date=d, placeholder=PlainTextObject(text="Select a date", emoji=True), '
            'action_id="datepicker-action")).to_dict()]',
            {"t": "Pick a release date", "d": "2026-12-08"},
        ),
        # ---- Context, Header, Divider
        Case(
            "Context.mrkdwn",
            "typical",
            "builder",
            {"Context": "velmora.blocks.context"},
            "Context.mrkdwn(v)",
            '{"type": "mrkdwn", "text": v}',
            "MarkdownTextObject(text=v).to_dict()",
            {"v": "Deployed by <@U123>"},
            callgrind=True,
        ),
        Case(
            "Context.image_url",
            "typical",
            "builder",
            {"Context": "velmora.blocks.context"},
            "Context.image_url(v)",
            '{"type": "image", "image_url": v, "alt_text": "image"}',
            'ImageElement(image_url=v, alt_text="image").to_dict()',
            {"v": "https://example.com/logo.png"},
        ),
        Case(
            "Header.plain_text",
            "typical",
            "builder",
            {"Header": "velmora.blocks.header"},
            "Header.plain_text(t)",
            '[{"type": "header", "text": {"type": "plain_text", "text": t, "emoji": True}}]',
            "[HeaderBlock(text=PlainTextObject(text=t, emoji=True)).to_dict()]",
            {"t": "Nightly report"},
            callgrind=True,
        ),
        Case(
            "Divider.divider",
            "typical",
            "builder",
            {"Divider": "velmora.blocks.divider"},
            "Divider.divider()",
            '[{"type": "divider"}]',
            "[DividerBlock().to_dict()]",
            callgrind=True,
        ),
        # ---- Actions
        Case(
            "Actions.init_blocks",
            "typical",
            "builder",
            ACTIONS,
            "Actions.init_blocks()",
            '[{"type": "actions", "elements": []}]',
            "[ActionsBlock(elements=[]).to_dict()]",
        ),
        Case(
            "Actions.buttons",
            "typical",
            "builder",
            ACTIONS,
            "Actions.buttons(bs)",
            '[{"type": "actions", "elements": [{"type": "button", "text": {"type": "plain_text", '
            '"text": "Approve"}, "action_id": "action-button-0", "style": "primary", "value": '
            '"button_value-0"}, {"type": "button", "text": {"type": "plain_text", "text": '
            '"Reject"}, "action_id": "action-button-1", "style": "danger", "value": '
            '"button_value-1"}]}]',
            "[ActionsBlock(elements=[ButtonElement(text=PlainTextObject(text=b['text']), "
            "action_id=f'action-button-{i}', style=b.get('style') or None, "
            "value=b.get('value', f'button_value-{i}'), url=b.get('url') or None) "
            "for i, b in enumerate(bs)]).to_dict()]",
            {"bs": [{"text": "Approve", "style": "primary"}, {"text": "Reject", "style": "danger"}]},
            callgrind=True,
        ),
        Case(
            "Actions.buttons",
            "large",
            "builder",
            ACTIONS,
            "Actions.buttons(bs)",
            _plain_buttons_floor("texts"),
            "[ActionsBlock(elements=[ButtonElement(text=PlainTextObject(text=b['text']), "
            "action_id=f'action-button-{i}', value=f'button_value-{i}') "
            "for i, b in enumerate(bs)]).to_dict()]",
            {"bs": [{"text": t} for t in BUTTON_TEXTS_25], "texts": BUTTON_TEXTS_25},
        ),
        Case(
            "Actions.datepickers",
            "typical",
            "builder",
            ACTIONS,
            "Actions.datepickers(ds)",
            '[{"type": "actions", "elements": [{"type": "datepicker", "initial_date": d, '
            '"placeholder": {"type": "plain_text", "text": "Select a date", "emoji": True}, '
            '"action_id": f"action-datepickers-{i}"} for i, d in enumerate(ds)]}]',
            "[ActionsBlock(elements=[DatePickerElement(initial_date=d, placeholder="
            'PlainTextObject(text="Select a date", emoji=True), action_id=f"action-datepickers-{i}")'
            " for i, d in enumerate(ds)]).to_dict()]",
            {"ds": ["2026-12-08", "2026-12-15"]},
        ),
        Case(
            "Actions.datepickers",
            "large",
            "builder",
            ACTIONS,
            "Actions.datepickers(ds)",
            '[{"type": "actions", "elements": [{"type": "datepicker", "initial_date": d, '
            '"placeholder": {"type": "plain_text", "text": "Select a date", "emoji": True}, '
            '"action_id": f"action-datepickers-{i}"} for i, d in enumerate(ds)]}]',
            "[ActionsBlock(elements=[DatePickerElement(initial_date=d, placeholder="
            'PlainTextObject(text="Select a date", emoji=True), action_id=f"action-datepickers-{i}")'
            " for i, d in enumerate(ds)]).to_dict()]",
            {"ds": DATES_25},
        ),
        Case(
            "Actions.time_picker",
            "typical",
            "builder",
            ACTIONS,
            "Actions.time_picker(v)",
            '[{"type": "actions", "elements": [{"type": "timepicker", "initial_time": v, '
            '"placeholder": {"type": "plain_text", "text": "Select time", "emoji": True}, '
            '"action_id": "timepicker-action"}]}]',
            "[ActionsBlock(elements=[TimePickerElement(initial_time=v, placeholder="
            'PlainTextObject(text="Select time", emoji=True), action_id="timepicker-action")'
            "]).to_dict()]",
            {"v": "09:30"},
        ),
    ]
    for size, options in (("typical", OPTIONS_5), ("large", OPTIONS_100)):
        options_floor = (
            '[{"text": {"type": "mrkdwn", "text": str(o)}, "value": f"value-{i}"} for i, o in enumerate(opts)]'
        )
        sdk_options = '[Option(text=MarkdownTextObject(text=str(o)), value=f"value-{i}") for i, o in enumerate(opts)]'
        cases += [
            Case(
                "Actions.radio_buttons",
                size,
                "builder",
                ACTIONS,
                "Actions.radio_buttons(opts)",
                f'[{{"type": "actions", "elements": [{{"type": "radio_buttons", "options": {options_floor}}}]}}]',
                f"[ActionsBlock(elements=[RadioButtonsElement(options={sdk_options})]).to_dict()]",
                {"opts": options},
                callgrind=size == "large",
            ),
            Case(
                "Actions.checkboxes",
                size,
                "builder",
                ACTIONS,
                "Actions.checkboxes(opts, descs)",
                '[{"type": "actions", "elements": [{"type": "checkboxes", "options": '
                '[{"text": {"type": "mrkdwn", "text": str(o)}, "value": f"value-{i}", '
                '"description": {"type": "mrkdwn", "text": ds}} for i, (o, ds) in '
                "enumerate(zip(opts, descs))]}]}]",
                "[ActionsBlock(elements=[CheckboxesElement(options=[Option(text=MarkdownTextObject("
                'text=str(o)), value=f"value-{i}", description=MarkdownTextObject(text=ds)) '
                "for i, (o, ds) in enumerate(zip(opts, descs))])]).to_dict()]",
                {"opts": options, "descs": [f"About {o}" for o in options]},
            ),
        ]
    cases += [
        # ---- Input (the elements of a form)
        Case(
            "Input.plain_text",
            "typical",
            "builder",
            INPUT,
            'Input.plain_text(l, action_id="service")',
            '[{"type": "input", "label": {"type": "plain_text", "text": l, "emoji": True}, '
            '"element": {"type": "plain_text_input", "action_id": "service"}}]',
            "[InputBlock(label=PlainTextObject(text=l, emoji=True), "
            'element=PlainTextInputElement(action_id="service")).to_dict()]',
            {"l": "Service"},
            callgrind=True,
        ),
        Case(
            "Input.number",
            "typical",
            "builder",
            INPUT,
            'Input.number(l, action_id="replicas", min_value=1, max_value=10, optional=True, block_id="replicas")',
            '[{"type": "input", "label": {"type": "plain_text", "text": l, "emoji": True}, '
            '"element": {"type": "number_input", "action_id": "replicas", "is_decimal_allowed": False, '
            '"min_value": "1", "max_value": "10"}, "block_id": "replicas", "optional": True}]',
            "[InputBlock(label=PlainTextObject(text=l, emoji=True), element=NumberInputElement("
            'action_id="replicas", is_decimal_allowed=False, min_value="1", max_value="10"), '
            'block_id="replicas", optional=True).to_dict()]',
            {"l": "Replicas"},
        ),
        Case(
            "Input.datepicker",
            "typical",
            "builder",
            INPUT,
            'Input.datepicker(l, action_id="when", initial_date=d)',
            '[{"type": "input", "label": {"type": "plain_text", "text": l, "emoji": True}, '
            '"element": {"type": "datepicker", "action_id": "when", "initial_date": d}}]',
            "[InputBlock(label=PlainTextObject(text=l, emoji=True), "
            'element=DatePickerElement(action_id="when", initial_date=d)).to_dict()]',
            {"l": "When", "d": "2026-03-02"},
        ),
    ]
    for size, options in (("typical", OPTIONS_5), ("large", OPTIONS_100)):
        cases.append(
            Case(
                "Input.static_select",
                size,
                "builder",
                INPUT,
                'Input.static_select(l, opts, action_id="choice")',
                '[{"type": "input", "label": {"type": "plain_text", "text": l, "emoji": True}, '
                '"element": {"type": "static_select", "action_id": "choice", "options": '
                '[{"text": {"type": "plain_text", "text": o, "emoji": True}, "value": o} for o in opts]}}]',
                "[InputBlock(label=PlainTextObject(text=l, emoji=True), element=StaticSelectElement("
                'action_id="choice", options=[Option(text=PlainTextObject(text=o, emoji=True), value=o) '
                "for o in opts])).to_dict()]",
                {"l": "Severity", "opts": options},
                callgrind=size == "typical",
            )
        )
    cases += [
        # ---- Image
        Case(
            "Image.image",
            "typical",
            "builder",
            {"Image": "velmora.blocks.image"},
            "Image.image(u, n)",
            '[{"type": "image", "block_id": "image_block", "image_url": u, "alt_text": n}]',
            'ImageBlock(image_url=u, alt_text=n, block_id="image_block").to_dict()',
            {"u": "https://example.com/chart.png", "n": "chart"},
            callgrind=True,
        ),
        # ---- messages
        Case(
            "HeaderMessage",
            "typical",
            "message",
            {"HeaderMessage": "velmora.messages.header.header"},
            "HeaderMessage(h, slack_bot=bot).build_blocks()",
            '[{"type": "header", "text": {"type": "plain_text", "text": h, "emoji": True}}, {"type": "divider"}]',
            "[HeaderBlock(text=PlainTextObject(text=h, emoji=True)).to_dict(), DividerBlock().to_dict()]",
            {"h": "Nightly report", "bot": BOT},
            callgrind=True,
        ),
        Case(
            "ButtonMessage",
            "typical",
            "message",
            {"ButtonMessage": "velmora.messages.composite.button"},
            "ButtonMessage(**kw).build_blocks()",
            '[{"type": "actions", "elements": [{"type": "button", "text": {"type": "plain_text", '
            '"text": "Approve"}, "action_id": "action-button-0", "style": "primary", "value": '
            '"button_value-0"}, {"type": "button", "text": {"type": "plain_text", "text": '
            '"Reject"}, "action_id": "action-button-1", "style": "danger", "value": '
            '"button_value-1"}]}]',
            "[ActionsBlock(elements=[ButtonElement(text=PlainTextObject(text='Approve'), "
            "action_id='action-button-0', style='primary', value='button_value-0'), "
            "ButtonElement(text=PlainTextObject(text='Reject'), action_id='action-button-1', "
            "style='danger', value='button_value-1')]).to_dict()]",
            {"kw": _button_kwargs(["Approve", "Reject"], ["primary", "danger"])},
            callgrind=True,
        ),
        Case(
            "ButtonMessage",
            "large",
            "message",
            {"ButtonMessage": "velmora.messages.composite.button"},
            "ButtonMessage(**kw).build_blocks()",
            _plain_buttons_floor("texts"),
            "[ActionsBlock(elements=[ButtonElement(text=PlainTextObject(text=t), "
            "action_id=f'action-button-{i}', value=f'button_value-{i}') "
            "for i, t in enumerate(texts)]).to_dict()]",
            {"kw": _button_kwargs(BUTTON_TEXTS_25), "texts": BUTTON_TEXTS_25},
        ),
        Case(
            "ContextMessage",
            "typical",
            "message",
            {"ContextMessage": "velmora.messages.context.context"},
            "ContextMessage(text_1=a, image_url_2=b, slack_bot=bot).build_blocks()",
            '[{"type": "context", "elements": [{"type": "mrkdwn", "text": a}, '
            '{"type": "image", "image_url": b, "alt_text": "image"}]}]',
            "[ContextBlock(elements=[MarkdownTextObject(text=a), "
            'ImageElement(image_url=b, alt_text="image")]).to_dict()]',
            {"a": "Deployed by <@U123>", "b": "https://example.com/logo.png", "bot": BOT},
            callgrind=True,
        ),
        Case(
            "ContextMessage",
            "large",
            "message",
            {"ContextMessage": "velmora.messages.context.context"},
            "ContextMessage(**kw).build_blocks()",
            '[{"type": "context", "elements": [{"type": "mrkdwn", "text": x} for x in texts]}]',
            "[ContextBlock(elements=[MarkdownTextObject(text=x) for x in texts]).to_dict()]",
            {
                "kw": {**{f"text_{i + 1}": f"note {i}" for i in range(10)}, "slack_bot": BOT},
                "texts": [f"note {i}" for i in range(10)],
            },
        ),
        Case(
            "ImageMessage",
            "typical",
            "message",
            {"ImageMessage": "velmora.messages.image.image_msg"},
            "ImageMessage(image_url=u, image_name=n, slack_bot=bot).build_blocks()",
            '[{"type": "image", "block_id": "image_block", "image_url": u, "alt_text": n}]',
            '[ImageBlock(image_url=u, alt_text=n, block_id="image_block").to_dict()]',
            {"u": "https://example.com/chart.png", "n": "chart", "bot": BOT},
        ),
        Case(
            "DatePickerMessage",
            "typical",
            "message",
            {"DatePickerMessage": "velmora.messages.section.date_picker"},
            "DatePickerMessage(t, d, slack_bot=bot).build_blocks()",
            '[{"type": "section", "text": {"type": "mrkdwn", "text": t}, "accessory": '
            '{"type": "datepicker", "initial_date": d, "placeholder": {"type": "plain_text", '
            '"text": "Select a date", "emoji": True}, "action_id": "datepicker-action"}}]',
            "[SectionBlock(text=MarkdownTextObject(text=t), accessory=DatePickerElement("
            'initial_date=d, placeholder=PlainTextObject(text="Select a date", emoji=True), '
            'action_id="datepicker-action")).to_dict()]',
            {"t": "Pick a release date", "d": "2026-12-08", "bot": BOT},
        ),
    ]
    cases += rich_text_cases()
    cases += section_accessory_cases()
    cases += choice_message_cases()
    cases += table_cases()
    cases += chart_cases()
    cases += helper_cases()
    return cases


def _message_of(count: int) -> dict[str, Any]:
    """A payload of `count` blocks as a long report has them: sections, dividers, buttons, context."""
    blocks: list[dict[str, Any]] = []
    for i in range(count):
        kind = i % 4
        if kind == 0:
            blocks.append(
                {
                    "type": "section",
                    "text": {"type": "mrkdwn", "text": f"*Item {i}*: <https://x.io/{i}|details> & notes"},
                }
            )
        elif kind == 1:
            blocks.append({"type": "divider"})
        elif kind == 2:
            blocks.append(
                {
                    "type": "actions",
                    "elements": [
                        {"type": "button", "text": {"type": "plain_text", "text": "Open"}, "action_id": f"open-{i}"},
                        {"type": "button", "text": {"type": "plain_text", "text": "Close"}, "action_id": f"close-{i}"},
                    ],
                }
            )
        else:
            blocks.append({"type": "context", "elements": [{"type": "mrkdwn", "text": f"by <@U{i}>"}]})
    return {"channel": "C0123", "text": "Report", "blocks": blocks}


def helper_cases() -> list[Case]:
    """Keeping messages within Slack's limits: fit, and the escape every untrusted text needs."""
    chunks = '[{**m, "blocks": m["blocks"][i:i + 50]} for i in range(0, len(m["blocks"]), 50)]'
    return [
        Case(
            "fit",
            "2,000 blocks",
            "helper",
            {"fit": "velmora._fit"},
            "fit(m)",
            chunks,
            args=lambda: {"m": _message_of(2000)},
            budget_ms=2.0,
        ),
        Case(
            "fit", "50 blocks", "helper", {"fit": "velmora._fit"}, "fit(m)", chunks, args=lambda: {"m": _message_of(50)}
        ),
        Case(
            "escape",
            "typical",
            "helper",
            {"escape": "velmora.mrkdwn"},
            "escape(t)",
            't.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")',
            args={"t": "<!channel> Ticket #42: login fails & users see <http://evil.example|bank>"},
        ),
    ]


RICH = {"RichText": "velmora.blocks.rich_text"}
ITEMS_3 = ["migrations ran", "cache warmed", "traffic shifted"]
ITEMS_50 = [f"step {i} done" for i in range(50)]
RICH_SECTION = '{"type": "rich_text_section", "elements": [{"type": "text", "text": x}]}'


def llm_answer(size: int = 10_000) -> str:
    """A Markdown document of about `size` characters written the way an LLM answers: a title,
    sections with paragraphs, styled text, links, nested and numbered lists, a quote, code and
    one table."""
    parts = ["# Incident review: API gateway errors\n\n"]
    table = (
        "| Service | Errors | p95 latency (ms) |\n|:--------|:------:|-----------------:|\n"
        + "".join(f"| svc-{i} | {i * 37} | {i * 11 + 90} |\n" for i in range(8))
        + "\n"
    )
    i = 0
    while sum(map(len, parts)) < size - len(table):
        parts.append(
            f"## Finding {i + 1}\n\n"
            f"The **gateway** returned `502` errors for *{i + 3} minutes* after the ~~Tuesday~~ deploy; "
            f"see the [runbook](https://example.com/runbook/{i}) and <https://status.example.com>.\n\n"
            f"1. Deploy started at 14:0{i % 10}\n2. Errors began\n   - alerts fired in `#ops`\n"
            f"   - on-call was paged\n3. Rollback finished\n\n"
            f"> The connection pool held **10** connections; it was meant to hold 100.\n\n"
            f"```python\nPOOL_SIZE = 100  # was 10\nretries = {i}\n```\n\n"
        )
        if i == 1:
            parts.append(table)
        i += 1
    return "".join(parts)


def _markdown_args() -> dict[str, Any]:
    from markdown_it import MarkdownIt

    return {"doc": llm_answer(), "md": MarkdownIt("commonmark").enable(["table", "strikethrough"])}


def _blocks_args() -> dict[str, Any]:
    from velmora.markdown import to_blocks

    doc = llm_answer()
    return {"doc": doc, "blocks": to_blocks(doc), "to_blocks": to_blocks}


def rich_text_cases() -> list[Case]:
    text = '{"type": "text", "text": t}'
    return [
        Case(
            "RichText.text",
            "typical",
            "builder",
            RICH,
            "RichText.text(t)",
            text,
            None,
            {"t": "shipped"},
            callgrind=True,
        ),
        Case(
            "RichText.text",
            "styled",
            "builder",
            RICH,
            "RichText.text(t, bold=True, italic=True)",
            '{"type": "text", "text": t, "style": {"bold": True, "italic": True}}',
            None,
            {"t": "shipped"},
        ),
        Case(
            "RichText.link",
            "typical",
            "builder",
            RICH,
            "RichText.link(u, t)",
            '{"type": "link", "url": u, "text": t}',
            None,
            {"u": "https://example.com/runbook", "t": "runbook"},
        ),
        # the floor makes the name without its colons too, as a slice
        Case(
            "RichText.emoji",
            "typical",
            "builder",
            RICH,
            "RichText.emoji(n)",
            '{"type": "emoji", "name": n[1:-1]}',
            None,
            {"n": ":tada:"},
        ),
        Case(
            "RichText.user",
            "typical",
            "builder",
            RICH,
            "RichText.user(u)",
            '{"type": "user", "user_id": u}',
            None,
            {"u": "U0123ABCD"},
        ),
        Case(
            "RichText.date",
            "typical",
            "builder",
            RICH,
            "RichText.date(ts, f, fallback=fb)",
            '{"type": "date", "timestamp": ts, "format": f, "fallback": fb}',
            None,
            {"ts": 1733650800, "f": "{date_short} at {time}", "fb": "Dec 8, 2024"},
        ),
        Case(
            "RichText.section",
            "typical",
            "builder",
            RICH,
            "RichText.section(a, b)",
            '{"type": "rich_text_section", "elements": [{"type": "text", "text": a}, {"type": "text", "text": b}]}',
            None,
            {"a": "Deploy of api ", "b": "is done"},
            callgrind=True,
        ),
        Case(
            "RichText.list",
            "typical",
            "builder",
            RICH,
            "RichText.list(items)",
            f'{{"type": "rich_text_list", "style": "bullet", "elements": [{RICH_SECTION} for x in items]}}',
            None,
            {"items": ITEMS_3},
        ),
        Case(
            "RichText.list",
            "large",
            "builder",
            RICH,
            'RichText.list(items, style="ordered", indent=1)',
            f'{{"type": "rich_text_list", "style": "ordered", "elements": [{RICH_SECTION} for x in items], '
            '"indent": 1}',
            None,
            {"items": ITEMS_50},
        ),
        Case(
            "RichText.quote",
            "typical",
            "builder",
            RICH,
            "RichText.quote(t)",
            f'{{"type": "rich_text_quote", "elements": [{text}]}}',
            None,
            {"t": "Ship small, ship often."},
        ),
        Case(
            "RichText.preformatted",
            "typical",
            "builder",
            RICH,
            'RichText.preformatted(t, language="python")',
            f'{{"type": "rich_text_preformatted", "elements": [{text}], "language": "python"}}',
            None,
            {"t": "POOL_SIZE = 100"},
        ),
        Case(
            "RichText.block",
            "typical",
            "builder",
            RICH,
            "RichText.block(t)",
            f'[{{"type": "rich_text", "elements": [{{"type": "rich_text_section", "elements": [{text}]}}]}}]',
            None,
            {"t": "Deploy of api is done"},
            callgrind=True,
        ),
        Case(
            "RichText.block",
            "large",
            "builder",
            RICH,
            "RichText.block(RichText.section(a, RichText.text(c, code=True), b), RichText.list(items), "
            'RichText.quote(q), RichText.preformatted(p, language="shell"))',
            '[{"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": a}, '
            '{"type": "text", "text": c, "style": {"code": True}}, {"type": "text", "text": b}]}, '
            f'{{"type": "rich_text_list", "style": "bullet", "elements": [{RICH_SECTION} for x in items]}}, '
            '{"type": "rich_text_quote", "elements": [{"type": "text", "text": q}]}, '
            '{"type": "rich_text_preformatted", "elements": [{"type": "text", "text": p}], "language": "shell"}]}]',
            None,
            {
                "a": "Deploy of ",
                "c": "api",
                "b": " is done",
                "items": ITEMS_3,
                "q": "Ship small.",
                "p": "$ make deploy",
            },
        ),
        Case(
            "Markdown.markdown",
            "typical",
            "builder",
            {"Markdown": "velmora.blocks.markdown"},
            "Markdown.markdown(t)",
            '[{"type": "markdown", "text": t}]',
            None,
            {"t": "## Summary\n**api** is live: [runbook](https://example.com/runbook)"},
        ),
        Case(
            "RichTextMessage",
            "typical",
            "message",
            {"RichTextMessage": "velmora.messages.rich_text.rich"},
            "RichTextMessage(a, b, slack_bot=bot).build_blocks()",
            '[{"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": a}]}, '
            '{"type": "rich_text_section", "elements": [{"type": "text", "text": b}]}]}]',
            None,
            {"a": "Deploy finished.", "b": "3 services are live.", "bot": BOT},
        ),
        Case(
            "MarkdownMessage",
            "typical",
            "message",
            {"MarkdownMessage": "velmora.messages.rich_text.markdown"},
            "MarkdownMessage(t, slack_bot=bot).build_blocks()",
            '[{"type": "markdown", "text": t}]',
            None,
            {"t": "## Summary\n**api** is live: [runbook](https://example.com/runbook)", "bot": BOT},
        ),
        # to_blocks of a 10 KB answer beside markdown-it-py's parse of it (part of the work)
        Case(
            "to_blocks",
            "10 KB",
            "converter",
            {"to_blocks": "velmora.markdown"},
            "to_blocks(doc)",
            "md.parse(doc)",
            None,
            _markdown_args,
            needs=("markdown_it",),
            floor_output=False,
        ),
        # from_blocks of those blocks beside to_blocks of the document
        Case(
            "from_blocks",
            "10 KB",
            "reader",
            {"from_blocks": "velmora.markdown"},
            "from_blocks(blocks)",
            "to_blocks(doc)",
            None,
            _blocks_args,
            needs=("markdown_it",),
            floor_output=False,
        ),
    ]


def choice_message_cases() -> list[Case]:
    mrkdwn = '[{"type": "section", "text": {"type": "mrkdwn", "text": t}}] + '
    options = '[{"text": {"type": "mrkdwn", "text": str(o)}, "value": f"value-{i}"} for i, o in enumerate(opts)]'
    radio = f'[{{"type": "actions", "elements": [{{"type": "radio_buttons", "options": {options}}}]}}]'
    checks = (
        '[{"type": "actions", "elements": [{"type": "checkboxes", "options": [{"text": {"type": '
        '"mrkdwn", "text": str(o)}, "value": f"value-{i}", "description": {"type": "mrkdwn", '
        '"text": ds}} for i, (o, ds) in enumerate(zip(opts, descs))]}]}]'
    )
    dates = (
        '[{"type": "actions", "elements": [{"type": "datepicker", "initial_date": d, '
        '"placeholder": {"type": "plain_text", "text": "Select a date", "emoji": True}, '
        '"action_id": f"action-datepickers-{i}"} for i, d in enumerate(ds)]}]'
    )
    cases = [
        Case(
            "TimePickerMessage",
            "typical",
            "message",
            {"TimePickerMessage": "velmora.messages.composite.time_picker"},
            "TimePickerMessage(t, v, slack_bot=bot).build_blocks()",
            mrkdwn + '[{"type": "actions", "elements": [{"type": "timepicker", "initial_time": v, '
            '"placeholder": {"type": "plain_text", "text": "Select time", "emoji": True}, '
            '"action_id": "timepicker-action"}]}]',
            None,
            {"t": "When?", "v": "09:30", "bot": BOT},
        ),
        Case(
            "DatePickersMessage",
            "typical",
            "message",
            {"DatePickersMessage": "velmora.messages.actions.datepickers"},
            "DatePickersMessage(ds, slack_bot=bot).build_blocks()",
            dates,
            None,
            {"ds": ["2026-12-08", "2026-12-15"], "bot": BOT},
        ),
        Case(
            "DatePickersMessage",
            "large",
            "message",
            {"DatePickersMessage": "velmora.messages.actions.datepickers"},
            "DatePickersMessage(ds, slack_bot=bot).build_blocks()",
            dates,
            None,
            {"ds": DATES_25, "bot": BOT},
        ),
    ]
    for size, opts in (("typical", OPTIONS_5), ("large", OPTIONS_100)):
        args = {"t": "Pick", "opts": opts, "descs": [f"About {o}" for o in opts], "bot": BOT}
        cases += [
            Case(
                "RadioButtonsMessage",
                size,
                "message",
                {"RadioButtonsMessage": "velmora.messages.composite.radio_buttons"},
                "RadioButtonsMessage(t, opts, slack_bot=bot).build_blocks()",
                mrkdwn + radio,
                None,
                args,
            ),
            Case(
                "CheckBoxesMessage",
                size,
                "message",
                {"CheckBoxesMessage": "velmora.messages.composite.checkboxes"},
                "CheckBoxesMessage(t, opts, descs, slack_bot=bot).build_blocks()",
                mrkdwn + checks,
                None,
                args,
            ),
        ]
    return cases


def _frame(rows: int, columns: int):
    """A frame of floats, integers, strings and timestamps, as reports have them."""
    import numpy as np
    import pandas as pd

    rng = np.random.default_rng(0)
    data = {}
    for j in range(columns):
        kind = j % 4
        if kind == 0:
            data[f"f{j}"] = rng.random(rows) * 1000
        elif kind == 1:
            data[f"i{j}"] = rng.integers(0, 10**6, rows)
        elif kind == 2:
            data[f"s{j}"] = [f"name {i}" for i in range(rows)]
        else:
            data[f"d{j}"] = pd.date_range("2024-01-01", periods=rows, freq="h")
    return pd.DataFrame(data)


def _table_args(rows: int, columns: int, polars: bool = False) -> Callable[[], dict[str, Any]]:
    def make() -> dict[str, Any]:
        import reference

        df = _frame(rows, columns)
        head = [reference._cell_text(c) for c in df.columns]
        shown = [reference._column_texts(df[c]) for c in df.columns]
        body = [[column[i] for column in shown] for i in range(rows)]
        aligns = ["right" if d.kind in "iufc" else "left" for d in df.dtypes]
        numbers = [df[c].tolist() if df[c].dtype.kind in "iuf" else [None] * rows for c in df.columns]
        values = [[column[i] for column in numbers] for i in range(rows)]
        if polars:
            import polars as pl

            df = pl.from_pandas(df)
        return {
            "df": df,
            "head": head,
            "body": body,
            "aligns": aligns,
            "values": values,
            "t": "Latency by region",
            "bot": BOT,
        }

    return make


TABLE_CELL = (
    '{{"type": "rich_text", "elements": [{{"type": "rich_text_section", "elements": '
    '[{{"type": "text", "text": x{}}}]}}]}}'
)
TABLE_FLOOR = (
    '[{"type": "table", "column_settings": [{"align": a} for a in aligns], "rows": '
    f"[[{TABLE_CELL.format(', ' + chr(34) + 'style' + chr(34) + ': {' + chr(34) + 'bold' + chr(34) + ': True}')} "
    f"for x in head]] + [[{TABLE_CELL.format('')} for x in row] for row in body]}}]"
)


DATA_TABLE_FLOOR = (
    '[{"type": "data_table", "caption": t, "rows": [[{"type": "raw_text", "text": x} for x in head]] + '
    '[[{"type": "raw_text", "text": x} if v is None else {"type": "raw_number", "value": v, "text": x} '
    'for x, v in zip(row, vs)] for row, vs in zip(body, values)], "page_size": 20}]'
)


def table_cases() -> list[Case]:
    cases = []
    # 99 rows: with the header row, the 100 rows Slack allows
    for size, (rows, columns) in (("typical", (10, 4)), ("large", (99, 20))):
        cases += [
            Case(
                "Table.simple_table",
                size,
                "builder",
                {"Table": "velmora.blocks.table"},
                "Table.simple_table(df)",
                TABLE_FLOOR,
                None,
                _table_args(rows, columns),
                needs=("pandas",),
            ),
            Case(
                "SimpleTableMessage",
                size,
                "message",
                {"SimpleTableMessage": "velmora.messages.table.simple_table"},
                "SimpleTableMessage(df, t, slack_bot=bot).build_blocks()",
                '[{"type": "section", "text": {"type": "mrkdwn", "text": t}}] + ' + TABLE_FLOOR,
                None,
                _table_args(rows, columns),
                needs=("pandas",),
            ),
        ]
    # a data table of 100 rows and 20 columns: the client pages it, so every row is built
    cases.append(
        Case(
            "Table.data_table",
            "large",
            "builder",
            {"Table": "velmora.blocks.table"},
            "Table.data_table(df, caption=t, page_size=20)",
            DATA_TABLE_FLOOR,
            None,
            _table_args(100, 20),
            needs=("pandas",),
        )
    )
    cases.append(
        Case(
            "DataTableMessage",
            "large",
            "message",
            {"DataTableMessage": "velmora.messages.table.data_table"},
            "DataTableMessage(df, caption=t, page_size=20, slack_bot=bot).build_blocks()",
            DATA_TABLE_FLOOR,
            None,
            _table_args(100, 20),
            needs=("pandas",),
        )
    )
    # the same 99x20 frame from polars (its columns read through numpy, no to_pandas())
    cases.append(
        Case(
            "Table.simple_table",
            "large-polars",
            "builder",
            {"Table": "velmora.blocks.table"},
            "Table.simple_table(df)",
            TABLE_FLOOR,
            None,
            _table_args(99, 20, polars=True),
            needs=("pandas", "polars", "pyarrow"),
        )
    )
    return cases


def _chart_args() -> dict[str, Any]:
    """20 weeks of 12 regions' numbers, the categories and series of their chart, precomputed."""
    import numpy as np
    import pandas as pd

    weeks = pd.date_range("2026-01-05", periods=20, freq="W-MON", name="week")
    df = pd.DataFrame(
        np.random.default_rng(0).random((20, 12)) * 1000, index=weeks, columns=[f"region {j}" for j in range(12)]
    )
    cats = [w.strftime("%Y-%m-%d") for w in weeks]
    return {"df": df, "cats": cats, "series": [(c, df[c].tolist()) for c in df.columns], "t": "Weekly sign-ups"}


def chart_cases() -> list[Case]:
    # a chart at Slack's limits: 20 categories, 12 series
    floor = (
        '[{"type": "data_visualization", "title": t, "chart": {"type": "line", "series": [{"name": n, "data": '
        '[{"label": c, "value": v} for c, v in zip(cats, vals)]} for n, vals in series], '
        '"axis_config": {"categories": cats, "x_label": "week"}}}]'
    )
    return [
        Case(
            "Chart.line",
            "20x12",
            "builder",
            {"Chart": "velmora.blocks.chart"},
            "Chart.line(df, title=t)",
            floor,
            None,
            _chart_args,
            needs=("pandas",),
        )
    ]


def _opts(kind: str) -> str:
    text = (
        '{"type": "plain_text", "text": str(o), "emoji": True}'
        if kind == "plain"
        else '{"type": "mrkdwn", "text": str(o)}'
    )
    return f'[{{"text": {text}, "value": f"value-{{i}}"}} for i, o in enumerate(opts)]'


def _section(accessory: str) -> str:
    return f'[{{"type": "section", "text": {{"type": "mrkdwn", "text": t}}, "accessory": {accessory}}}]'


def _sdk_opts(kind: str) -> str:
    text = "PlainTextObject(text=str(o), emoji=True)" if kind == "plain" else "MarkdownTextObject(text=str(o))"
    return f'[Option(text={text}, value=f"value-{{i}}") for i, o in enumerate(opts)]'


def _sdk_section(accessory: str) -> str:
    return f"[SectionBlock(text=MarkdownTextObject(text=t), accessory={accessory}).to_dict()]"


PLACEHOLDER = '{{"type": "plain_text", "text": "{}", "emoji": True}}'
SDK_PLACEHOLDER = 'PlainTextObject(text="{}", emoji=True)'
MESSAGES = "velmora.messages.section."


def section_accessory_cases() -> list[Case]:
    static = _section(
        '{"type": "static_select", "placeholder": '
        + PLACEHOLDER.format("Select a item")
        + f', "options": {_opts("plain")}, "action_id": "static_select-action"}}'
    )
    static_sdk = _sdk_section(
        f"StaticSelectElement(placeholder={SDK_PLACEHOLDER.format('Select a item')}, "
        f"options={_sdk_opts('plain')}, action_id='static_select-action')"
    )
    multi = _section(
        '{"type": "multi_static_select", "placeholder": '
        + PLACEHOLDER.format("Select options")
        + f', "options": {_opts("plain")}, "action_id": "multi_static_select-action"}}'
    )
    multi_sdk = _sdk_section(
        f"StaticMultiSelectElement(placeholder={SDK_PLACEHOLDER.format('Select options')}, "
        f"options={_sdk_opts('plain')}, action_id='multi_static_select-action')"
    )
    overflow = _section(f'{{"type": "overflow", "options": {_opts("plain")}, "action_id": "overflow-action"}}')
    overflow_sdk = _sdk_section(f"OverflowMenuElement(options={_sdk_opts('plain')}, action_id='overflow-action')")
    users = _section(
        '{"type": "users_select", "placeholder": '
        + PLACEHOLDER.format("Select a user")
        + ', "action_id": "users_select_action"}'
    )
    users_sdk = _sdk_section(
        f"UserSelectElement(placeholder={SDK_PLACEHOLDER.format('Select a user')}, action_id='users_select_action')"
    )
    radio = _section(f'{{"type": "radio_buttons", "options": {_opts("mrkdwn")}, "action_id": "radio_buttons-action"}}')
    radio_sdk = _sdk_section(f"RadioButtonsElement(options={_sdk_opts('mrkdwn')}, action_id='radio_buttons-action')")
    checks = _section(
        '{"type": "checkboxes", "options": [{"text": {"type": "mrkdwn", "text": str(o)}, '
        '"value": f"value-{i}", "description": {"type": "mrkdwn", "text": ds}} '
        'for i, (o, ds) in enumerate(zip(opts, descs))], "action_id": "checkboxes-action"}'
    )
    checks_sdk = _sdk_section(
        "CheckboxesElement(options=[Option(text=MarkdownTextObject(text=str(o)), "
        "value=f'value-{i}', description=MarkdownTextObject(text=ds)) for i, (o, ds) "
        "in enumerate(zip(opts, descs))], action_id='checkboxes-action')"
    )
    button = _section(
        '{"type": "button", "text": {"type": "plain_text", "text": "Deploy"}, '
        '"action_id": "action-button-0", "style": "primary", "value": "button_value-0"}'
    )
    button_sdk = _sdk_section(
        "ButtonElement(text=PlainTextObject(text='Deploy'), action_id='action-button-0', "
        "style='primary', value='button_value-0')"
    )
    ten = [f"Choice {i}" for i in range(10)]
    cases = [
        Case(
            "Section.users_select",
            "typical",
            "builder",
            SECTION,
            "Section.users_select(t)",
            users,
            users_sdk,
            {"t": "Who is on call?"},
        ),
        Case(
            "Section.overflow",
            "typical",
            "builder",
            SECTION,
            "Section.overflow(t, opts)",
            overflow,
            overflow_sdk,
            {"t": "More", "opts": OPTIONS_5},
        ),
        Case(
            "Section.button",
            "typical",
            "builder",
            SECTION,
            "Section.button(t, b)",
            button,
            button_sdk,
            {"t": "Ship it?", "b": {"text": "Deploy", "style": "primary"}},
            callgrind=True,
        ),
        Case(
            "Section.image",
            "typical",
            "builder",
            SECTION,
            "Section.image(t, u)",
            _section('{"type": "image", "image_url": u, "alt_text": "image"}'),
            _sdk_section('ImageElement(image_url=u, alt_text="image")'),
            {"t": "Latency", "u": "https://example.com/chart.png"},
        ),
        Case(
            "Section.slack_image",
            "typical",
            "builder",
            SECTION,
            "Section.slack_image(t, f)",
            _section('{"type": "image", "slack_file": {"id": f}, "alt_text": "image"}'),
            None,
            {"t": "Latency", "f": "F0123ABCD"},
        ),
        Case(
            "Section.time_picker",
            "typical",
            "builder",
            SECTION,
            "Section.time_picker(t, v)",
            _section(
                '{"type": "timepicker", "initial_time": v, "placeholder": '
                + PLACEHOLDER.format("Select time")
                + ', "action_id": "timepicker-section"}'
            ),
            _sdk_section(
                f"TimePickerElement(initial_time=v, placeholder={SDK_PLACEHOLDER.format('Select time')}, "
                "action_id='timepicker-section')"
            ),
            {"t": "When?", "v": "09:30"},
        ),
        Case(
            "UsersSelectMessage",
            "typical",
            "message",
            {"UsersSelectMessage": MESSAGES + "users_select"},
            "UsersSelectMessage(t, slack_bot=bot).build_blocks()",
            users,
            users_sdk,
            {"t": "Who is on call?", "bot": BOT},
        ),
        Case(
            "OverflowMessage",
            "typical",
            "message",
            {"OverflowMessage": MESSAGES + "overflow"},
            "OverflowMessage(t, opts, slack_bot=bot).build_blocks()",
            overflow,
            overflow_sdk,
            {"t": "More", "opts": OPTIONS_5, "bot": BOT},
        ),
        Case(
            "ButtonMessage",
            "single",
            "message",
            {"ButtonMessage": "velmora.messages.composite.button"},
            "ButtonMessage(t, button_1_text='Deploy', button_1_style='primary', slack_bot=bot).build_blocks()",
            button,
            button_sdk,
            {"t": "Ship it?", "bot": BOT},
        ),
    ]
    for size, opts in (("typical", OPTIONS_5), ("large", OPTIONS_100)):
        args = {"t": "Pick one", "opts": opts, "bot": BOT}
        cases += [
            Case(
                "Section.static_select",
                size,
                "builder",
                SECTION,
                "Section.static_select(opts, t)",
                static,
                static_sdk,
                args,
                callgrind=size == "large",
            ),
            Case(
                "Section.multi_static_select",
                size,
                "builder",
                SECTION,
                "Section.multi_static_select(t, opts)",
                multi,
                multi_sdk,
                args,
            ),
            Case(
                "StaticSelectMessage",
                size,
                "message",
                {"StaticSelectMessage": MESSAGES + "static_select"},
                "StaticSelectMessage(opts, t, slack_bot=bot).build_blocks()",
                static,
                static_sdk,
                args,
            ),
            Case(
                "MultiStaticSelectMessage",
                size,
                "message",
                {"MultiStaticSelectMessage": MESSAGES + "multi_static_select_msg"},
                "MultiStaticSelectMessage(t, opts, slack_bot=bot).build_blocks()",
                multi,
                multi_sdk,
                args,
            ),
        ]
    for size, opts in (("typical", OPTIONS_5), ("large", ten)):  # Block Kit allows 10 choices
        args = {"t": "Pick", "opts": opts, "descs": [f"About {o}" for o in opts]}
        cases += [
            Case(
                "Section.radio_buttons",
                size,
                "builder",
                SECTION,
                "Section.radio_buttons(t, opts)",
                radio,
                radio_sdk,
                args,
            ),
            Case(
                "Section.checkboxes",
                size,
                "builder",
                SECTION,
                "Section.checkboxes(opts, t, descs)",
                checks,
                checks_sdk,
                args,
            ),
        ]
    return cases
