"""Markdown as native blocks: the converter behind ``velmora.markdown.to_blocks``, on
markdown-it-py (imported on first use)."""

from __future__ import annotations

import re
from typing import Any

from velmora import _limits
from velmora._markdown_parser import markdown_it

Block = dict[str, Any]

# Slack's limits that shape the output.
MAX_BLOCKS = _limits.BLOCKS
MAX_HEADER = _limits.HEADER_TEXT
MAX_TABLE_ROWS = _limits.TABLE_ROWS  # the header row counts
MAX_TABLE_COLUMNS = _limits.TABLE_COLUMNS
MAX_TABLE_CHARACTERS = _limits.TABLE_CHARACTERS  # over all the cells of a table
MAX_IMAGE_URL = _limits.IMAGE_URL
MAX_ALT_TEXT = _limits.ALT_TEXT
MAX_INDENT = _limits.RICH_TEXT_INDENT


def to_blocks(text: str, *, breaks: bool = False, slack_entities: bool = False) -> list[Block]:
    """The Block Kit blocks showing the Markdown `text`: a new list, [] for a blank text.

    CommonMark with tables and strikethrough; see the module's documentation for what becomes
    which block. A soft line break is a space unless `breaks`; `slack_entities` makes
    ``<@U…>``, ``<#C…>``, ``<!here>``, ``<!channel>``, ``<!everyone>``, ``<!subteam^S…>`` and
    ``:emoji:`` rich-text mentions and emoji (off: they stay text, so nobody is pinged).
    The result may hold several tables: send it through ``velmora.fit``, which gives each table
    a message of its own. ImportError naming the extra ``markdown`` when markdown-it-py is missing.
    """
    if type(text) is not str:
        raise TypeError(f"Argument 'text' has incorrect type (expected str, got {type(text).__name__})")
    options = _Options(bool(breaks), bool(slack_entities))
    tokens = markdown_it().parse(text, {"slack_entities": options.entities})
    blocks = _Converter(text, options, compact=False).run(tokens)
    if len(blocks) > MAX_BLOCKS:  # headings as sections, images as links
        blocks = _Converter(text, options, compact=True).run(tokens)
    return blocks


class _Options:
    __slots__ = ("breaks", "entities")

    def __init__(self, breaks: bool, entities: bool) -> None:
        self.breaks, self.entities = breaks, entities


# ---- inline elements ---------------------------------------------------------------------------

_STYLE_KEYS = ("bold", "italic", "strike", "code")


def _style(flags: tuple[bool, bool, bool, bool]) -> dict[str, bool]:
    return {key: True for key, on in zip(_STYLE_KEYS, flags) if on}


def _is_image_url(url: str) -> bool:
    return url.startswith(("https://", "http://")) and len(url) <= MAX_IMAGE_URL


class _Inline:
    """Rich-text elements from one inline token's children; adjacent runs of the same style merge.

    Where `images` is set, an image that Slack can load becomes an image block in the element
    list (the caller splits the paragraph there); elsewhere it becomes a link or its alt text.
    A soft break is a space unless `breaks`; a Slack mention or emoji is its element where
    `entities` is set (outside links), else its text.
    """

    def __init__(self, bold: bool = False, images: bool = False, breaks: bool = False, entities: bool = False) -> None:
        self.out: list[Block] = []
        self.bold, self.italic, self.strike = int(bold), 0, 0
        self.links: list[tuple[str, bool]] = []  # (href, autolink)
        self.images = images
        self.soft = "\n" if breaks else " "
        self.entities = entities

    def add(self, text: str, code: bool = False) -> None:
        if not text:
            return
        flags = (self.bold > 0, self.italic > 0, self.strike > 0, code)
        style = _style(flags) if any(flags) else None
        out = self.out
        href, auto = self.links[-1] if self.links else ("", False)
        last = out[-1] if out else None
        if href:
            if (
                last is not None
                and last["type"] == "link"
                and last["url"] == href
                and "text" in last
                and last.get("style") == style
            ):
                last["text"] += text
                return
            element: Block = {"type": "link", "url": href}
            if not (auto and text == href):
                element["text"] = text
        else:
            if last is not None and last["type"] == "text" and last.get("style") == style:
                last["text"] += text
                return
            element = {"type": "text", "text": text}
        if style:
            element["style"] = style
        out.append(element)

    def image(self, token: Any) -> None:
        src = token.attrs.get("src") or ""
        alt = _plain(token.children or ())
        if self.images and not self.links and _is_image_url(src) and len(alt) <= MAX_ALT_TEXT:
            block: Block = {"type": "image", "image_url": src, "alt_text": alt or "image"}
            title = token.attrs.get("title") or ""
            if 0 < len(title) <= MAX_ALT_TEXT:
                block["title"] = {"type": "plain_text", "text": title}
            self.out.append(block)
        elif self.links or not src:
            self.add(alt)
        else:
            self.links.append((src, False))
            if alt:
                self.add(alt)
            else:
                self.out.append({"type": "link", "url": src})
            self.links.pop()

    def entity(self, token: Any) -> None:
        if not self.entities or self.links:
            self.add(token.content)
            return
        element: Block = dict(token.meta)
        flags = (self.bold > 0, self.italic > 0, self.strike > 0, False)
        if any(flags) and element["type"] != "emoji":
            element["style"] = _style(flags)
        self.out.append(element)

    def run(self, children: Any) -> list[Block]:
        for token in children:
            kind = token.type
            if kind == "text":
                self.add(token.content)
            elif kind == "softbreak":
                self.add(self.soft)
            elif kind == "hardbreak":
                self.add("\n")
            elif kind == "code_inline":
                self.add(token.content, code=True)
            elif kind == "strong_open":
                self.bold += 1
            elif kind == "strong_close":
                self.bold -= 1
            elif kind == "em_open":
                self.italic += 1
            elif kind == "em_close":
                self.italic -= 1
            elif kind == "s_open":
                self.strike += 1
            elif kind == "s_close":
                self.strike -= 1
            elif kind == "link_open":
                self.links.append((token.attrs.get("href") or "", token.markup == "autolink"))
            elif kind == "link_close":
                self.links.pop()
            elif kind == "image":
                self.image(token)
            elif kind == "slack_entity":
                self.entity(token)
            else:  # html_inline and anything a plugin may add: its text as it stands
                self.add(token.content)
        return self.out


def _plain(children: Any) -> str:
    """The text a reader sees in inline tokens (an image's alt text)."""
    parts = []
    for token in children:
        if token.type == "softbreak":
            parts.append(" ")
        elif token.type == "hardbreak":
            parts.append("\n")
        elif token.type == "image":
            parts.append(_plain(token.children or ()))
        else:
            parts.append(token.content)
    return "".join(parts)


def _text_of(elements: list[Block]) -> str:
    return "".join(e.get("text") or e.get("url", "") for e in elements)


def _shows_something(elements: list[Block]) -> bool:
    """Whether the elements show more than whitespace (a mention or emoji always does)."""
    return any(e["type"] not in ("text", "link") or (e.get("text") or e.get("url", "")).strip() for e in elements)


# ---- blocks ---------------------------------------------------------------------------------------


class _List:
    """A list being read: its kind, nesting and the rich_text_list part its items go into."""

    __slots__ = ("ordered", "next", "number", "indent", "pending", "part", "item", "quote")

    def __init__(self, ordered: bool, start: int, indent: int) -> None:
        self.ordered, self.next, self.indent = ordered, start, indent
        self.number = start  # the current item's number
        self.pending = False  # the current item has not had its first paragraph yet
        self.part: Block | None = None
        self.item: Block | None = None  # the current item's section
        self.quote = 0  # the block-quote depth the item's section was written at


class _Converter:
    def __init__(self, source: str, options: _Options, compact: bool) -> None:
        self.lines = re.split(r"\r\n?|\n", source)  # the parser's lines (str.splitlines knows more breaks)
        self.options = options
        self.compact = compact
        self.blocks: list[Block] = []
        self.parts: list[Block] | None = None  # the open rich_text block's elements
        self.lists: list[_List] = []
        self.quote = 0
        self.merge: tuple[Block, str] | None = None  # (text part, separator) the next text joins

    # -- output
    def flush(self) -> None:
        if self.parts:
            self.blocks.append({"type": "rich_text", "elements": self.parts})
        self.parts = None
        self.merge = None

    def inline(
        self, children: Any, bold: bool = False, images: bool = False, breaks: bool = False, entities: bool = True
    ) -> list[Block]:
        options = self.options
        return _Inline(bold, images, breaks or options.breaks, entities and options.entities).run(children or ())

    def block(self, block: Block) -> None:
        self.flush()
        self.blocks.append(block)

    def part(self, part: Block) -> None:
        if self.parts is None:
            self.parts = []
        self.parts.append(part)
        self.merge = None

    def text_part(self, elements: list[Block], separator: str = "\n\n") -> None:
        """A paragraph-like part: a section (a quote inside a block quote), joined to the text part
        just before it when there is one."""
        if not elements:
            return
        kind = "rich_text_quote" if self.quote else "rich_text_section"
        if self.merge is not None and self.merge[0]["type"] == kind:
            target, joint = self.merge
            _extend(target["elements"], [{"type": "text", "text": joint}] + elements)
        else:
            target = {"type": kind, "elements": elements}
            self.part(target)
        self.merge = (target, separator)

    def started(self) -> None:
        """A block other than an item's first paragraph begins: the item goes without one."""
        if self.lists:
            self.lists[-1].pending = False

    # -- the walk
    def run(self, tokens: Any) -> list[Block]:
        i, end = 0, len(tokens)
        while i < end:
            i = self.one(tokens, i)
        self.flush()
        return self.blocks

    def one(self, tokens: Any, i: int) -> int:
        token = tokens[i]
        kind = token.type
        if kind == "paragraph_open":
            self.paragraph(tokens[i + 1], deep="deep" in token.meta)
            return i + 3
        if kind == "heading_open":
            self.started()
            self.heading(int(token.tag[1:]), tokens[i + 1])
            return i + 3
        if kind in ("bullet_list_open", "ordered_list_open"):
            return self.read_list(tokens, i)
        if kind == "list_item_open":
            current = self.lists[-1]
            current.pending, current.item = True, None
            current.number, current.next = current.next, current.next + 1
            return i + 1
        if kind == "list_item_close":
            self.lists[-1].pending = False
            return i + 1
        if kind in ("blockquote_open", "blockquote_close"):
            if kind == "blockquote_open":
                self.started()
            self.quote += 1 if kind == "blockquote_open" else -1
            if self.merge is not None and self.merge[0]["type"] == "rich_text_quote":
                self.merge = None  # quotes apart stay apart; an empty one does not part paragraphs
            return i + 1
        if kind in ("fence", "code_block"):
            self.started()
            self.code(token)
            return i + 1
        if kind == "hr":
            self.started()
            if not self.compact:
                self.block({"type": "divider"})
            return i + 1
        if kind == "table_open":
            self.started()
            return self.table(tokens, i)
        if token.content.strip():  # html_block, and blocks a plugin may add: their text as it stands
            self.started()
            self.text_part([{"type": "text", "text": token.content.rstrip("\n")}])
        return i + 1

    def paragraph(self, inline: Any, deep: bool = False) -> None:
        lists = self.lists
        current = lists[-1] if lists else None
        images = not lists and not self.quote and not self.compact
        elements = self.inline(inline.children, images=images, breaks=deep)
        if current is not None and current.pending:
            current.pending = False
            if _shows_something(elements):
                self.item(current, elements)
            return
        item = self.continued(current) if current is not None else None
        if item is not None:
            _extend(item["elements"], [{"type": "text", "text": "\n"}] + elements)
            return
        # Split where image blocks stand; whitespace alone around them is no text.
        run: list[Block] = []
        for element in elements:
            if element["type"] != "image":
                run.append(element)
                continue
            if _shows_something(run):
                self.text_part(run)
            run = []
            self.block(element)
        if _shows_something(run):
            self.text_part(run)

    def heading(self, level: int, inline: Any) -> None:
        if level <= 2 and not self.compact:  # a header shows mentions as typed, and :emoji: as emoji
            text = _text_of(self.inline(inline.children, entities=False)).strip()
            if not text:
                return
            if len(text) <= MAX_HEADER:
                self.block({"type": "header", "text": {"type": "plain_text", "text": text, "emoji": True}})
                return
        elements = self.inline(inline.children, bold=True)
        if _shows_something(elements):
            self.text_part(elements, separator="\n")

    # -- lists
    def read_list(self, tokens: Any, i: int) -> int:
        self.started()
        token = tokens[i]
        ordered = token.type == "ordered_list_open"
        start = int(token.attrs.get("start", 1)) if ordered else 1
        state = _List(ordered, start, min(len(self.lists), MAX_INDENT))
        self.lists.append(state)
        close = "ordered_list_close" if ordered else "bullet_list_close"
        i += 1
        level = token.level
        while not (tokens[i].type == close and tokens[i].level == level):
            i = self.one(tokens, i)
        self.lists.pop()
        return i + 1

    def item(self, state: _List, elements: list[Block]) -> None:
        part = state.part
        if part is None or not self.parts or self.parts[-1] is not part:
            part = {"type": "rich_text_list", "style": "ordered" if state.ordered else "bullet", "elements": []}
            if state.indent:
                part["indent"] = state.indent
            offset = self.offset(state)
            if offset:
                part["offset"] = offset
            if self.quote:
                part["border"] = 1
            self.part(part)
            state.part = part
        section = {"type": "rich_text_section", "elements": elements}
        part["elements"].append(section)
        state.item, state.quote = section, self.quote

    def offset(self, state: _List) -> int:
        return max(0, state.number - 1) if state.ordered else 0

    def continued(self, state: _List) -> Block | None:
        """The current item's section when it is still the last thing written, so that a later
        paragraph of the same item can join it."""
        part, parts, item = state.part, self.parts, state.item
        if part is None or not parts or parts[-1] is not part or state.quote != self.quote:
            return None
        last: Block = part["elements"][-1]
        return item if last is item else None

    # -- code, tables
    def code(self, token: Any) -> None:
        content = token.content[:-1] if token.content.endswith("\n") else token.content
        if not content.strip():
            return
        part: Block = {"type": "rich_text_preformatted", "elements": [{"type": "text", "text": content}]}
        language = token.info.split(maxsplit=1)[0] if token.info.strip() else ""
        if language:
            part["language"] = language
        if self.quote:
            part["border"] = 1
        self.part(part)

    def table(self, tokens: Any, i: int) -> int:
        rows: list[list[list[Block]]] = []
        aligns: list[str] = []
        header = True
        i += 1
        while tokens[i].type != "table_close":
            token = tokens[i]
            if token.type == "tr_open":
                rows.append([])
                row_map = token.map
            elif token.type in ("th_open", "td_open"):
                if header:
                    style = token.attrs.get("style") or ""
                    aligns.append(style.rpartition(":")[2] if style.startswith("text-align:") else "left")
                rows[-1].append(self.inline(tokens[i + 1].children, bold=header))
            elif token.type == "tr_close" and not header:
                self.excess_cells(rows[-1], row_map)
            elif token.type == "thead_close":
                header = False
            i += 1
        cells = [[_cell(cell) for cell in row] for row in rows]
        parts = _table_parts(cells) if len(aligns) <= MAX_TABLE_COLUMNS else None
        if parts is None:
            self.table_as_text(rows)
            return i + 1
        for part in parts:
            self.block({"type": "table", "column_settings": [{"align": align} for align in aligns], "rows": part})
        return i + 1

    def excess_cells(self, row: list[list[Block]], row_map: list[int] | None) -> None:
        """The parser ignores cells beyond the header's count, as GitHub does; their text is added
        to the row's last cell rather than lost."""
        if row_map is None or row_map[0] >= len(self.lines):
            return
        line = self.lines[row_map[0]].lstrip()
        for _ in range(self.quote):
            line = line[1:].lstrip() if line.startswith(">") else line
        cells = _split_row(line)
        if len(cells) <= len(row):
            return
        extra = " | ".join(cells[len(row) :])
        inline = markdown_it().parseInline(extra, {"slack_entities": self.options.entities})
        elements = self.inline(inline[0].children) if inline else []
        if elements:
            _extend(row[-1], [{"type": "text", "text": " | "}] + elements if row[-1] else elements)

    def table_as_text(self, rows: list[list[list[Block]]]) -> None:
        """A table that cannot be a table block: one line per row, cells between " | ", a
        paragraph among the others."""
        elements: list[Block] = []
        for r, row in enumerate(rows):
            if r:
                _extend(elements, [{"type": "text", "text": "\n"}])
            for c, cell in enumerate(row):
                if c:
                    _extend(elements, [{"type": "text", "text": " | "}])
                _extend(elements, cell)
        self.text_part(elements)


def _split_row(line: str) -> list[str]:
    """The cells of a table row's source line, split at pipes that are not escaped."""
    line = line.strip()
    if line.startswith("|"):
        line = line[1:]
    if line.endswith("|") and not line.endswith("\\|"):
        line = line[:-1]
    return [cell.strip() for cell in re.split(r"(?<!\\)\|", line)]


def _cell(elements: list[Block]) -> Block:
    """A rich-text cell; an empty one holds a space (Slack refuses a text of no characters)."""
    return {
        "type": "rich_text",
        "elements": [{"type": "rich_text_section", "elements": elements or [{"type": "text", "text": " "}]}],
    }


def _characters(cell: Block) -> int:
    """What a cell counts against a table's characters (every element's text, URL or name)."""
    return sum(len(e.get("text") or e.get("url") or e.get("name") or "") for e in cell["elements"][0]["elements"])


def _table_parts(rows: list[list[Block]]) -> list[list[list[Block]]] | None:
    """The rows in tables Slack takes, each opening with the header row: at most MAX_TABLE_ROWS
    rows and MAX_TABLE_CHARACTERS characters. None when a row is too long for any table."""
    header, body = rows[0], rows[1:]
    base = sum(map(_characters, header))
    parts: list[list[list[Block]]] = []
    part: list[list[Block]] = [header]
    used = base
    for row in body:
        size = sum(map(_characters, row))
        if base + size > MAX_TABLE_CHARACTERS:
            return None
        if len(part) == MAX_TABLE_ROWS or used + size > MAX_TABLE_CHARACTERS:
            parts.append(part)
            part, used = [header], base
        part.append(row)
        used += size
    parts.append(part)
    return parts


def _extend(elements: list[Block], more: list[Block]) -> None:
    """Appends rich-text elements, joining plain texts of the same style that meet."""
    for element in more:
        last = elements[-1] if elements else None
        if (
            last is not None
            and last["type"] == "text"
            and element["type"] == "text"
            and last.get("style") == element.get("style")
        ):
            last["text"] += element["text"]
        else:
            elements.append(element)
