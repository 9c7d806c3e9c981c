"""Tables: the "table" block as a grid, the "data_table" block as its first page with a pager."""

from __future__ import annotations

from velmora.preview._inline import esc, listed, text_of, unknown
from velmora.preview._mrkdwn import plain, text_object
from velmora.preview._rich import rich_text

Block = dict[str, object]
ALIGN = {"left", "center", "right"}
PAGE_SIZE = 5  # a data table's rows per page when it names none


def _inside(cell: object) -> str:
    """What a cell shows: its rich text, or its text (a number's text, else its value)."""
    if isinstance(cell, dict) and cell.get("type") == "rich_text":
        return rich_text(cell)
    if isinstance(cell, dict) and cell.get("type") in ("raw_text", "raw_number"):
        return plain(text_of(cell.get("text")) or text_of(cell.get("value")), with_emoji=False)
    return unknown("cell", cell)


def _is_number(cell: object) -> bool:
    return isinstance(cell, dict) and cell.get("type") == "raw_number"


def table(block: Block) -> str:
    settings = [s if isinstance(s, dict) else {} for s in listed(block.get("column_settings"))]
    rows = []
    for row in listed(block.get("rows")):
        cells = row if isinstance(row, list) else [row]
        tds = []
        for i, cell in enumerate(cells):
            setting = settings[i] if i < len(settings) else {}
            align = setting.get("align")
            align = align if isinstance(align, str) and align in ALIGN else "left"
            style = f' style="text-align:{align}"' if align != "left" else ""
            kind = "wrap" if setting.get("is_wrapped") is True else "nowrap"
            tds.append(f'<td class="{kind}"{style}>{_inside(cell)}</td>')
        rows.append(f"<tr>{''.join(tds)}</tr>")
    return f'<div class="table-wrap"><table class="table">{"".join(rows)}</table></div>'


def _page_size(value: object) -> int:
    if isinstance(value, int) and not isinstance(value, bool) and 1 <= value <= 100:
        return value
    return PAGE_SIZE


def data_table(block: Block) -> str:
    """A data table as the client first shows it: caption, header row, first page, pager ("1 to 5 of N")."""
    rows = [row if isinstance(row, list) else [row] for row in listed(block.get("rows"))]
    header, body = (rows[0], rows[1:]) if rows else ([], [])
    size = _page_size(block.get("page_size"))
    page = body[:size]
    # a column of numbers only is aligned right, its heading with it
    width = max((len(row) for row in rows), default=0)
    numeric = [bool(body) and all(i < len(row) and _is_number(row[i]) for row in body) for i in range(width)]
    right = ' class="number"'
    heads = "".join(f"<th{right if numeric[i] else ''}>{_inside(cell)}</th>" for i, cell in enumerate(header))
    lines = "".join(
        "<tr>" + "".join(f"<td{right if _is_number(cell) else ''}>{_inside(cell)}</td>" for cell in row) + "</tr>"
        for row in page
    )
    caption = block.get("caption")
    title = text_object(caption) if isinstance(caption, dict) else esc(text_of(caption))
    count = len(body)
    shown = f"1–{len(page)} of {count:,}" if count else "No rows"
    back, on = '<span class="page-button off">‹</span>', "" if count > size else " off"
    return (
        f'<div class="data-table"><div class="data-table-caption">{title}</div>'
        f'<div class="table-wrap"><table class="table"><thead><tr>{heads}</tr></thead><tbody>{lines}</tbody>'
        f'</table></div><div class="pager"><span>{shown}</span>{back}'
        f'<span class="page-button{on}">›</span></div></div>'
    )
