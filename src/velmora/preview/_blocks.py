"""Block Kit blocks as HTML, one function per block type; other types show as "unknown block"."""

from __future__ import annotations

from collections.abc import Callable

from velmora.preview._elements import element, image
from velmora.preview._inline import text_of, unknown
from velmora.preview._markdown import markdown
from velmora.preview._mrkdwn import plain, text_object
from velmora.preview._rich import rich_text

Block = dict[str, object]
ALIGN = {"left", "center", "right"}


def _items(block: Block, key: str) -> list[object]:
    value = block.get(key)
    return value if isinstance(value, list) else []


def header(block: Block) -> str:
    return f'<div class="header">{text_object(block.get("text"))}</div>'


def divider(block: Block) -> str:
    return '<hr class="divider">'


def section(block: Block) -> str:
    text = f'<div class="text">{text_object(block["text"])}</div>' if "text" in block else ""
    fields = "".join(f'<div class="field">{text_object(field)}</div>' for field in _items(block, "fields"))
    fields = f'<div class="fields">{fields}</div>' if fields else ""
    accessory = f'<div class="accessory">{element(block["accessory"])}</div>' if "accessory" in block else ""
    return f'<div class="section"><div class="section-main">{text}{fields}</div>{accessory}</div>'


def actions(block: Block) -> str:
    return f'<div class="actions">{"".join(element(e) for e in _items(block, "elements"))}</div>'


def context(block: Block) -> str:
    items = []
    for item in _items(block, "elements"):
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


def _cell(cell: object, align: str, wrapped: bool) -> str:
    style = f' style="text-align:{align}"' if align != "left" else ""
    kind = "wrap" if wrapped else "nowrap"
    if isinstance(cell, dict) and cell.get("type") == "rich_text":
        inside = rich_text(cell)
    elif isinstance(cell, dict) and cell.get("type") in ("raw_text", "raw_number"):
        inside = plain(text_of(cell.get("text")) or text_of(cell.get("value")), with_emoji=False)
    else:
        inside = unknown("cell", cell)
    return f'<td class="{kind}"{style}>{inside}</td>'


def table(block: Block) -> str:
    settings = [s if isinstance(s, dict) else {} for s in _items(block, "column_settings")]
    rows = []
    for row in _items(block, "rows"):
        cells = row if isinstance(row, list) else [row]
        tds = []
        for i, cell in enumerate(cells):
            setting = settings[i] if i < len(settings) else {}
            align = setting.get("align")
            tds.append(_cell(cell, align if isinstance(align, str) and align in ALIGN else "left",
                             setting.get("is_wrapped") is True))
        rows.append(f"<tr>{''.join(tds)}</tr>")
    return f'<div class="table-wrap"><table class="table">{"".join(rows)}</table></div>'


RENDERERS: dict[str, Callable[[Block], str]] = {
    "header": header, "divider": divider, "section": section, "actions": actions, "context": context,
    "image": image_block, "rich_text": rich_text_block, "markdown": markdown_block, "table": table,
}


def block(value: object) -> str:
    """One block as HTML; a block of a type the preview does not draw is an "unknown block" box."""
    kind = value.get("type") if isinstance(value, dict) else None
    render = RENDERERS.get(kind) if isinstance(kind, str) else None
    if render is None or not isinstance(value, dict):
        return f'<div class="unknown-block">{unknown("block", value)}</div>'
    return render(value)
