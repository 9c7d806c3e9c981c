"""The page around the blocks: the look of a Slack message, the notification line, the problems.

The page is self-contained: inline CSS, no script, no font; only the images that blocks point
at are fetched. Its Content-Security-Policy forbids scripts as well, a second guard behind the
escaping of every text.
"""

from __future__ import annotations

import re
from typing import Any

from velmora.preview._blocks import block
from velmora.preview._inline import esc
from velmora.preview._mrkdwn import mrkdwn

LONE_SURROGATE = re.compile("[\ud800-\udfff]")
CSP = "default-src 'none'; img-src http: https: data:; style-src 'unsafe-inline'"

CSS = """
* { box-sizing: border-box; }
body { margin: 0; background: #fff; color: #1d1c1d;
  font: 15px/1.46668 Lato, "Helvetica Neue", Helvetica, "Segoe UI", Arial, sans-serif; }
a { color: #1264a3; text-decoration: none; }
.preview { padding: 12px 0; }
.bar { margin: 0 20px 6px; padding: 6px 10px; border-radius: 6px; font-size: 13px; }
.notification { background: #f8f8f8; border: 1px solid #e8e8e8; white-space: pre-wrap; }
.notification .label, .caption { color: #616061; font-weight: 700; margin-right: 3px; }
.notification .missing { color: #616061; font-style: italic; }
.summary.ok { color: #007a5a; background: #e3f4ee; }
.summary.bad { color: #8f1d3b; background: #fce8ee; }
.caption { margin: 12px 20px 0; font-size: 12px; }
.message { display: flex; gap: 8px; padding: 8px 20px; }
.avatar { flex: none; width: 36px; height: 36px; border-radius: 6px; background: #4a154b; color: #fff;
  font-weight: 900; font-size: 20px; text-align: center; line-height: 36px; }
.content { flex: 1; min-width: 0; }
.sender { font-weight: 900; }
.badge { margin-left: 2px; padding: 1px 3px; border-radius: 2px; background: #e8e8e8; color: #616061;
  font-size: 10px; font-weight: 700; vertical-align: 2px; }
.block { margin: 4px 0; }
.block.has-problems > .drawn { outline: 2px solid #e01e5a; outline-offset: 2px; border-radius: 2px; }
.problems { margin: 6px 0 8px; padding: 4px 8px; list-style: none; background: #fce8ee; color: #8f1d3b;
  border-left: 4px solid #e01e5a; font-size: 13px; }
.problems code { color: inherit; background: none; border: 0; padding: 0; margin-right: 3px; }
.text, .field, .context, .rt-section, .rt-quote, .notification { white-space: pre-wrap; overflow-wrap: anywhere; }
.header { font-size: 18px; font-weight: 900; line-height: 1.33; margin: 8px 0 4px; }
.divider { border: 0; border-top: 1px solid #dddddd; margin: 12px 0; }
.section { display: flex; gap: 12px; align-items: flex-start; }
.section-main { flex: 1; min-width: 0; }
.fields { display: grid; grid-template-columns: 1fr 1fr; gap: 8px 16px; margin-top: 4px; }
.text + .fields { margin-top: 8px; }
.accessory { flex: none; max-width: 50%; }
.actions { display: flex; flex-wrap: wrap; gap: 8px; align-items: flex-start; margin: 8px 0; }
.context { display: flex; flex-wrap: wrap; gap: 4px 8px; align-items: center; font-size: 12px; color: #616061; }
code { font: 12px Monaco, Menlo, Consolas, "Courier New", monospace; color: #e01e5a; background: #f6f6f6;
  border: 1px solid #dddddd; border-radius: 3px; padding: 1px 3px; }
pre.code { font: 12px/1.5 Monaco, Menlo, Consolas, "Courier New", monospace; background: #f8f8f8;
  border: 1px solid #dddddd; border-radius: 4px; padding: 8px; margin: 4px 0; white-space: pre-wrap;
  overflow-wrap: anywhere; }
pre.code code, .markdown pre code { color: inherit; background: none; border: 0; padding: 0; }
.markdown pre { font: 12px/1.5 Monaco, Menlo, Consolas, "Courier New", monospace; background: #f8f8f8;
  border: 1px solid #dddddd; border-radius: 4px; padding: 8px; margin: 4px 0; white-space: pre; overflow-x: auto; }
blockquote { margin: 4px 0; padding-left: 12px; border-left: 4px solid #dddddd; }
.mention { border-radius: 3px; padding: 0 2px; color: #1264a3; background: #e8f5fa; }
.mention.broadcast { color: #1d1c1d; background: #fcefc0; }
.emoji-name { color: #616061; }
.date { border-bottom: 1px dotted #616061; }
.swatch { display: inline-block; width: 12px; height: 12px; border-radius: 2px; margin-right: 3px;
  vertical-align: -1px; border: 1px solid rgba(0, 0, 0, .2); }
.button, .select, .picker, .overflow { display: inline-flex; align-items: center; gap: 6px; height: 32px;
  padding: 0 12px; border: 1px solid rgba(29, 28, 29, .3); border-radius: 4px; background: #fff; color: #1d1c1d;
  font-size: 14px; white-space: nowrap; }
.button { font-weight: 700; }
.button.primary { background: #007a5a; border-color: #007a5a; color: #fff; }
.button.danger { background: #e01e5a; border-color: #e01e5a; color: #fff; }
.select { min-width: 160px; justify-content: space-between; font-weight: 400; }
.chevron { color: #616061; }
.placeholder { color: #717274; }
.chip { background: #e8e8e8; border-radius: 3px; padding: 0 4px; margin-right: 4px; }
.overflow { padding: 0 8px; font-weight: 700; }
.choices { display: flex; flex-direction: column; gap: 6px; }
.choice { display: flex; gap: 8px; align-items: flex-start; }
.radio, .check { flex: none; width: 16px; height: 16px; margin-top: 3px; border: 1px solid #868686; background: #fff; }
.radio { border-radius: 50%; }
.check { border-radius: 3px; }
.radio.on { border: 5px solid #1264a3; }
.check.on { background: #1264a3; border-color: #1264a3; box-shadow: inset 0 0 0 3px #1264a3, inset 0 0 0 8px #fff; }
.description { display: block; color: #616061; font-size: 13px; }
.img { display: inline-grid; overflow: hidden; vertical-align: middle; border-radius: 4px; background: #f4f4f4; }
.img > * { grid-area: 1 / 1; }
.img .alt { padding: 4px 6px; color: #616061; font-size: 12px; overflow: hidden; }
.img img { position: relative; display: block; place-self: start; }
.img.picture { max-width: 100%; }
.img.picture .alt { contain: inline-size; min-height: 48px; max-height: 120px; }
.img.picture img { min-width: 160px; max-width: 100%; max-height: 360px; background: #fff; }
.img.thumb { width: 88px; height: 88px; }
.img.icon { width: 20px; height: 20px; }
.img.thumb img, .img.icon img { min-width: 100%; min-height: 100%; max-width: 100%; max-height: 100%; object-fit: cover; }
.img.icon .alt { padding: 0; font-size: 9px; line-height: 1; }
.image-title { font-size: 13px; color: #616061; margin-bottom: 4px; }
.rt-list { margin: 0; padding-left: 0; }
.rt-list.border { border-left: 4px solid #dddddd; }
.table-wrap { overflow-x: auto; margin: 4px 0; }
.table { border-collapse: collapse; font-size: 14px; }
.table td { border: 1px solid #dddddd; padding: 4px 8px; vertical-align: top; }
.table td.nowrap { white-space: nowrap; }
.markdown > :first-child { margin-top: 0; }
.markdown > :last-child { margin-bottom: 0; }
.markdown.as-typed { white-space: pre-wrap; }
.markdown table { border-collapse: collapse; }
.markdown th, .markdown td { border: 1px solid #dddddd; padding: 4px 8px; }
.unknown { display: inline-block; padding: 2px 6px; border: 1px dashed #868686; border-radius: 4px;
  background: #f4f4f4; color: #616061; font-size: 12px; font-style: italic; }
.unknown-block .unknown { display: block; padding: 8px; }
"""


def _message(message: object) -> tuple[list[Any] | dict[str, Any], object, object]:
    """(what to validate, its blocks, its "text" or None): from blocks, a payload or a message."""
    value = message
    if not isinstance(value, (list, dict)) and callable(getattr(value, "payload", None)):
        value = value.payload()  # type: ignore[attr-defined]
    if isinstance(value, dict):
        return value, value.get("blocks"), value.get("text")
    if isinstance(value, list):
        return value, value, None
    raise TypeError(
        f"expected a list of blocks, a payload dict or a message with payload(), got {type(value).__name__}"
    )


def _block_index(path: str, in_payload: bool) -> int | None:
    """The index of the block a JSON pointer points into, or None."""
    steps = path.split("/")[1:]
    if in_payload:
        steps = steps[1:] if steps[:1] == ["blocks"] else []
    return int(steps[0]) if steps and steps[0].isascii() and steps[0].isdigit() else None


def _problem_list(problems: list[dict[str, str]]) -> str:
    items = "".join(f'<li><code>{esc(p["path"] or "/")}</code> {esc(p["message"])}</li>' for p in problems)
    return f'<ul class="problems">{items}</ul>' if items else ""


def article(message: object, caption: str | None = None) -> str:
    """One message as HTML: its notification line, the problems found, then its blocks."""
    from velmora._validate import validate

    value, blocks, text = _message(message)
    problems: list[dict[str, str]] = validate(value)
    blocks = blocks if isinstance(blocks, list) else []
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
        drawn.append(f'<div class="block{kind}" id="block-{index}"><div class="drawn">{block(item)}</div>'
                     f"{_problem_list(found)}</div>")
    parts = [f'<div class="caption">{esc(caption)}</div>' if caption else ""]
    if isinstance(value, dict):
        shown = mrkdwn(text) if isinstance(text, str) and text else '<span class="missing">no "text"</span>'
        parts.append(f'<div class="bar notification"><span class="label">Notification</span> {shown}</div>')
    count = len(problems)
    summary = f"{count} problem{'' if count == 1 else 's'} with Slack's limits" if count else "No problems with Slack's limits"
    parts.append(f'<div class="bar summary {"bad" if count else "ok"}">{summary}{_problem_list(general)}</div>')
    parts.append('<article class="message"><div class="avatar">v</div><div class="content">'
                 '<div class="sender">velmora <span class="badge">APP</span></div>' + "".join(drawn) + "</div></article>")
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
