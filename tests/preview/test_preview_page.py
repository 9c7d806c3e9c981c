"""The preview page in a real browser (the machine's Chromium, driven by Playwright): what a person sees.

One page holds a message with every kind of content; each table below lists what must show.
The tests skip only when no browser is found at all (`make test` installs one).
"""

from __future__ import annotations

import zlib
from collections.abc import Iterator
from typing import Any

import pytest

from support import usable_browser
from velmora.preview import render_html

pytest.importorskip("playwright", reason="Playwright for Python is in the test extra")
from playwright.sync_api import Page, sync_playwright

LOADS = "https://images.test/cat.png"  # answered by the test with a picture
BROKEN = "http://127.0.0.1:9/puppy.png"  # nothing listens there: the picture cannot load
HOSTILE = "<script>document.title='ran'</script> <img src=x onerror=\"document.title='ran'\">"


def t(kind: str, value: str) -> dict[str, str]:
    return {"type": kind, "text": value}


def cell(value: str) -> dict[str, Any]:
    return {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": value}]}]}


MESSAGE = {"text": "Deploy *done*", "blocks": [
    {"type": "header", "text": t("plain_text", "Nightly report")},
    {"type": "section", "text": t("mrkdwn", "*api* is live on `prod`, _quietly_ ~not~ <https://x.io|see runbook>")},
    {"type": "actions", "elements": [
        {"type": "button", "text": t("plain_text", "Approve"), "style": "primary"},
        {"type": "button", "text": t("plain_text", "Reject"), "style": "danger"},
        {"type": "button", "text": t("plain_text", "Runbook"), "url": "https://x.io/runbook"},
        {"type": "static_select", "placeholder": t("plain_text", "Pick a region"),
         "options": [{"text": t("plain_text", "eu"), "value": "eu"}]},
        {"type": "datepicker", "initial_date": "2024-12-20"}]},
    {"type": "image", "image_url": BROKEN, "alt_text": "A black puppy", "title": t("plain_text", "Puppy")},
    {"type": "image", "image_url": LOADS, "alt_text": "A loaded cat"},
    {"type": "table", "column_settings": [{"align": "left"}, {"align": "right"}],
     "rows": [[cell("service"), cell("took (s)")], [cell("api"), cell("192.5")], [{"type": "raw_text", "text": "web"}, cell("")]]},
    {"type": "header", "text": t("mrkdwn", "Wrong header")},
    {"type": "section", "text": t("mrkdwn", HOSTILE), "fields": [t("plain_text", HOSTILE)]},
    {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": HOSTILE}]}]},
    {"type": "markdown", "text": f"**Summary** {HOSTILE}"},
    {"type": "context", "elements": [t("mrkdwn", "by <@U1|ana> <!here>")]},
    {"type": "markdown", "text": "```python\nprint('" + "long " * 60 + "')\nx = 1\n```"},
]}


def png(width: int, height: int) -> bytes:
    def chunk(kind: bytes, data: bytes) -> bytes:
        return len(data).to_bytes(4, "big") + kind + data + zlib.crc32(kind + data).to_bytes(4, "big")
    rows = b"".join(b"\x00" + b"\xc8\x1e\x3c" * width for _ in range(height))
    header = width.to_bytes(4, "big") + height.to_bytes(4, "big") + b"\x08\x02\x00\x00\x00"
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


@pytest.fixture(scope="module")
def page() -> Iterator[Page]:
    with pytest.MonkeyPatch.context() as monkeypatch:
        browser_path = usable_browser(monkeypatch)
        with sync_playwright() as playwright:
            browser = playwright.chromium.launch(executable_path=browser_path)
            page = browser.new_page(viewport={"width": 600, "height": 800})
            dialogs: list[str] = []
            page.on("dialog", lambda dialog: (dialogs.append(dialog.message), dialog.dismiss()))
            page.route(LOADS, lambda route: route.fulfill(body=png(300, 200), content_type="image/png"))
            page.set_content(render_html(MESSAGE))
            page.wait_for_load_state("load")
            yield page
            assert dialogs == []
            browser.close()


def seen_text(page: Page) -> str:
    return " ".join(page.inner_text("body").split())


@pytest.mark.parametrize("shown", [
    "Notification Deploy done", "1 problem with Slack's limits", "Nightly report",
    "api is live on prod, quietly not see runbook", "Approve Reject Runbook Pick a region ▾ 📅 2024-12-20",
    "Puppy", "Wrong header", "Summary " + HOSTILE, "by @ana @here",
    HOSTILE + " " + HOSTILE + " " + HOSTILE,  # the mrkdwn text, the plain text field, the rich text
])
def test_every_text_is_visible(page: Page, shown: str) -> None:
    assert shown in seen_text(page)


@pytest.mark.parametrize(("text", "prop", "expected"), [
    ("api", "font-weight", "700"), ("Summary", "font-weight", "700"), ("quietly", "font-style", "italic"),
    ("not", "text-decoration-line", "line-through"), ("prod", "font-family", "Monaco, Menlo, Consolas, \"Courier New\", monospace"),
    ("Nightly report", "font-weight", "900"), ("see runbook", "color", "rgb(18, 100, 163)"),
    ("@here", "background-color", "rgb(252, 239, 192)"),
])
def test_styles_where_the_marks_were(page: Page, text: str, prop: str, expected: str) -> None:
    found = page.get_by_text(text, exact=True).first
    assert found.is_visible()
    assert found.evaluate(f"e => getComputedStyle(e).getPropertyValue({prop!r})") == expected


@pytest.mark.parametrize(("label", "background"), [
    ("Approve", "rgb(0, 122, 90)"), ("Reject", "rgb(224, 30, 90)"), ("Runbook", "rgb(255, 255, 255)")])
def test_buttons_with_their_labels(page: Page, label: str, background: str) -> None:
    button = page.locator(".button", has_text=label)
    assert button.inner_text() == label and button.is_visible()
    assert button.evaluate("e => getComputedStyle(e).backgroundColor") == background


def test_table_cells_in_place(page: Page) -> None:
    rows = page.locator("table.table tr")
    grid = [[c.inner_text().strip() for c in row.locator("td").all()] for row in rows.all()]
    assert grid == [["service", "took (s)"], ["api", "192.5"], ["web", ""]]
    boxes = [[c.bounding_box() for c in row.locator("td").all()] for row in rows.all()]
    for column in (0, 1):  # the cells of a column line up, those of a row side by side
        assert len({round(row[column]["x"]) for row in boxes}) == 1
    assert all(left["x"] < right["x"] and left["y"] == right["y"] for left, right in boxes)
    number = page.get_by_text("192.5", exact=True).bounding_box()
    column = boxes[1][1]
    assert number is not None and number["x"] + number["width"] > column["x"] + column["width"] - 12  # right-aligned


@pytest.mark.parametrize(("alt", "covered"), [("A black puppy", False), ("A loaded cat", True)])
def test_alt_text_shows_where_the_image_cannot_load(page: Page, alt: str, covered: bool) -> None:
    frame = page.locator(".img", has_text=alt)
    loaded = frame.locator("img").evaluate("img => img.complete && img.naturalWidth > 0")
    assert loaded is covered
    box = frame.locator(".alt").bounding_box()
    assert box is not None and box["width"] > 100 and box["height"] > 20
    on_top = page.evaluate("([x, y]) => document.elementFromPoint(x, y).tagName",
                           [box["x"] + 10, box["y"] + 10])
    assert on_top == ("IMG" if covered else "SPAN")


def test_the_problem_is_noted_at_its_block(page: Page) -> None:
    block = page.locator(".block", has=page.get_by_text("Wrong header", exact=True))
    note = block.locator(".problems")
    assert " ".join(note.inner_text().split()) == '/blocks/6/text/type Text here must be "plain_text", not "mrkdwn".'
    drawn, below = block.locator(".drawn").bounding_box(), note.bounding_box()
    following = page.locator("#block-7").bounding_box()
    assert drawn and below and following and drawn["y"] + drawn["height"] <= below["y"] < following["y"]
    assert page.locator(".problems").count() == 1
    assert page.locator(".has-problems").count() == 1


def test_markup_in_a_message_runs_nothing(page: Page) -> None:
    assert page.title() == "Message preview"
    assert page.locator("script, [onerror], [onload]").count() == 0
    assert page.evaluate("document.querySelectorAll('img').length") == 2  # the two image blocks'


def test_a_fenced_block_in_markdown_scrolls_inside_the_message(page: Page) -> None:
    code = page.locator(".markdown pre")
    assert code.count() == 1 and code.inner_text().startswith("print('long long") and code.inner_text().endswith("\nx = 1\n")
    box, content = code.bounding_box(), page.locator(".content").bounding_box()
    assert box and content and box["x"] + box["width"] <= content["x"] + content["width"]
    assert code.evaluate("e => e.scrollWidth > e.clientWidth + 1000 && getComputedStyle(e).overflowX === 'auto'")
