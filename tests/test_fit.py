"""velmora.fit: a message spread over as many payloads as Slack's limits need, in order, with
nothing dropped; and BaseVelmora.payloads()."""

from __future__ import annotations

import copy
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
    elements = [{"type": "button", "text": {"type": "plain_text", "text": f"b{i}"}, "action_id": f"a{i}"}
                for i in range(count)]
    return {"type": "actions", "elements": elements, **keys}


def table(rows: int) -> dict[str, Any]:
    return {"type": "table", "column_settings": [{"align": "right"}],
            "rows": [[{"type": "raw_text", "text": f"r{i}"}] for i in range(rows)]}


DIVIDER = {"type": "divider"}


def shape(payloads: list[dict[str, Any]]) -> list[list[str]]:
    """Each payload's blocks, as type:size (texts, elements, fields or rows) and block_id."""
    def one(block: dict[str, Any]) -> str:
        size = (len(block["text"]["text"]) if "text" in block and block["type"] == "section"
                else len(block.get("elements", block.get("fields", block.get("rows", [])))))
        return f"{block['type']}:{size}" + (f"#{block['block_id']}" if "block_id" in block else "")
    return [[one(b) for b in p["blocks"]] for p in payloads]


PARAGRAPH = "word " * 99 + "wor\n\n"  # 500 characters
CASES = [
    # block counts, tables and markdown per message
    ([DIVIDER] * 120, {}, [["divider:0"] * 50, ["divider:0"] * 50, ["divider:0"] * 20]),
    ([DIVIDER] * 5, {"max_blocks": 2}, [["divider:0"] * 2, ["divider:0"] * 2, ["divider:0"]]),
    ([table(3), DIVIDER, table(2)], {}, [["table:3", "divider:0"], ["table:2"]]),
    ([{"type": "container", "title": {"type": "plain_text", "text": "t"}, "child_blocks": [table(2)]}, table(2)], {},
     [["container:0"], ["table:2"]]),
    ([{"type": "markdown", "text": "m" * 7000}, DIVIDER, {"type": "markdown", "text": "m" * 5001}], {},
     [["markdown:0", "divider:0"], ["markdown:0"]]),
    ([{"type": "markdown", "text": "m" * 7000}, {"type": "markdown", "text": "m" * 5000}], {},
     [["markdown:0", "markdown:0"]]),
    # over-full blocks, with the ids of their parts
    ([section(PARAGRAPH * 13, block_id="long")], {},
     [["section:3000#long", "section:3000#long-2", "section:500#long-3"]]),
    ([{"type": "section", "fields": [md("f")] * 25, "block_id": "f"}], {},
     [["section:10#f", "section:10#f-2", "section:5#f-3"]]),
    ([buttons(30, block_id="acts"), buttons(2, block_id="acts-2")], {},
     [["actions:25#acts", "actions:5#acts-3", "actions:2#acts-2"]]),
    ([{"type": "context", "elements": [md("c")] * 11}], {}, [["context:10", "context:1"]]),
    ([table(250)], {}, [["table:100"], ["table:100"], ["table:52"]]),
    ([section("x" * 4000, block_id="b" * 255)], {}, [["section:3000#" + "b" * 255, "section:1000#" + "b" * 253 + "-2"]]),
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
    cases = [
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


def test_a_split_section_keeps_its_accessory_first_and_its_fields_after_the_text():
    accessory = {"type": "button", "text": {"type": "plain_text", "text": "Go"}, "action_id": "go"}
    text = {"type": "mrkdwn", "text": "t " * 2000, "verbatim": True}
    block = {"type": "section", "text": text, "fields": [md(str(i)) for i in range(12)], "accessory": accessory,
             "expand": True, "block_id": "s"}
    [payload] = fit([block])
    first, second, third = payload["blocks"]
    assert list(first) == ["type", "text", "accessory", "expand", "block_id"] and first["accessory"] is accessory
    assert list(second) == ["type", "text", "fields", "expand", "block_id"] and len(second["fields"]) == 10
    assert list(third) == ["type", "fields", "expand", "block_id"] and [f["text"] for f in third["fields"]] == ["10", "11"]
    assert list(first["text"]) == ["type", "text", "verbatim"] and first["text"]["text"] + second["text"]["text"] == text["text"]
    assert [b["block_id"] for b in payload["blocks"]] == ["s", "s-2", "s-3"]


def test_split_tables_repeat_the_first_row_and_share_the_settings():
    block = table(150)
    first, second = [p["blocks"][0] for p in fit([block])]
    assert first["rows"] == block["rows"][:100]
    assert second["rows"][0] is block["rows"][0] and second["rows"][1:] == block["rows"][100:]
    assert first["column_settings"] is second["column_settings"] is block["column_settings"]


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
        ([{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}] + [DIVIDER] * 60,
         [{"path": "/0/text/text", "message": '"text" is 151 characters long; Slack allows at most 150.'}]),
        ({"blocks": [buttons(30), {"type": "actions", "elements": [
            {"type": "button", "text": {"type": "plain_text", "text": "b" * 76}}]}]},
         [{"path": "/blocks/1/elements/0/text/text",
           "message": '"text" is 76 characters long; Slack allows at most 75.'}]),
        ([section("a" * 10 + "<https://example.com/" + "x" * 3000 + ">")],
         [{"path": "/0/text/text", "message": '"text" holds an entity or escape of more than 3000 characters at 10; '
                                               'it cannot be cut into sections.'}]),
        ([section("x", block_id="a"), section("y", block_id="a")],
         [{"path": "/1/block_id", "message": 'block_id "a" is already used by an earlier block; each must be unique.'}]),
        ([DIVIDER, {"type": "markdown", "text": "m" * 12001}],
         [{"path": "/1/text", "message": "The markdown blocks hold 12001 characters up to here; Slack allows at most "
                                         "12,000 in all the markdown blocks of a message."}]),
        ({"text": "x" * 4001, "blocks": []},
         [{"path": "/text", "message": "The fallback text is 4001 characters long; Slack refuses more than 4000 (msg_too_long)."}]),
    ],
)
def test_what_cannot_be_split_is_refused_with_invalid_blocks(message, problems):
    with pytest.raises(velmora.InvalidBlocks) as raised:
        fit(message)
    assert raised.value.problems == problems


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
    st.integers(1, 7000).map(lambda n: {"type": "markdown", "text": "m" * n}),
    st.just(DIVIDER),
)


def contents(blocks: list[dict[str, Any]]) -> list[tuple[str, Any]]:
    """What a message shows, in order: section texts (neighbouring ones joined, so that a text
    cut into parts equals the whole), fields, elements, markdown, table rows (the first row that
    a split table repeats, once) and other blocks."""
    out: list[tuple[str, Any]] = []
    header = None
    for block in blocks:
        kind = block["type"]
        if kind == "table":
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
        assert len(payload["blocks"]) <= max_blocks
    out = [b for p in payloads for b in p["blocks"]]
    assert contents(out) == contents(blocks)
    assert len(payloads) == 1 or all(p["blocks"] for p in payloads)


def test_no_leaks():
    message = {"text": "t", "blocks": [section(PARAGRAPH * 10, block_id="s"), buttons(30), table(150)] + [DIVIDER] * 60}
    assert_no_leak(lambda: fit(message), watch=[message, *message["blocks"]], times=300)
    bad = [{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}]
    assert_no_leak(lambda: fit(bad), expect=ValueError, watch=bad, times=300)
    assert_no_leak(lambda: fit([], max_blocks=0), expect=ValueError)


# ---- messages --------------------------------------------------------------------------------




def test_payloads_fits_the_payload():
    items = [f"*{i}* item" for i in range(70)]
    message = Blocks([block for item in items for block in Section.mrkdwn(item)] + Actions.buttons([{"text": "More"}]),
                     preview="70 items")
    payloads = message.payloads()
    assert [len(p["blocks"]) for p in payloads] == [50, 21]
    assert payloads == fit(message.payload()) and all(p["text"] == "70 items" for p in payloads)
    with pytest.raises(velmora.InvalidBlocks):
        Blocks([{"type": "header", "text": {"type": "plain_text", "text": "h" * 151}}]).payloads()
