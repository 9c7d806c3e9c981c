"""velmora.markdown.to_blocks: Markdown as native blocks that Slack takes, with no text lost."""

from __future__ import annotations

from pathlib import Path

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from markdown_it import MarkdownIt
from slack_sdk.models.blocks import Block

from support import run_python, sdk_view
from velmora import validate
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


def assert_kept_and_valid(text: str, blocks) -> None:
    assert validate(blocks) == [], blocks
    for block in blocks:
        assert Block.parse(block).to_dict() == sdk_view(block)
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
    ("**b** *i* ~~s~~ `c` ***bi***", rich(section(
        text("b", bold=True), text(" "), text("i", italic=True), text(" "), text("s", strike=True), text(" "),
        text("c", code=True), text(" "), text("bi", bold=True, italic=True)))),
    ("[docs](https://x/d) <https://x> <a@b.c> [**b**c](https://y)", rich(section(
        R.link("https://x/d", "docs"), text(" "), R.link("https://x"), text(" "), R.link("mailto:a@b.c", "a@b.c"),
        text(" "), R.link("https://y", "b", bold=True), R.link("https://y", "c")))),
    ("one\ntwo  \nthree\n\nnext <b>raw</b>", rich(section(text("one\ntwo\nthree\n\nnext <b>raw</b>")))),
    ("# Title\n\n### Small", [{"type": "header", "text": {"type": "plain_text", "text": "Title", "emoji": True}},
                              *rich(section(text("Small", bold=True)))]),
    ("# " + "x" * 151, rich(section(text("x" * 151, bold=True)))),
    ("- a\n  - b\n- c", rich(R.list(["a"]), R.list(["b"], indent=1), R.list(["c"]))),
    ("3. a\n4. b\n   1. c\n5. d\n\n   more", rich(R.list(["a", "b"], style="ordered", offset=2),
                                               R.list(["c"], style="ordered", indent=1),
                                               R.list([["d\nmore"]], style="ordered", offset=4))),
    ("> q\n> - i\n>\n> ```\n> x\n> ```", rich(R.quote("q"), R.list(["i"], border=1), R.preformatted("x", border=1))),
    ("```python extra\nprint(1)\n```\n\n    indented", rich(R.preformatted("print(1)", language="python"),
                                                        R.preformatted("indented"))),
    ("a\n\n---\n\n<div>\nx\n</div>", [*rich(section(text("a"))), {"type": "divider"},
                                       *rich(section(text("<div>\nx\n</div>")))]),
    ("t ![A cat](https://x/c.png \"Cat\") u", [*rich(section(text("t "))),
                                               {"type": "image", "image_url": "https://x/c.png", "alt_text": "A cat",
                                                "title": {"type": "plain_text", "text": "Cat"}},
                                               *rich(section(text(" u")))]),
    ("- ![A cat](https://x/c.png) ![](c.png) ![b]()", rich(R.list([[R.link("https://x/c.png", "A cat"), " ",
                                                                   R.link("c.png"), " b"]]))),
    ("| a | b | c |\n|---|:-:|--:|\n| 1 | **2** |", [{"type": "table", "column_settings": [
        {"align": "left"}, {"align": "center"}, {"align": "right"}], "rows": [
        [cell(text(h, bold=True)) for h in "abc"],
        [cell(text("1")), cell(text("2", bold=True)), cell({"type": "text", "text": ""})]]}]),
    ("x\u2028y\r\n\r\n| a |\n|---|\n| 1 | 2 |", [*rich(section(text("x\u2028y"))), {
        "type": "table", "column_settings": [{"align": "left"}],
        "rows": [[cell(text("a", bold=True))], [cell(text("1 | 2"))]]}]),
    ("| a |\n|---|\n| 1 | 2 \\| x | 3 |\n\n| b |\n|---|\n| 4 |",
     [{"type": "table", "column_settings": [{"align": "left"}],
       "rows": [[cell(text("a", bold=True))], [cell(text("1 | 2 | x | 3"))]]},
      *rich(section(text("b", bold=True), text("\n4")))]),
]


@pytest.mark.parametrize(("markdown", "expected"), CASES)
def test_what_each_construct_becomes(markdown, expected):
    blocks = to_blocks(markdown)
    assert blocks == expected
    assert_kept_and_valid(markdown, blocks)


LLM_ANSWER = (Path(__file__).parent / "data" / "llm_answer.md").read_text()


def test_an_llm_answer_becomes_valid_blocks_with_no_text_lost():
    blocks = to_blocks(LLM_ANSWER)
    assert [b["type"] for b in blocks] == ["header", "rich_text", "header", "rich_text", "table", "divider", "image",
                                           "rich_text"]
    parts = [p["type"] for b in blocks if b["type"] == "rich_text" for p in b["elements"]]
    assert {"rich_text_section", "rich_text_list", "rich_text_quote", "rich_text_preformatted"} <= set(parts)
    lists = [p for b in blocks if b["type"] == "rich_text" for p in b["elements"] if p["type"] == "rich_text_list"]
    assert any(p.get("indent") == 1 for p in lists) and any(p["style"] == "ordered" for p in lists)
    assert_kept_and_valid(LLM_ANSWER, blocks)


def test_a_long_document_keeps_to_fifty_blocks_and_one_table():
    table = "| h |\n|---|\n" + "| r |\n" * 120
    text = "".join(f"# H{i}\n\n![i](https://x/{i}.png)\n\n---\n\n" for i in range(30)) + table + "\n" + table
    blocks = to_blocks(text)
    assert len(blocks) <= 3 and sum(b["type"] == "table" for b in blocks) <= 1
    assert_kept_and_valid(text, blocks)


FRAGMENTS = st.sampled_from([
    "# ", "## ", "### ", "- ", "  - ", "* ", "1. ", "0. ", "7) ", "> ", ">> ", "```", "```py\n", "~~~\n", "    ",
    "---\n", "***", "| a | b |\n", "|---|:-:|\n", "| x |\n", "| 1 | 2 | 3 |\n", "![alt](https://x/i.png)",
    "![](rel.png)", "[l](https://x)", "[](u)", "<https://x>", "**", "*", "_", "~~", "`", "<b>", "<div>\n", "\\",
    "&amp;", "&#0;", " ", "  \n", "\n", "\n\n", "\r\n", "\u2028", "\x0c", "Setext\n===\n", "[r]: https://r\n", "[r]",
])
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
