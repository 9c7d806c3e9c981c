"""The elements that take typed input, as a form shows them before anyone types.

Text, number, email and URL inputs are boxes holding their initial value or their placeholder;
a rich-text input adds its formatting bar; a file input is a drop zone naming what it takes.
"""

from __future__ import annotations

from velmora.preview._inline import esc, text_of
from velmora.preview._mrkdwn import text_object
from velmora.preview._rich import rich_text

TEXT_BOXES = frozenset({"plain_text_input", "number_input", "email_text_input", "url_text_input"})
FIELDS = TEXT_BOXES | {"rich_text_input", "file_input"}
# the formatting bar of a rich-text input: bold, italic, strike, link, lists, quote, code
TOOLBAR = "<b>B</b><i>I</i><s>S</s><span>🔗</span><span>•≡</span><span>1≡</span><span>❝</span><span>&lt;/&gt;</span>"


def placeholder(element: dict[str, object], default: str = "") -> str:
    """The element's placeholder (or `default`) in the grey of an empty field."""
    given = element.get("placeholder")
    shown = text_object(given) if isinstance(given, dict) else esc(default)
    return f'<span class="placeholder">{shown}</span>'


def _text_box(element: dict[str, object]) -> str:
    value = text_of(element.get("initial_value"))
    tall = " multiline" if element.get("type") == "plain_text_input" and element.get("multiline") is True else ""
    return f'<span class="field{tall}">{esc(value) if value else placeholder(element)}</span>'


def _rich_text_input(element: dict[str, object]) -> str:
    value = element.get("initial_value")
    shown = rich_text(value) if isinstance(value, dict) and value.get("elements") else placeholder(element)
    return (
        f'<div class="field rich-input"><div class="rich-value">{shown}</div><div class="toolbar">{TOOLBAR}</div></div>'
    )


def _file_input(element: dict[str, object]) -> str:
    kinds = element.get("filetypes")
    names = [text_of(k) for k in kinds if text_of(k)] if isinstance(kinds, list) else []
    most = element.get("max_files")
    count = most if isinstance(most, int) and not isinstance(most, bool) and 1 <= most <= 10 else 10
    takes = (", ".join(names) + " · ") if names else ""
    limit = "1 file" if count == 1 else f"up to {count} files"
    return (
        f'<div class="file-drop"><span>Drag and drop a file or <span class="browse">click to upload</span></span>'
        f'<span class="description">{esc(takes)}{limit}</span></div>'
    )


def field(element: dict[str, object]) -> str:
    """One of the FIELDS element types as HTML."""
    kind = element.get("type")
    if kind == "rich_text_input":
        return _rich_text_input(element)
    if kind == "file_input":
        return _file_input(element)
    return _text_box(element)
