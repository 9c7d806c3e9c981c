"""Block Kit blocks as HTML, one function per block type; other types show as "unknown block"."""

from __future__ import annotations

from collections.abc import Callable

from velmora.preview._charts import chart
from velmora.preview._elements import element, image
from velmora.preview._inline import listed, text_of, unknown
from velmora.preview._markdown import markdown
from velmora.preview._mrkdwn import text_object
from velmora.preview._rich import rich_text
from velmora.preview._tables import data_table, table

Block = dict[str, object]
ALERT_ICONS = {"default": "ⓘ", "info": "ⓘ", "warning": "⚠", "error": "⊘", "success": "✓"}


def header(block: Block) -> str:
    return f'<div class="header">{text_object(block.get("text"))}</div>'


def divider(block: Block) -> str:
    return '<hr class="divider">'


def section(block: Block) -> str:
    text = f'<div class="text">{text_object(block["text"])}</div>' if "text" in block else ""
    fields = "".join(f'<div class="field">{text_object(field)}</div>' for field in listed(block.get("fields")))
    fields = f'<div class="fields">{fields}</div>' if fields else ""
    accessory = f'<div class="accessory">{element(block["accessory"])}</div>' if "accessory" in block else ""
    return f'<div class="section"><div class="section-main">{text}{fields}</div>{accessory}</div>'


def actions(block: Block) -> str:
    return f'<div class="actions">{"".join(element(e) for e in listed(block.get("elements")))}</div>'


def context(block: Block) -> str:
    items = []
    for item in listed(block.get("elements")):
        if isinstance(item, dict) and item.get("type") == "image":
            items.append(image(item, "icon"))
        elif isinstance(item, dict) and item.get("type") in ("mrkdwn", "plain_text"):
            items.append(f"<span>{text_object(item)}</span>")
        else:
            items.append(unknown("element", item))
    return f'<div class="context">{"".join(items)}</div>'


def image_block(block: Block) -> str:
    title = block.get("title")
    caption = f'<div class="image-title">{text_object(title)}</div>' if isinstance(title, dict) else ""
    return f'<div class="image-block">{caption}{image(block, "picture")}</div>'


def rich_text_block(block: Block) -> str:
    return f'<div class="rich-text">{rich_text(block)}</div>'


def markdown_block(block: Block) -> str:
    return markdown(text_of(block.get("text")))


def input_block(block: Block) -> str:
    """An input: its label (with "(optional)"), its element, and its hint below."""
    optional = '<span class="optional"> (optional)</span>' if block.get("optional") is True else ""
    hint = block.get("hint")
    below = f'<div class="hint">{text_object(hint)}</div>' if isinstance(hint, dict) else ""
    return (
        f'<div class="input"><div class="input-label">{text_object(block.get("label"))}{optional}</div>'
        f'<div class="input-element">{element(block.get("element"))}</div>{below}</div>'
    )


def alert(block: Block) -> str:
    """An alert (modals only): its text in a box coloured by its level."""
    level = block.get("level")
    level = level if isinstance(level, str) and level in ALERT_ICONS else "default"
    return (
        f'<div class="alert {level}"><span class="alert-icon">{ALERT_ICONS[level]}</span>'
        f"<span>{text_object(block.get('text'))}</span></div>"
    )


RENDERERS: dict[str, Callable[[Block], str]] = {
    "header": header,
    "divider": divider,
    "section": section,
    "actions": actions,
    "context": context,
    "image": image_block,
    "rich_text": rich_text_block,
    "markdown": markdown_block,
    "table": table,
    "data_table": data_table,
    "data_visualization": chart,
    "input": input_block,
    "alert": alert,
}


def block(value: object) -> str:
    """One block as HTML; a block of a type the preview does not draw is an "unknown block" box."""
    kind = value.get("type") if isinstance(value, dict) else None
    render = RENDERERS.get(kind) if isinstance(kind, str) else None
    if render is None or not isinstance(value, dict):
        return f'<div class="unknown-block">{unknown("block", value)}</div>'
    return render(value)
