"""Slack's mrkdwn and plain text, rendered as HTML.

mrkdwn arrives with only "&", "<" and ">" escaped; "<...>" holds links, mentions and dates.
Styles (*bold*, _italic_, ~strike~, `code`) stay within one line, as in Slack.
"""

from __future__ import annotations

import re

from velmora.preview._emoji import EMOJI
from velmora.preview._inline import date, emoji, esc, link, mention, safe_url, text_of

CODE_BLOCK = re.compile(r"```(.*?)```", re.S)
QUOTE_LINE = re.compile(r"(?:>|&gt;) ?")
INLINE = re.compile(
    r"(?P<code>`[^`\n]+`)"
    r"|<(?P<angle>[^<>\n]*)>"
    r"|(?<!\w)(?P<mark>[*_~])(?P<body>\S(?:.*?\S)?)(?P=mark)(?!\w)"
    r"|:(?P<emoji>[a-z0-9_+'\-]+):"
    # a bare URL ends before an escaped "<" or ">" and never on an "&amp;" or punctuation
    r"|(?P<url>\bhttps?://(?:&amp;|&(?!(?:amp|lt|gt);)|[^\s<>\"&])*[^\s<>\"&.,;:!?)\]'])"
)
EMOJI_NAME = re.compile(r":([a-z0-9_+'\-]+):")
STYLE_TAGS = {"*": "b", "_": "i", "~": "s"}
# Longer lines than one whole text may hold in Slack are shown as typed: looking for styles in
# them costs time that grows with the square of their length.
LONGEST_STYLED_LINE = 3000
BROADCASTS = {"here", "channel", "everyone"}


def decode(text: str) -> str:
    """Undo Slack's three escapes; "&amp;" last, so that "&amp;lt;" stays "&lt;"."""
    return text.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")


def plain(text: str, with_emoji: bool = True) -> str:
    """plain_text: shown as typed, with :name: as the emoji when `with_emoji`."""
    if not with_emoji:
        return esc(text)
    out, pos = [], 0
    for found in EMOJI_NAME.finditer(text):
        out += [esc(text[pos : found.start()]), emoji(found[1])]
        pos = found.end()
    return "".join(out) + esc(text[pos:])


def _angle(inside: str) -> str | None:
    """HTML for the inside of "<...>", or None when it is no link, mention or date."""
    target, _, label = inside.partition("|")
    label = decode(label)
    if target.startswith("@") and len(target) > 1:
        return mention("@" + (label or target[1:]), "user")
    if target.startswith("#") and len(target) > 1:
        return mention("#" + (label or target[1:]), "channel")
    if target.startswith("!"):
        command, *args = target[1:].split("^")
        if command in BROADCASTS and not args:
            return mention("@" + command, "broadcast")
        if command == "subteam" and args:
            return mention(label or "@" + args[0], "usergroup")
        if command == "date" and len(args) >= 2:
            return date(args[0], decode(args[1]), label or inside, decode(args[2]) if len(args) > 2 else None)
        return esc(label) if label else None
    url = decode(target)
    if safe_url(url) is None:
        return None
    return link(url, esc(label or url))


def inline(text: str, autolink: bool = True) -> str:
    """One line of mrkdwn (no code blocks, no quotes) as HTML."""
    if len(text) > LONGEST_STYLED_LINE:
        return esc(decode(text))
    out, pos = [], 0
    while (found := INLINE.search(text, pos)) is not None:
        piece: str | None
        if found["code"]:
            piece = f"<code>{esc(decode(found['code'][1:-1]))}</code>"
        elif found["angle"] is not None:
            piece = _angle(found["angle"])
        elif found["mark"]:
            tag = STYLE_TAGS[found["mark"]]
            piece = f"<{tag}>{inline(found['body'], autolink)}</{tag}>"
        elif found["emoji"]:
            piece = emoji(found["emoji"]) if found["emoji"] in EMOJI else None
        else:
            piece = link(decode(found["url"]), esc(decode(found["url"]))) if autolink else None
        if piece is None:  # not a construct after all: keep its first character as text
            out.append(esc(decode(text[pos : found.start() + 1])))
            pos = found.start() + 1
            continue
        out += [esc(decode(text[pos : found.start()])), piece]
        pos = found.end()
    return "".join(out) + esc(decode(text[pos:]))


def _lines(text: str, autolink: bool) -> str:
    """Lines of mrkdwn; a run of "> " lines is one quote box (with no newline beside it)."""
    pieces: list[tuple[bool, str]] = []  # (is a quote, HTML)
    for line in text.split("\n"):
        marker = QUOTE_LINE.match(line)
        html = inline(line[marker.end() :] if marker else line, autolink)
        if marker and pieces and pieces[-1][0]:
            pieces[-1] = (True, pieces[-1][1] + "\n" + html)
        else:
            pieces.append((bool(marker), html))
    out = ""
    for i, (quote, html) in enumerate(pieces):
        if quote:
            out += f"<blockquote>{html}</blockquote>"
        else:
            out += ("\n" if i and not pieces[i - 1][0] else "") + html
    return out


def mrkdwn(text: str, autolink: bool = True) -> str:
    """A mrkdwn text as HTML: code blocks, quotes, styles, links, mentions, emoji, dates."""
    out, pos = [], 0
    for block in CODE_BLOCK.finditer(text):
        before = text[pos : block.start()].removesuffix("\n")
        body = block[1].removeprefix("\n").removesuffix("\n")
        out += [_lines(before, autolink) if before else "", f'<pre class="code">{esc(decode(body))}</pre>']
        pos = block.end()
        if text.startswith("\n", pos):
            pos += 1
    return "".join(out) + _lines(text[pos:], autolink)


def text_object(obj: object) -> str:
    """A Block Kit text object ({"type": "mrkdwn" or "plain_text", "text": ...}) as HTML."""
    if not isinstance(obj, dict):
        return esc(text_of(obj))
    text = text_of(obj.get("text"))
    if obj.get("type") == "mrkdwn":
        return mrkdwn(text, autolink=obj.get("verbatim") is not True)
    return plain(text, obj.get("emoji") is not False)
