"""Slack's rich_text as HTML: sections, lists, quotes and code, with styled inline elements."""

from __future__ import annotations

from velmora.preview._inline import date, emoji, esc, link, mention, text_of, unknown

# style flag -> tag; applied innermost first, so code sits inside bold and not around it
STYLE_TAGS = (
    ("code", "code"),
    ("bold", "b"),
    ("italic", "i"),
    ("strike", "s"),
    ("underline", "u"),
    ("highlight", "mark"),
    ("client_highlight", "mark"),
)
BULLETS = ("disc", "circle", "square")
NUMBERS = ("decimal", "lower-alpha", "lower-roman")


def _styled(inner: str, style: object) -> str:
    if not isinstance(style, dict):
        return inner
    for flag, tag in STYLE_TAGS:
        if style.get(flag) is True:
            inner = f"<{tag}>{inner}</{tag}>"
    return inner


def _color(value: str) -> str:
    swatch = f'<span class="swatch" style="background:{esc(value)}"></span>' if _is_hex(value) else ""
    return swatch + esc(value)


def _is_hex(value: str) -> bool:
    digits = value.removeprefix("#")
    return value.startswith("#") and len(digits) in (3, 6, 8) and all(c in "0123456789abcdefABCDEF" for c in digits)


def inline(element: object) -> str:
    """One inline element of a rich-text section, quote or code block."""
    if not isinstance(element, dict):
        return unknown("element", element)
    kind, get = element.get("type"), element.get
    if kind == "text":
        return _styled(esc(text_of(get("text"))), get("style"))
    if kind == "link":
        url = text_of(get("url"))
        return _styled(link(url, esc(text_of(get("text")) or url)), get("style"))
    if kind == "emoji":
        return emoji(text_of(get("name")), get("unicode"))
    if kind in ("user", "usergroup"):
        return _styled(mention("@" + text_of(get(kind + "_id")), kind), get("style"))
    if kind == "channel":
        return _styled(mention("#" + text_of(get("channel_id")), "channel"), get("style"))
    if kind == "team":
        return mention(text_of(get("team_id")), "team")
    if kind == "broadcast":
        return mention("@" + text_of(get("range")), "broadcast")
    if kind == "date":
        return date(get("timestamp"), text_of(get("format")), text_of(get("fallback")), get("url"))
    if kind == "color":
        return _color(text_of(get("value")))
    return unknown("element", element)


def _inlines(container: dict[str, object]) -> str:
    elements = container.get("elements")
    return "".join(inline(e) for e in elements) if isinstance(elements, list) else ""


def _level(value: object, top: int) -> int:
    return value if isinstance(value, int) and not isinstance(value, bool) and 0 <= value <= top else 0


def _list(block: dict[str, object]) -> str:
    indent = _level(block.get("indent"), 8)
    ordered = block.get("style") == "ordered"
    marker = (NUMBERS if ordered else BULLETS)[indent % 3]
    start = f' start="{_level(block.get("offset"), 10**9) + 1}"' if ordered else ""
    border = " border" if block.get("border") == 1 else ""
    items = block.get("elements")
    body = "".join(
        f"<li>{_inlines(item) if isinstance(item, dict) else unknown('element', item)}</li>"
        for item in (items if isinstance(items, list) else [])
    )
    tag = "ol" if ordered else "ul"
    style = f"margin-left:{24 * indent + 22}px;list-style-type:{marker}"
    return f'<{tag} class="rt-list{border}"{start} style="{style}">{body}</{tag}>'


def part(element: object) -> str:
    """One top-level element of a rich_text block."""
    if not isinstance(element, dict):
        return unknown("element", element)
    kind = element.get("type")
    if kind == "rich_text_section":
        return f'<div class="rt-section">{_inlines(element)}</div>'
    if kind == "rich_text_list":
        return _list(element)
    if kind == "rich_text_quote":
        return f'<blockquote class="rt-quote">{_inlines(element)}</blockquote>'
    if kind == "rich_text_preformatted":
        return f'<pre class="code">{_inlines(element)}</pre>'
    return unknown("element", element)


def rich_text(block: dict[str, object]) -> str:
    """The inside of a rich_text block (or of a rich_text table cell)."""
    elements = block.get("elements")
    return "".join(part(e) for e in elements) if isinstance(elements, list) else ""
