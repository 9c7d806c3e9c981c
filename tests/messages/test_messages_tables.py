"""SimpleTableMessage and DataFrameMessage."""

from __future__ import annotations

import inspect

import pandas as pd
import pytest
from slack_sdk.models.blocks import Block
from tabulate import tabulate

from support import assert_no_leak
from velmora.blocks.table import Table
from velmora.interface import BaseVelmora
from velmora.messages.composite import dataframe as dataframe_module
from velmora.messages.composite.dataframe import DataFrameMessage
from velmora.messages.table import data_table as data_table_module
from velmora.messages.table import simple_table as simple_table_module
from velmora.messages.table.data_table import DataTableMessage
from velmora.messages.table.simple_table import SimpleTableMessage

MESSAGES = [SimpleTableMessage, DataFrameMessage]


def code(block: dict) -> str:
    text = block["text"]["text"]
    assert block["type"] == "section" and block["text"]["type"] == "mrkdwn"
    assert text.startswith("```\n") and text.endswith("\n```")
    return text[4:-4]


# ---- construction, shared by both ---------------------------------------------------------


@pytest.mark.parametrize("cls, text_param", [(SimpleTableMessage, "text"), (DataFrameMessage, "title")])
def test_attributes_and_base_keywords(cls, text_param):
    df, text = pd.DataFrame({"a": [1]}), "".join(["Sal", "es"])
    message = cls(df, text, True, preview="p", owner=1)
    assert isinstance(message, BaseVelmora)
    assert message.df is df and getattr(message, text_param) is text and message.index is True
    assert message.preview == "p" and message.extras == {"owner": 1}
    plain = cls(df=df)
    assert getattr(plain, text_param) is None and plain.index is False


@pytest.mark.parametrize("cls, text_param", [(SimpleTableMessage, "text"), (DataFrameMessage, "title")])
def test_type_checks(cls, text_param):
    class Text(str):
        pass

    df = pd.DataFrame({"a": [1]})
    with pytest.raises(TypeError, match=r"^Argument 'df' has incorrect type \(expected DataFrame, got list\)$"):
        cls([[1]])
    with pytest.raises(TypeError, match=rf"^Argument '{text_param}' has incorrect type \(expected str, got Text\)$"):
        cls(df, Text("x"))
    with pytest.raises(TypeError, match=r"__init__\(\) missing 1 required positional argument: 'df'"):
        cls()
    with pytest.raises(TypeError, match="takes from 1 to 3 positional arguments but 4 were given"):
        cls(df, None, False, 1)


# ---- SimpleTableMessage ---------------------------------------------------------------------


def test_simple_table_blocks():
    df = pd.DataFrame({"name": ["ada"], "age": [36]})
    blocks = SimpleTableMessage(df, "*Team*").build_blocks()
    assert blocks == [{"type": "section", "text": {"type": "mrkdwn", "text": "*Team*"}}] + Table.simple_table(df)
    assert SimpleTableMessage(df).build_blocks() == Table.simple_table(df)
    assert SimpleTableMessage(df, "", index=True).build_blocks() == Table.simple_table(df, index=True)
    for block in blocks:
        assert Block.parse(block).to_dict() == block


def test_simple_table_calls_builders_from_module_globals(monkeypatch):
    calls = []

    class FakeTable:
        @classmethod
        def simple_table(cls, df, index=False):
            calls.append(("table", df, index))
            return [{"type": "table"}]

    class FakeSection:
        @classmethod
        def mrkdwn(cls, text=None):
            calls.append(("mrkdwn", text))
            return []

    monkeypatch.setattr(simple_table_module, "Table", FakeTable)
    monkeypatch.setattr(simple_table_module, "Section", FakeSection)
    df = pd.DataFrame({"a": [1]})
    message = SimpleTableMessage(df, "t", index=1)
    assert message.build_blocks() == [{"type": "table"}]
    assert calls == [("mrkdwn", "t"), ("table", df, 1)]


def test_simple_table_limits_reach_the_caller():
    with pytest.raises(ValueError, match="^Table has 21 columns; Slack allows at most 20 cells per row"):
        SimpleTableMessage(pd.DataFrame([range(21)])).build_blocks()


def test_simple_table_result_must_be_a_list(monkeypatch):
    class FakeTable:
        @classmethod
        def simple_table(cls, df, index=False):
            return {"type": "table"}

    monkeypatch.setattr(simple_table_module, "Table", FakeTable)
    with pytest.raises(TypeError, match="^Expected list, got dict$"):
        SimpleTableMessage(pd.DataFrame({"a": [1]})).build_blocks()


# ---- DataTableMessage -----------------------------------------------------------------------


def test_data_table_message_keywords_blocks_and_builders_from_module_globals(monkeypatch):
    df, caption, text, na_rep = pd.DataFrame({"n": [1.5, None]}), "".join(["Sal", "es"]), "*Q3*", "".join("-")
    message = DataTableMessage(df, caption=caption, text=text, page_size=5, na_rep=na_rep, preview="p", owner=1)
    assert message.df is df and message.caption is caption and message.na_rep is na_rep and message.index is False
    assert message.preview == "p" and message.extras == {"owner": 1}
    assert message.build_blocks() == [
        {"type": "section", "text": {"type": "mrkdwn", "text": "*Q3*"}},
        *Table.data_table(df, caption="Sales", page_size=5, na_rep="-"),
    ]
    assert DataTableMessage(df, caption="c", index=True).build_blocks() == Table.data_table(df, caption="c", index=True)
    calls = []

    class FakeTable:
        @classmethod
        def data_table(cls, df, **keywords):
            calls.append(keywords)
            return [{"type": "data_table"}]

    monkeypatch.setattr(data_table_module, "Table", FakeTable)
    assert DataTableMessage(df, caption="c", columns=["n"]).build_blocks() == [{"type": "data_table"}]
    assert calls == [
        {
            "caption": "c",
            "page_size": None,
            "index": False,
            "formatters": None,
            "float_format": None,
            "columns": ["n"],
            "na_rep": None,
        }
    ]


@pytest.mark.parametrize(
    "args, kwargs, error, message",
    [
        ((), {"caption": "c"}, TypeError, "DataTableMessage.__init__() missing 1 required positional argument: 'df'"),
        ((None,), {}, TypeError, "DataTableMessage.__init__() missing 1 required keyword-only argument: 'caption'"),
        ((1, "c"), {}, TypeError, "DataTableMessage.__init__() takes 1 positional argument but 2 were given"),
        ((1,), {"caption": "c"}, TypeError, "Argument 'df' has incorrect type (expected DataFrame, got int)"),
        ((None,), {"caption": None}, TypeError, "Argument 'caption' has incorrect type (expected str, got NoneType)"),
        ((None,), {"caption": ""}, ValueError, "caption must not be empty: Slack shows it above the table"),
        ((None,), {"caption": "c", "page_size": 101}, ValueError, "page_size must be 1 to 100, got 101"),
        (
            (None,),
            {"caption": "c", "text": b"x"},
            TypeError,
            "Argument 'text' has incorrect type (expected str, got bytes)",
        ),
        (
            (None,),
            {"caption": "c", "formatters": ["x"]},
            TypeError,
            "formatters must be a dict of column labels, got list",
        ),
    ],
)
def test_data_table_message_errors(args, kwargs, error, message):
    args = tuple(pd.DataFrame({"a": [1]}) if a is None else a for a in args)
    with pytest.raises(error) as info:
        DataTableMessage(*args, **kwargs)
    assert str(info.value) == message


OPTIONS = "formatters=None, float_format=None, columns=None"


@pytest.mark.parametrize(
    "cls, signature",
    [
        (
            SimpleTableMessage,
            f"(df, text=None, index=False, *, {OPTIONS}, align=None, wrap=None, max_rows=None, na_rep=None, **kwargs)",
        ),
        (
            DataFrameMessage,
            f"(df, title=None, index=False, *, {OPTIONS}, align=None, wrap=None, max_rows=None, na_rep=None, **kwargs)",
        ),
        (
            DataTableMessage,
            f"(df, *, caption, page_size=None, index=False, text=None, {OPTIONS}, na_rep=None, **kwargs)",
        ),
    ],
)
def test_table_message_signatures(cls, signature):
    assert str(inspect.signature(cls)) == signature


# ---- DataFrameMessage -----------------------------------------------------------------------


def test_dataframe_small():
    df = pd.DataFrame({"name": ["ada", "bob"], "age": [36, 41]}, index=pd.Index([7, 8], name="id"))
    blocks = DataFrameMessage(df, "*Team*").build_blocks()
    assert blocks[0] == {"type": "section", "text": {"type": "mrkdwn", "text": "*Team*"}}
    assert len(blocks) == 2
    assert code(blocks[1]) == "name      age\n------  -----\nada        36\nbob        41"
    assert code(DataFrameMessage(df, index=True).build_blocks()[0]) == (
        "  id  name      age\n----  ------  -----\n   7  ada        36\n   8  bob        41"
    )
    assert code(DataFrameMessage(df.rename_axis(None), index=True).build_blocks()[0]).startswith("    name")
    for block in blocks:
        assert Block.parse(block).to_dict() == block


def wide(rows: int) -> pd.DataFrame:
    # header and rows 2 characters wide, the rule 4: a part of n rows takes 15 + 3 * n characters
    return pd.DataFrame({"hh": [f"x{i % 10}" for i in range(rows)]})


@pytest.mark.parametrize(
    "rows, sizes", [(995, [3000]), (996, [3000, 18]), (1990, [3000, 3000]), (1991, [3000, 3000, 18])]
)
def test_dataframe_split_points(rows, sizes):
    blocks = DataFrameMessage(wide(rows)).build_blocks()
    assert [len(block["text"]["text"]) for block in blocks] == sizes


@pytest.mark.parametrize("rows", [0, 1, 71, 72, 300])
def test_dataframe_split_loses_nothing_and_repeats_the_header(rows):
    df = pd.DataFrame({"name": [f"row {i}" for i in range(rows)], "value": [i * 1.5 for i in range(rows)]})
    shown = [[name, f"{value:.1f}"] for name, value in zip(df["name"], df["value"])]  # as pandas shows them
    lines = tabulate(shown, headers=list(df), disable_numparse=True, colalign=["left", "right"]).split("\n")
    header, body = lines[:2], lines[2:]
    blocks = DataFrameMessage(df).build_blocks()
    seen = []
    for block in blocks:
        part = code(block).split("\n")
        assert part[:2] == header
        assert len(block["text"]["text"]) <= 3000
        seen += part[2:]
    assert seen == body


@pytest.mark.parametrize("rows", [400, 900])
def test_dataframe_rows_of_several_lines_stay_whole(rows):
    df = pd.DataFrame({"note": [f"first {i}\nsecond {i}" if i % 3 == 0 else f"one {i}" for i in range(rows)]})
    lines = tabulate([[v] for v in df["note"]], headers=["note"], disable_numparse=True).split("\n")
    blocks = DataFrameMessage(df).build_blocks()
    assert len(blocks) > 1
    seen = []
    for block in blocks:
        part = code(block).split("\n")[2:]
        assert not part[0].startswith("second")  # a part never starts inside a row
        assert len(block["text"]["text"]) <= 3000
        seen += part
    assert seen == lines[2:]


def test_dataframe_blank_header_names():
    df = pd.DataFrame({"": ["a"] * 600, " ": ["b"] * 600})
    blocks = DataFrameMessage(df).build_blocks()
    assert len(blocks) == 2
    for block in blocks:
        assert code(block).split("\n")[:3] == ["", "--  ---", "a   b"]


def test_dataframe_missing_values_and_dtypes():
    df = pd.DataFrame(
        {
            "s": ["a", None],
            "f": [123456.789, None],
            "d": pd.to_datetime(["2024-01-01", None]),
            "c": pd.Categorical(["x", None]),
            "m": [1, "two"],
            "z": ["007", pd.NA],
        }
    )
    [block] = DataFrameMessage(df).build_blocks()
    assert code(block).split("\n") == [
        "s             f  d           c    m    z",
        "---  ----------  ----------  ---  ---  ---",
        "a    123456.789  2024-01-01  x    1    007",
        "                                  two",
    ]


@pytest.mark.parametrize(
    "df, message",
    [
        (
            pd.DataFrame({"c": ["x" * 2990]}),
            "Row 1 of the table takes 5991 characters in a code block with the header; a section holds "
            "at most 3000. Select fewer or narrower columns.",
        ),
        (
            pd.DataFrame({"c" * 1500: ["x"]}),
            "The table's header takes 3011 characters in a code block; a section holds at most 3000. "
            "Select fewer or narrower columns.",
        ),
        (pd.DataFrame(), "DataFrame has no columns: a table needs at least one column"),
    ],
    ids=["row", "header", "no-columns"],
)
def test_dataframe_too_wide(df, message):
    with pytest.raises(ValueError) as info:
        DataFrameMessage(df).build_blocks()
    assert str(info.value) == message


def test_dataframe_calls_section_and_tabulate_from_module_globals(monkeypatch):
    calls = []

    class FakeSection:
        @classmethod
        def mrkdwn(cls, text=None):
            calls.append(text)
            return [text]

    def fake_tabulate(rows, headers, tablefmt, disable_numparse, colalign):
        calls.append((rows, headers, tablefmt, disable_numparse, colalign))
        return "h\n-\n1"

    monkeypatch.setattr(dataframe_module, "Section", FakeSection)
    monkeypatch.setattr(dataframe_module, "tabulate", fake_tabulate)
    df = pd.DataFrame({"a": [1.5], "b": [None]}, index=pd.Index(["r"], name="key"))
    assert DataFrameMessage(df, "T", index=1).build_blocks() == ["T", "```\nh\n-\n1\n```"]
    assert calls == [
        "T",
        ([["r", "1.5", ""]], ["key", "a", "b"], "simple", True, ["left", "right", "left"]),
        "```\nh\n-\n1\n```",
    ]


def test_attributes_are_read_at_build_time():
    message = DataFrameMessage(pd.DataFrame({"a": [1]}))
    message.df = pd.DataFrame({"b": [2]})
    assert code(message.build_blocks()[0]).startswith("  b")


def warm(call, times=300):
    # pandas and tabulate fill caches of their own on first uses
    for _ in range(times):
        try:
            call()
        except (TypeError, ValueError):
            pass


@pytest.fixture
def steady_tabulate(monkeypatch):
    # tabulate and pandas keep caches whose size wanders from call to call; the leak checks
    # look at this module's own work, so they render through a fixed table text.
    def render(rows, **kwargs):
        return texts[len(rows)]

    texts = {}
    monkeypatch.setattr(dataframe_module, "tabulate", render)
    return texts


@pytest.mark.parametrize("cls", MESSAGES)
def test_no_leak(cls, steady_tabulate):
    df = pd.DataFrame({"s": ["a", None], "f": [1.5, None]})
    steady_tabulate[len(df)] = tabulate(df, headers="keys", showindex=False)
    text = "".join(["ti", "tle"])
    warm(lambda: cls(df, text, preview="p").build_blocks())
    assert_no_leak(lambda: cls(df, text, preview="p").build_blocks(), watch=[df, text], times=1000, windows=3)
    assert_no_leak(lambda: cls([1], text), expect=TypeError, watch=[text])
    # errors found before pandas is asked for the values (pandas' own caches wander)
    big = pd.DataFrame()
    steady_tabulate[len(big)] = tabulate(big, headers="keys", showindex=False)
    assert_no_leak(lambda: cls(big).build_blocks(), expect=ValueError, watch=[big])


def test_long_frame_no_leak(steady_tabulate):
    df = wide(600)
    steady_tabulate[len(df)] = tabulate(df, headers="keys", showindex=False)
    warm(lambda: DataFrameMessage(df).build_blocks())
    assert_no_leak(lambda: DataFrameMessage(df).build_blocks(), watch=[df], times=1000, windows=3)


def test_readme_examples():
    import doctest
    from pathlib import Path

    readme = (Path(__file__).parents[2] / "README.md").read_text()
    part = readme[readme.index("`velmora.blocks.preformatted") : readme.index("## Messages")]
    part = "\n".join("" if line.startswith("```") else line for line in part.splitlines())
    test = doctest.DocTestParser().get_doctest(part, {}, "README", "README.md", 0)
    runner = doctest.DocTestRunner()
    runner.run(test)
    assert runner.failures == 0 and runner.tries >= 6


def test_every_output_passes_velmoras_validator():
    import numpy as np

    from velmora._validate import validate
    from velmora.blocks.preformatted import Preformatted
    from velmora.messages.actions.datepickers import DatePickersMessage
    from velmora.messages.composite.checkboxes import CheckBoxesMessage
    from velmora.messages.composite.radio_buttons import RadioButtonsMessage
    from velmora.messages.composite.time_picker import TimePickerMessage
    from velmora.messages.rich_text.preformatted import PreformattedMessage

    outputs = [
        Table.simple_table(pd.DataFrame(np.arange(99 * 20).reshape(99, 20))),
        Table.simple_table(pd.DataFrame({"a": [None, "x"], "b": [np.nan, 1.5]}), index=True),
        SimpleTableMessage(pd.DataFrame({"a": [1]}), "text").build_blocks(),
        DataTableMessage(
            pd.DataFrame({"a": [1, None], "b": ["x", ""]}), caption="c", text="t", index=True
        ).build_blocks(),
        DataFrameMessage(wide(1991), "title").build_blocks(),
        Preformatted.text("x\n y"),
        PreformattedMessage("x").build_blocks(),
        CheckBoxesMessage("t", ["a", "b"], ["d"]).build_blocks(),
        RadioButtonsMessage("t", ["a"]).build_blocks(),
        TimePickerMessage("t", "23:59").build_blocks(),
        DatePickersMessage(["2024-02-29"]).build_blocks(),
    ]
    for blocks in outputs:
        assert validate(blocks) == []


# ---- the table options, wide text, escaping, long frames ------------------------------------

OPTIONS = {
    "formatters": {"v": "{:,.1f}"},
    "float_format": None,
    "columns": ["v", "name"],
    "align": {"name": "right"},
    "wrap": ["name"],
    "max_rows": 2,
    "na_rep": "-",
}


@pytest.mark.parametrize("cls", MESSAGES)
def test_options_are_keyword_attributes_not_given_to_the_base(cls):
    df = pd.DataFrame({"name": ["ada", "bob", "cy"], "v": [1234.5, 2.0, 3.0]})
    message = cls(df, None, False, **OPTIONS, preview="p")
    assert [getattr(message, name) for name in OPTIONS] == list(OPTIONS.values())
    assert message.formatters is OPTIONS["formatters"] and message.extras == {} and message.preview == "p"
    assert cls(df).max_rows is None
    with pytest.raises(ValueError, match=r"^align\['name'\] must be 'left', 'center' or 'right', got 'up'$"):
        cls(df, align={"name": "up"})


def test_simple_table_passes_the_options_given_to_the_builder():
    df = pd.DataFrame({"name": ["ada", "bob", "cy"], "v": [1234.5, 2.0, 3.0]})
    assert SimpleTableMessage(df, **OPTIONS).build_blocks() == Table.simple_table(df, **OPTIONS)


def test_text_table_options_and_wrapping():
    df = pd.DataFrame({"name": ["a " * 20, "bob"], "v": [1234.5, 2.0], "n": [1, 2]})
    [block] = DataFrameMessage(
        df, formatters={"v": "{:,.2f}"}, columns=["n", "name", "v"], wrap=["name"], align={"n": "center"}
    ).build_blocks()
    assert code(block).split("\n") == [
        " n   name                                  v",
        "---  -----------------------------  --------",
        " 1   a a a a a a a a a a a a a a a  1,234.50",
        "     a a a a a",
        " 2   bob                                2.00",
    ]


def test_text_table_says_what_max_rows_left_out_and_shows_na_rep():
    df = pd.DataFrame({"name": ["ada", None, "cy"], "v": [None, 2.0, 3.0]})
    [block] = DataFrameMessage(df, na_rep="n/a", float_format="%.1f", max_rows=2).build_blocks()
    assert code(block).split("\n") == ["name      v", "------  ---", "ada     n/a", "n/a     2.0", "… 1 more row"]
    assert code(DataFrameMessage(df).build_blocks()[0]).split("\n")[2:] == ["ada", "        2.0", "cy      3.0"]


def test_text_table_wide_characters_emoji_escaping_and_fences():
    from wcwidth import wcswidth

    df = pd.DataFrame({"who": ["中文字", "😀 ok", "a```b", "x<y&z"], "n": [1, 22, 333, 4]})
    lines = code(DataFrameMessage(df).build_blocks()[0]).split("\n")
    shown = [line.replace("&lt;", "<").replace("&amp;", "&") for line in lines]
    assert {wcswidth(line) for line in shown} == {wcswidth(shown[0])}  # every column lines up
    assert (
        lines[2].startswith("中文字")
        and lines[4].startswith("a`\u200b`\u200b`b")
        and lines[5].startswith("x&lt;y&amp;z")
    )
    assert "```" not in "\n".join(lines) and "<" not in "\n".join(lines)


def test_long_simple_table_is_sent_as_several_messages():
    from velmora.interface import OfflineBot

    df = pd.DataFrame({"n": range(250)})
    message = SimpleTableMessage(df, "Counts", slack_bot=OfflineBot())
    [section, table] = message.build_blocks()
    assert len(table["rows"]) == 251
    payloads = message.payloads()
    assert [[b["type"] for b in p["blocks"]] for p in payloads] == [["section", "table"], ["table"], ["table"]]
    tables = [p["blocks"][-1] for p in payloads]
    assert all(t["rows"][0] == table["rows"][0] for t in tables)
    assert [r for t in tables for r in t["rows"][1:]] == table["rows"][1:]
    answers = message.send("C1", fit=True)
    assert len(answers) == 3 and [a["message"]["blocks"] for a in answers] == [p["blocks"] for p in payloads]
    from velmora.errors import InvalidBlocks

    with pytest.raises(InvalidBlocks):
        message.payload(strict=True)


def test_long_text_table_spreads_over_messages_past_50_blocks():
    message = DataFrameMessage(pd.DataFrame({"t": ["x" * 50] * 4000}))
    blocks = message.build_blocks()
    assert len(blocks) == 71
    payloads = message.payloads()  # four sections of about 3,000 characters a message: Slack's text guard
    assert [len(p["blocks"]) for p in payloads] == [4] * 17 + [3]
    assert [b for p in payloads for b in p["blocks"]] == blocks
