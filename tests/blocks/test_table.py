"""Table.simple_table: a DataFrame as one Block Kit table block."""

from __future__ import annotations

import subprocess
import sys

import numpy as np
import pandas as pd
import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from slack_sdk.models.blocks import Block

import registry
from support import assert_no_leak
from velmora.blocks.table import Table


def texts(block: dict) -> list[list[str]]:
    return [[cell["elements"][0]["elements"][0]["text"] for cell in row] for row in block["rows"]]


def aligns(block: dict) -> list[str]:
    return [setting["align"] for setting in block["column_settings"]]


def test_shape_and_key_order():
    df = pd.DataFrame({"name": ["ada", "bob"], "age": [36, 41]})
    [block] = Table.simple_table(df)
    assert list(block) == ["type", "column_settings", "rows"]
    assert block["type"] == "table"
    head, first = block["rows"][0][0], block["rows"][1][0]
    assert head == {
        "type": "rich_text",
        "elements": [
            {"type": "rich_text_section", "elements": [{"type": "text", "text": "name", "style": {"bold": True}}]}
        ],
    }
    assert first == {
        "type": "rich_text",
        "elements": [{"type": "rich_text_section", "elements": [{"type": "text", "text": "ada"}]}],
    }
    assert list(head) == ["type", "elements"] and list(head["elements"][0]["elements"][0]) == ["type", "text", "style"]
    assert texts(block) == [["name", "age"], ["ada", "36"], ["bob", "41"]]
    assert aligns(block) == ["left", "right"]


def test_caller_strings_are_placed_not_copied_and_frame_unchanged():
    name = "".join(["ad", "a"])
    df = pd.DataFrame({"name": pd.Series([name], dtype=object)})  # pyarrow-backed strings are copies
    before = df.copy()
    [block] = Table.simple_table(df)
    assert block["rows"][1][0]["elements"][0]["elements"][0]["text"] is name
    pd.testing.assert_frame_equal(df, before)


def test_fresh_objects_each_call():
    df = pd.DataFrame({"a": ["x"]})
    one, two = Table.simple_table(df), Table.simple_table(df)
    assert one == two and one[0] is not two[0]
    assert one[0]["rows"][1][0]["elements"] is not one[0]["rows"][0][0]["elements"]


@pytest.mark.parametrize(
    "column, expected, align",
    [
        ([1.5, None, float("nan")], ["1.5", " ", " "], "right"),
        ([0.1 + 0.2, 2.0, 1e16], ["3.000000e-01", "2.000000e+00", "1.000000e+16"], "right"),
        ([float("inf"), -0.5, 123456.789], ["inf", "-0.500", "123456.789"], "right"),
        ([1, 2, 10**12], ["1", "2", "1000000000000"], "right"),
        (pd.array([1, None, 3], dtype="Int64"), ["1", " ", "3"], "right"),
        (np.array([1, 2, 3], dtype=np.uint8), ["1", "2", "3"], "right"),
        ([True, False, True], ["True", "False", "True"], "left"),
        (["a", None, "c"], ["a", " ", "c"], "left"),
        (pd.Categorical(["lo", None, "hi"]), ["lo", " ", "hi"], "left"),
        (pd.array(["x", None, "z"], dtype="string"), ["x", " ", "z"], "left"),
        (
            pd.to_datetime(["2024-01-02", None, "2024-03-04T05:06:07"], format="ISO8601"),
            ["2024-01-02 00:00:00", " ", "2024-03-04 05:06:07"],
            "left",
        ),
        (
            pd.to_datetime(["2024-01-02", None, "2024-01-03"]).tz_localize("UTC"),
            ["2024-01-02 00:00:00+00:00", " ", "2024-01-03 00:00:00+00:00"],
            "left",
        ),
        (pd.to_timedelta([1, None, 90], unit="min"), ["0 days 00:01:00", " ", "0 days 01:30:00"], "left"),
        ([1, "two", 3.25], ["1", "two", "3.25"], "left"),
        ([{"k": 1}, [1, 2], 10**30], ["{'k': 1}", "[1, 2]", "1000000000000000000000000000000"], "left"),
        ([pd.NaT, pd.NA, None], [" ", " ", " "], "left"),
    ],
    ids=[
        "float-missing",
        "float-readable",
        "float-edges",
        "int",
        "Int64",
        "uint8",
        "bool",
        "object",
        "category",
        "string",
        "datetime",
        "datetime-tz",
        "timedelta",
        "mixed",
        "objects",
        "all-missing",
    ],
)
def test_values_and_alignment(column, expected, align):
    [block] = Table.simple_table(pd.DataFrame({"c": column}))
    assert [row[0] for row in texts(block)[1:]] == expected
    assert aligns(block) == [align]


def zero_length_texts(value, at="") -> list[str]:
    """Where `value` holds a "text" of no characters (Slack refuses the whole message for one)."""
    if isinstance(value, dict):
        found = [at + "/text"] if value.get("text") == "" else []
        return found + [p for k, v in value.items() for p in zero_length_texts(v, f"{at}/{k}")]
    if isinstance(value, list):
        return [p for i, v in enumerate(value) for p in zero_length_texts(v, f"{at}/{i}")]
    return []


@settings(max_examples=60, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(
    df=st.deferred(registry._frames),
    index=st.booleans(),
    na_rep=st.sampled_from([None, "", "-"]),
    max_rows=st.sampled_from([None, 0, 1]),
)
def test_no_cell_of_zero_characters(df, index, na_rep, max_rows):
    # missing values, empty strings, empty labels and an empty na_rep all show as a space
    blocks = Table.simple_table(df, index=index, na_rep=na_rep, max_rows=max_rows)
    assert zero_length_texts(blocks) == []


def test_index_column():
    df = pd.DataFrame({"v": ["a", "b"]}, index=pd.Index([10, 20], name="id"))
    [block] = Table.simple_table(df, index=True)
    assert texts(block) == [["id", "v"], ["10", "a"], ["20", "b"]]
    assert aligns(block) == ["right", "left"]
    [unnamed] = Table.simple_table(df.rename_axis(None), True)
    assert texts(unnamed)[0] == [" ", "v"]
    assert texts(Table.simple_table(df)[0])[0] == ["v"]


def test_header_texts_of_any_label():
    df = pd.DataFrame([[1, 2, 3]], columns=[7, "x", None])
    assert texts(Table.simple_table(df)[0])[0] == ["7", "x", " "]


@pytest.mark.parametrize(
    "df, index, message",
    [
        (
            pd.DataFrame([range(21)]),
            False,
            "Table has 21 columns; Slack allows at most 20 cells per row. Pass at most 20 columns, "
            "e.g. columns=df.columns[:20].",
        ),
        (
            pd.DataFrame([range(20)]),
            True,
            "Table has 21 columns with the index; Slack allows at most 20 cells per row. Pass at most 19 "
            "columns, e.g. columns=df.columns[:19], or leave out the index.",
        ),
        (pd.DataFrame(), False, "DataFrame has no columns: a table needs at least one column"),
        (pd.DataFrame(index=[1, 2]), True, "DataFrame has no columns: a table needs at least one column"),
    ],
    ids=["columns", "columns-with-index", "empty", "no-columns"],
)
def test_limits(df, index, message):
    with pytest.raises(ValueError) as info:
        Table.simple_table(df, index=index)
    assert str(info.value) == message


def test_largest_table_passes():
    df = pd.DataFrame(np.arange(99 * 20).reshape(99, 20))
    [block] = Table.simple_table(df)
    assert len(block["rows"]) == 100 and {len(row) for row in block["rows"]} == {20}
    [with_index] = Table.simple_table(df.iloc[:, :19], index=True)
    assert {len(row) for row in with_index["rows"]} == {20}


def test_no_rows_is_a_header_only_table():
    [block] = Table.simple_table(pd.DataFrame({"a": [], "b": []}))
    assert texts(block) == [["a", "b"]]


@pytest.mark.parametrize("value", [[1, 2], {"a": [1]}, None, pd.Series([1]), np.zeros((2, 2))])
def test_not_a_frame(value):
    with pytest.raises(TypeError) as info:
        Table.simple_table(value)
    assert str(info.value) == (f"Argument 'df' has incorrect type (expected DataFrame, got {type(value).__name__})")


def test_frame_subclass_accepted():
    class Frame(pd.DataFrame):
        pass

    assert texts(Table.simple_table(Frame({"a": [1]}))[0]) == [["a"], ["1"]]


def test_call_errors():
    df = pd.DataFrame({"a": [1]})
    with pytest.raises(TypeError, match=r"Table.simple_table\(\) missing 1 required positional argument: 'df'"):
        Table.simple_table()
    with pytest.raises(TypeError, match="unexpected keyword argument 'header'"):
        Table.simple_table(df, header=True)
    with pytest.raises(TypeError, match="multiple values for argument 'df'"):
        Table.simple_table(df, df=df)


def test_str_of_a_cell_that_raises():
    class Bad:
        def __str__(self):
            raise RuntimeError("no text")

    with pytest.raises(RuntimeError, match="no text"):
        Table.simple_table(pd.DataFrame({"a": [Bad()]}))


def test_round_trips_through_slack_sdk():
    df = pd.DataFrame({"s": ["a", None], "f": [1.5, np.nan], "d": pd.to_datetime(["2024-01-01", None])})
    [block] = Table.simple_table(df, index=True)
    assert Block.parse(block).to_dict() == block


def test_subclass_uses_its_own_class():
    class Mine(Table):
        pass

    assert Mine.simple_table(pd.DataFrame({"a": [1]})) == Table.simple_table(pd.DataFrame({"a": [1]}))


def test_no_leak():
    df = pd.DataFrame({"s": ["a", None], "f": [1.5, np.nan], "i": [1, 2], "d": pd.to_datetime(["2024-01-01", None])})
    assert_no_leak(lambda: Table.simple_table(df, index=True), watch=[df], times=2000, windows=3)
    assert_no_leak(lambda: Table.simple_table([df]), expect=TypeError, watch=[df])
    big = pd.DataFrame([range(21)])
    assert_no_leak(lambda: Table.simple_table(big), expect=ValueError, watch=[big])


def test_pandas_is_imported_on_the_first_call_and_named_when_missing():
    code = (
        "import sys; sys.modules['pandas'] = None\n"
        "from velmora.blocks import Table\n"
        "try:\n"
        "    Table.simple_table(None)\n"
        "except ImportError as e:\n"
        "    print(e, '|', type(e.__cause__).__name__)\n"
    )
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.strip() == "velmora.blocks.table needs pandas: pip install 'velmora[tables]' | ModuleNotFoundError"


TABLE_MESSAGES = {
    "velmora.messages.table.simple_table",
    "velmora.messages.table.data_table",
    "velmora.messages.composite.dataframe",
}


def test_nothing_else_imports_pandas():
    # the table builders too: they import pandas on their first call
    code = (
        "import importlib, pkgutil, sys, velmora, velmora.blocks\n"
        "assert 'pandas' not in sys.modules, 'velmora.blocks'\n"
        f"skip = {sorted(TABLE_MESSAGES)!r} + ['velmora.__main__']\n"
        "names = [m.name for m in pkgutil.walk_packages(velmora.__path__, 'velmora.') if m.name not in skip]\n"
        "for name in names:\n"
        "    importlib.import_module(name)\n"
        "    assert 'pandas' not in sys.modules and 'tabulate' not in sys.modules, name\n"
        "print(len(names))\n"
    )
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    assert int(result.stdout) >= 20  # every module was imported, the messages included


@pytest.mark.parametrize(
    "module, missing",
    [
        ("velmora.messages.table.simple_table", "pandas"),
        ("velmora.messages.table.data_table", "pandas"),
        ("velmora.messages.composite.dataframe", "pandas"),
        ("velmora.messages.composite.dataframe", "tabulate"),
    ],
)
def test_table_messages_without_their_extra(module, missing):
    code = (
        f"import sys; sys.modules[{missing!r}] = None\n"
        "try:\n"
        f"    import {module}\n"
        "except ImportError as e:\n"
        "    print(e, '|', type(e.__cause__).__name__)\n"
    )
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.strip() == f"{module} needs {missing}: pip install 'velmora[tables]' | ModuleNotFoundError"


def test_datetimes_read_as_str_gives_them():
    import datetime as dt

    class Moment(dt.datetime):
        def __str__(self):
            return "custom"

    values = [
        pd.Timestamp("2024-01-02 03:04:05"),
        pd.Timestamp("2024-01-02 03:04:05.5"),
        pd.Timestamp("2024-01-02 03:04:05.000000001"),
        pd.Timestamp("2024-01-02", tz="Europe/Paris"),
        dt.datetime(1, 1, 1),
        dt.datetime(2024, 5, 6, 7, 8, 9, 10),
        dt.datetime(2024, 1, 1, tzinfo=dt.UTC),
        Moment(2024, 1, 1),
        dt.date(2024, 1, 2),
        np.float64(0.25),
        np.int64(7),
        np.float32(0.5),
    ]
    [block] = Table.simple_table(pd.DataFrame({"v": pd.Series(values, dtype=object)}))
    assert [row[0] for row in texts(block)[1:]] == [str(v) for v in values]
