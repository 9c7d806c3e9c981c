"""Slack's mrkdwn read into rich-text parts (sections, quotes, preformatted), so that the
Markdown writer reads it as it reads rich text."""

from __future__ import annotations

import bisect
import re

from velmora._markdown_inline import STYLES, Block

_CODE_BLOCK = re.compile(r"```(.*?)```", re.S)
_QUOTE_ALL = re.compile(r"(?:>|&gt;){3} ?")
_QUOTE = re.compile(r"(?:>|&gt;) ?")
_TOKEN = re.compile(r"`[^`\n]+`|<[^<>\n]+>")
_MARKERS = {"*": "bold", "_": "italic", "~": "strike"}


def _unescape(text: str) -> str:
    return text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")


def mrkdwn_parts(text: str) -> list[Block]:
    """mrkdwn as rich-text parts: sections, quotes (lines opening with >, or all after >>>) and
    preformatted blocks between triple backticks."""
    parts: list[Block] = []
    at = 0
    for found in _CODE_BLOCK.finditer(text):
        parts.extend(_mrkdwn_lines(text[at : found.start()]))
        code = found.group(1).removeprefix("\n").removesuffix("\n")
        if code.strip():
            parts.append({"type": "rich_text_preformatted", "elements": [{"type": "text", "text": _unescape(code)}]})
        at = found.end()
    parts.extend(_mrkdwn_lines(text[at:]))
    return parts


def _mrkdwn_lines(text: str) -> list[Block]:
    parts: list[Block] = []
    lines: list[str] = []
    kind, all_quoted = "", False

    def flush() -> None:
        joined = "\n".join(lines).strip("\n")
        if joined.strip():
            parts.append({"type": kind, "elements": _mrkdwn_inline(joined)})
        lines.clear()

    for line in text.split("\n"):
        found = None if all_quoted else _QUOTE_ALL.match(line)
        all_quoted = all_quoted or found is not None
        found = found or (None if all_quoted else _QUOTE.match(line))
        line_kind = "rich_text_quote" if all_quoted or found is not None else "rich_text_section"
        if line_kind != kind:
            flush()
            kind = line_kind
        lines.append(line[found.end() :] if found is not None else line)
    flush()
    return parts


def _mrkdwn_inline(text: str) -> list[Block]:
    """A line's (or lines') elements: styles, code, links, mentions and dates, entities decoded."""
    units: list[str] = []  # one character each, or a whole `code` span or <...> form
    at = 0
    for found in _TOKEN.finditer(text):
        units.extend(text[at : found.start()])
        units.append(found.group())
        at = found.end()
    units.extend(text[at:])
    out: list[Block] = []
    for run, styles in _styled(units, frozenset()):
        chars: list[str] = []
        for unit in run + [""]:
            if len(unit) == 1:
                chars.append(unit)
                continue
            if chars:
                out.append(_styled_text(_unescape("".join(chars)), styles))
                chars.clear()
            if unit:
                out.append(_token(unit, styles))
    return out


def _styled_text(text: str, styles: frozenset[str], code: bool = False) -> Block:
    element: Block = {"type": "text", "text": text}
    style = {name: True for name, _ in STYLES if name in styles}
    if code:
        style["code"] = True
    if style:
        element["style"] = style
    return element


def _styled(units: list[str], styles: frozenset[str]) -> list[tuple[list[str], frozenset[str]]]:
    """The units in runs of one style: *bold*, _italic_, ~strike~ where Slack reads them (at word
    edges, within a line), each style at most once in a nest."""
    out: list[tuple[list[str], frozenset[str]]] = []
    closers = {
        mark: [j for j, unit in enumerate(units) if unit == mark and _closes(units, j)]
        for mark, style in _MARKERS.items()
        if style not in styles
    }
    breaks = [j for j, unit in enumerate(units) if unit == "\n"] + [len(units)]
    start = i = 0
    while i < len(units):
        mark = units[i]
        if mark in closers and _opens(units, i):
            found = closers[mark]
            k = bisect.bisect_right(found, i + 1)
            if k < len(found) and found[k] < breaks[bisect.bisect_left(breaks, i)]:
                j = found[k]
                if start < i:
                    out.append((units[start:i], styles))
                out.extend(_styled(units[i + 1 : j], styles | {_MARKERS[mark]}))
                start = i = j + 1
                continue
        i += 1
    if start < len(units):
        out.append((units[start:], styles))
    return out


def _word(unit: str) -> bool:
    return len(unit) == 1 and unit.isalnum()


def _space(unit: str) -> bool:
    return len(unit) == 1 and unit.isspace()


def _opens(units: list[str], i: int) -> bool:
    return (
        (i == 0 or not _word(units[i - 1]))
        and i + 1 < len(units)
        and not _space(units[i + 1])
        and units[i + 1] != units[i]
    )


def _closes(units: list[str], j: int) -> bool:
    return j > 0 and not _space(units[j - 1]) and (j + 1 == len(units) or not _word(units[j + 1]))


def _token(token: str, styles: frozenset[str]) -> Block:
    if token.startswith("`"):
        return _styled_text(_unescape(token[1:-1]), styles, code=True)
    inner = token[1:-1]
    head, _, label = inner.partition("|")
    element: Block
    if head.startswith("@"):
        element = {"type": "user", "user_id": head[1:]}
    elif head.startswith("#"):
        element = {"type": "channel", "channel_id": head[1:]}
    elif head.startswith("!subteam^"):
        element = {"type": "usergroup", "usergroup_id": head[9:]}
    elif head.startswith("!date^"):
        stamp, _, rest = head[6:].partition("^")
        date_format, _, url = rest.partition("^")
        element = {
            "type": "date",
            "timestamp": int(stamp) if stamp.isascii() and stamp.isdigit() else 0,
            "format": date_format,
            "fallback": _unescape(label),
        }
        if url:
            element["url"] = _unescape(url)
    elif head in ("!here", "!channel", "!everyone"):
        element = {"type": "broadcast", "range": head[1:]}
    elif head.startswith("!"):
        return _styled_text(_unescape(label or head[1:]), styles)
    else:
        element = {"type": "link", "url": _unescape(head)}
        if label:
            element["text"] = _unescape(label)
    if element["type"] in ("user", "channel", "usergroup"):
        element["label"], element["form"] = _unescape(label), token
    style = {name: True for name, _ in STYLES if name in styles}
    if style:
        element["style"] = style
    return element
