"""velmora.fit: a message spread over as many payloads as Slack's limits need, in order, with
nothing dropped; and BaseVelmora.payloads()."""

from __future__ import annotations

import copy
import re
from typing import Any

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from message_fakes import Blocks
from support import assert_no_leak

import velmora
from velmora import fit, validate
from velmora.blocks import Actions, Section


def md(text: str) -> dict[str, Any]:
    return {"type": "mrkdwn", "text": text}


def section(text: str, **keys: Any) -> dict[str, Any]:
    return {"type": "section", "text": md(text), **keys}


def buttons(count: int, **keys: Any) -> dict[str, Any]:
    elements = [
        {"type": "button", "text": {"type": "plain_text", "text": f"b{i}"}, "action_id": f"a{i}"} for i in range(count)
    ]
    return {"type": "actions", "elements": elements, **keys}


def table(rows: int, width: int = 0) -> dict[str, Any]:
    return {
        "type": "table",
        "column_settings": [{"align": "right"}],
        "rows": [[{"type": "raw_text", "text": f"r{i}".ljust(width, "x")}] for i in range(rows)],
    }


def data_table(rows: int, width: int = 0, **keys: Any) -> dict[str, Any]:
    return {
        "type": "data_table",
        "caption": "Runs",
        "rows": [[{"type": "raw_text", "text": f"r{i}".ljust(width, "x")}] for i in range(rows)],
        **keys,
    }


def chart(title: str = "c") -> dict[str, Any]:
    return {
        "type": "data_visualization",
        "title": title,
        "chart": {"type": "pie", "segments": [{"label": "a", "value": 1}]},
    }


DIVIDER = {"type": "divider"}


def shape(payloads: list[dict[str, Any]]) -> list[list[str]]:
    """Each payload's blocks, as type:size (texts, elements, fields or rows) and block_id."""

    def one(block: dict[str, Any]) -> str:
        size = (
            len(block["text"]["text"])
            if "text" in block and block["type"] == "section"
            else len(block.get("elements", block.get("fields", block.get("rows", []))))
        )
        return f"{block['type']}:{size}" + (f"#{block['block_id']}" if "block_id" in block else "")

    return [[one(b) for b in p["blocks"]] for p in payloads]


PARAGRAPH = "word " * 99 + "wor\n\n"  # 500 characters
CASES = [
    # block counts, tables and markdown per message
    ([DIVIDER] * 120, {}, [["divider:0"] * 50, ["divider:0"] * 50, ["divider:0"] * 20]),
    ([DIVIDER] * 5, {"max_blocks": 2}, [["divider:0"] * 2, ["divider:0"] * 2, ["divider:0"]]),
    ([table(3), DIVIDER, table(2)], {}, [["table:3", "divider:0"], ["table:2"]]),
    (
        [{"type": "container", "title": {"type": "plain_text", "text": "t"}, "child_blocks": [table(2)]}, table(2)],
        {},
        [["container:0"], ["table:2"]],
    ),
    (
        [{"type": "markdown", "text": "m" * 7000}, DIVIDER, {"type": "markdown", "text": "m" * 5001}],
        {},
        [["markdown:0", "divider:0"], ["markdown:0"]],
    ),
    (
        [{"type": "markdown", "text": "m" * 7000}, {"type": "markdown", "text": "m" * 5000}],
        {},
        [["markdown:0", "markdown:0"]],
    ),
    # over-full blocks, with the ids of their parts
    (
        [section(PARAGRAPH * 13, block_id="long")],
        {},
        [["section:3000#long", "section:3000#long-2", "section:500#long-3"]],
    ),
    (
        [{"type": "section", "fields": [md("f")] * 25, "block_id": "f"}],
        {},
        [["section:10#f", "section:10#f-2", "section:5#f-3"]],
    ),
    (
        [buttons(30, block_id="acts"), buttons(2, block_id="acts-2")],
        {},
        [["actions:25#acts", "actions:5#acts-3", "actions:2#acts-2"]],
    ),
    ([{"type": "context", "elements": [md("c")] * 11}], {}, [["context:10", "context:1"]]),
    ([table(250)], {}, [["table:100"], ["table:100"], ["table:52"]]),
    ([table(50, 300)], {}, [["table:33"], ["table:18"]]),  # 10,000 characters of cells, the header's included
    (
        [section("x" * 4000, block_id="b" * 255)],
        {},
        [["section:3000#" + "b" * 255, "section:1000#" + "b" * 253 + "-2"]],
    ),
    # at most 12,000 characters of text in all the blocks of a message (a guard), tables aside
    ([section("x" * 2900)] * 5, {}, [["section:2900"] * 4, ["section:2900"]]),
    ([{"type": "section", "fields": [md("f" * 2000)] * 10}], {}, [["section:4"], ["section:4", "section:2"]]),
    ([{"type": "context", "elements": [md("c" * 3000)] * 5}], {}, [["context:4"], ["context:1"]]),
    ([table(100), section("x" * 2900)] * 2, {}, [["table:100", "section:2900"], ["table:100", "section:2900"]]),
    # two charts a message; a data table counts as the message's table, split by rows or characters
    ([chart()] * 5, {}, [["data_visualization:0"] * 2, ["data_visualization:0"] * 2, ["data_visualization:0"]]),
    (
        [data_table(3), table(2), chart(), DIVIDER, chart(), chart()],
        {},
        [
            ["data_table:3"],
            ["table:2", "data_visualization:0", "divider:0", "data_visualization:0"],
            ["data_visualization:0"],
        ],
    ),
    ([data_table(450, block_id="d")], {}, [["data_table:201#d"], ["data_table:201#d-2"], ["data_table:50#d-3"]]),
    ([data_table(100, 300)], {}, [["data_table:66"], ["data_table:35"]]),  # 20,000 characters, the header's included
    ([data_table(201), data_table(202)], {}, [["data_table:201"], ["data_table:201"], ["data_table:2"]]),
]


@pytest.mark.parametrize(("blocks", "options", "expected"), CASES)
def test_spreading_and_splitting(blocks, options, expected):
    before = copy.deepcopy(blocks)
    payloads = fit(blocks, **options)
    assert shape(payloads) == expected
    assert all(list(p) == ["blocks"] and validate(p) == [] for p in payloads)
    assert blocks == before  # the caller's blocks are untouched


def test_cuts_fall_at_paragraphs_lines_and_spaces_never_inside_markup():
    link = "<https://example.com/" + "x" * 40 + "|docs>"
    code = "```" + "code line\n" * 400 + "```"
    cases = [
        # a code block is closed at the end of a part and reopened at the start of the next
        (code, [code[:2993] + "```", "```" + code[2993:]]),
        # spaces inside a style or code span are passed over; a grapheme cluster stays whole
        ("a " * 1495 + "*bold text here* tail", ["a " * 1495, "*bold text here* tail"]),
        ("a" * 2990 + " `code span here` tail", ["a" * 2990 + " ", "`code span here` tail"]),
        ("a" * 2999 + "👍🏽", ["a" * 2999, "👍🏽"]),
        ("a" * 2998 + "🇫🇷🇩🇪", ["a" * 2998 + "🇫🇷", "🇩🇪"]),
        ("a" * 2999 + "e\u0301", ["a" * 2999, "e\u0301"]),
        ("a" * 2000 + "\n\n" + "b" * 1500 + "\n" + "c" * 900, ["a" * 2000 + "\n\n", "b" * 1500 + "\n" + "c" * 900]),
        ("a" * 2500 + "\n" + "b" * 400 + " " + "c" * 400, ["a" * 2500 + "\n", "b" * 400 + " " + "c" * 400]),
        ("a" * 2990 + " " + "b" * 100, ["a" * 2990 + " ", "b" * 100]),
        ("a" * 2990 + link, ["a" * 2990, link]),
        ("a" * 2997 + "&amp;b", ["a" * 2997, "&amp;b"]),
        ("a" * 3001, ["a" * 3000, "a"]),
    ]
    for text, parts in cases:
        [payload] = fit({"blocks": [section(text)]})
        assert [b["text"]["text"] for b in payload["blocks"]] == parts
    # plain text has no entities and no code blocks
    plain = "a" * 2990 + " <@U1|" + "x" * 20 + "> ```"
    [payload] = fit([{"type": "section", "text": {"type": "plain_text", "text": plain}}])
    assert [b["text"]["text"] for b in payload["blocks"]] == [plain[:2991], plain[2991:]]


def test_a_split_section_keeps_its_accessory_first_and_its_fields_after_the_text():
    accessory = {"type": "button", "text": {"type": "plain_text", "text": "Go"}, "action_id": "go"}
    text = {"type": "mrkdwn", "text": "t " * 2000, "verbatim": True}
    block = {
        "type": "section",
        "text": text,
        "fields": [md(str(i)) for i in range(12)],
        "accessory": accessory,
        "expand": True,
        "block_id": "s",
    }
    [payload] = fit([block])
    first, second, third = payload["blocks"]
    assert list(first) == ["type", "text", "accessory", "expand", "block_id"] and first["accessory"] is accessory
    assert list(second) == ["type", "text", "fields", "expand", "block_id"] and len(second["fields"]) == 10
    assert list(third) == ["type", "fields", "expand", "block_id"] and [f["text"] for f in third["fields"]] == [
        "10",
        "11",
    ]
    assert (
        list(first["text"]) == ["type", "text", "verbatim"]
        and first["text"]["text"] + second["text"]["text"] == text["text"]
    )
    assert [b["block_id"] for b in payload["blocks"]] == ["s", "s-2", "s-3"]


@pytest.mark.parametrize(
    ("block", "rows", "shared"),
    [
        (table(150), 100, "column_settings"),
        (data_table(250, page_size=20, row_header_column_index=0, block_id="runs"), 201, "caption"),
    ],
)
def test_split_tables_repeat_the_first_row_and_keep_the_other_keys(block, rows, shared):
    first, second = [p["blocks"][0] for p in fit([block])]
    assert first["rows"] == block["rows"][:rows]
    assert second["rows"][0] is block["rows"][0] and second["rows"][1:] == block["rows"][rows:]
    assert first[shared] is second[shared] is block[shared]
    assert list(first) == list(second) == list(block)
    assert {**second, "rows": None, "block_id": None} == {**block, "rows": None, "block_id": None}


def test_every_payload_keeps_the_other_keys_in_their_order():
    message = {"channel": "C1", "text": "fallback", "blocks": [DIVIDER] * 60, "thread_ts": "1.2", "unfurl_links": False}
    payloads = fit(message)
    assert [list(p) for p in payloads] == [list(message)] * 2
    assert all(p["text"] == "fallback" and p["thread_ts"] == "1.2" for p in payloads)
    assert [len(p["blocks"]) for p in payloads] == [50, 10] and payloads[0]["blocks"][0] is DIVIDER
    assert fit({"text": "alone"}) == [{"text": "alone"}] and fit([]) == [{"blocks": []}]
    assert fit(message)[0] is not fit(message)[0]


@pytest.mark.parametrize(
    ("message", "problems"),
    [
        (
            [{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}] + [DIVIDER] * 60,
            [{"path": "/0/text/text", "message": '"text" is 151 characters long; Slack allows at most 150.'}],
        ),
        (
            {
                "blocks": [
                    buttons(30),
                    {
                        "type": "actions",
                        "elements": [{"type": "button", "text": {"type": "plain_text", "text": "b" * 76}}],
                    },
                ]
            },
            [
                {
                    "path": "/blocks/1/elements/0/text/text",
                    "message": '"text" is 76 characters long; Slack allows at most 75.',
                }
            ],
        ),
        (
            [section("a" * 10 + "<https://example.com/" + "x" * 3000 + ">")],
            [
                {
                    "path": "/0/text/text",
                    "message": '"text" holds an entity or escape of more than 3000 characters at 10; '
                    "it cannot be cut into sections.",
                }
            ],
        ),
        (
            [section("x", block_id="a"), section("y", block_id="a")],
            [
                {
                    "path": "/1/block_id",
                    "message": 'block_id "a" is already used by an earlier block; each must be unique.',
                }
            ],
        ),
        (
            [
                {
                    "type": "container",
                    "title": {"type": "plain_text", "text": "t"},
                    "child_blocks": [section("x" * 3000)] * 5,
                }
            ],
            [
                {
                    "path": "/0",
                    "message": "This block holds 15001 characters of text; fit keeps a message within 12,000 (a "
                    "guard for Slack's msg_blocks_too_long) and cannot split this kind of block.",
                }
            ],
        ),
        # fit splits no block inside a container
        (
            [
                {
                    "type": "container",
                    "title": {"type": "plain_text", "text": "t"},
                    "child_blocks": [table(101), buttons(26)],
                }
            ],
            [
                {"path": "/0/child_blocks/0/rows", "message": '"rows" holds 101 items; a table allows at most 100.'},
                {
                    "path": "/0/child_blocks/1/elements",
                    "message": '"elements" holds 26 items; an actions block allows at most 25.',
                },
            ],
        ),
        (
            {"text": "x" * 4001, "blocks": []},
            [
                {
                    "path": "/text",
                    "message": "The fallback text is 4001 characters long; Slack refuses more than 4000 (msg_too_long).",
                }
            ],
        ),
    ],
)
def test_what_cannot_be_split_is_refused_with_invalid_blocks(message, problems):
    with pytest.raises(velmora.InvalidBlocks) as raised:
        fit(message)
    assert raised.value.problems == problems


def test_validate_reports_a_message_over_the_text_guard_once():
    over = (
        "The blocks hold {} characters of text up to here; keep a message within 12,000 (Slack refuses more "
        "with msg_blocks_too_long), or let velmora.fit split it."
    )
    assert validate({"blocks": [section("x" * 3000)] * 5}) == [{"path": "/blocks/4", "message": over.format(15000)}]
    assert validate([section("x" * 3000)] * 4 + [table(100)]) == []  # tables aside, and the options of a menu
    assert validate([section("x" * 3000)] * 3 + Section.static_select(options=["o" * 75] * 100, text="Pick")) == []
    assert validate([{"type": "markdown", "text": "m" * 13000}]) == [  # the markdown limit says it
        {
            "path": "/0/text",
            "message": "The markdown blocks hold 13000 characters up to here; Slack allows at most "
            "12,000 in all the markdown blocks of a message.",
        }
    ]


@pytest.mark.parametrize(
    ("args", "kwargs", "error", "message"),
    [
        (("blocks",), {}, TypeError, "fit() expects a list of blocks or a payload dict, got str"),
        (([], 10), {}, TypeError, "fit() takes 1 positional argument but 2 were given"),
        (([],), {"max_blocks": 51}, ValueError, "max_blocks must be 1 to 50, Slack's limit for a message, got 51"),
        (([],), {"max_blocks": 0}, ValueError, "max_blocks must be 1 to 50, Slack's limit for a message, got 0"),
        (([],), {"max_blocks": True}, TypeError, "Argument 'max_blocks' has incorrect type (expected int, got bool)"),
    ],
)
def test_bad_calls(args, kwargs, error, message):
    with pytest.raises(error) as raised:
        fit(*args, **kwargs)
    assert str(raised.value) == message


def markdown_parts(text: str) -> list[str]:
    return [b["text"] for p in fit([{"type": "markdown", "text": text}]) for b in p["blocks"]]


PARAGRAPH_1001 = "word " * 199 + "end.\n\n"
CODE = "```python\n" + "x = 1\n\nprint(x)\n" * 800 + "```\n"
ITEM = "- item " + "w " * 5980 + "\n\n  continued " + "c " * 500 + "\n"
TABLE = "| a | b |\n|---|---|\n" + "| x | y |\n" * 1300


@pytest.mark.parametrize(
    ("text", "starts", "ends"),
    [
        # at the last paragraph break within 12,000 characters
        (PARAGRAPH_1001 * 13, [PARAGRAPH_1001 * 11, PARAGRAPH_1001 * 2], None),
        # a paragraph break before a code block rather than one inside it; the block cut at a line,
        # closed and reopened with its language
        (
            "intro\n\n" + CODE + "\nafter",
            ["intro\n\n", "```python\nx = 1\n\nprint", "```python\n"],
            ["intro\n\n", "print(x)\n```", "```\n\nafter"],
        ),
        # between list items rather than inside one, then at the item's paragraph break
        ("- a\n" + ITEM + "- next\n", ["- a\n", "- item w", "  continued"], ["- a\n", "w \n\n", "- next\n"]),
        # a paragraph break before a table rather than a line between its rows; a table cut between
        # its rows goes on under its header rows
        (
            "intro\n\n" + TABLE,
            ["intro\n\n", "| a | b |\n|---|---|\n| x", "| a | b |\n|---|---|\n| x"],
            ["intro\n\n", "| x | y |\n", "| x | y |\n"],
        ),
    ],
)
def test_markdown_blocks_over_the_guard_are_cut_between_paragraphs(text, starts, ends):
    parts = markdown_parts(text)
    assert [part[: len(start)] for part, start in zip(parts, starts)] == starts and len(parts) == len(starts)
    if ends:
        assert [part[len(part) - len(end) :] for part, end in zip(parts, ends)] == ends
    assert all(len(part) <= 12000 for part in parts)
    if not ends:  # no code block: the parts are the text
        assert "".join(parts) == text


def rich_section(text: str) -> dict[str, Any]:
    return {"type": "rich_text_section", "elements": [{"type": "text", "text": text}]}


def test_rich_text_over_the_guard_is_cut_between_and_inside_its_parts():
    items = {
        "type": "rich_text_list",
        "elements": [rich_section("d" * 7000), rich_section("e" * 7000)],
        "style": "ordered",
        "border": 1,
    }
    code = {"type": "rich_text_preformatted", "elements": [{"type": "text", "text": "line\n" * 3000}]}
    block = {
        "type": "rich_text",
        "elements": [rich_section("a" * 5000), rich_section("b" * 5000), rich_section("c" * 5000), items, code],
        "block_id": "r",
    }
    payloads = fit([block])
    parts = [b for p in payloads for b in p["blocks"]]
    assert [[b["block_id"] for b in p["blocks"]] for p in payloads] == [["r"], ["r-2"], ["r-3"], ["r-4"], ["r-5"]]
    assert [[e["type"][10:] for e in b["elements"]] for b in parts] == [
        ["section", "section"],
        ["section", "list"],
        ["list"],
        ["preformatted"],
        ["preformatted"],
    ]
    first, second = parts[1]["elements"][1], parts[2]["elements"][0]
    assert list(first) == list(items) and list(second) == ["type", "elements", "style", "offset", "border"]
    assert second["offset"] == 1  # numbered on: "2."
    assert [len(b["elements"][0]["elements"][0]["text"]) for b in parts[3:]] == [12000, 3000]
    assert all(validate(p) == [] for p in payloads) and block["elements"][3] is items


# ---- properties ------------------------------------------------------------------------------

WORDS = st.text(alphabet="ab \n<>&|@!", min_size=1, max_size=12)
TEXTS = st.lists(WORDS, min_size=1, max_size=800).map("".join).filter(lambda t: t.strip() and "<" * 3001 not in t)
LINKY = st.sampled_from(["<https://example.com|docs> ", "<@U1> ", "&amp; ", "*bold* ", "\n\n"])
SECTION_TEXTS = (TEXTS | st.lists(LINKY | WORDS, min_size=1, max_size=900).map("".join)).filter(lambda t: t.strip())
BLOCKS = st.one_of(
    SECTION_TEXTS.map(section),
    st.integers(1, 23).map(lambda n: {"type": "section", "fields": [md(f"f{i}") for i in range(n)]}),
    st.integers(1, 60).map(buttons),
    st.integers(1, 25).map(lambda n: {"type": "context", "elements": [md(f"c{i}") for i in range(n)]}),
    st.integers(1, 230).map(table),
    st.integers(2, 450).map(data_table),
    st.just(chart()),
    st.integers(1, 7000).map(lambda n: {"type": "markdown", "text": "m" * n}),
    st.lists(st.text(alphabet="ab \n*_<&", min_size=1, max_size=4000), min_size=1, max_size=8).map(
        lambda paragraphs: {"type": "markdown", "text": "\n\n".join(paragraphs)}
    ),
    st.lists(st.text(alphabet="ab \n", min_size=1, max_size=7000).map(rich_section), min_size=1, max_size=4).map(
        lambda parts: {"type": "rich_text", "elements": parts}
    ),
    st.just(DIVIDER),
)


def text_count(value: Any) -> int:
    """The characters of text the guard counts: every str under "text", tables aside."""
    if isinstance(value, dict):
        if value.get("type") in ("table", "data_table"):
            return 0
        return sum(len(v) if k == "text" and isinstance(v, str) else text_count(v) for k, v in value.items())
    return sum(map(text_count, value)) if isinstance(value, list) else 0


def contents(blocks: list[dict[str, Any]]) -> list[tuple[str, Any]]:
    """What a message shows, in order: section texts (neighbouring ones joined, so that a text
    cut into parts equals the whole), fields, elements, markdown, table rows (the first row that
    a split table repeats, once) and other blocks."""
    out: list[tuple[str, Any]] = []
    header = None
    for block in blocks:
        kind = block["type"]
        if kind in ("markdown", "rich_text"):  # neighbouring parts joined, as for section texts
            shown = (
                block["text"]
                if kind == "markdown"
                else "".join(e["text"] for part in block["elements"] for e in part["elements"])
            )
            if out and out[-1][0] == kind:
                out[-1] = (kind, out[-1][1] + shown)
            else:
                out.append((kind, shown))
            header = None
            continue
        if kind in ("table", "data_table"):
            rows = block["rows"]
            out += [("row", row) for row in (rows[1:] if rows[0] is header else rows)]
            header = rows[0]
            continue
        header = None
        if kind == "section" and "text" in block:
            if out and out[-1][0] == "text":
                out[-1] = ("text", out[-1][1] + block["text"]["text"])
            else:
                out.append(("text", block["text"]["text"]))
        out += [("field", f) for f in block.get("fields", [])] + [("element", e) for e in block.get("elements", [])]
        if kind not in ("section", "actions", "context"):
            out.append(("block", block))
    return out


@settings(max_examples=150, deadline=None)
@given(st.lists(BLOCKS, max_size=70), st.integers(1, 50))
def test_every_payload_is_valid_and_keeps_the_message_in_order_and_in_full(blocks, max_blocks):
    payloads = fit({"text": "t", "blocks": blocks}, max_blocks=max_blocks)
    for payload in payloads:
        assert validate(payload) == []
        assert len(payload["blocks"]) <= max_blocks and text_count(payload["blocks"]) <= 12000
    out = [b for p in payloads for b in p["blocks"]]
    assert contents(out) == contents(blocks)
    assert len(payloads) == 1 or all(p["blocks"] for p in payloads)


def test_no_leaks():
    message = {"text": "t", "blocks": [section(PARAGRAPH * 10, block_id="s"), buttons(30), table(150)] + [DIVIDER] * 60}
    assert_no_leak(lambda: fit(message), watch=[message, *message["blocks"]], times=300)
    code = "```js\n" + "x()\n" * 4000 + "```"
    long = [
        {"type": "markdown", "text": code, "block_id": "m"},
        {
            "type": "rich_text",
            "elements": [
                rich_section("a\n" * 7000),
                {"type": "rich_text_list", "style": "ordered", "elements": [rich_section("b " * 7000)] * 2},
            ],
        },
    ]
    assert_no_leak(lambda: fit(long), watch=[*long, code], times=100)
    bad = [{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}]
    assert_no_leak(lambda: fit(bad), expect=ValueError, watch=bad, times=300)
    assert_no_leak(lambda: fit([], max_blocks=0), expect=ValueError)


# ---- messages --------------------------------------------------------------------------------


def test_payloads_fits_the_payload():
    items = [f"*{i}* item" for i in range(70)]
    message = Blocks(
        [block for item in items for block in Section.mrkdwn(item)] + Actions.buttons([{"text": "More"}]),
        preview="70 items",
    )
    payloads = message.payloads()
    assert [len(p["blocks"]) for p in payloads] == [50, 21]
    assert payloads == fit(message.payload()) and all(p["text"] == "70 items" for p in payloads)
    with pytest.raises(velmora.InvalidBlocks):
        Blocks([{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}]).payloads()


def test_a_data_table_message_past_the_limits_goes_as_one_data_table_a_message():
    pd = pytest.importorskip("pandas")
    from velmora.messages import DataTableMessage

    message = DataTableMessage(pd.DataFrame({"run": range(450)}), caption="Runs", page_size=25, text="Nightly")
    with pytest.raises(velmora.InvalidBlocks, match="holds 451 items; a data table allows at most 201"):
        message.payload(strict=True)
    payloads = message.payloads()
    assert [[b["type"] for b in p["blocks"]] for p in payloads] == [
        ["section", "data_table"],
        ["data_table"],
        ["data_table"],
    ]
    tables = [p["blocks"][-1] for p in payloads]
    assert [t["rows"][-1][0]["value"] for t in tables] == [199, 399, 449]
    assert all(validate(p) == [] and t["caption"] == "Runs" and t["page_size"] == 25 for p, t in zip(payloads, tables))


def long_answer() -> str:
    """About 80 KB of Markdown as a model answers: 100 sections of a heading, a paragraph of
    numbered words, lists, a quote and code, and one trace of 19,000 characters in a code block."""
    parts = [
        f"## Part {i}\n\n" + " ".join(f"word{i}_{j}" for j in range(60)) + f"; see [runbook {i}](https://x.io/{i}).\n\n"
        f"1. step {i}a\n2. step {i}b\n   - nested {i}\n\n> quoted {i}\n\n```\ncode {i}\n```\n\n"
        for i in range(100)
    ]
    parts.insert(50, "```\n" + "".join(f"line {j} of the trace\n" for j in range(900)) + "```\n\n")
    return "".join(parts)


def texts(value: Any) -> list[str]:
    """Every str under a "text" key, in order."""
    if isinstance(value, dict):
        return [t for k, v in value.items() for t in ([v] if k == "text" and isinstance(v, str) else texts(v))]
    return [t for v in value for t in texts(v)] if isinstance(value, list) else []


@pytest.mark.parametrize("native", [False, True])
def test_a_long_markdown_answer_sends_as_valid_messages_with_every_word_in_order(native):
    from velmora.markdown import to_blocks
    from velmora.messages import MarkdownMessage

    text = long_answer()
    assert len(text) > 80_000
    payloads = MarkdownMessage(text, native=native).payloads()
    assert len(payloads) >= 7
    assert all(validate(p) == [] and text_count(p["blocks"]) <= 12000 for p in payloads)
    words = re.findall(r"\w+", " ".join(t for p in payloads for t in texts(p["blocks"])))
    assert [w for w in words if w.startswith("word")] == [w for w in re.findall(r"\w+", text) if w.startswith("word")]
    assert words == re.findall(r"\w+", " ".join(texts(to_blocks(text) if native else [{"text": text}])))
