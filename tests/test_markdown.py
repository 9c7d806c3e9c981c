"""velmora.markdown.to_blocks: Markdown as native blocks that Slack takes, with no text lost."""

from __future__ import annotations

import re
from pathlib import Path

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from markdown_it import MarkdownIt
from slack_sdk.models.blocks import Block

from support import run_python, sdk_view
from velmora import fit, validate
from velmora.blocks.rich_text import RichText as R
from velmora.markdown import to_blocks

PARSER = MarkdownIt("commonmark").enable(["table", "strikethrough"])


def visible(tokens) -> str:
    """The text a Markdown reader sees, read from the parser's tokens (not from velmora's code)."""
    out = []
    for token in tokens:
        if token.type in ("fence", "code_block", "html_block", "text", "code_inline", "html_inline"):
            out.append(token.content)
        if token.children:
            out.append(visible(token.children))
    return "".join(out)


def shown(value) -> str:
    """Every text the blocks show: texts, link labels (or their URL), alt texts, in order."""
    if isinstance(value, list):
        return "".join(shown(v) for v in value)
    if not isinstance(value, dict):
        return ""
    if value.get("type") == "link":
        return value.get("text") or value["url"]
    own = value["text"] if isinstance(value.get("text"), str) else ""
    return own + value.get("alt_text", "") + "".join(shown(v) for v in value.values())


def assert_valid(blocks) -> None:
    for payload in fit(blocks):  # a message holds one table: several go to messages of their own
        assert validate(payload["blocks"]) == [], payload
    for block in blocks:
        assert Block.parse(block).to_dict() == sdk_view(block)


def assert_kept_and_valid(text: str, blocks) -> None:
    assert_valid(blocks)
    wanted = "".join(visible(PARSER.parse(text)).split())
    have = iter("".join(shown(blocks).split()))
    assert all(char in have for char in wanted), f"text lost:\n{wanted}\n{''.join(shown(blocks).split())}"


def section(*elements):
    return {"type": "rich_text_section", "elements": list(elements)}


def rich(*parts):
    return [{"type": "rich_text", "elements": list(parts)}]


def cell(*elements):
    return rich(section(*elements))[0]


def text(value, **style):
    return R.text(value, **style)


CASES = [
    ("", []),
    ("  \n\n", []),
    (
        "**b** *i* ~~s~~ `c` ***bi***",
        rich(
            section(
                text("b", bold=True),
                text(" "),
                text("i", italic=True),
                text(" "),
                text("s", strike=True),
                text(" "),
                text("c", code=True),
                text(" "),
                text("bi", bold=True, italic=True),
            )
        ),
    ),
    (
        "[docs](https://x/d) <https://x> <a@b.c> [**b**c](https://y)",
        rich(
            section(
                R.link("https://x/d", "docs"),
                text(" "),
                R.link("https://x"),
                text(" "),
                R.link("mailto:a@b.c", "a@b.c"),
                text(" "),
                R.link("https://y", "b", bold=True),
                R.link("https://y", "c"),
            )
        ),
    ),
    ("one\ntwo  \nthree\n\nnext <b>raw</b>", rich(section(text("one two\nthree\n\nnext <b>raw</b>")))),
    (
        "# Title\n\n### Small",
        [
            {"type": "header", "text": {"type": "plain_text", "text": "Title", "emoji": True}},
            *rich(section(text("Small", bold=True))),
        ],
    ),
    ("# " + "x" * 151, rich(section(text("x" * 151, bold=True)))),
    ("- a\n  - b\n- c", rich(R.list(["a"]), R.list(["b"], indent=1), R.list(["c"]))),
    (
        "3. a\n4. b\n   1. c\n5. d\n\n   more",
        rich(
            R.list(["a", "b"], style="ordered", offset=2),
            R.list(["c"], style="ordered", indent=1),
            R.list([["d\nmore"]], style="ordered", offset=4),
        ),
    ),
    ("> q\n> - i\n>\n> ```\n> x\n> ```", rich(R.quote("q"), R.list(["i"], border=1), R.preformatted("x", border=1))),
    (
        "```python extra\nprint(1)\n```\n\n    indented",
        rich(R.preformatted("print(1)", language="python"), R.preformatted("indented")),
    ),
    (
        "a\n\n---\n\n<div>\nx\n</div>",
        [*rich(section(text("a"))), {"type": "divider"}, *rich(section(text("<div>\nx\n</div>")))],
    ),
    (
        't ![A cat](https://x/c.png "Cat") u',
        [
            *rich(section(text("t "))),
            {
                "type": "image",
                "image_url": "https://x/c.png",
                "alt_text": "A cat",
                "title": {"type": "plain_text", "text": "Cat"},
            },
            *rich(section(text(" u"))),
        ],
    ),
    (
        "- ![A cat](https://x/c.png) ![](c.png) ![b]()",
        rich(R.list([[R.link("https://x/c.png", "A cat"), " ", R.link("c.png"), " b"]])),
    ),
    (
        "| a | b | c |\n|---|:-:|--:|\n| 1 | **2** |",
        [
            {
                "type": "table",
                "column_settings": [{"align": "left"}, {"align": "center"}, {"align": "right"}],
                "rows": [
                    [cell(text(h, bold=True)) for h in "abc"],
                    [cell(text("1")), cell(text("2", bold=True)), cell(text(" "))],
                ],
            }
        ],
    ),
    (
        "x\u2028y\r\n\r\n| a |\n|---|\n| 1 | 2 |",
        [
            *rich(section(text("x\u2028y"))),
            {
                "type": "table",
                "column_settings": [{"align": "left"}],
                "rows": [[cell(text("a", bold=True))], [cell(text("1 | 2"))]],
            },
        ],
    ),
    (
        "| a |\n|---|\n| 1 | 2 \\| x | 3 |\n\n| b |\n|---|\n| 4 |",
        [
            {
                "type": "table",
                "column_settings": [{"align": "left"}],
                "rows": [[cell(text("a", bold=True))], [cell(text("1 | 2 | x | 3"))]],
            },
            {
                "type": "table",
                "column_settings": [{"align": "left"}],
                "rows": [[cell(text("b", bold=True))], [cell(text("4"))]],
            },
        ],
    ),
]


@pytest.mark.parametrize(("markdown", "expected"), CASES)
def test_what_each_construct_becomes(markdown, expected):
    blocks = to_blocks(markdown)
    assert blocks == expected
    assert_kept_and_valid(markdown, blocks)


def header(value):
    return {"type": "header", "text": {"type": "plain_text", "text": value, "emoji": True}}


def entity(kind, value=None, **style):
    key = {
        "user": "user_id",
        "channel": "channel_id",
        "usergroup": "usergroup_id",
        "broadcast": "range",
        "emoji": "name",
    }[kind]
    return {"type": kind, key: value, **({"style": style} if style else {})}


MENTIONS = "<!here|here> <!channel> <!everyone> <@U1> <@W2|bob> <#C3|ops> <#G4> <!subteam^S5|@team>"


OPTION_CASES = [
    ("wrapped\nline  \nhard", {}, rich(section(text("wrapped line\nhard")))),
    ("wrapped\nline  \nhard", {"breaks": True}, rich(section(text("wrapped\nline\nhard")))),
    (
        "Setext\nheading\n===\n\n![a\nb](https://x/i.png)",
        {},
        [header("Setext heading"), {"type": "image", "image_url": "https://x/i.png", "alt_text": "a b"}],
    ),
    # without slack_entities Slack's forms stay text: no mailto: link, no ping, no raw HTML paragraph
    ("x " + MENTIONS + " :tada:", {}, rich(section(text("x " + MENTIONS + " :tada:")))),
    ("<!here> look *now*", {}, rich(section(text("<!here> look "), text("now", italic=True)))),
    (
        MENTIONS,
        {"slack_entities": True},
        rich(
            section(
                entity("broadcast", "here"),
                text(" "),
                entity("broadcast", "channel"),
                text(" "),
                entity("broadcast", "everyone"),
                text(" "),
                entity("user", "U1"),
                text(" "),
                entity("user", "W2"),
                text(" "),
                entity("channel", "C3"),
                text(" "),
                entity("channel", "G4"),
                text(" "),
                entity("usergroup", "S5"),
            )
        ),
    ),
    (
        "**<@U1>** ~~:tada:~~ [<#C1>](https://x) `<@U1>` <@u1> <#C1",
        {"slack_entities": True},
        rich(
            section(
                entity("user", "U1", bold=True),
                text(" "),
                entity("emoji", "tada"),
                text(" "),
                R.link("https://x", "<#C1>"),
                text(" "),
                text("<@U1>", code=True),
                text(" <@u1> <#C1"),
            )
        ),
    ),
    (
        ":+1: :white_check_mark: 10:30:45 a:b: :: :Tada: :-1:",
        {"slack_entities": True},
        rich(
            section(
                entity("emoji", "+1"),
                text(" "),
                entity("emoji", "white_check_mark"),
                text(" 10:30:45 a:b: :: :Tada: "),
                entity("emoji", "-1"),
            )
        ),
    ),
    (
        "# Hi <@U1> :tada:\n\n| <@U1> |\n|---|\n| :x: |",
        {"slack_entities": True},
        [
            header("Hi <@U1> :tada:"),
            {
                "type": "table",
                "column_settings": [{"align": "left"}],
                "rows": [[cell(entity("user", "U1", bold=True))], [cell(entity("emoji", "x"))]],
            },
        ],
    ),
]


@pytest.mark.parametrize(("markdown", "options", "expected"), OPTION_CASES)
def test_line_breaks_and_slack_entities(markdown, options, expected):
    blocks = to_blocks(markdown, **options)
    assert blocks == expected
    assert_valid(blocks)


DEEP = [
    "".join("  " * i + f"- item{i}\n" for i in range(40)),
    "".join("   " * i + f"1. step{i}\n" for i in range(30)),
    ">" * 100 + " deep *x*\n" + ">" * 100 + " more",
    "- > " * 20 + "deepest\n\n" + "> " * 19 + "- last",
]


@pytest.mark.parametrize("markdown", DEEP)
def test_no_text_lost_at_any_depth(markdown):
    blocks = to_blocks(markdown)
    have, at = shown(blocks), 0
    for word in re.findall(r"[a-z]+\d+|[a-z]+", markdown):  # every word, in order
        at = have.index(word, at) + len(word)
    lists = [p for b in blocks for p in b["elements"] if p["type"] == "rich_text_list"]
    assert max((p.get("indent", 0) for p in lists), default=0) <= 8
    assert_valid(blocks)


LLM_ANSWER = (Path(__file__).parent / "data" / "llm_answer.md").read_text()


def test_an_llm_answer_becomes_valid_blocks_with_no_text_lost():
    blocks = to_blocks(LLM_ANSWER)
    assert [b["type"] for b in blocks] == [
        "header",
        "rich_text",
        "header",
        "rich_text",
        "table",
        "divider",
        "image",
        "rich_text",
    ]
    parts = [p["type"] for b in blocks if b["type"] == "rich_text" for p in b["elements"]]
    assert {"rich_text_section", "rich_text_list", "rich_text_quote", "rich_text_preformatted"} <= set(parts)
    lists = [p for b in blocks if b["type"] == "rich_text" for p in b["elements"] if p["type"] == "rich_text_list"]
    assert any(p.get("indent") == 1 for p in lists) and any(p["style"] == "ordered" for p in lists)
    assert_kept_and_valid(LLM_ANSWER, blocks)


def table(rows: int, columns: int = 1, width: int = 1) -> str:
    return (
        "|"
        + " h |" * columns
        + "\n|"
        + "---|" * columns
        + "\n"
        + "".join("|" + f" {str(r).rjust(width, 'x')} |" * columns + "\n" for r in range(rows))
    )


TABLES = [
    # a long document: headings as sections and images as links, every table a table block
    (
        "".join(f"# H{i}\n\n![i](https://x/{i}.png)\n\n---\n\n" for i in range(30)) + table(120) + "\n" + table(120),
        [100, 22, 100, 22],
    ),
    (table(250), [100, 100, 53]),
    (table(30, 2, 200), [25, 7]),  # at most 10,000 characters of cells in a table (the header row counts)
    (table(3, 21), []),  # wider than Slack's 20 columns: rows of text
    (table(2, 1, 10_000), []),  # a row that no table can hold
]


@pytest.mark.parametrize(("markdown", "tables"), TABLES)
def test_every_table_that_fits_stays_a_table(markdown, tables):
    blocks = to_blocks(markdown)
    parts = [b for b in blocks if b["type"] == "table"]
    assert [len(b["rows"]) for b in parts] == tables
    assert all(b["rows"][0] == parts[0]["rows"][0] for b in parts)
    assert len(blocks) <= 50 and {b["type"] for b in blocks} <= {"rich_text", "table"}
    assert_kept_and_valid(markdown, blocks)


FRAGMENTS = st.sampled_from(
    [
        "# ",
        "## ",
        "### ",
        "- ",
        "  - ",
        "* ",
        "1. ",
        "0. ",
        "7) ",
        "> ",
        ">> ",
        "```",
        "```py\n",
        "~~~\n",
        "    ",
        "---\n",
        "***",
        "| a | b |\n",
        "|---|:-:|\n",
        "| x |\n",
        "| 1 | 2 | 3 |\n",
        "![alt](https://x/i.png)",
        "![](rel.png)",
        "[l](https://x)",
        "[](u)",
        "<https://x>",
        "**",
        "*",
        "_",
        "~~",
        "`",
        "<b>",
        "<div>\n",
        "\\",
        "&amp;",
        "&#0;",
        " ",
        "  \n",
        "\n",
        "\n\n",
        "\r\n",
        "\u2028",
        "\x0c",
        "Setext\n===\n",
        "[r]: https://r\n",
        "[r]",
    ]
)
DOCUMENTS = st.lists(FRAGMENTS | st.text(max_size=8), max_size=40).map("".join)


@settings(max_examples=300, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(DOCUMENTS)
def test_any_markdown_gives_valid_blocks_with_no_text_lost(markdown):
    assert_kept_and_valid(markdown, to_blocks(markdown))


def test_bad_input_and_the_missing_extra():
    with pytest.raises(TypeError, match=r"^Argument 'text' has incorrect type \(expected str, got bytes\)$"):
        to_blocks(b"# x")
    done = run_python("""
        import sys
        sys.modules["markdown_it"] = None  # as if markdown-it-py were not installed
        from velmora.markdown import to_blocks  # importing needs nothing
        try:
            to_blocks("# x")
        except ImportError as error:
            print(error)
    """)
    assert done.stdout == "velmora.markdown needs markdown-it-py: pip install 'velmora[markdown]'\n", done.stderr
