"""Table.data_table: a DataFrame as one Block Kit data_table block (the client pages and sorts it)."""

from __future__ import annotations

import datetime

import numpy as np
import pandas as pd
import pytest

from velmora import validate
from velmora.blocks import Table


def cells(block: dict) -> list[list[tuple[str, str]]]:
    """Each cell as (type, text)."""
    return [[(c["type"], c["text"]) for c in row] for row in block["rows"]]


def test_shape_key_order_and_plain_numbers():
    df = pd.DataFrame({"name": ["ada", "bob"], "score": [0.25, 1.5], "n": np.array([3, 40], dtype=np.int32)})
    [block] = Table.data_table(df, caption="Scores", page_size=10, block_id="t")
    assert list(block) == ["type", "caption", "rows", "page_size", "block_id"]
    assert (block["type"], block["caption"], block["page_size"], block["block_id"]) == ("data_table", "Scores", 10, "t")
    assert block["rows"][0] == [
        {"type": "raw_text", "text": "name"},
        {"type": "raw_text", "text": "score"},
        {"type": "raw_text", "text": "n"},
    ]
    assert block["rows"][2] == [
        {"type": "raw_text", "text": "bob"},
        {"type": "raw_number", "value": 1.5, "text": "1.50"},
        {"type": "raw_number", "value": 40, "text": "40"},
    ]
    assert list(block["rows"][1][1]) == ["type", "value", "text"]
    assert [type(c["value"]) for c in block["rows"][1][1:]] == [float, int]  # never numpy scalars
    assert list(Table.data_table(df, caption="Scores")[0]) == ["type", "caption", "rows"]
    assert validate([block]) == []


def shown_by_pandas(column) -> list[str]:
    """The cells DataFrame.to_string() shows for one column, missing values as pandas marks them."""
    df = pd.DataFrame({"c": column})
    lines = df.to_string(index=True).split("\n")[1:]
    return [line[len(str(label)) :].strip() for line, label in zip(lines, df.index)]


@pytest.mark.parametrize(
    "column, numbers",
    [
        ([0.5, None, float("nan")], [0.5, None, None]),
        ([1, 2, 2**40], [1, 2, 2**40]),
        (np.array([2**64 - 1, 0], dtype=np.uint64), [2**64 - 1, 0]),
        (np.array([0.1, 2.5], dtype=np.float32), [0.10000000149011612, 2.5]),
        ([float("inf"), -1.25, float("-inf")], [None, -1.25, None]),  # not a finite number: raw text
        (pd.array([1, None], dtype="Int64"), [1, None]),
        (pd.array([1.5, None], dtype="Float64"), [1.5, None]),
        ([True, False], None),
        (["a", None, ""], None),
        ([1, "x", None], None),
        (pd.to_datetime(["2024-01-02", None]), None),
        (pd.to_timedelta([1, None], unit="h"), None),
    ],
    ids=[
        "float",
        "int",
        "uint64",
        "float32",
        "inf",
        "Int64",
        "Float64",
        "bool",
        "str",
        "mixed",
        "datetime",
        "timedelta",
    ],
)
def test_numbers_are_raw_numbers_and_texts_are_what_pandas_shows(column, numbers):
    [block] = Table.data_table(pd.DataFrame({"c": column}), caption="c")
    shown = [row[0] for row in block["rows"][1:]]
    expected = [" " if text == "" else text for text in shown_by_pandas(column)]  # "" shows as a space
    assert [cell["text"] for cell in shown] == expected
    values = [cell.get("value") for cell in shown]
    assert values == (numbers or [None] * len(shown))
    assert [cell["type"] for cell in shown] == ["raw_text" if v is None else "raw_number" for v in values]


@pytest.mark.parametrize(
    "options, row",
    [
        ({"formatters": {"v": "{:,.1f}"}}, [("raw_text", "ada"), ("raw_number", "1,234.5"), ("raw_text", "None")]),
        ({"float_format": "%.0f", "na_rep": "–"}, [("raw_text", "ada"), ("raw_number", "1234"), ("raw_text", "–")]),
        ({"columns": ["w", "name"]}, [("raw_text", "None"), ("raw_text", "ada")]),
        ({"index": True}, [("raw_number", "7"), ("raw_text", "ada"), ("raw_number", "1234.5"), ("raw_text", "None")]),
    ],
)
def test_options(options, row):
    df = pd.DataFrame({"name": ["ada"], "v": [1234.5], "w": [None]}, index=pd.Index([7], name="id"))
    [block] = Table.data_table(df, caption="c", **options)
    assert cells(block)[1] == row


def test_every_row_is_built():
    [block] = Table.data_table(pd.DataFrame({"n": range(250)}), caption="All")
    assert len(block["rows"]) == 251 and block["rows"][-1] == [{"type": "raw_number", "value": 249, "text": "249"}]


DATA = {
    "name": ["ada", None, "中文"],
    "score": [0.25, None, 1.5],
    "n": [1, 2, 3],
    "big": [1, None, 3],
    "when": [datetime.datetime(2024, 6, 1), datetime.datetime(2024, 6, 2, 12), None],
    "ok": [True, False, None],
}


def test_polars_and_pandas_give_the_same_block():
    pl = pytest.importorskip("polars")
    options = {
        "caption": "Scores",
        "page_size": 5,
        "formatters": {"n": "%03d"},
        "columns": ["n", "name", "when", "score"],
    }
    expected = Table.data_table(pd.DataFrame(DATA), **options)
    assert Table.data_table(pl.DataFrame(DATA), **options) == expected
    assert Table.data_table(pl.DataFrame(DATA), caption="x") == Table.data_table(
        pl.DataFrame(DATA).to_pandas(), caption="x"
    )
    assert cells(expected[0])[1] == [
        ("raw_number", "001"),
        ("raw_text", "ada"),
        ("raw_text", "2024-06-01 00:00:00"),
        ("raw_number", "0.25"),
    ]


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({}, TypeError, "Table.data_table() missing 1 required keyword-only argument: 'caption'"),
        ({"caption": None}, TypeError, "Argument 'caption' has incorrect type (expected str, got NoneType)"),
        ({"caption": ""}, ValueError, "caption must not be empty: Slack shows it above the table"),
        ({"caption": "c", "page_size": 0}, ValueError, "page_size must be 1 to 100, got 0"),
        ({"caption": "c", "page_size": 10**30}, ValueError, f"page_size must be 1 to 100, got {10**30}"),
        (
            {"caption": "c", "page_size": True},
            TypeError,
            "Argument 'page_size' has incorrect type (expected int, got bool)",
        ),
        ({"caption": "c", "align": {}}, TypeError, "Table.data_table() got an unexpected keyword argument 'align'"),
        ({"caption": "c", "na_rep": 1}, TypeError, "na_rep must be a str, got int"),
        (
            {"caption": "c", "columns": list(range(21))},
            ValueError,
            "Data table has 21 columns; Slack allows at most 20 cells per row. Pass at most 20 columns, "
            "e.g. columns=df.columns[:20].",
        ),
    ],
)
def test_errors(kwargs, error, message):
    df = pd.DataFrame([range(21)])
    with pytest.raises(error) as info:
        Table.data_table(df, **kwargs)
    assert str(info.value) == message
    with pytest.raises(TypeError, match=r"^Argument 'df' has incorrect type \(expected DataFrame, got list\)$"):
        Table.data_table([[1]], caption="c")
