"""velmora.fallback_text, and the text that payload() gives notifications and screen readers."""

from __future__ import annotations

from typing import Any

import pytest
from message_fakes import Blocks
from support import assert_no_leak

from velmora import fallback_text
from velmora.blocks import Actions, Chart, Context, Divider, Header, Image, Section
from velmora.interface import DEFAULT_PREVIEW
from velmora.messages.image.image_msg import ImageMessage


def rich(*parts: dict[str, Any]) -> dict[str, Any]:
    return {"type": "rich_text", "elements": list(parts)}


def rich_section(*elements: dict[str, Any]) -> dict[str, Any]:
    return {"type": "rich_text_section", "elements": list(elements)}


def text(value: str) -> dict[str, Any]:
    return {"type": "text", "text": value}


def raw(value: str) -> dict[str, Any]:
    return {"type": "raw_text", "text": value}


@pytest.mark.parametrize(
    ("blocks", "expected"),
    [
        # markup read out
        (
            Section.mrkdwn("*Deploy* of _api_ is ~late~, see <https://x.io/runs|the run> or <https://x.io>"),
            "Deploy of api is late, see the run (https://x.io/runs) or https://x.io",
        ),
        (
            Section.mrkdwn(
                "<@U1> <@U2|ana> <#C1> <#C2|general> <!here> <!subteam^S1> <!subteam^S2|@team> "
                "<!date^1700000000^{date}|Nov 14>"
            ),
            "@U1 @ana #C1 #general @here @S1 @team Nov 14",
        ),
        (
            Section.mrkdwn("a &amp; b &lt;c&gt; `x_y` ```z``` snake_case 2*3*4 *unclosed"),
            "a & b <c> x_y z snake_case 2*3*4 *unclosed",
        ),
        (Section.mrkdwn("> quoted\n>also"), "quoted\nalso"),
        (Section.plain_text("*as typed* &amp;"), "*as typed* &amp;"),
        # every kind of block, in order, one line each
        (
            Header.plain_text("Nightly")
            + Divider.divider()
            + Section.text_fields(["*a*", "b"])
            + Section.button("Deploy?", {"text": "Go"})
            + Actions.buttons([{"text": "Yes"}, {"text": "No"}])
            + [
                {
                    "type": "context",
                    "elements": [Context.mrkdwn("by *ana*"), Context.image_url("https://x/a.png", "avatar")],
                }
            ]
            + Image.image("https://x/c.png", "a cat"),
            "Nightly\na\nb\nDeploy?\nGo\nYes | No\nby ana avatar\na cat",
        ),
        (
            [
                rich(
                    rich_section(
                        text("Hi "),
                        {"type": "user", "user_id": "U1"},
                        text(", see "),
                        {"type": "link", "url": "https://x.io", "text": "docs"},
                        text(" "),
                        {"type": "emoji", "name": "wave"},
                        {"type": "broadcast", "range": "here"},
                    ),
                    {
                        "type": "rich_text_list",
                        "style": "ordered",
                        "offset": 2,
                        "elements": [rich_section(text("one")), rich_section(text("two"))],
                    },
                    {"type": "rich_text_list", "style": "bullet", "elements": [rich_section(text("dot"))]},
                    {"type": "rich_text_preformatted", "elements": [text("code")]},
                )
            ],
            "Hi @U1, see docs (https://x.io) :wave:@here\n3. one\n4. two\n- dot\ncode",
        ),
        (
            [
                {
                    "type": "markdown",
                    "text": "## Plan\n\n**Ship** the [app](https://x.io), *now*.\n\n```sh\nmake\n```\n"
                    "![chart](https://x.io/c.png) \\*not bold\\*",
                }
            ],
            "Plan\n\nShip the app (https://x.io), now.\n\nmake\n\nchart *not bold*",
        ),
        # Markdown has no Slack entities: "<" is a character, HTML is shown as typed, autolinks read as their address
        (
            [
                {
                    "type": "markdown",
                    "text": "Use `List<int>` or List<int>; <div>raw</div> a<b>c &amp; &copy; <https://x.io/a> "
                    "<ana@x.io> <@U1> \\<x>",
                }
            ],
            "Use List<int> or List<int>; <div>raw</div> a<b>c & &copy; https://x.io/a ana@x.io <@U1> <x>",
        ),
        (
            [{"type": "table", "rows": [[raw("service"), raw("took")], [raw("api"), rich(rich_section(text("1 s")))]]}],
            "service | took\napi | 1 s",
        ),
        # a chart in one sentence (title, kind, series, first and last category, highest value and where), a
        # data table by its caption and size
        (
            Chart.line(
                {
                    "week": ["2026-01-05", "2026-01-12", "2026-01-19"],
                    "web": [120, 190, 128],
                    "mobile": [80.5, 95, 200.5],
                },
                x="week",
                title="Weekly sign-ups",
            ),
            "Weekly sign-ups, a line chart of web and mobile from 2026-01-05 to 2026-01-19; highest: mobile at 2026-01-19, 200.5.",
        ),
        (Chart.area({"v": [-1.5]}, title="Drift"), "Drift, an area chart of v at 0; highest: v at 0, -1.5."),
        (
            Chart.pie({"web": 3, "ios": 4.5, "android": 2}, title="Platforms"),
            "Platforms, a pie chart of web, ios and android; largest: ios, 4.5 (47%).",
        ),
        ([{"type": "data_visualization", "chart": {"type": "radar"}}], "A chart."),
        (
            [
                {
                    "type": "data_table",
                    "caption": "Sales",
                    "rows": [[raw("region"), raw("q1")]] + [[raw("eu"), raw("1")]] * 250,
                }
            ],
            "Sales, a table of 250 rows and 2 columns.",
        ),
        ([{"type": "data_table", "rows": [[raw("region")], [raw("eu")]]}], "A table of 1 row and 1 column."),
        # nothing to read
        (
            Divider.divider()
            + [
                {"type": "actions", "elements": [{"type": "datepicker"}]},
                {"type": "video"},
                3,
                {"type": "section", "text": 5},
            ],
            "",
        ),
        ({"text": "payloads are read by their blocks", "blocks": Section.mrkdwn("x")}, "x"),
        ({"text": "no blocks"}, ""),
        # at most 3,000 characters, cut at a word
        (Section.mrkdwn("word " * 1000), "word " * 599 + "word…"),
    ],
)
def test_read_out(blocks, expected):
    assert fallback_text(blocks) == expected


def test_bad_calls_and_no_leaks():
    with pytest.raises(TypeError) as raised:
        fallback_text("text")
    assert str(raised.value) == "fallback_text() expects a list of blocks or a payload dict, got str"
    blocks = Section.mrkdwn("*hi* <@U1> " * 400) + [{"type": "markdown", "text": "**x** [a](b)"}]
    assert_no_leak(lambda: fallback_text(blocks), watch=[blocks, *blocks], times=300)


@pytest.mark.parametrize(
    ("kwargs", "blocks", "text"),
    [
        ({"preview": "p", "header": "h", "sub_header": "s"}, Section.mrkdwn("body"), "p"),
        ({"header": "h", "sub_header": "s"}, Section.mrkdwn("body"), "h"),
        ({"preview": "", "sub_header": "s"}, Section.mrkdwn("body"), "s"),
        ({}, Section.mrkdwn("*Deploy* done") + Section.mrkdwn("by <@U1>"), "Deploy done\nby @U1"),
        # read out, then escaped again: escaped markup stays text in the notification
        ({}, Section.mrkdwn("&lt;!channel&gt; &amp; more"), "&lt;!channel&gt; &amp; more"),
        (
            {},
            [{"type": "markdown", "text": "`List<int>` & <div>raw</div>"}],
            "List&lt;int&gt; &amp; &lt;div&gt;raw&lt;/div&gt;",
        ),
        ({}, Divider.divider(), DEFAULT_PREVIEW),
        ({}, [], DEFAULT_PREVIEW),
    ],
)
def test_payload_text(kwargs, blocks, text):
    assert Blocks(blocks, **kwargs).payload() == {"text": text, "blocks": blocks}


def test_image_messages_keep_their_own_preview():
    message = ImageMessage(image_url="https://x/c.png", image_name="cat.png")
    assert message.payload()["text"] == "cat.png"
    assert ImageMessage(image_url="https://x/c.png").payload()["text"] == DEFAULT_PREVIEW
