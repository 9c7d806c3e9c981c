"""velmora.preview without a browser: what each piece of a message becomes in the page."""

from __future__ import annotations

import functools
import os
import re
import stat
from html.parser import HTMLParser
from pathlib import Path
from typing import Any
from urllib.parse import urlsplit

import pytest

from support import usable_browser
from velmora.preview import BrowserNotFound, find_browser, render_html, screenshot
from velmora.preview._blocks import block
from velmora.preview._mrkdwn import mrkdwn

LINK = '<a href="{}" target="_blank" rel="noopener noreferrer">{}</a>'
TADA = '<span class="emoji" title=":tada:">🎉</span>'


def text(kind: str, value: str) -> dict[str, str]:
    return {"type": kind, "text": value}


@pytest.mark.parametrize(
    ("source", "html"),
    [
        ("*bold* _italic_ ~strike~ `co*de*`", "<b>bold</b> <i>italic</i> <s>strike</s> <code>co*de*</code>"),
        ("*_both_* snake_case_name 2*3*4 * spaced *", "<b><i>both</i></b> snake_case_name 2*3*4 * spaced *"),
        ("*not\nbold*", "*not\nbold*"),
        ("a\n> one\n&gt; two\nb", "a<blockquote>one\ntwo</blockquote>b"),
        ("run:\n```\n*x* <@U1> &amp;\n```\ndone", 'run:<pre class="code">*x* &lt;@U1&gt; &amp;</pre>done'),
        ("<https://x.io/?a=1&amp;b=2|A &amp; B>", LINK.format("https://x.io/?a=1&amp;b=2", "A &amp; B")),
        (
            "see https://x.io/a. <mailto:a@x.io>",
            f"see {LINK.format('https://x.io/a', 'https://x.io/a')}. {LINK.format('mailto:a@x.io', 'mailto:a@x.io')}",
        ),
        # a bare URL stops at an escaped "<" or ">" and keeps an escaped "&" only inside it
        (
            "https://x.io/a&gt; (https://x.io/?a=1&amp;b=2) https://x.io/&amp; &lt;https://y.io&gt;",
            f"{LINK.format('https://x.io/a', 'https://x.io/a')}&gt; ({LINK.format('https://x.io/?a=1&amp;b=2', 'https://x.io/?a=1&amp;b=2')}) "
            f"{LINK.format('https://x.io/', 'https://x.io/')}&amp; &lt;{LINK.format('https://y.io', 'https://y.io')}&gt;",
        ),
        (
            "<javascript:alert(1)|x> <script> <img src=x onerror=alert(1)>",
            "&lt;javascript:alert(1)|x&gt; &lt;script&gt; &lt;img src=x onerror=alert(1)&gt;",
        ),
        ("&lt;b&gt; &amp;lt; &quot;", "&lt;b&gt; &amp;lt; &amp;quot;"),
        (
            "<@U1> <@U2|ana> <#C2|general> <!here> <!subteam^S1> <!subteam^S2|@ops>",
            '<span class="mention user">@U1</span> <span class="mention user">@ana</span> '
            '<span class="mention channel">#general</span> <span class="mention broadcast">@here</span> '
            '<span class="mention usergroup">@S1</span> <span class="mention usergroup">@ops</span>',
        ),
        (
            "<!date^1392734382^{date_num} {time_secs}, {date_long}|x> <!date^soon^{date}|Feb 18>",
            '<span class="date" title="2014-02-18T14:39:42+00:00">2014-02-18 2:39:42 PM, Tuesday, February 18th, '
            "2014</span> Feb 18",
        ),
        (
            ":tada: :+1::skin-tone-3: :custom: 10:30:tada:",
            f'{TADA} <span class="emoji" title=":+1:">👍</span><span class="emoji" title=":skin-tone-3:">🏼</span> '
            f":custom: 10:30{TADA}",
        ),
        ("*" + "a" * 3000 + "*", "*" + "a" * 3000 + "*"),  # too long a line to look for styles in
    ],
)
def test_mrkdwn(source: str, html: str) -> None:
    assert mrkdwn(source) == html


IMG = "https://x.io/c.png"
BLOCKS: list[tuple[dict[str, Any], list[str]]] = [
    (
        {"type": "header", "text": {**text("plain_text", "Nightly :tada: <b>"), "emoji": True}},
        [f'<div class="header">Nightly {TADA} &lt;b&gt;</div>'],
    ),
    ({"type": "header", "text": {**text("plain_text", ":tada:"), "emoji": False}}, ['class="header">:tada:<']),
    ({"type": "divider"}, ['<hr class="divider">']),
    (
        {
            "type": "section",
            "text": text("mrkdwn", "Hi"),
            "fields": [text("mrkdwn", "*Version*\n1.4"), text("plain_text", "*x*")],
        },
        [
            '<div class="text">Hi</div><div class="fields"><div class="field"><b>Version</b>\n1.4</div>'
            '<div class="field">*x*</div></div>'
        ],
    ),
    (
        {
            "type": "section",
            "text": text("mrkdwn", "Go?"),
            "accessory": {"type": "button", "text": text("plain_text", "Go"), "style": "primary"},
        },
        ['<div class="accessory"><span class="button primary">Go</span></div>'],
    ),
    (
        {
            "type": "actions",
            "elements": [
                {"type": "button", "text": text("plain_text", "Stop"), "style": "danger"},
                {"type": "button", "text": text("plain_text", "Docs"), "url": "https://x.io/d"},
                {"type": "button", "text": text("plain_text", "Bad"), "url": "javascript:alert(1)", "style": "fancy"},
                {"type": "static_select", "placeholder": text("plain_text", "Region")},
                {"type": "static_select", "initial_option": {"text": text("plain_text", "eu"), "value": "v0"}},
                {"type": "multi_users_select", "initial_users": ["U1", "U2"]},
                {
                    "type": "overflow",
                    "options": [{"text": text("plain_text", "Roll back")}, {"text": text("plain_text", "Open")}],
                },
                {"type": "datepicker", "initial_date": "2024-12-20"},
                {"type": "timepicker", "placeholder": text("plain_text", "When")},
                {"type": "datetimepicker", "initial_date_time": 1704067200},
                {"type": "rating"},
                "button",
            ],
        },
        [
            '<span class="button danger">Stop</span>',
            '<a class="button" href="https://x.io/d"',
            '<span class="button">Bad</span>',
            '<span class="placeholder">Region</span><span class="chevron">',
            '<span class="select">eu<span',
            '<span class="chip"><span class="mention user">@U2</span></span>',
            '<span class="overflow" title="Roll back, Open">⋮</span>',
            "📅</span>2024-12-20</span>",
            '🕘</span><span class="placeholder">When</span>',
            "📅</span>2024-01-01</span>",
            "🕘</span>00:00 UTC</span>",
            '<span class="unknown">unknown element: &quot;rating&quot;</span>',
            '<span class="unknown">unknown element: not an object (str)</span>',
        ],
    ),
    (
        {
            "type": "actions",
            "elements": [
                {
                    "type": "radio_buttons",
                    "options": [
                        {"text": text("mrkdwn", "*a*"), "value": "0"},
                        {"text": text("mrkdwn", "b"), "value": "1"},
                    ],
                    "initial_option": {"text": text("mrkdwn", "b"), "value": "1"},
                },
                {
                    "type": "checkboxes",
                    "options": [{"text": text("mrkdwn", "Logs"), "value": "0", "description": text("mrkdwn", "1 h")}],
                    "initial_options": [{"text": text("mrkdwn", "Logs"), "value": "0"}],
                },
            ],
        },
        [
            '<span class="radio"></span><span class="choice-text"><b>a</b></span>',
            '<span class="radio on"></span><span class="choice-text">b</span>',
            '<span class="check on"></span><span class="choice-text">Logs<span class="description">1 h</span></span>',
        ],
    ),
    (
        {
            "type": "context",
            "elements": [{"type": "image", "image_url": IMG, "alt_text": "ana"}, text("mrkdwn", "by *ana*"), {}],
        },
        [
            f'<span class="img icon" title="ana"><span class="alt">ana</span><img src="{IMG}" alt=""></span><span>by <b>ana</b></span>',
            "unknown element: no type",
        ],
    ),
    (
        {"type": "image", "image_url": IMG, "alt_text": "A <cat>", "title": text("plain_text", "Cat")},
        [
            f'<div class="image-title">Cat</div><span class="img picture" title="A &lt;cat&gt;"><span class="alt">A &lt;cat&gt;</span>'
            f'<img src="{IMG}" alt=""></span>'
        ],
    ),
    ({"type": "image", "image_url": "javascript:alert(1)", "alt_text": "x"}, ['<span class="alt">x</span></span>']),
    ({"type": "image", "slack_file": {"id": "F1"}, "alt_text": "file"}, ['<span class="alt">file</span></span>']),
    (
        {
            "type": "rich_text",
            "elements": [
                {
                    "type": "rich_text_section",
                    "elements": [
                        {"type": "text", "text": "<b>", "style": {"bold": True, "code": True, "italic": False}},
                        {"type": "link", "url": "https://x.io", "text": "site", "style": {"strike": True}},
                        {"type": "emoji", "name": "thumbs", "unicode": "1f44d-1f3fb"},
                        {"type": "user", "user_id": "U1"},
                        {"type": "channel", "channel_id": "C1"},
                        {"type": "usergroup", "usergroup_id": "S1"},
                        {"type": "broadcast", "range": "here"},
                        {"type": "color", "value": "#ff0000"},
                        {"type": "date", "timestamp": 0, "format": "{date_short}", "fallback": "then"},
                        {"type": "sparkle"},
                    ],
                },
                {
                    "type": "rich_text_list",
                    "style": "ordered",
                    "indent": 1,
                    "offset": 2,
                    "border": 1,
                    "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": "item"}]}],
                },
                {"type": "rich_text_list", "elements": [{"type": "rich_text_section", "elements": []}], "indent": 99},
                {"type": "rich_text_quote", "elements": [{"type": "text", "text": "said"}]},
                {"type": "rich_text_preformatted", "elements": [{"type": "text", "text": "$ make\nok"}]},
            ],
        },
        [
            '<b><code>&lt;b&gt;</code></b><s><a href="https://x.io" target="_blank" rel="noopener noreferrer">site</a></s>'
            '<span class="emoji" title=":thumbs:">👍🏻</span><span class="mention user">@U1</span>'
            '<span class="mention channel">#C1</span><span class="mention usergroup">@S1</span>'
            '<span class="mention broadcast">@here</span><span class="swatch" style="background:#ff0000"></span>#ff0000'
            '<span class="date" title="1970-01-01T00:00:00+00:00">Jan 1, 1970</span>'
            '<span class="unknown">unknown element: &quot;sparkle&quot;</span>',
            '<ol class="rt-list border" start="3" style="margin-left:46px;list-style-type:lower-alpha"><li>item</li></ol>',
            '<ul class="rt-list" style="margin-left:22px;list-style-type:disc"><li></li></ul>',
            '<blockquote class="rt-quote">said</blockquote><pre class="code">$ make\nok</pre>',
        ],
    ),
    (
        {"type": "markdown", "text": "**Sum** <b>raw</b> [x](javascript:alert(1)) [y](https://y.io)"},
        ['<p><strong>Sum</strong> &lt;b&gt;raw&lt;/b&gt; [x](javascript:alert(1)) <a href="https://y.io">y</a></p>'],
    ),
    (
        {
            "type": "table",
            "column_settings": [{"align": "right"}, {"is_wrapped": True}, {"align": "middle"}],
            "rows": [
                [
                    {"type": "raw_text", "text": "n"},
                    {"type": "raw_text", "text": "name"},
                    {"type": "raw_text", "text": "c"},
                ],
                [
                    {
                        "type": "rich_text",
                        "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": "12"}]}],
                    },
                    {"type": "raw_text", "text": ":tada: <x>"},
                    {"type": "button"},
                ],
            ],
        },
        [
            '<tr><td class="nowrap" style="text-align:right">n</td><td class="wrap">name</td><td class="nowrap">c</td></tr>'
            '<tr><td class="nowrap" style="text-align:right"><div class="rt-section">12</div></td>'
            '<td class="wrap">:tada: &lt;x&gt;</td><td class="nowrap"><span class="unknown">unknown cell: &quot;button&quot;</span></td></tr>'
        ],
    ),
    (
        {
            "type": "input",
            "label": text("plain_text", "Name <x>"),
            "optional": True,
            "hint": text("plain_text", "As on <ID>"),
            "element": {"type": "plain_text_input", "initial_value": "<ana>", "multiline": True},
        },
        [
            '<div class="input-label">Name &lt;x&gt;<span class="optional"> (optional)</span></div><div class="input-element">'
            '<span class="field multiline">&lt;ana&gt;</span></div><div class="hint">As on &lt;ID&gt;</div>'
        ],
    ),
    *[
        ({"type": "input", "label": text("plain_text", "L"), "element": element}, [shown])
        for element, shown in [
            ({"type": "number_input", "initial_value": "3", "multiline": True}, '<span class="field">3</span>'),
            (
                {"type": "email_text_input", "placeholder": text("plain_text", "you@x.io")},
                '<span class="field"><span class="placeholder">you@x.io</span></span>',
            ),
            ({"type": "url_text_input"}, '<span class="field"><span class="placeholder"></span></span>'),
            (
                {"type": "datetimepicker"},
                '<span class="placeholder">Select a date</span></span><span class="picker"><span class="icon">🕘'
                '</span><span class="placeholder">Select a time</span>',
            ),
            (
                {
                    "type": "multi_static_select",
                    "initial_options": [{"text": text("plain_text", "a")}, {"text": text("plain_text", "b")}],
                },
                '<span class="select"><span class="chips"><span class="chip">a</span><span class="chip">b</span></span>',
            ),
            (
                {
                    "type": "rich_text_input",
                    "initial_value": {
                        "type": "rich_text",
                        "elements": [
                            {
                                "type": "rich_text_section",
                                "elements": [{"type": "text", "text": "hi", "style": {"bold": True}}],
                            }
                        ],
                    },
                },
                '<div class="field rich-input"><div class="rich-value"><div class="rt-section"><b>hi</b></div></div><div class="toolbar">',
            ),
            (
                {
                    "type": "rich_text_input",
                    "initial_value": {"type": "rich_text", "elements": []},
                    "placeholder": text("plain_text", "Say"),
                },
                '<div class="rich-value"><span class="placeholder">Say</span></div>',
            ),
            (
                {"type": "file_input", "filetypes": ["pdf", "<png>"], "max_files": 1},
                '<span class="description">pdf, &lt;png&gt; · 1 file</span>',
            ),
            ({"type": "file_input", "max_files": 99}, '<span class="description">up to 10 files</span>'),
            (None, '<div class="input-element"><span class="unknown">unknown element: not an object (NoneType)</span>'),
        ]
    ],
    (
        {"type": "alert", "level": "warning", "text": text("plain_text", "Closes <soon>")},
        ['<div class="alert warning"><span class="alert-icon">⚠</span><span>Closes &lt;soon&gt;</span></div>'],
    ),
    (
        {"type": "alert", "level": "loud", "text": text("mrkdwn", "*x*")},
        ['<div class="alert default"><span class="alert-icon">ⓘ</span><span><b>x</b>'],
    ),
    (
        {
            "type": "data_table",
            "caption": "Runs <all>",
            "page_size": 2,
            "rows": [
                [
                    {"type": "raw_text", "text": "name"},
                    {"type": "raw_text", "text": "n"},
                    {"type": "raw_text", "text": "mixed"},
                ],
                [
                    {"type": "raw_text", "text": "x"},
                    {"type": "raw_number", "value": 1, "text": "1.0"},
                    {"type": "raw_number", "value": 1},
                ],
                [
                    {"type": "raw_text", "text": "y"},
                    {"type": "raw_number", "value": 2},
                    {"type": "raw_text", "text": "two"},
                ],
                [
                    {"type": "raw_text", "text": "z"},
                    {"type": "raw_number", "value": 3, "text": "3"},
                    {"type": "raw_text", "text": "3"},
                ],
            ],
        },
        [
            '<div class="data-table-caption">Runs &lt;all&gt;</div>',
            '<thead><tr><th>name</th><th class="number">n</th><th>mixed</th></tr></thead><tbody><tr><td>x</td><td class="number">1.0</td>'
            '<td class="number">1</td></tr><tr><td>y</td><td class="number">2</td><td>two</td></tr></tbody>',  # the first page only
            '<div class="pager"><span>1–2 of 3</span><span class="page-button off">‹</span><span class="page-button">›</span></div>',
        ],
    ),
    (
        {
            "type": "data_table",
            "caption": "One",
            "page_size": 0,
            "rows": [[{"type": "raw_text", "text": "h"}], [{"type": "raw_text", "text": "a"}]],
        },
        ['<span>1–1 of 1</span><span class="page-button off">‹</span><span class="page-button off">›</span>'],
    ),
    (
        {"type": "data_table", "rows": []},
        ['<table class="table"><thead><tr></tr></thead><tbody></tbody></table>', "<span>No rows</span>"],
    ),
    (
        {"type": "video", "title": text("plain_text", "Demo")},
        ['<span class="unknown">unknown block: &quot;video&quot;</span>'],
    ),
    ({"text": "no type"}, ["unknown block: no type"]),
]


@pytest.mark.parametrize(
    ("value", "fragments"), BLOCKS, ids=lambda v: v["type"] if isinstance(v, dict) and "type" in v else None
)
def test_blocks(value: dict[str, Any], fragments: list[str]) -> None:
    html = block(value)
    for fragment in fragments:
        assert fragment in html


def test_markdown_without_markdown_it_is_shown_as_typed(monkeypatch: pytest.MonkeyPatch) -> None:
    monkeypatch.setattr("velmora.preview._markdown._renderer", lambda: None)
    assert block({"type": "markdown", "text": "**a** <b>"}) == '<div class="markdown as-typed">**a** &lt;b&gt;</div>'


def test_a_block_that_is_no_object() -> None:
    assert (
        block("divider")
        == '<div class="unknown-block"><span class="unknown">unknown block: not an object (str)</span></div>'
    )


class Payload:
    def __init__(self, value: object) -> None:
        self.value = value

    def payload(self) -> object:
        return self.value


def test_message_kinds_and_title() -> None:
    from velmora.messages.header.header import HeaderMessage

    message = HeaderMessage("Nightly <report>")
    page = render_html(message)
    assert page == render_html(message.payload()) == render_html(Payload(message.payload()))
    assert page.startswith("<!DOCTYPE html>\n") and "<title>Message preview</title>" in page
    assert '<span class="label">Notification</span> Nightly &lt;report&gt;</div>' in page
    assert '<div class="header">Nightly &lt;report&gt;</div>' in page
    blocks_only = render_html(message.build_blocks(), title="<Nightly>")
    assert "<title>&lt;Nightly&gt;</title>" in blocks_only and "Notification" not in blocks_only
    assert blocks_only.count('class="block"') == page.count('class="block"') == 2
    assert "no &quot;text&quot;" in render_html({"blocks": []}).replace('"', "&quot;")
    assert "<title>a\ufffdb</title>" in render_html([], title="a\ud800b").encode().decode()  # lone surrogates
    # no script may run, whatever the escaping: the page's policy forbids them
    assert "default-src 'none'" in page and "<script" not in page


class View:
    def __init__(self, value: object) -> None:
        self.value = value

    def view(self) -> object:
        return self.value


@pytest.mark.parametrize(
    ("message", "got"), [(3, "int"), ("[]", "str"), ((), "tuple"), (Payload("x"), "str"), (View(None), "NoneType")]
)
def test_what_is_no_message(message: object, got: str) -> None:
    with pytest.raises(TypeError) as raised:
        render_html(message)
    assert (
        str(raised.value)
        == f"expected a list of blocks, a payload dict, a view dict or an object with payload() or view(), got {got}"
    )
    with pytest.raises(TypeError, match="^title must be a str or None, not bytes$"):
        render_html([], title=b"t")  # type: ignore[arg-type]


FORM = [{"type": "input", "label": text("plain_text", "Room"), "element": {"type": "plain_text_input"}}]


@pytest.mark.parametrize(
    ("view", "title", "shown"),
    [
        (
            {
                "type": "modal",
                "title": text("plain_text", "Book <a> room"),
                "submit": text("plain_text", "Book"),
                "blocks": FORM,
            },
            "Modal preview",
            [
                '<div class="modal-title">Book &lt;a&gt; room</div><span class="modal-close">✕</span></div>'
                '<div class="modal-body"><div class="block" id="block-0"><div class="drawn"><div class="input">',
                '<div class="modal-foot"><span class="button">Cancel</span><span class="button primary">Book</span></div>',
            ],
        ),
        (
            {
                "type": "modal",
                "title": text("plain_text", "Done"),
                "close": text("plain_text", ":wave: Close"),
                "blocks": [],
            },
            "Modal preview",
            [
                '<div class="modal-foot"><span class="button"><span class="emoji" title=":wave:">👋</span> Close</span></div>'
            ],
        ),
        (
            View({"type": "home", "text": "not shown", "blocks": FORM}),
            "Home tab preview",
            ['<span class="tab on">Home</span>', '<div class="home-body"><div class="block" id="block-0">'],
        ),
        ({"type": "workflow_step", "blocks": []}, "Message preview", ['<span class="label">Notification</span>']),
    ],
)
def test_views(view: object, title: str, shown: list[str]) -> None:
    page = render_html(view)
    assert f"<title>{title}</title>" in page
    for fragment in shown:
        assert fragment in page
    assert ("Notification" in page) is (title == "Message preview")


def svg_texts(html: str) -> tuple[list[str], list[str], list[str]]:
    """What a chart shows: its axis texts, its tooltips, and its legend."""
    return (
        re.findall(r"<text[^>]*>([^<]*)</text>", html),
        re.findall(r"<title>([^<]*)</title>", html),
        [re.sub(r"<[^>]+>", "", item) for item in html.split('<span class="legend-item">')[1:]],
    )


def chart(kind: str, series: Any, categories: Any = None, **axis: str) -> dict[str, Any]:
    inside = {"type": kind, "series": series}
    if categories is not None:
        inside["axis_config"] = {"categories": categories, **axis}
    return {"type": "data_visualization", "title": f"A <{kind}>", "chart": inside}


def points(**values: Any) -> list[dict[str, Any]]:
    return [{"label": label, "value": value} for label, value in values.items()]


CHARTS: list[tuple[dict[str, Any], list[str], list[str], list[str]]] = [
    # bars stand on zero, below it when negative; the axis goes to round values past the data
    (
        chart(
            "bar",
            [{"name": "4xx", "data": points(eu=12, us=30, ap=-5)}, {"name": "5xx", "data": points(us=1)}],
            ["eu", "us", "ap"],
        ),
        ["-10", "0", "10", "20", "30", "eu", "us", "ap"],
        ["4xx · eu: 12", "4xx · us: 30", "4xx · ap: -5", "5xx · us: 1"],
        ["4xx", "5xx"],
    ),
    # a line need not start at zero; axis labels; big numbers shortened on the axis, exact in the tips
    (
        chart(
            "line",
            [{"name": "web", "data": points(mon=1_250_000, tue=800_000)}],
            ["mon", "tue"],
            x_label="day",
            y_label="<hits>",
        ),
        ["800K", "1M", "1.2M", "1.4M", "mon", "tue", "day", "&lt;hits&gt;"],
        ["web · mon: 1,250,000", "web · tue: 800,000"],
        ["web"],
    ),
    # no axis: categories in the order the series use them; values Slack refuses are left out
    (
        chart(
            "area",
            [
                {
                    "name": "<s>",
                    "data": points(b=1.5, a=float("nan"), c=True, d="4", e=10**400, f=float("inf")) + points(a=2, b=9),
                }
            ],
        ),
        ["0", "0.5", "1", "1.5", "2", "b", "a"],
        ["&lt;s&gt; · b: 1.5", "&lt;s&gt; · a: 2"],
        ["&lt;s&gt;"],
    ),
    (
        chart("line", [{"name": "flat", "data": points(x=5)}], ["x"]),
        ["0", "2.5", "5", "7.5", "10", "x"],
        ["flat · x: 5"],
        ["flat"],
    ),
    (
        chart("line", [{"name": "tiny", "data": points(x=6e-63, y=1001.25)}], ["x"]),  # y is no category: left out
        ["0", "5e-63", "1e-62", "1.5e-62", "x"],
        ["tiny · x: 6e-63"],
        ["tiny"],
    ),
    (
        chart("bar", [{"name": "fine", "data": points(a=1001, b=1002)}], ["a", "b"]),
        ["0", "500", "1K", "1.5K", "a", "b"],
        ["fine · a: 1,001", "fine · b: 1,002"],
        ["fine"],
    ),
    (chart("bar", "nothing"), ["0", "0.25", "0.5", "0.75", "1"], [], []),
    (
        {
            "type": "data_visualization",
            "title": "P",
            "chart": {
                "type": "pie",
                "segments": [
                    {"label": "a <b>", "value": 3},
                    {"label": "none", "value": 0},
                    {"label": "c", "value": 1},
                    {"label": "neg", "value": -2},
                ],
            },
        },
        [],
        ["a &lt;b&gt;: 3 (75%)", "c: 1 (25%)"],
        ["a &lt;b&gt; 75%", "c 25%"],
    ),
]


@pytest.mark.parametrize(("value", "texts", "tips", "legend"), CHARTS)
def test_charts(value: dict[str, Any], texts: list[str], tips: list[str], legend: list[str]) -> None:
    html = block(value)
    assert (
        html.startswith(f'<div class="chart"><div class="chart-title">A &lt;{value["chart"]["type"]}&gt;</div>')
        or value["title"] == "P"
    )
    assert svg_texts(html) == (texts, tips, legend)


def test_chart_shapes() -> None:
    pie = block(
        {
            "type": "data_visualization",
            "title": "P",
            "chart": {"type": "pie", "segments": [{"label": "all", "value": 2}]},
        }
    )
    assert (
        '<circle cx="110" cy="110" r="100" fill="#1d9bd1"><title>all: 2 (100%)</title></circle>' in pie
    )  # one whole slice
    gap = block(chart("line", [{"name": "s", "data": points(a=1, b=2, d=4)}], ["a", "b", "c", "d"]))
    assert [len(line.split()) for line in re.findall(r'<polyline points="([^"]*)"', gap)] == [
        2,
        1,
    ]  # no value for c: a break
    assert block({"type": "data_visualization", "title": "T", "chart": {"type": "radar"}}) == (
        '<div class="chart"><div class="chart-title">T</div><span class="unknown">unknown chart: &quot;radar&quot;</span></div>'
    )


def test_problems_at_their_blocks() -> None:
    payload = {"text": 5, "blocks": [{"type": "divider"}, {"type": "header", "text": text("mrkdwn", "x")}]}
    page = render_html(payload)
    blocks = re.split(r'(?=<div class="block[ "])', page.split("<article", 1)[1])[1:]
    assert [b.startswith('<div class="block has-problems"') for b in blocks] == [False, True]
    assert (
        '<ul class="problems"><li><code>/blocks/1/text/type</code> Text here must be &quot;plain_text&quot;, '
        "not &quot;mrkdwn&quot;.</li></ul>"
    ) in blocks[1]
    summary = page.split('<div class="bar summary bad">', 1)[1].split("<article", 1)[0]
    assert summary.startswith("2 problems with Slack's limits")
    assert "<code>/text</code> &quot;text&quot; must be a string, not int." in summary
    listed = render_html([{"type": "divider"}] * 51)  # a problem of the whole list goes to the summary
    assert (
        "<li><code>/</code> A message holds at most 50 blocks; this one has 51.</li>" in listed.split("<article", 1)[0]
    )


def test_the_demo_draws_no_unknown_block() -> None:
    from velmora._demo import EXAMPLES

    for name, build in EXAMPLES.items():
        page = render_html(build())
        assert 'class="unknown' not in page.split("</style>", 1)[1], name
        assert "No problems with Slack" in page, name


def fake_program(folder: Path, name: str) -> str:
    path = folder / name
    path.write_text("#!/bin/sh\n")
    path.chmod(path.stat().st_mode | stat.S_IXUSR)
    return str(path)


def test_the_browser_is_found_in_order(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> None:
    monkeypatch.delenv("VELMORA_BROWSER", raising=False)
    monkeypatch.setenv("PATH", str(tmp_path))
    with pytest.raises(BrowserNotFound) as raised:
        find_browser()
    assert str(raised.value) == (
        "no Chromium or Chrome found (VELMORA_BROWSER is not set; none of chromium, chromium-browser, google-chrome "
        "is on PATH): install Chromium or Chrome (Debian and Ubuntu: sudo apt-get install chromium; Fedora: sudo dnf "
        "install chromium; macOS: brew install --cask chromium), or set VELMORA_BROWSER to the path of one"
    )
    with pytest.raises(BrowserNotFound):  # no browser: nothing is written
        screenshot([], tmp_path / "x.png")
    assert not (tmp_path / "x.png").exists()
    found = []
    for name in ("google-chrome", "chromium-browser", "chromium"):
        fake_program(tmp_path, name)
        found.append(Path(find_browser()).name)
    assert found == ["google-chrome", "chromium-browser", "chromium"]
    mine = fake_program(tmp_path, "my-chrome")
    monkeypatch.setenv("VELMORA_BROWSER", "my-chrome")
    assert find_browser() == mine
    monkeypatch.setenv("VELMORA_BROWSER", "/no/such/chrome")
    with pytest.raises(
        BrowserNotFound, match=r"^VELMORA_BROWSER='/no/such/chrome' is not a program that can be run; install"
    ):
        find_browser()


@pytest.mark.parametrize(
    ("width", "error"), [(0, ValueError), (10_001, ValueError), (True, TypeError), (600.0, TypeError)]
)
def test_screenshot_width_is_checked_first(width: Any, error: type[Exception], tmp_path: Path) -> None:
    with pytest.raises(error, match="^width must be"):
        screenshot([], tmp_path / "x.png", width=width)


def png_size(path: Path) -> tuple[int, int]:
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


def test_screenshot(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> None:
    usable_browser(monkeypatch)
    from velmora._demo import EXAMPLES

    blocks = [b for build in EXAMPLES.values() for b in build()][:40]
    short, tall = tmp_path / "short.png", tmp_path / "tall.png"
    screenshot([{"type": "divider"}], short, width=320)
    screenshot(blocks, tall)
    (short_width, short_height), (tall_width, tall_height) = png_size(short), png_size(tall)
    assert (short_width, tall_width) == (320, 600)
    assert 100 <= short_height < 300 < 1000 < tall_height  # the whole page, not the window
    assert os.path.getsize(tall) > 20_000


class Tags(HTMLParser):
    """Every start tag of a page with its attributes."""

    def __init__(self) -> None:
        super().__init__()
        self.tags: list[tuple[str, dict[str, str]]] = []

    def handle_starttag(self, tag: str, attrs: list[tuple[str, str | None]]) -> None:
        self.tags.append((tag, {name: value or "" for name, value in attrs}))


PAGE_TAGS = {
    "html",
    "head",
    "meta",
    "title",
    "style",
    "body",
    "main",
    "article",
    "div",
    "span",
    "ul",
    "ol",
    "li",
    "code",
    "pre",
    "b",
    "i",
    "s",
    "u",
    "mark",
    "a",
    "img",
    "hr",
    "blockquote",
    "table",
    "thead",
    "tbody",
    "tr",
    "th",
    "td",
    "p",
    "strong",
    "em",
    "br",
    "h1",
    "h2",
    "h3",
    "h4",
    "h5",
    "h6",
    "svg",
    "line",
    "text",
    "rect",
    "polyline",
    "path",
    "circle",
}
STYLES = re.compile(
    r"(margin-left:\d+px;list-style-type:[a-z-]+|background:#[0-9a-fA-F]{3,8}|text-align:(left|center|right))"
)


HOSTILE = [
    "<script>alert(1)</script>",
    '"><img src=x onerror=alert(1)>',
    "' onclick='alert(1)",
    "javascript:alert(1)",
    "&lt;b onmouseover=x&gt;",
    "<https://x.io|&lt;b onclick=x&gt;>",
    "`<b>` ```<i>``` > <u>",
    "*<b>* :tada:<s>",
    "<!date^1^{date}<b>|<i>>",
    "1f44d-<b>",
    "#fff;background:url(x)",
]


def poisoned(value: Any, bad: str) -> Any:
    """`value` with every string but the block and element types replaced by `bad`."""
    if isinstance(value, dict):
        return {k: v if k == "type" else poisoned(v, bad) for k, v in value.items()}
    if isinstance(value, list):
        return [poisoned(v, bad) for v in value]
    return bad if isinstance(value, str) else value


@functools.cache
def every_block() -> list[Any]:
    from velmora._demo import EXAMPLES

    return [b for b, _ in BLOCKS] + [c[0] for c in CHARTS] + [b for build in EXAMPLES.values() for b in build()]


@pytest.mark.parametrize("bad", HOSTILE)
@pytest.mark.parametrize("kind", ["message", "modal", "home"])
def test_no_message_adds_markup_to_the_page(bad: str, kind: str) -> None:
    parser = Tags()
    view = {
        "type": kind,
        "title": text("plain_text", "t"),
        "close": text("plain_text", "c"),
        "submit": text("plain_text", "s"),
    }
    parser.feed(
        render_html(
            poisoned({"text": "x", "blocks": every_block(), **(view if kind != "message" else {})}, bad), title=bad
        )
    )
    for tag, attrs in parser.tags:
        assert tag in PAGE_TAGS
        assert not [name for name in attrs if name.startswith("on")]
        for name in ("href", "src"):  # http(s), mailto, a relative address, or a picture's own data
            if name in attrs:
                scheme = urlsplit(attrs[name]).scheme.lower()
                assert scheme in ("", "http", "https", "mailto") or attrs[name].startswith("data:image/"), attrs
        if "style" in attrs:
            assert STYLES.fullmatch(attrs["style"]), attrs


def test_the_readme_pictures_are_drawn_from_the_readme_examples() -> None:
    import doctest
    import runpy

    root = Path(__file__).parents[2]
    tool = runpy.run_path(str(root / "tools" / "screenshots.py"))  # defines, draws nothing
    readme = (root / "README.md").read_text().split("#### Charts and views", 1)[1].split("\n## ", 1)[0]
    namespace: dict[str, Any] = {"render_html": render_html}
    for example in doctest.DocTestParser().get_examples(readme):
        exec(example.source, namespace)
    assert (namespace["signups"], namespace["form"]) == (tool["SIGNUPS"], tool["FORM"])
