"""The "markdown" block: standard Markdown through markdown-it-py when it is installed.

markdown-it-py escapes raw HTML (option "html" off) and refuses javascript: and other unsafe
links. Without it, the text is shown as typed, so nothing is lost from the preview.
"""

from __future__ import annotations

from collections.abc import Callable

from velmora.preview._inline import esc


_made: dict[str, Callable[[str], str] | None] = {}  # the renderer, made on first use


def _renderer() -> Callable[[str], str] | None:
    if "render" not in _made:
        try:
            from markdown_it import MarkdownIt
        except ImportError:
            _made["render"] = None
        else:
            _made["render"] = MarkdownIt("commonmark", {"html": False}).enable(["table", "strikethrough"]).render
    return _made["render"]


def markdown(text: str) -> str:
    """HTML for a Markdown text (Slack's "markdown" block)."""
    render = _renderer()
    if render is None:
        return f'<div class="markdown as-typed">{esc(text)}</div>'
    return f'<div class="markdown">{render(text)}</div>'
