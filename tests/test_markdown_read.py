"""velmora.markdown.from_blocks: Slack messages read back as Markdown (and as plain text)."""

from __future__ import annotations

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from test_markdown import CASES, DEEP, FRAGMENTS, LLM_ANSWER, OPTION_CASES, TABLES
from velmora.blocks.rich_text import RichText as R
from velmora.markdown import from_blocks, to_blocks


def plain(text, **kw):
    return {"type": "plain_text", "text": text, **kw}


def mrkdwn(text):
    return {"type": "mrkdwn", "text": text}


def button(text, **kw):
    return {"type": "button", "text": plain(text), **kw}


def rich(*parts):
    return [{"type": "rich_text", "elements": list(parts)}]


def cell(*elements):
    return {"type": "rich_text", "elements": [R.section(*elements)]}


# (blocks, Markdown, plain text)
BLOCKS = [
    (
        [
            {"type": "header", "text": plain("Deploy #42 *done* #")},
            {"type": "header", "text": plain("Small"), "level": 3},
        ],
        "# Deploy #42 \\*done\\* \\#\n\n### Small",
        "Deploy #42 *done* #\n\nSmall",
    ),
    (
        [
            {"type": "divider"},
            {
                "type": "image",
                "image_url": "https://x.io/a (1).png",
                "alt_text": "A [cat]",
                "title": plain('The "cat"'),
            },
        ],
        '---\n\n![A \\[cat\\]](<https://x.io/a (1).png> "The \\"cat\\"")',
        "A [cat]",
    ),
    (
        [
            {
                "type": "context",
                "elements": [
                    {"type": "image", "image_url": "https://x.io/i.png", "alt_text": "icon"},
                    mrkdwn("*3* errors"),
                    plain("in _prod_"),
                ],
            }
        ],
        "![icon](https://x.io/i.png) **3** errors in \\_prod\\_",
        "icon 3 errors in _prod_",
    ),
    (
        [
            {
                "type": "section",
                "text": mrkdwn("Pick *one*"),
                "fields": [mrkdwn("*CPU*\n93%"), plain("RAM")],
                "accessory": button("Open", url="https://x.io/run"),
            }
        ],
        "Pick **one**\n\n- **CPU**\\\n  93%\n- RAM\n\n[Open](https://x.io/run)",
        "Pick one\n\n- CPU\n  93%\n- RAM\n\nOpen (https://x.io/run)",
    ),
    (
        [
            {
                "type": "section",
                "text": plain("Env"),
                "accessory": {
                    "type": "static_select",
                    "placeholder": plain("Choose"),
                    "options": [{"text": plain("prod"), "value": "p"}],
                    "initial_option": {"text": plain("prod"), "value": "p"},
                },
            },
            {
                "type": "actions",
                "elements": [
                    button("Approve", style="primary"),
                    button("Logs", url="https://x.io/l"),
                    {"type": "users_select"},
                    {
                        "type": "overflow",
                        "options": [{"text": plain("Retry"), "value": "r"}, {"text": plain("Skip"), "value": "s"}],
                    },
                    {"type": "datepicker", "initial_date": "2026-12-08", "placeholder": plain("When")},
                ],
            },
        ],
        "Env\n\nprod\n\nApprove · [Logs](https://x.io/l) · Retry, Skip · 2026-12-08",
        "Env\n\nprod\n\nApprove · Logs (https://x.io/l) · Retry, Skip · 2026-12-08",
    ),
    # the header row is bold in Markdown anyway; a pipe in a cell is escaped; an empty cell is empty
    (
        [
            {
                "type": "table",
                "column_settings": [{"align": "center"}, {"align": "right", "is_wrapped": True}, {}],
                "rows": [
                    [
                        cell(R.text("svc", bold=True)),
                        {"type": "raw_text", "text": "p95 | ms"},
                        {"type": "raw_text", "text": "x"},
                    ],
                    [
                        cell(R.link("https://x.io/api", "api"), R.text("\n2", italic=True)),
                        {"type": "raw_text", "text": " "},
                    ],
                ],
            }
        ],
        "| svc | p95 \\| ms | x |\n|:-:|--:|---|\n| [api](https://x.io/api)_<br>2_ |  |  |",
        "svc | p95 | ms | x\napi (https://x.io/api) 2 |  |",
    ),
    (
        [
            {
                "type": "data_table",
                "caption": "Errors by service",
                "rows": [
                    [{"type": "raw_text", "text": "Service"}, {"type": "raw_text", "text": "Errors"}],
                    [{"type": "raw_text", "text": "api"}, {"type": "raw_number", "value": 1204, "text": "1,204"}],
                    [{"type": "raw_text", "text": "web"}, {"type": "raw_number", "value": 12.0}],
                ],
            }
        ],
        "Errors by service\n\n| Service | Errors |\n|---|--:|\n| api | 1,204 |\n| web | 12 |",
        "Errors by service\n\nService | Errors\napi | 1,204\nweb | 12",
    ),
    (
        [
            {
                "type": "data_visualization",
                "title": "Errors",
                "chart": {"type": "pie", "segments": [{"label": "api", "value": 70}, {"label": "web", "value": 30.5}]},
            },
            {
                "type": "data_visualization",
                "title": "Latency",
                "chart": {
                    "type": "line",
                    "series": [
                        {"name": "p50", "data": [{"label": "Tue", "value": 85}, {"label": "Mon", "value": 90}]},
                        {"name": "p95", "data": [{"label": "Mon", "value": 300}]},
                    ],
                    "axis_config": {"categories": ["Mon", "Tue"], "x_label": "Day", "y_label": "ms"},
                },
            },
        ],
        "**Errors**\n\n| label | value |\n|---|--:|\n| api | 70 |\n| web | 30.5 |\n\n"
        "**Latency**\n\n| Day | p50 | p95 |\n|---|--:|--:|\n| Mon | 90 | 300 |\n| Tue | 85 |  |",
        "Errors\n\nlabel | value\napi | 70\nweb | 30.5\n\nLatency\n\nDay | p50 | p95\nMon | 90 | 300\nTue | 85 |",
    ),
    (
        [{"type": "markdown", "text": "## Done\n**3** [services](https://x.io)"}],
        "## Done\n**3** [services](https://x.io)",
        "Done\n\n3 services (https://x.io)",
    ),
    (
        [
            {
                "type": "video",
                "title": plain("Demo"),
                "title_url": "https://x.io/v",
                "video_url": "https://x.io/e",
                "alt_text": "demo",
                "description": plain("Two minutes"),
            },
            {
                "type": "file",
                "external_id": "ABC",
                "source": "remote",
                "file": {"title": "Q3", "permalink": "https://x.io/f"},
            },
            {"type": "file", "external_id": "ABC", "source": "remote"},
        ],
        "[Demo](https://x.io/v)\n\nTwo minutes\n\n[Q3](https://x.io/f)\n\nABC",
        "Demo (https://x.io/v)\n\nTwo minutes\n\nQ3 (https://x.io/f)\n\nABC",
    ),
    (
        [
            {
                "type": "carousel",
                "elements": [
                    {
                        "type": "card",
                        "title": plain("Incident 7"),
                        "subtitle": plain("api"),
                        "body": mrkdwn("Pool *full*"),
                        "hero_image": {"type": "image", "image_url": "https://x.io/h.png", "alt_text": "graph"},
                        "actions": [button("Ack")],
                    }
                ],
            },
            {
                "type": "container",
                "title": plain("Details"),
                "child_blocks": [{"type": "section", "text": mrkdwn("in")}],
            },
            {"type": "alert", "text": plain("Quota low"), "level": "warning"},
        ],
        "**Incident 7**\n\napi\n\nPool **full**\n\n![graph](https://x.io/h.png)\n\nAck\n\n**Details**\n\nin\n\nQuota low",
        "Incident 7\n\napi\n\nPool full\n\ngraph\n\nAck\n\nDetails\n\nin\n\nQuota low",
    ),
]


@pytest.mark.parametrize(("blocks", "markdown", "text"), BLOCKS)
def test_each_block_kind(blocks, markdown, text):
    assert from_blocks(blocks) == markdown
    assert from_blocks(blocks, plain=True) == text


# mrkdwn as Slack reads it, and Markdown's own characters escaped only where they would be markup
MRKDWN = [
    ("*b* _i_ ~s~ `c*d` *_both_* a*b*c snake_case_name", "**b** _i_ ~~s~~ `c*d` **_both_** a\\*b\\*c snake_case_name"),
    (
        "<https://x.io/a?b=1&amp;c=2|the *run*> <https://x.io> <mailto:a@b.io|mail>",
        "[the \\*run\\*](https://x.io/a?b=1&c=2) <https://x.io> [mail](mailto:a@b.io)",
    ),
    ("&lt;div&gt; &amp;amp; 1 &lt; 2", "\\<div> \\&amp; 1 < 2"),
    (
        "# not a heading\n1. not a list\n- nor this\n[x]: y",
        "\\# not a heading\\\n1\\. not a list\\\n\\- nor this\\\n\\[x\\]: y",
    ),
    ("&gt; quoted *b*\n&gt; more\nafter", "> quoted **b**\\\n> more\n\nafter"),
    ("&gt;&gt;&gt; all\nof this", "> all\\\n> of this"),
    ("run:\n```make deploy\n&lt;ok&gt;```\ndone", "run:\n\n```\nmake deploy\n<ok>\n```\n\ndone"),
    (
        "<!date^1733650800^{date_short}|Dec 8> <!date^1733650800^{date}^https://x.io|Dec 8, 2024> <!foo|bar>",
        "Dec 8 [Dec 8, 2024](https://x.io) bar",
    ),
]


@pytest.mark.parametrize(("text", "markdown"), MRKDWN)
def test_mrkdwn_forms(text, markdown):
    assert from_blocks([{"type": "section", "text": mrkdwn(text)}]) == markdown


RICH = [
    (
        rich(
            R.section(
                R.text("bold ", bold=True),
                R.text("both", bold=True, italic=True),
                R.text(" it", italic=True),
                R.text(" struck", strike=True),
                R.text("code", code=True, bold=True),
            )
        ),
        "**bold _both_**_&#32;it_~~&#32;struck~~**`code`**",
    ),
    # delimiters that would not open or close where they stand get an entity beside them
    (
        rich(R.section("a", R.text(" b", bold=True), "c ", R.text("d.", italic=True), "e")),
        "&#97;**&#32;b**c _d._&#101;",
    ),
    (
        rich(
            R.list(["a", "b"], style="ordered", offset=2),
            R.list(["c"], indent=2),
            R.list(["d"], style="ordered", offset=4),
            R.list(["e"], style="ordered", offset=9),
            R.list(["f"]),
            R.list(["g"]),
        ),
        "3. a\n4. b\n\n   -\n     - c\n5. d\n\n10) e\n\n- f\n\n* g",
    ),
    (
        rich(
            R.quote("q"), R.list(["i"], border=1), R.preformatted("x = `1`\n```", language="py", border=1), R.quote("r")
        ),
        "> q\n\n> - i\n\n> ````py\n> x = `1`\n> ```\n> ````\n\n> r",
    ),
    (
        rich(R.section("line\nnext\n\npara\n\n\nthree ", R.link("https://x.io"), " ", R.link("rel/x"))),
        "line\\\nnext\n\npara\\\n\\\n\\\nthree <https://x.io> ![](rel/x)",
    ),
]


@pytest.mark.parametrize(("blocks", "markdown"), RICH)
def test_rich_text(blocks, markdown):
    assert from_blocks(blocks) == markdown


# A user's message as conversations.history returns it: rich text with mentions, emoji and a date.
SLACK_MESSAGE = {
    "type": "message",
    "user": "U0123ABCD",
    "ts": "1733650800.000100",
    "team": "T0001",
    "text": "Hey <@U0456EFGH>, the deploy is *done* :tada: see <#C0789IJKL> (<!date^1733650800^{date_short}|Dec 8>)",
    "blocks": [
        {
            "type": "rich_text",
            "block_id": "Vx1",
            "elements": [
                {
                    "type": "rich_text_section",
                    "elements": [
                        {"type": "text", "text": "Hey "},
                        {"type": "user", "user_id": "U0456EFGH"},
                        {"type": "text", "text": ", the deploy is "},
                        {"type": "text", "text": "done", "style": {"bold": True}},
                        {"type": "text", "text": " "},
                        {"type": "emoji", "name": "tada", "unicode": "1f389"},
                        {"type": "text", "text": " see "},
                        {"type": "channel", "channel_id": "C0789IJKL"},
                        {"type": "text", "text": " ("},
                        {"type": "date", "timestamp": 1733650800, "format": "{date_short}", "fallback": "Dec 8"},
                        {"type": "text", "text": ")\n"},
                    ],
                },
                {
                    "type": "rich_text_list",
                    "style": "bullet",
                    "indent": 0,
                    "border": 0,
                    "elements": [
                        {
                            "type": "rich_text_section",
                            "elements": [
                                {"type": "emoji", "name": "wave", "unicode": "1f44b-1f3fd", "skin_tone": 4},
                                {"type": "text", "text": " "},
                                {"type": "usergroup", "usergroup_id": "S0614TZR7"},
                            ],
                        },
                        {
                            "type": "rich_text_section",
                            "elements": [
                                {"type": "broadcast", "range": "here"},
                                {"type": "text", "text": " at "},
                                {"type": "date", "timestamp": 1733650800, "format": "{time}"},
                            ],
                        },
                    ],
                },
            ],
        }
    ],
}


@pytest.mark.parametrize(
    ("options", "expected"),
    [
        (
            {},
            "Hey <@U0456EFGH>, the deploy is **done** :tada: see <#C0789IJKL> (Dec 8)&#10;\n\n"
            "- :wave::skin-tone-4: <!subteam^S0614TZR7>\n- @here at 2024-12-08 09:40 UTC",
        ),
        (
            {
                "users": {"U0456EFGH": "ana"},
                "channels": {"C0789IJKL": "deploys"},
                "usergroups": {"S0614TZR7": "@oncall"},
            },
            "Hey @ana, the deploy is **done** :tada: see #deploys (Dec 8)&#10;\n\n"
            "- :wave::skin-tone-4: @oncall\n- @here at 2024-12-08 09:40 UTC",
        ),
        (
            {"plain": True},
            "Hey @U0456EFGH, the deploy is done :tada: see #C0789IJKL (Dec 8)\n\n\n"
            "- :wave::skin-tone-4: @S0614TZR7\n- @here at 2024-12-08 09:40 UTC",
        ),
    ],
)
def test_a_users_message_with_mentions_emoji_and_dates(options, expected):
    assert from_blocks(SLACK_MESSAGE, **options) == expected


@pytest.mark.parametrize(
    ("text", "options", "expected"),
    [
        (
            "<@U1|bob> <#C2|general> <!subteam^S3|@team> <!here|here> <@u1>",
            {},
            "<@U1|bob> <#C2|general> <!subteam^S3|@team> @here @u1",
        ),
        ("<@U1|bob> <#C2|general> <!subteam^S3|@team>", {"plain": True}, "@bob #general @team"),
        (
            "<@U1|bob> <#C2|general> <!subteam^S3|@team>",
            {"users": {"U1": "Bob *B*"}, "channels": {"C2": "#ops"}, "usergroups": {"S9": "x"}},
            "@Bob \\*B\\* #ops <!subteam^S3|@team>",
        ),
    ],
)
def test_mention_mappings(text, options, expected):
    assert from_blocks({"type": "message", "text": text, "blocks": []}, **options) == expected


def test_what_it_reads_from():
    blocks = to_blocks("# Hi\n\n**b**")
    message = type("Message", (), {"build_blocks": lambda self: blocks})()
    for source in (blocks, {"blocks": blocks, "text": "ignored"}, message):
        assert from_blocks(source) == "# Hi\n\n**b**"
    assert from_blocks(blocks[0]) == "# Hi"
    assert from_blocks({"type": "message", "text": "*b*"}) == from_blocks({"text": "*b*", "blocks": []}) == "**b**"
    assert from_blocks([]) == from_blocks({}) == ""


@pytest.mark.parametrize(
    ("call", "message"),
    [
        (
            lambda: from_blocks("# x"),
            "from_blocks() takes a list of blocks, a block, a payload or message dict, or a message object, not str",
        ),
        (lambda: from_blocks(["x"]), "Expected a block (dict), got str"),
        (lambda: from_blocks({"blocks": "x"}), "A message's 'blocks' must be a list, not str"),
        (
            lambda: from_blocks([], users=[("U1", "a")]),
            "Argument 'users' has incorrect type (expected a mapping of IDs to names or None, got list)",
        ),
    ],
)
def test_bad_input(call, message):
    with pytest.raises(TypeError) as raised:
        call()
    assert str(raised.value) == message


# ---- what to_blocks writes, it reads back unchanged ----------------------------------------------

ROUND_TRIP = (
    [case[0] for case in CASES + OPTION_CASES + TABLES]
    + DEEP
    + [
        LLM_ANSWER,
        "- a\n  - b\n\n    ```\n    x\n    ```\n  - c\n\n* d",
        "***a* b** _c_ ~~**d**~~ `e` [**f** g](https://x.io) x**.**y _é_",
        "> q\n>\n> p\n\n> r\n\n---\n\n> - i\n> - j\n\n1. a\n8) b",
        "".join("  " * i + f"- item{i}\n" for i in range(12)),
        "| `a|b` | c |\n|---|---|\n| <b> | |",
    ]
)


@pytest.mark.parametrize("markdown", ROUND_TRIP)
def test_round_trip(markdown):
    blocks = to_blocks(markdown)
    assert to_blocks(from_blocks(blocks)) == blocks


# No control characters: where no entity can stand for one beside a delimiter, a style may not hold.
TEXT = st.text(st.characters(exclude_categories=("Cc", "Cs", "Cn")), max_size=8)


@settings(max_examples=300, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(
    st.lists(
        FRAGMENTS | st.sampled_from(["***", "**_", "&#32;", "\\\n", "1) ", "\t", "é", "€", "  - ", "<!-- -->"]) | TEXT,
        max_size=40,
    ).map("".join)
)
def test_round_trip_of_any_markdown(markdown):
    blocks = to_blocks(markdown)
    assert to_blocks(from_blocks(blocks)) == blocks
