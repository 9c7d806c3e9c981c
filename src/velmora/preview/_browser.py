"""The headless browser that turns a preview page into a PNG.

The browser is the one on the machine (none is downloaded): $VELMORA_BROWSER, else the
first of chromium, chromium-browser and google-chrome on PATH. Playwright drives it, so that
the picture holds the whole page however long, at the asked width, once images have loaded
(the browser's own --screenshot switch captures a window of a size fixed in advance).
"""

from __future__ import annotations

import os

ENV = "VELMORA_BROWSER"
NAMES = ("chromium", "chromium-browser", "google-chrome")
HOW_TO_INSTALL = (
    "install Chromium or Chrome (Debian and Ubuntu: sudo apt-get install chromium; Fedora: "
    "sudo dnf install chromium; macOS: brew install --cask chromium), or set VELMORA_BROWSER "
    "to the path of one"
)
LOAD_TIMEOUT_MS = 10_000  # images still loading then are drawn as missing


class BrowserError(RuntimeError):
    """The browser could not make the picture."""


class BrowserNotFound(BrowserError):
    """No Chromium or Chrome was found to take the screenshot; the message says how to get one."""


def find_browser() -> str:
    """The path of the browser to use; BrowserNotFound when there is none."""
    import shutil  # here: with its archive modules, it would double the preview's import time

    named = os.environ.get(ENV)
    if named:
        found = shutil.which(named)
        if found is None:
            raise BrowserNotFound(f"{ENV}={named!r} is not a program that can be run; {HOW_TO_INSTALL}")
        return found
    for name in NAMES:
        found = shutil.which(name)
        if found is not None:
            return found
    raise BrowserNotFound(
        f"no Chromium or Chrome found ({ENV} is not set; none of {', '.join(NAMES)} is on PATH): {HOW_TO_INSTALL}"
    )


def capture(html: str, path: str | os.PathLike[str], width: int) -> None:
    """Write a PNG of the page `html`, `width` CSS pixels wide and as tall as the page."""
    if not isinstance(width, int) or isinstance(width, bool):
        raise TypeError(f"width must be an int, not {type(width).__name__}")
    if not 1 <= width <= 10_000:
        raise ValueError(f"width must be from 1 to 10000 pixels, not {width}")
    browser_path = find_browser()
    try:
        from playwright.sync_api import Error as PlaywrightError
        from playwright.sync_api import TimeoutError as LoadTimeout
        from playwright.sync_api import sync_playwright
    except ImportError:
        raise ImportError(
            'screenshot() drives the browser with Playwright for Python: pip install "velmora[preview]" '
            "(it uses the browser on this machine and downloads none)"
        ) from None
    try:
        with sync_playwright() as playwright:
            browser = playwright.chromium.launch(executable_path=browser_path)
            try:
                page = browser.new_page(viewport={"width": width, "height": 100})
                page.set_content(html, wait_until="domcontentloaded")
                try:
                    page.wait_for_load_state("load", timeout=LOAD_TIMEOUT_MS)
                except LoadTimeout:
                    pass
                png = page.screenshot(full_page=True, type="png")
            finally:
                browser.close()
    except PlaywrightError as error:
        reason = (error.message or str(error)).strip().splitlines()[0]
        raise BrowserError(f"{browser_path} could not make the picture: {reason}") from error
    with open(path, "wb") as file:
        file.write(png)
