"""One flow of rich-text elements (a paragraph, a list item, a table cell) written as Markdown.

Markdown's emphasis depends on the characters around each delimiter, so the writer places the
delimiters of nested styles, then looks at both sides of each one and, where CommonMark would not
read it as meant, writes the text character beside it as a numeric reference (which the parser
decodes back). Text is escaped only where Markdown would read it as markup.
"""

from __future__ import annotations

import re
import unicodedata
from typing import Any

Block = dict[str, Any]

# ---- what characters are to the emphasis rules ------------------------------------------------

_ASCII_PUNCT = frozenset("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~")
_WHITESPACE = frozenset("\t\n\x0b\x0c\r \xa0\u1680\u202f\u205f\u3000") | frozenset(map(chr, range(0x2000, 0x200B)))


def _kind(char: str) -> str:
    """'space', 'punct' or 'other', as CommonMark's delimiter rules see the character."""
    if char in _WHITESPACE:
        return "space"
    if char in _ASCII_PUNCT or unicodedata.category(char)[0] in "PS":
        return "punct"
    return "other"


# What the parser trims from a paragraph's (or a cell's) edges.
_TRIMMED = _WHITESPACE | {"\u2028", "\u2029"}


def entity(char: str) -> str:
    """The character as a numeric reference, where the parser decodes it back (not control codes)."""
    code = ord(char)
    if (
        (code < 0x20 and char not in "\t\n\x0c\r")
        or 0x7F <= code <= 0x9F
        or 0xD800 <= code <= 0xDFFF
        or 0xFDD0 <= code <= 0xFDEF
        or code & 0xFFFE == 0xFFFE
    ):
        return char
    return f"&#{code};"


# ---- inline flow --------------------------------------------------------------------------------

_BOLD, _ITALIC, _STRIKE = "**", "_", "~~"
STYLES = (("bold", _BOLD), ("italic", _ITALIC), ("strike", _STRIKE))

# An atom of a flow: (kind, value, styles). kind: "text", "code", "link" ((url, label or None,
# code)), "raw" (Markdown as it stands: a Slack mention, an emoji), "break" (a newline).
Atom = tuple[str, Any, frozenset[str]]

_ENTITY_LIKE = re.compile(r"&(?:#|[A-Za-z][A-Za-z0-9]*;)")
_LINE_START = re.compile(r"[#>+=~-]|\d+(?=[.)])")
_SPECIAL = re.compile(r"[*`\[\]|\\_~<&!\r]")


def escape(text: str, line_start: bool) -> str:
    """`text` escaped where Markdown would read it as markup, its edges with the neighbours
    unknown (the delimiter pass looks at them again)."""
    escaped = _escape_inline(text) if _SPECIAL.search(text) else text
    if line_start:
        found = _LINE_START.match(escaped)
        if found is not None:  # a heading, quote, list item, setext line or fence
            end = found.end()
            escaped = escaped[:end] + "\\" + escaped[end:] if found.group()[0].isdigit() else "\\" + escaped
    return escaped


def _escape_inline(text: str) -> str:
    out: list[str] = []
    last = len(text) - 1
    for i, char in enumerate(text):
        if char in "*`[]|":
            out.append("\\" + char)
        elif char == "\\":
            # before a letter it escapes nothing (the last letter may yet become an entity)
            out.append(char if i < last - 1 and text[i + 1].isalnum() else "\\\\")
        elif char == "_":
            inner = 0 < i < last and text[i - 1].isalnum() and text[i + 1].isalnum()
            out.append(char if inner else "\\_")
        elif char == "~":
            alone = 0 < i < last and text[i - 1] != "~" and text[i + 1] != "~"
            out.append(char if alone else "\\~")
        elif char == "<":
            bare = i < last and not (text[i + 1].isalpha() or text[i + 1] in "/!?@#")
            out.append(char if bare else "\\<")
        elif char == "&":
            out.append("\\&" if _ENTITY_LIKE.match(text, i) else char)
        elif char == "!":
            out.append("\\!" if i == last else char)
        elif char == "\r":
            out.append("&#13;")
        else:
            out.append(char)
    return "".join(out)


def _code_span(text: str, in_table: bool) -> str:
    longest = max((len(run) for run in re.findall(r"`+", text)), default=0)
    fence = "`" * (longest + 1)
    pad = (
        text.startswith("`")
        or text.endswith("`")
        or (text.startswith(" ") and text.endswith(" ") and text.strip(" ") != "")
    )
    if in_table:
        text = text.replace("|", "\\|")
    return f"{fence} {text} {fence}" if pad else f"{fence}{text}{fence}"


def destination(url: str) -> str:
    """A link's destination: as it stands with parentheses escaped, or between <> when it holds
    spaces; an entity-like & escaped, since the parser would decode it."""
    if re.search(r"[\s<>]", url) is None:
        url = re.sub(r"([()\\])", r"\\\1", url)
    else:
        url = "<" + re.sub(r"([<>\\])", r"\\\1", url).replace("\n", "%0A") + ">"
    return _ENTITY_LIKE.sub(lambda found: "\\" + found.group(), url)


def flat(text: str) -> str:
    """Text inside brackets (a link's label, an image's alt text): escaped, on one line."""
    return "".join(entity(c) if c in "\n\r" else c for c in escape(text, False))


_AUTOLINK = re.compile(r"[A-Za-z][A-Za-z0-9+.-]{1,31}:[^\s<>]*")


def _link(url: str, label: str | None, code: bool, in_table: bool) -> str:
    if label is None:
        if _AUTOLINK.fullmatch(url):
            return f"<{url}>"
        return f"![]({destination(url)})"  # read back as a link with no label
    inner = _code_span(label, in_table) if code else flat(label)
    return f"[{inner}]({destination(url)})"


class Flow:
    """Writes one flow of atoms (a paragraph, a list item, a table cell) as Markdown lines.

    `paragraphs`: a blank line may stand for an unstyled "\\n\\n" (not in list items, where the
    reader joins paragraphs with one newline). `in_table`: no line breaks and pipes escaped.
    """

    def __init__(self, atoms: list[Atom], paragraphs: bool, in_table: bool = False) -> None:
        self.paragraphs, self.in_table = paragraphs, in_table
        self.atoms = self.split(_merge(atoms))

    def split(self, atoms: list[Atom]) -> list[Atom]:
        """Newlines as their own atoms; styled ones keep their style for the span around them."""
        out: list[Atom] = []
        for kind, value, styles in atoms:
            if kind in ("text", "code") and "\n" in value:
                for i, line in enumerate(value.split("\n")):
                    if i:
                        out.append(("break", "hard", styles))
                    if line:
                        out.append((kind, line, styles))
            else:
                out.append((kind, value, styles))
        return out

    def write(self) -> str:
        atoms = self.atoms
        # breaks at the edges, and two unstyled ones between lines of text
        modes = ["hard" if kind == "break" else "" for kind, _, _ in atoms]
        for i, (kind, _, styles) in enumerate(atoms):
            if kind != "break":
                continue
            if self.in_table:
                modes[i] = "cell"
            elif i == 0 or i == len(atoms) - 1:
                modes[i] = "entity"
            elif (
                self.paragraphs
                and not styles
                and modes[i] == "hard"
                and i + 2 < len(atoms)
                and atoms[i + 1][0] == "break"
                and not atoms[i + 1][2]
                and atoms[i - 1][0] != "break"
                and atoms[i + 2][0] != "break"
            ):
                modes[i], modes[i + 1] = "paragraph", "none"
        events = self.delimiters()
        for i, (opens, closes) in enumerate(events):  # no closing delimiter opens a line, no opening one ends it
            if closes and i and modes[i - 1] == "hard":
                modes[i - 1] = "entity"
            if opens and i < len(atoms) and modes[i] == "hard":
                modes[i] = "entity"
        pieces = [self.render(i, modes) for i in range(len(atoms))]
        # pieces[i] is atom i; events[i] are the delimiters before atom i (events[-1]: after all)
        for i, (opens, closes) in enumerate(events):
            if opens or closes:
                self.fix(pieces, i, closes, opens)
        out: list[str] = []
        for i, piece in enumerate(pieces):
            opens, closes = events[i]
            out.extend(closes)
            out.extend(opens)
            out.append(piece)
        out.extend(events[-1][1])
        return "".join(out)

    def delimiters(self) -> list[tuple[list[str], list[str]]]:
        """For each atom, the delimiters closed then opened before it (one more entry, for the
        end): styles nest, the one that runs longest outermost."""
        atoms = self.atoms
        if not any(styles for _, _, styles in atoms):
            return [([], [])] * (len(atoms) + 1)
        events: list[tuple[list[str], list[str]]] = []
        stack: list[str] = []
        for i in range(len(atoms) + 1):
            wanted = atoms[i][2] if i < len(atoms) else frozenset()
            keep = 0
            while keep < len(stack) and stack[keep] in wanted:
                keep += 1
            closes = [_mark(style) for style in reversed(stack[keep:])]
            del stack[keep:]
            new = [style for style, _ in STYLES if style in wanted and style not in stack]
            new.sort(key=lambda style: -self.run_end(i, style))
            stack.extend(new)
            events.append(([_mark(style) for style in new], closes))
        return events

    def run_end(self, start: int, style: str) -> int:
        end = start
        while end < len(self.atoms) and style in self.atoms[end][2]:
            end += 1
        return end

    def render(self, i: int, modes: list[str]) -> str:
        kind, value, _ = self.atoms[i]
        if kind == "break":
            return {"hard": "\\\n", "paragraph": "\n\n", "none": "", "entity": "&#10;", "cell": "<br>"}[modes[i]]
        if kind == "code":
            return _code_span(value, self.in_table)
        if kind == "link":
            url, label, code = value
            return _link(url, label, code, self.in_table)
        if kind == "raw":
            return str(value[0])
        line_start = i == 0 or modes[i - 1] in ("hard", "paragraph", "none")
        text = escape(value, line_start and not self.in_table)
        first = i == 0 or modes[i - 1] in ("paragraph", "none")
        last = i == len(self.atoms) - 1 or modes[i + 1] in ("paragraph", "none")
        return _edges(text, _TRIMMED if first else " \t" if line_start else "", _TRIMMED if last else "")

    def fix(self, pieces: list[str], i: int, closes: list[str], opens: list[str]) -> None:
        """Makes the delimiters between atom i-1 and atom i open and close as meant, turning the
        text character on either side into an entity where the rules need punctuation there."""
        texts = [0 <= j < len(pieces) and self.atoms[j][0] == "text" and pieces[j] != "" for j in (i - 1, i)]
        for _ in range(3):
            before = pieces[i - 1][-1] if i > 0 and pieces[i - 1] else " "
            after = pieces[i][0] if i < len(pieces) and pieces[i] else " "
            need_before, need_after = _needs(_kind(before), _kind(after), closes, opens)
            need_before, need_after = need_before and texts[0], need_after and texts[1]
            if need_before:
                pieces[i - 1] = pieces[i - 1][:-1] + entity(before)
            if need_after:
                pieces[i] = entity(after) + pieces[i][1:]
            if not (need_before or need_after):
                return


def _mark(style: str) -> str:
    return {"bold": _BOLD, "italic": _ITALIC, "strike": _STRIKE}[style]


def _needs(before: str, after: str, closes: list[str], opens: list[str]) -> tuple[bool, bool]:
    """Whether the character before and the one after a run of closing then opening delimiters
    must become punctuation for each delimiter to do its job (CommonMark's flanking rules)."""
    need_before = need_after = False
    if closes:
        if before == "space":
            need_before = True
        elif not opens and (len(closes) > 1 or before == "punct" or closes[-1] == _ITALIC) and after == "other":
            need_after = True
    if opens:
        if after == "space":
            need_after = True
        elif not closes and (len(opens) > 1 or after == "punct" or opens[0] == _ITALIC) and before == "other":
            need_before = True
    return need_before, need_after


def _edges(text: str, lead: str | frozenset[str], trail: str | frozenset[str]) -> str:
    """The characters at a text's edges that the parser would drop (`lead` at the start, `trail`
    at the end) as entities."""
    start = 0
    while start < len(text) and text[start] in lead:
        start += 1
    end = len(text)
    while end > start and text[end - 1] in trail:
        end -= 1
    return "".join(map(entity, text[:start])) + text[start:end] + "".join(map(entity, text[end:]))


def _merge(atoms: list[Atom]) -> list[Atom]:
    out: list[Atom] = []
    for atom in atoms:
        if out and atom[0] in ("text", "code") and out[-1][0] == atom[0] and out[-1][2] == atom[2]:
            out[-1] = (atom[0], out[-1][1] + atom[1], atom[2])
        elif atom[0] not in ("text", "code") or atom[1]:
            out.append(atom)
    return out


def plain_text(atom: Atom) -> str:
    kind, value, _ = atom
    if kind == "link":
        url, label, _ = value
        return url if not label or label == url else f"{label} ({url})"
    if kind == "raw":
        return str(value[1])
    return str(value)
