"""See a message or view without Slack: a page that looks like it does in Slack, and a PNG of it.

``render_html(message)`` returns a self-contained HTML page (standard library only);
``screenshot(message, path)`` writes a PNG of that page through the headless Chromium or Chrome
found on the machine, driven by Playwright for Python (the ``preview`` extra). A message is a
list of blocks, a payload dict (``{"text": ..., "blocks": [...]}``) or a message object, whose
``payload()`` is used. A view dict (``"type"`` ``"modal"`` or ``"home"``), or an object whose
``view()`` gives one, is drawn as a modal over the app or as the app's Home tab. The problems
that ``velmora.validate`` finds are shown at the blocks they concern, and a payload's "text" as
the notification line.
"""

from __future__ import annotations

import os

from velmora.preview._browser import BrowserError, BrowserNotFound, capture, find_browser
from velmora.preview._page import TITLES, article, document, read

__all__ = ["render_html", "screenshot", "find_browser", "BrowserError", "BrowserNotFound"]


def render_html(message: object, *, title: str | None = None) -> str:
    """A self-contained HTML page showing `message` as Slack would, with its problems.

    Every text from the message is escaped and the page forbids scripts, so no markup in a
    message can run or change the page. Only the images the blocks point at are fetched.
    TypeError when `message` is none of a list, a dict or an object with ``payload()`` or
    ``view()``. The page's title defaults to "Message preview", "Modal preview" or "Home tab
    preview".
    """
    if title is not None and not isinstance(title, str):
        raise TypeError(f"title must be a str or None, not {type(title).__name__}")
    shown = read(message)
    return document([article(shown)], TITLES[shown.surface] if title is None else title)


def screenshot(message: object, path: str | os.PathLike[str], *, width: int = 600) -> None:
    """Write a PNG of ``render_html(message)`` to `path`: `width` CSS pixels wide, the page's height.

    BrowserNotFound (saying how to install one) when no browser is found, BrowserError when it
    fails, ImportError naming the extra when Playwright is not installed, OSError when `path`
    cannot be written.
    """
    html = render_html(message)
    capture(html, path, width)
