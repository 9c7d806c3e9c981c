"""Slack messages read back as Markdown: ``velmora.markdown.from_blocks``.

Blocks (and the mrkdwn texts inside them) become CommonMark with GitHub's tables and
strikethrough, written so that ``to_blocks`` reads them back into the same blocks; with
``plain=True`` the same reading without Markdown's markup, for search and logs. The inline
writer is ``_markdown_inline``; mrkdwn is first read into rich-text parts (``_mrkdwn_read``),
so that one writer serves both.
"""

from __future__ import annotations

import re
from collections.abc import Iterable, Mapping
from typing import Any

from velmora import _limits
from velmora._markdown_inline import STYLES, Atom, Block, Flow, destination, escape, flat, plain_text
from velmora._mrkdwn_read import mrkdwn_parts

# ---- blocks ---------------------------------------------------------------------------------------

_BULLETS = {"-": "*", "*": "-", ".": ")", ")": "."}
# What may go into the Markdown as it stands (anything else is written as escaped text).
_ID = re.compile(r"[A-Z0-9]+")
_SLACK_FORM = re.compile(r"<(?:@|#|!subteam\^)[A-Z0-9]+(?:\|[^<>\n]*)?>")
_EMOJI_NAME = re.compile(r"[\w+'-]+")


def _str(value: Any) -> str:
    return value if isinstance(value, str) else ""


def _list(value: Any) -> list[Any]:
    return value if isinstance(value, list) else []


def _dict(value: Any) -> Block:
    return value if isinstance(value, dict) else {}


def _int(value: Any, low: int, high: int) -> int:
    return min(max(value, low), high) if type(value) is int else low


def _number(value: Any) -> str:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        return _str(value)
    return str(int(value)) if isinstance(value, float) and value.is_integer() else str(value)


class _Level:
    """An open list at one depth: its marker and the column its items' text starts at."""

    __slots__ = ("ordered", "mark", "number", "column", "content")

    def __init__(self, ordered: bool, mark: str, number: int, column: int) -> None:
        self.ordered, self.mark, self.number, self.column = ordered, mark, number, column
        self.content = column + 2  # where the current item's text starts


class _Writer:
    def __init__(
        self,
        users: Mapping[str, str] | None,
        channels: Mapping[str, str] | None,
        usergroups: Mapping[str, str] | None,
        plain: bool,
    ) -> None:
        self.names = {"user": users, "channel": channels, "usergroup": usergroups}
        self.plain = plain

    # -- inline
    def atoms(self, elements: Any) -> list[Atom]:
        out: list[Atom] = []
        for element in _list(elements):
            element = _dict(element)
            style = _dict(element.get("style"))
            styles = frozenset(name for name, _ in STYLES if style.get(name) is True)
            kind = element.get("type")
            if kind == "text":
                out.append(("code" if style.get("code") is True else "text", _str(element.get("text")), styles))
            elif kind == "link":
                url, label = _str(element.get("url")), element.get("text")
                label = label if isinstance(label, str) and label else None
                if url:
                    out.append(("link", (url, label, style.get("code") is True), styles))
                elif label:
                    out.append(("text", label, styles))
            elif kind == "date":
                atom = self.date(element)
                out.append((atom[0], atom[1], styles))
            else:
                shown = self.entity(element)
                if shown is not None:
                    out.append((shown[0], shown[1], styles))
        return out

    def entity(self, element: Block) -> tuple[str, Any] | None:
        """A mention, emoji or other inline element: ("text", its text) or ("raw", (Markdown,
        plain text)), the Markdown kept in Slack's own form where no name is known."""
        kind = element.get("type")
        if kind == "emoji":
            name = _str(element.get("name"))
            tone = element.get("skin_tone")
            shown = f":{name}:" + (f":skin-tone-{tone}:" if type(tone) is int else "")
            return None if not name else ("raw", (shown, shown)) if _EMOJI_NAME.fullmatch(name) else ("text", shown)
        if kind == "broadcast":
            return "text", "@" + (_str(element.get("range")) or "here")
        key, sign, form = {
            "user": ("user_id", "@", "<@{}>"),
            "channel": ("channel_id", "#", "<#{}>"),
            "usergroup": ("usergroup_id", "@", "<!subteam^{}>"),
        }.get(str(kind), ("", "", ""))
        if key:
            ident = _str(element.get(key))
            names = self.names[str(kind)]
            known = names.get(ident) if names is not None else None
            if isinstance(known, str) and known:
                return "text", sign + known.removeprefix(sign)
            shown = sign + (_str(element.get("label")).removeprefix(sign) or ident)  # mrkdwn's <@U1|label>
            markdown = _str(element.get("form"))
            if not _SLACK_FORM.fullmatch(markdown):
                markdown = form.format(ident) if _ID.fullmatch(ident) else ""
            return ("raw", (markdown, shown)) if markdown else ("text", shown)
        if kind == "team":
            return "text", _str(element.get("team_id"))
        if kind == "color":
            return "text", _str(element.get("value"))
        text = element.get("text")
        return ("text", text) if isinstance(text, str) and text else None

    def date(self, element: Block) -> tuple[str, Any]:
        shown = _str(element.get("fallback"))
        stamp = element.get("timestamp")
        if not shown and isinstance(stamp, (int, float)) and not isinstance(stamp, bool):
            import datetime

            try:
                shown = datetime.datetime.fromtimestamp(stamp, datetime.UTC).strftime("%Y-%m-%d %H:%M UTC")
            except (OverflowError, OSError, ValueError):
                shown = str(stamp)
        url = _str(element.get("url"))
        return ("link", (url, shown or url, False)) if url else ("text", shown)

    def flow(self, atoms: list[Atom], paragraphs: bool = True, in_table: bool = False) -> str:
        if self.plain:
            return "".join(plain_text(atom) for atom in atoms)
        if not any(kind != "text" or value.strip() for kind, value, _ in atoms):
            return ""
        return Flow(atoms, paragraphs, in_table).write()

    # -- rich text
    def rich_text(self, block: Block) -> list[str]:
        chunks: list[str] = []
        parts = [_dict(part) for part in _list(block.get("elements"))]
        i = 0
        while i < len(parts):
            part = parts[i]
            kind = part.get("type")
            if kind == "rich_text_list":
                end = i + 1
                while (
                    end < len(parts)
                    and parts[end].get("type") == "rich_text_list"
                    and bool(parts[end].get("border")) == bool(part.get("border"))
                ):
                    end += 1
                lists = [
                    (
                        _int(p.get("indent"), 0, _limits.RICH_TEXT_INDENT),
                        p.get("style") == "ordered",
                        _int(p.get("offset"), 0, 999_999_998),
                        [self.atoms(_dict(item).get("elements")) for item in _list(p.get("elements"))],
                    )
                    for p in parts[i:end]
                ]
                chunks.append(_quoted(self.lists(lists), bool(part.get("border")) and not self.plain))
                i = end
                continue
            if kind == "rich_text_preformatted":
                chunks.append(_quoted(self.code(part), bool(part.get("border")) and not self.plain))
            elif kind in ("rich_text_section", "rich_text_quote"):
                chunks.append(_quoted(self.flow(self.atoms(part.get("elements"))), kind == "rich_text_quote"))
            i += 1
        return chunks

    def code(self, part: Block) -> str:
        text = "".join(_str(e.get("text")) or _str(e.get("url")) for e in map(_dict, _list(part.get("elements"))))
        if self.plain:
            return text
        language = _str(part.get("language")).strip()
        char = "~" if "`" in language else "`"
        longest = max((len(run) for run in re.findall(re.escape(char) + "+", text)), default=0)
        fence = char * max(3, longest + 1)
        return f"{fence}{language}\n{text}\n{fence}"

    def lists(self, parts: list[tuple[int, bool, int, list[list[Atom]]]]) -> str:
        """Rich-text lists, each (indent, ordered, offset, its items), as nested Markdown lists."""
        lines: list[str] = []
        levels: list[_Level] = []
        last = -1  # the depth of the part before
        for depth, ordered, offset, items in parts:
            start = offset + 1
            del levels[depth + 1 :]
            level = levels[depth] if depth < len(levels) else None
            if level is not None and not (
                last > depth and level.ordered == ordered and (not ordered or level.number == start)
            ):
                # a list of its own after one at this depth: another marker keeps them apart
                mark = _BULLETS[level.mark] if level.ordered == ordered else ("." if ordered else "-")
                level = levels[depth] = _Level(ordered, mark, start, level.column)
                lines.append("")
            while len(levels) < depth:  # a parent item that holds nothing but the nested list
                column = levels[-1].content if levels else 0
                if lines and lines[-1].strip() != "-":  # a blank line, lest "-" underline a heading
                    lines.append("")
                lines.append(" " * column + "-")
                levels.append(_Level(False, "-", 1, column))
            if level is None:
                column = levels[-1].content if levels else 0
                level = _Level(ordered, "." if ordered else "-", start, column)
                levels.append(level)
            for atoms in items:
                text = self.flow(atoms, paragraphs=False)
                if not text:
                    continue
                marker = f"{level.number}{level.mark}" if level.ordered else level.mark
                if self.plain:
                    marker = f"{level.number}." if level.ordered else "-"
                level.content = level.column + len(marker) + 1
                first, *rest = text.split("\n")
                lines.append(" " * level.column + marker + " " + first)
                lines.extend(" " * level.content + line if line else "" for line in rest)
                level.number += 1
            last = depth
        return "\n".join(lines)

    # -- blocks
    def blocks(self, blocks: list[Any]) -> list[str]:
        chunks: list[str] = []
        for block in blocks:
            if not isinstance(block, dict):
                raise TypeError(f"Expected a block (dict), got {type(block).__name__}")
            chunks.extend(self.block(block))
        return chunks

    def block(self, block: Block) -> list[str]:
        kind = block.get("type")
        reader = getattr(self, "read_" + kind, None) if isinstance(kind, str) and kind.isidentifier() else None
        chunks: list[str] = reader(block) if reader is not None else self.read_other(block)
        return [chunk for chunk in chunks if chunk]

    def read_rich_text(self, block: Block) -> list[str]:
        return self.rich_text(block)

    def read_header(self, block: Block) -> list[str]:
        text = self.text_of(block.get("text")).strip()
        if not text or self.plain:
            return [text]
        level = _int(block.get("level"), 1, 6)
        escaped = escape(text, False).replace("\n", "&#10;")
        return ["#" * level + " " + (escaped[:-1] + "\\#" if escaped.endswith("#") else escaped)]

    def read_divider(self, block: Block) -> list[str]:
        return [] if self.plain else ["---"]

    def read_image(self, block: Block) -> list[str]:
        url = _str(block.get("image_url")) or _str(_dict(block.get("slack_file")).get("url"))
        return [self.image(url, _str(block.get("alt_text")), self.text_of(block.get("title")))]

    def image(self, url: str, alt: str, title: str = "") -> str:
        if self.plain or not url:
            return alt or title or url
        title = ' "' + re.sub(r'(["\\])', r"\\\1", title).replace("\n", "&#10;") + '"' if title else ""
        return f"![{flat(alt)}]({destination(url)}{title})"

    def read_markdown(self, block: Block) -> list[str]:
        text = _str(block.get("text"))
        if self.plain and text:
            try:
                from velmora._markdown_write import to_blocks

                return self.blocks(to_blocks(text))
            except ImportError:
                pass
        return [text]

    def read_section(self, block: Block) -> list[str]:
        chunks = self.text_chunks(block.get("text"))
        fields = [self.text_atoms(field) for field in _list(block.get("fields"))]
        chunks.append(self.lists([(0, False, 0, fields)]))
        accessory = block.get("accessory")
        if isinstance(accessory, dict):
            chunks.append(self.flow(self.element(accessory)))
        return chunks

    def read_context(self, block: Block) -> list[str]:
        elements = map(_dict, _list(block.get("elements")))
        return [
            self.flow(
                _joined((self.element(e) if e.get("type") == "image" else self.text_atoms(e) for e in elements), " ")
            )
        ]

    def read_actions(self, block: Block) -> list[str]:
        return [self.flow(_joined(map(self.element, map(_dict, _list(block.get("elements")))), " · "))]

    def element(self, element: Block) -> list[Atom]:
        """What an interactive element or an image shows: a label, a link for a link button."""
        kind = element.get("type")
        if kind == "image":
            url = _str(element.get("image_url")) or _str(_dict(element.get("slack_file")).get("url"))
            shown = self.image(url, _str(element.get("alt_text")))
            return [("raw", (shown, shown), frozenset())] if shown else []
        label = self.text_of(element.get("text"))
        if kind in (
            "static_select",
            "external_select",
            "users_select",
            "conversations_select",
            "channels_select",
            "multi_static_select",
            "multi_external_select",
            "multi_users_select",
            "multi_conversations_select",
            "multi_channels_select",
            "datepicker",
            "timepicker",
            "datetimepicker",
            "overflow",
            "radio_buttons",
            "checkboxes",
            "plain_text_input",
        ):
            chosen = [
                self.text_of(_dict(o).get("text"))
                for o in [element.get("initial_option")] + _list(element.get("initial_options"))
            ]
            values = [c for c in chosen if c] or [
                _str(element.get(key))
                for key in ("initial_date", "initial_time", "initial_value")
                if _str(element.get(key))
            ]
            if not values and kind in ("overflow", "radio_buttons", "checkboxes"):
                values = [self.text_of(_dict(o).get("text")) for o in _list(element.get("options"))]
            label = ", ".join(v for v in values if v) or self.text_of(element.get("placeholder"))
        url = _str(element.get("url"))
        if url and label:
            return [("link", (url, label, False), frozenset())]
        return [("text", label, frozenset())] if label else []

    def read_table(self, block: Block) -> list[str]:
        settings = [_dict(s).get("align") for s in _list(block.get("column_settings"))]
        rows = [[self.cell(cell, r == 0) for cell in _list(row)] for r, row in enumerate(_list(block.get("rows")))]
        return [self.table(rows, settings)]

    def read_data_table(self, block: Block) -> list[str]:
        rows = _list(block.get("rows"))
        numbers = [
            all(_dict(row[c]).get("type") == "raw_number" if c < len(_list(row)) else True for row in rows[1:])
            for c in range(len(_list(rows[0])) if rows else 0)
        ]
        cells = [[self.cell(cell, r == 0) for cell in _list(row)] for r, row in enumerate(rows)]
        table = self.table(cells, ["right" if n and len(rows) > 1 else "left" for n in numbers])
        return [self.flow([("text", _str(block.get("caption")), frozenset())]), table]

    def read_data_visualization(self, block: Block) -> list[str]:
        chart = _dict(block.get("chart"))
        cell = self.cell
        if chart.get("type") == "pie":
            rows = [[cell("label", True), cell("value", True)]] + [
                [cell(_dict(s).get("label"), False), cell(_number(_dict(s).get("value")), False)]
                for s in _list(chart.get("segments"))
            ]
        else:
            series = [_dict(s) for s in _list(chart.get("series"))]
            axis = _dict(chart.get("axis_config"))
            categories = [_str(c) for c in _list(axis.get("categories"))] or list(
                dict.fromkeys(_str(_dict(p).get("label")) for s in series for p in _list(s.get("data")))
            )
            values = [
                {_str(_dict(p).get("label")): _dict(p).get("value") for p in _list(s.get("data"))} for s in series
            ]
            rows = [[cell(axis.get("x_label") or "", True)] + [cell(s.get("name"), True) for s in series]]
            rows += [[cell(c, False)] + [cell(_number(v.get(c)), False) for v in values] for c in categories]
        aligns = ["left"] + ["right"] * (max(map(len, rows)) - 1)
        return [self.flow([("text", _str(block.get("title")), frozenset({"bold"}))]), self.table(rows, aligns)]

    def cell(self, cell: Any, header: bool) -> list[Atom]:
        """A table cell's atoms; a header cell's without bold (the header row is bold anyway)."""
        if not isinstance(cell, dict):
            return [("text", cell, frozenset())] if isinstance(cell, str) else []
        if cell.get("type") == "rich_text":
            atoms: list[Atom] = []
            for part in map(_dict, _list(cell.get("elements"))):
                if atoms:
                    atoms.append(("text", "\n", frozenset()))
                if part.get("type") == "rich_text_list":
                    for item in map(_dict, _list(part.get("elements"))):
                        atoms.extend(self.atoms(item.get("elements")))
                else:
                    atoms.extend(self.atoms(part.get("elements")))
        else:
            text = cell.get("text")
            atoms = [("text", text if isinstance(text, str) else _number(cell.get("value")), frozenset())]
        return [(kind, value, styles - {"bold"}) for kind, value, styles in atoms] if header else atoms

    def table(self, rows: list[list[list[Atom]]], aligns: list[Any]) -> str:
        width = max(map(len, rows), default=0)
        if not width:
            return ""
        lines = []
        for r, row in enumerate(rows):
            cells = [self.flow(atoms, paragraphs=False, in_table=True) for atoms in row] + [""] * (width - len(row))
            if self.plain:
                lines.append(" | ".join(cell.replace("\n", " ").strip() for cell in cells).strip())
                continue
            lines.append("| " + " | ".join(cells) + " |")
            if r == 0:
                marks = {"center": ":-:", "right": "--:"}
                lines.append("|" + "|".join(marks.get(a, "---") for a in (aligns + ["left"] * width)[:width]) + "|")
        return "\n".join(lines)

    def read_video(self, block: Block) -> list[str]:
        title = self.text_of(block.get("title"))
        url = _str(block.get("title_url")) or _str(block.get("video_url"))
        link: list[Atom] = (
            [("link", (url, title, False), frozenset())] if url and title else [("text", title, frozenset())]
        )
        return [self.flow(link), *self.text_chunks(block.get("description"))]

    def read_file(self, block: Block) -> list[str]:
        file = _dict(block.get("file"))
        title = _str(file.get("title")) or _str(file.get("name")) or _str(block.get("external_id"))
        url = _str(file.get("permalink"))
        atoms: list[Atom] = (
            [("link", (url, title, False), frozenset())] if url and title else [("text", title, frozenset())]
        )
        return [self.flow(atoms), *self.text_chunks(file.get("preview"))]

    def read_card(self, block: Block) -> list[str]:
        chunks = [self.flow(self.titled(block.get("title")))]
        for key in ("subtitle", "body", "subtext"):
            chunks.extend(self.text_chunks(block.get(key)))
        hero = _dict(block.get("hero_image"))
        if hero:
            chunks.append(self.flow(self.element(hero)))
        chunks.extend(self.read_actions({"elements": block.get("actions")}))
        return chunks

    def read_carousel(self, block: Block) -> list[str]:
        return [chunk for card in map(_dict, _list(block.get("elements"))) for chunk in self.read_card(card)]

    def read_container(self, block: Block) -> list[str]:
        title = _dict(block.get("rich_text_title"))
        chunks = self.rich_text(title) if title else [self.flow(self.titled(block.get("title")))]
        chunks.extend(self.text_chunks(block.get("subtitle")))
        return chunks + self.blocks([b for b in _list(block.get("child_blocks")) if isinstance(b, dict)])

    def read_plan(self, block: Block) -> list[str]:
        items = []
        for task in map(_dict, _list(block.get("tasks"))):
            atoms = self.text_atoms(task.get("title"))
            status = _str(task.get("status"))
            if atoms and status:
                atoms.append(("text", f" ({status.replace('_', ' ')})", frozenset()))
            items.append(atoms)
        return [self.flow(self.titled(block.get("title"))), self.lists([(0, False, 0, items)])]

    def read_task_card(self, block: Block) -> list[str]:
        chunks = [self.flow(self.titled(block.get("title")))]
        for key in ("details", "output"):
            chunks.extend(self.rich_text(_dict(block.get(key))))
        sources = map(_dict, _list(block.get("sources")))
        links: list[list[Atom]] = [
            [("link", (_str(s.get("url")), _str(s.get("text")) or None, False), frozenset())]
            for s in sources
            if _str(s.get("url"))
        ]
        return chunks + [self.flow(_joined(links, " · "))]

    def read_other(self, block: Block) -> list[str]:
        """A block of a kind not known here: its title, text, description and label, if any."""
        chunks = [self.flow(self.titled(block.get("title")))] if block.get("title") else []
        for key in ("text", "description", "label"):
            chunks.extend(self.text_chunks(block.get(key)))
        return chunks

    # -- text objects
    def titled(self, value: Any) -> list[Atom]:
        return [(kind, text, styles | {"bold"}) for kind, text, styles in self.text_atoms(value)]

    def text_of(self, value: Any) -> str:
        """A plain-text object's text (or a bare string)."""
        return value if isinstance(value, str) else _str(_dict(value).get("text"))

    def text_chunks(self, value: Any) -> list[str]:
        """A text object (mrkdwn read as Slack does) or a bare string, as chunks of Markdown."""
        if isinstance(value, dict) and value.get("type") == "mrkdwn":
            return self.rich_text({"elements": mrkdwn_parts(_str(value.get("text")))})
        text = self.text_of(value)
        return [self.flow([("text", text, frozenset())])] if text else []

    def text_atoms(self, value: Any) -> list[Atom]:
        """A text object as the atoms of one flow (mrkdwn quotes and code blocks flattened)."""
        if isinstance(value, dict) and value.get("type") == "mrkdwn":
            atoms: list[Atom] = []
            for part in mrkdwn_parts(_str(value.get("text"))):
                if atoms:
                    atoms.append(("text", "\n", frozenset()))
                if part["type"] == "rich_text_preformatted":
                    atoms.append(("code", part["elements"][0]["text"], frozenset()))
                else:
                    atoms.extend(self.atoms(part["elements"]))
            return atoms
        text = self.text_of(value)
        return [("text", text, frozenset())] if text else []


def _joined(groups: Iterable[list[Atom]], separator: str) -> list[Atom]:
    out: list[Atom] = []
    for group in groups:
        if group:
            if out:
                out.append(("text", separator, frozenset()))
            out.extend(group)
    return out


def _quoted(text: str, quoted: bool) -> str:
    if not quoted or not text:
        return text
    return "\n".join("> " + line if line else ">" for line in text.split("\n"))


# ---- the entry point ---------------------------------------------------------------------------


def from_blocks(
    blocks: Any,
    *,
    users: Mapping[str, str] | None = None,
    channels: Mapping[str, str] | None = None,
    usergroups: Mapping[str, str] | None = None,
    plain: bool = False,
) -> str:
    """Markdown (CommonMark with GitHub's tables and strikethrough) showing a Slack message.

    `blocks`: a list of blocks, one block, a payload or a message as Slack's API returns it
    (its ``blocks``, else its mrkdwn ``text``), or a velmora message (its ``build_blocks()``).
    `users`, `channels`, `usergroups`: IDs to names, so that a mention reads ``@name`` or
    ``#name``; without a name it stays in Slack's form (``<@U…>``). `plain`: the same reading
    without Markdown's markup (no emphasis, escapes or link syntax), for search and logs.
    What ``to_blocks`` makes, ``to_blocks`` reads back from this unchanged.
    """
    for name, names in (("users", users), ("channels", channels), ("usergroups", usergroups)):
        if names is not None and not isinstance(names, Mapping):
            raise TypeError(
                f"Argument '{name}' has incorrect type (expected a mapping of IDs to names or None, "
                f"got {type(names).__name__})"
            )
    writer = _Writer(users, channels, usergroups, bool(plain))
    source = blocks
    if not isinstance(source, (dict, list)) and callable(getattr(type(source), "build_blocks", None)):
        source = source.build_blocks()
    if isinstance(source, dict):
        if "blocks" in source or source.get("type", "message") == "message":
            listed = source.get("blocks")
            if listed is not None and not isinstance(listed, list):
                raise TypeError(f"A message's 'blocks' must be a list, not {type(listed).__name__}")
            text = source.get("text")
            if listed:
                chunks = writer.blocks(listed)
            elif isinstance(text, str):
                chunks = writer.text_chunks({"type": "mrkdwn", "text": text})
            else:
                chunks = []
        else:
            chunks = writer.blocks([source])
    elif isinstance(source, list):
        chunks = writer.blocks(source)
    else:
        raise TypeError(
            "from_blocks() takes a list of blocks, a block, a payload or message dict, or a message "
            f"object, not {type(source).__name__}"
        )
    return "\n\n".join(chunk for chunk in chunks if chunk)
