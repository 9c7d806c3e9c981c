"""The "markdown" block: standard Markdown through markdown-it-py when it is installed.

markdown-it-py escapes raw HTML (option "html" off) and refuses javascript: and other unsafe
links. Without it, the text is shown as typed, so nothing is lost from the preview.
"""

from __future__ import annotations

import functools
from collections.abc import Callable

from velmora.preview._inline import esc


@functools.cache
def _renderer() -> Callable[[str], str] | None:
    try:
        from markdown_it import MarkdownIt
    except ImportError:
        return None
    return MarkdownIt("commonmark", {"html": False}).enable(["table", "strikethrough"]).render


def markdown(text: str) -> str:
    """HTML for a Markdown text (Slack's "markdown" block)."""
    render = _renderer()
    if render is None:
        return f'<div class="markdown as-typed">{esc(text)}</div>'
    return f'<div class="markdown">{render(text)}</div>'
