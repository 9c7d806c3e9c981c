"""The preview page in a real browser (the machine's Chromium, driven by Playwright): what a person sees.

One page holds a message with every kind of content; each table below lists what must show.
The tests skip only when no browser is found at all (`make test` installs one).
"""

from __future__ import annotations

import math
import zlib
from collections.abc import Iterator
from typing import Any

import pytest

from support import usable_browser
from velmora.preview import render_html

pytest.importorskip("playwright", reason="Playwright for Python is in the test extra")
from playwright.sync_api import Browser, Page, sync_playwright

LOADS = "https://images.test/cat.png"  # answered by the test with a picture
BROKEN = "http://127.0.0.1:9/puppy.png"  # nothing listens there: the picture cannot load
HOSTILE = "<script>document.title='ran'</script> <img src=x onerror=\"document.title='ran'\">"


def t(kind: str, value: str) -> dict[str, str]:
    return {"type": kind, "text": value}


def cell(value: str) -> dict[str, Any]:
    return {
        "type": "rich_text",
        "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": value}]}],
    }


MESSAGE = {
    "text": "Deploy *done*",
    "blocks": [
        {"type": "header", "text": t("plain_text", "Nightly report")},
        {"type": "section", "text": t("mrkdwn", "*api* is live on `prod`, _quietly_ ~not~ <https://x.io|see runbook>")},
        {
            "type": "actions",
            "elements": [
                {"type": "button", "text": t("plain_text", "Approve"), "style": "primary"},
                {"type": "button", "text": t("plain_text", "Reject"), "style": "danger"},
                {"type": "button", "text": t("plain_text", "Runbook"), "url": "https://x.io/runbook"},
                {
                    "type": "static_select",
                    "placeholder": t("plain_text", "Pick a region"),
                    "options": [{"text": t("plain_text", "eu"), "value": "eu"}],
                },
                {"type": "datepicker", "initial_date": "2024-12-20"},
            ],
        },
        {"type": "image", "image_url": BROKEN, "alt_text": "A black puppy", "title": t("plain_text", "Puppy")},
        {"type": "image", "image_url": LOADS, "alt_text": "A loaded cat"},
        {
            "type": "table",
            "column_settings": [{"align": "left"}, {"align": "right"}],
            "rows": [
                [cell("service"), cell("took (s)")],
                [cell("api"), cell("192.5")],
                [{"type": "raw_text", "text": "web"}, cell(" ")],
            ],
        },
        {"type": "header", "text": t("mrkdwn", "Wrong header")},
        {"type": "section", "text": t("mrkdwn", HOSTILE), "fields": [t("plain_text", HOSTILE)]},
        {
            "type": "rich_text",
            "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": HOSTILE}]}],
        },
        {"type": "markdown", "text": f"**Summary** {HOSTILE}"},
        {"type": "context", "elements": [t("mrkdwn", "by <@U1|ana> <!here>")]},
        {"type": "markdown", "text": "```python\nprint('" + "long " * 60 + "')\nx = 1\n```"},
    ],
}


def png(width: int, height: int) -> bytes:
    def chunk(kind: bytes, data: bytes) -> bytes:
        return len(data).to_bytes(4, "big") + kind + data + zlib.crc32(kind + data).to_bytes(4, "big")

    rows = b"".join(b"\x00" + b"\xc8\x1e\x3c" * width for _ in range(height))
    header = width.to_bytes(4, "big") + height.to_bytes(4, "big") + b"\x08\x02\x00\x00\x00"
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


@pytest.fixture(scope="module")
def browser() -> Iterator[Browser]:
    with pytest.MonkeyPatch.context() as monkeypatch:
        browser_path = usable_browser(monkeypatch)
        with sync_playwright() as playwright:
            browser = playwright.chromium.launch(executable_path=browser_path)
            yield browser
            browser.close()


DIALOGS: list[str] = []  # what any script in a page tried to say: must stay empty


def opened(browser: Browser, message: object) -> Page:
    """A 600-pixel-wide page showing `message`, where no dialog may open."""
    page = browser.new_page(viewport={"width": 600, "height": 800})
    page.on("dialog", lambda dialog: (DIALOGS.append(dialog.message), dialog.dismiss()))
    page.route(LOADS, lambda route: route.fulfill(body=png(300, 200), content_type="image/png"))
    page.set_content(render_html(message))
    page.wait_for_load_state("load")
    return page


@pytest.fixture(scope="module")
def page(browser: Browser) -> Page:
    return opened(browser, MESSAGE)


def seen_text(page: Page) -> str:
    return " ".join(page.inner_text("body").split())


@pytest.mark.parametrize(
    "shown",
    [
        "Notification Deploy done",
        "1 problem with Slack's limits",
        "Nightly report",
        "api is live on prod, quietly not see runbook",
        "Approve Reject Runbook Pick a region ▾ 📅 2024-12-20",
        "Puppy",
        "Wrong header",
        "Summary " + HOSTILE,
        "by @ana @here",
        HOSTILE + " " + HOSTILE + " " + HOSTILE,  # the mrkdwn text, the plain text field, the rich text
    ],
)
def test_every_text_is_visible(page: Page, shown: str) -> None:
    assert shown in seen_text(page)


@pytest.mark.parametrize(
    ("text", "prop", "expected"),
    [
        ("api", "font-weight", "700"),
        ("Summary", "font-weight", "700"),
        ("quietly", "font-style", "italic"),
        ("not", "text-decoration-line", "line-through"),
        ("prod", "font-family", 'Monaco, Menlo, Consolas, "Courier New", monospace'),
        ("Nightly report", "font-weight", "900"),
        ("see runbook", "color", "rgb(18, 100, 163)"),
        ("@here", "background-color", "rgb(252, 239, 192)"),
    ],
)
def test_styles_where_the_marks_were(page: Page, text: str, prop: str, expected: str) -> None:
    found = page.get_by_text(text, exact=True).first
    assert found.is_visible()
    assert found.evaluate(f"e => getComputedStyle(e).getPropertyValue({prop!r})") == expected


@pytest.mark.parametrize(
    ("label", "background"),
    [("Approve", "rgb(0, 122, 90)"), ("Reject", "rgb(224, 30, 90)"), ("Runbook", "rgb(255, 255, 255)")],
)
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
    on_top = page.evaluate("([x, y]) => document.elementFromPoint(x, y).tagName", [box["x"] + 10, box["y"] + 10])
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
    assert DIALOGS == []


def test_a_fenced_block_in_markdown_scrolls_inside_the_message(page: Page) -> None:
    code = page.locator(".markdown pre")
    assert (
        code.count() == 1
        and code.inner_text().startswith("print('long long")
        and code.inner_text().endswith("\nx = 1\n")
    )
    box, content = code.bounding_box(), page.locator(".content").bounding_box()
    assert box and content and box["x"] + box["width"] <= content["x"] + content["width"]
    assert code.evaluate("e => e.scrollWidth > e.clientWidth + 1000 && getComputedStyle(e).overflowX === 'auto'")


def raw(value: str) -> dict[str, str]:
    return {"type": "raw_text", "text": value}


def opt(value: str) -> dict[str, Any]:
    return {"text": t("plain_text", value), "value": value}


CHARTS = [
    {
        "type": "data_visualization",
        "title": "Errors by region",
        "chart": {
            "type": "bar",
            "axis_config": {"categories": ["eu", "us", "ap"]},
            "series": [
                {"name": "4xx", "data": [{"label": c, "value": v} for c, v in (("eu", 12), ("us", 30), ("ap", -5))]},
                {"name": "5xx", "data": [{"label": c, "value": v} for c, v in (("eu", 3), ("us", 8), ("ap", 2))]},
            ],
        },
    },
    {
        "type": "data_visualization",
        "title": "Browsers",
        "chart": {
            "type": "pie",
            "segments": [
                {"label": "chrome", "value": 60},
                {"label": "firefox", "value": 25},
                {"label": "safari", "value": 15},
            ],
        },
    },
    {
        "type": "data_table",
        "caption": "Deploys",
        "rows": [[raw("service"), raw("took (s)")]]
        + [[raw(f"svc{i}"), {"type": "raw_number", "value": i * 1.5, "text": f"{i * 1.5:.1f}"}] for i in range(12)],
    },
]


@pytest.fixture(scope="module")
def charts(browser: Browser) -> Page:
    return opened(browser, CHARTS)


def box(page: Page, selector: str, index: int = 0) -> dict[str, float]:
    found = page.locator(selector).nth(index).bounding_box()
    assert found is not None, selector
    return found


def test_grouped_bars_stand_on_zero_under_their_category(charts: Page) -> None:
    bars = [box(charts, ".chart rect", i) for i in range(6)]  # 4xx eu, us, ap, then 5xx eu, us, ap
    zero = bars[0]["y"] + bars[0]["height"]
    assert [round(b["y"] + b["height"]) for b in bars[:2] + bars[3:]] == [round(zero)] * 5
    assert round(bars[2]["y"]) == round(zero)  # -5 hangs below the zero line
    assert bars[1]["height"] / bars[0]["height"] == pytest.approx(30 / 12, rel=0.02)
    for four, five in zip(bars[:3], bars[3:]):  # the two series of a category side by side
        assert five["x"] == pytest.approx(four["x"] + four["width"], abs=0.5)
    label = charts.locator(".chart svg text", has_text="us").bounding_box()
    assert label and bars[1]["x"] < label["x"] + label["width"] / 2 < bars[4]["x"] + bars[4]["width"]
    content = box(charts, ".content")
    for chart in range(2):
        drawn = box(charts, ".chart", chart)
        assert content["x"] <= drawn["x"] and drawn["x"] + drawn["width"] <= content["x"] + content["width"]


@pytest.mark.parametrize(("degrees", "label"), [(90, "chrome"), (260, "firefox"), (340, "safari")])
def test_pie_slices_match_their_legend(charts: Page, degrees: int, label: str) -> None:
    pie = box(charts, ".chart svg.pie")
    x = pie["x"] + pie["width"] / 2 * (1 + 0.6 * math.sin(math.radians(degrees)))
    y = pie["y"] + pie["height"] / 2 * (1 - 0.6 * math.cos(math.radians(degrees)))
    fill = charts.evaluate("([x, y]) => document.elementFromPoint(x, y).getAttribute('fill')", [x, y])
    mark = charts.locator(".legend-item", has_text=label).locator(".legend-mark")
    assert fill and mark.evaluate("e => getComputedStyle(e).backgroundColor") == "rgb({}, {}, {})".format(
        *bytes.fromhex(fill[1:])
    )
    assert charts.locator(".legend-item", has_text=label).inner_text().split() == [
        label,
        f"{[60, 25, 15][['chrome', 'firefox', 'safari'].index(label)]}%",
    ]


def test_a_data_table_shows_its_first_page(charts: Page) -> None:
    table = charts.locator(".data-table")
    grid = [[c.inner_text() for c in row.locator("th, td").all()] for row in table.locator("tr").all()]
    assert grid == [["service", "took (s)"]] + [[f"svc{i}", f"{i * 1.5:.1f}"] for i in range(5)]
    assert " ".join(table.locator(".pager").inner_text().split()) == "1–5 of 12 ‹ ›"
    edges = "e => { const r = document.createRange(); r.selectNodeContents(e); const b = r.getBoundingClientRect(); return [b.left, b.right] }"
    for index, side in ((8, 0), (9, 1)):  # a name on the left, a number on the right of its cell
        cell = charts.locator(".data-table td").nth(index)
        text, frame = cell.evaluate(edges), cell.bounding_box()
        assert frame and text[side] == pytest.approx(
            frame["x"] + 12 if side == 0 else frame["x"] + frame["width"] - 12, abs=1
        )


MODAL = {
    "type": "modal",
    "title": t("plain_text", "Request time off"),
    "submit": t("plain_text", "Send"),
    "blocks": [
        {
            "type": "input",
            "label": t("plain_text", "Reason"),
            "hint": t("plain_text", "Your manager sees this"),
            "element": {
                "type": "plain_text_input",
                "multiline": True,
                "placeholder": t("plain_text", "Why are you away?"),
            },
        },
        {
            "type": "input",
            "label": t("plain_text", "Days"),
            "element": {"type": "number_input", "is_decimal_allowed": False, "initial_value": "3"},
        },
        {"type": "input", "label": t("plain_text", "Email"), "optional": True, "element": {"type": "email_text_input"}},
        {
            "type": "input",
            "label": t("plain_text", "Kind"),
            "element": {
                "type": "static_select",
                "placeholder": t("plain_text", "Pick one"),
                "options": [opt("Holiday"), opt("Sick")],
            },
        },
        {
            "type": "input",
            "label": t("plain_text", "Notify"),
            "element": {"type": "checkboxes", "options": [opt("Team"), opt("HR")], "initial_options": [opt("HR")]},
        },
        {
            "type": "input",
            "label": t("plain_text", "Back"),
            "element": {"type": "datetimepicker", "initial_date_time": 1772611200},
        },
        {
            "type": "input",
            "label": t("plain_text", "Cover"),
            "element": {"type": "multi_users_select", "initial_users": ["U1", "U2"]},
        },
        {
            "type": "input",
            "label": t("plain_text", "Note"),
            "element": {"type": "rich_text_input", "placeholder": t("plain_text", "Anything else?")},
        },
        {
            "type": "input",
            "label": t("plain_text", "Sick note"),
            "element": {"type": "file_input", "filetypes": ["pdf"], "max_files": 1},
        },
    ],
}


@pytest.fixture(scope="module")
def modal(browser: Browser) -> Page:
    return opened(browser, MODAL)


@pytest.mark.parametrize(
    "shown",
    [
        "Request time off ✕",
        "Reason Why are you away? Your manager sees this Days 3 Email (optional) Kind Pick one ▾",
        "Notify Team HR Back 📅 2026-03-04 🕘 08:00 UTC Cover @U1 @U2 ▾ Note Anything else?",
        "Sick note Drag and drop a file or click to upload pdf · 1 file Cancel Send",
    ],
)
def test_a_modal_shows_its_form(modal: Page, shown: str) -> None:
    assert shown in seen_text(modal)


def test_a_modal_is_laid_out_as_in_slack(modal: Page) -> None:
    frame, head, body, foot = (box(modal, f".modal{part}") for part in ("", "-head", "-body", "-foot"))
    assert head["y"] + head["height"] <= body["y"] and body["y"] + body["height"] <= foot["y"]
    assert frame["x"] >= 0 and frame["x"] + frame["width"] <= 600
    cancel, send = box(modal, ".modal-foot .button"), box(modal, ".modal-foot .button.primary")
    assert cancel["x"] + cancel["width"] < send["x"] and send["x"] + send["width"] == pytest.approx(
        frame["x"] + frame["width"] - 20, abs=1
    )
    assert (
        modal.locator(".modal-foot .button.primary").evaluate("e => getComputedStyle(e).backgroundColor")
        == "rgb(0, 122, 90)"
    )
    widths = {
        round(box(modal, f".input-element > {kind}")["width"])
        for kind in (".field", ".select", ".rich-input", ".file-drop")
    }
    assert len(widths) == 1 and widths.pop() == round(body["width"]) - 40  # every field as wide as the form
    assert box(modal, ".field.multiline")["height"] > 2 * box(modal, ".field:not(.multiline)")["height"]
    optional = modal.get_by_text("(optional)")
    assert optional.evaluate("e => getComputedStyle(e).fontWeight") == "400"
    assert (
        modal.locator(".check.on").count() == 1
        and modal.locator(".choice", has=modal.locator(".check.on")).inner_text() == "HR"
    )


def test_a_home_tab(browser: Browser) -> None:
    home = opened(browser, {"type": "home", "blocks": [{"type": "header", "text": t("plain_text", "Dashboard")}]})
    assert seen_text(home).endswith("velmora APP Home Messages About Dashboard")
    tab = home.get_by_text("Home", exact=True)
    assert tab.evaluate("e => getComputedStyle(e).fontWeight") == "700"
    assert box(home, ".tabs")["y"] + box(home, ".tabs")["height"] <= box(home, ".header")["y"]
