"""The page around the blocks: a Slack message (with its notification line), a modal or a Home
tab, and the problems found.

The page is self-contained: inline CSS, no script, no font; only the images that blocks point
at are fetched. Its Content-Security-Policy forbids scripts as well, a second guard behind the
escaping of every text.
"""

from __future__ import annotations

import re
from typing import Any, NamedTuple

from velmora.preview._blocks import block
from velmora.preview._inline import esc
from velmora.preview._mrkdwn import mrkdwn, text_object
from velmora.preview._style import CSS

LONE_SURROGATE = re.compile("[\ud800-\udfff]")
CSP = "default-src 'none'; img-src http: https: data:; style-src 'unsafe-inline'"

VIEWS = ("modal", "home")
TITLES = {"message": "Message preview", "modal": "Modal preview", "home": "Home tab preview"}


class Shown(NamedTuple):
    """What the page draws: what to validate, its blocks, its "text", and where it shows."""

    value: list[Any] | dict[str, Any]
    blocks: list[object]
    text: object
    surface: str  # "message", "modal" or "home"


def read(message: object) -> Shown:
    """A list of blocks, a payload, a view (type "modal" or "home"), or an object giving one.

    An object's ``payload()`` is used, else its ``view()``.
    """
    value = message
    if not isinstance(value, (list, dict)):
        for name in ("payload", "view"):
            method = getattr(value, name, None)
            if callable(method):
                value = method()
                break
    if isinstance(value, dict):
        blocks = value.get("blocks")
        surface = value["type"] if value.get("type") in VIEWS else "message"
        return Shown(value, blocks if isinstance(blocks, list) else [], value.get("text"), surface)
    if isinstance(value, list):
        return Shown(value, value, None, "message")
    raise TypeError(
        "expected a list of blocks, a payload dict, a view dict or an object with payload() or view(), "
        f"got {type(value).__name__}"
    )


def _block_index(path: str, in_dict: bool) -> int | None:
    """The index of the block a JSON pointer points into, or None."""
    steps = path.split("/")[1:]
    if in_dict:
        steps = steps[1:] if steps[:1] == ["blocks"] else []
    return int(steps[0]) if steps and steps[0].isascii() and steps[0].isdigit() else None


def _problem_list(problems: list[dict[str, str]]) -> str:
    items = "".join(f"<li><code>{esc(p['path'] or '/')}</code> {esc(p['message'])}</li>" for p in problems)
    return f'<ul class="problems">{items}</ul>' if items else ""


def _label(value: object, default: str) -> str:
    """A view's title, close or submit text object; `default` when it has none."""
    return text_object(value) if isinstance(value, dict) else esc(default)


def _modal(view: dict[str, Any], body: str) -> str:
    """A modal over the dimmed app: title bar with its close mark, blocks, then its buttons."""
    submit = view.get("submit")
    button = f'<span class="button primary">{_label(submit, "")}</span>' if isinstance(submit, dict) else ""
    return (
        '<div class="backdrop"><div class="modal"><div class="modal-head"><div class="avatar small">v</div>'
        f'<div class="modal-title">{_label(view.get("title"), "")}</div><span class="modal-close">✕</span></div>'
        f'<div class="modal-body">{body}</div><div class="modal-foot">'
        f'<span class="button">{_label(view.get("close"), "Cancel")}</span>{button}</div></div></div>'
    )


def _home(body: str) -> str:
    """The app's Home tab: its name, the tabs with Home open, then the blocks."""
    return (
        '<div class="home"><div class="home-head"><div class="avatar">v</div>'
        '<div class="sender">velmora <span class="badge">APP</span></div></div>'
        '<div class="tabs"><span class="tab on">Home</span><span class="tab">Messages</span>'
        f'<span class="tab">About</span></div><div class="home-body">{body}</div></div>'
    )


def article(shown: Shown, caption: str | None = None) -> str:
    """One message or view as HTML: its notification line, the problems found, then its blocks."""
    from velmora._validate import validate

    value, blocks, text, surface = shown
    problems: list[dict[str, str]] = validate(value)
    by_block: dict[int, list[dict[str, str]]] = {}
    general = []
    for problem in problems:
        index = _block_index(problem["path"], isinstance(value, dict))
        if index is not None and index < len(blocks):
            by_block.setdefault(index, []).append(problem)
        else:
            general.append(problem)
    drawn = []
    for index, item in enumerate(blocks):
        found = by_block.get(index, [])
        kind = " has-problems" if found else ""
        drawn.append(
            f'<div class="block{kind}" id="block-{index}"><div class="drawn">{block(item)}</div>'
            f"{_problem_list(found)}</div>"
        )
    parts = [f'<div class="caption">{esc(caption)}</div>' if caption else ""]
    if isinstance(value, dict) and surface == "message":
        shown_text = mrkdwn(text) if isinstance(text, str) and text else '<span class="missing">no "text"</span>'
        parts.append(f'<div class="bar notification"><span class="label">Notification</span> {shown_text}</div>')
    count = len(problems)
    summary = (
        f"{count} problem{'' if count == 1 else 's'} with Slack's limits"
        if count
        else "No problems with Slack's limits"
    )
    parts.append(f'<div class="bar summary {"bad" if count else "ok"}">{summary}{_problem_list(general)}</div>')
    body = "".join(drawn)
    if surface == "modal" and isinstance(value, dict):
        parts.append(_modal(value, body))
    elif surface == "home":
        parts.append(_home(body))
    else:
        parts.append(
            '<article class="message"><div class="avatar">v</div><div class="content">'
            '<div class="sender">velmora <span class="badge">APP</span></div>' + body + "</div></article>"
        )
    return "".join(parts)


def document(articles: list[str], title: str) -> str:
    """A whole page holding the given articles, as text that encodes to UTF-8.

    JSON may carry lone surrogates ("\\ud800"), which no page can hold: each becomes U+FFFD.
    """
    page = (
        '<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8">'
        f'<meta http-equiv="Content-Security-Policy" content="{CSP}">'
        '<meta name="viewport" content="width=device-width, initial-scale=1">'
        f"<title>{esc(title)}</title><style>{CSS}</style></head>"
        f'<body><main class="preview">{"".join(articles)}</main></body></html>\n'
    )
    return LONE_SURROGATE.sub("\ufffd", page)
