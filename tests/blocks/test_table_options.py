"""What the table cells show by default (pandas' own display is the oracle), and the options."""

from __future__ import annotations

import datetime

import numpy as np
import pandas as pd
import pytest

from velmora.blocks.table import Table


def texts(block: dict) -> list[list[str]]:
    return [[cell["elements"][0]["elements"][0]["text"] for cell in row] for row in block["rows"]]


def shown_by_pandas(column) -> list[str]:
    """The cells DataFrame.to_string() shows for one column, missing values as empty cells."""
    df = pd.DataFrame({"c": column})
    lines = df.to_string(index=True).split("\n")[1:]
    cells = [line[len(str(label)):].strip() for line, label in zip(lines, df.index)]
    return ["" if cell in ("NaN", "NaT", "<NA>", "None") else cell for cell in cells]


ISO = {"format": "ISO8601"}


@pytest.mark.parametrize("column", [
    pd.to_datetime(["2024-06-01", None, "2024-06-02"], **ISO),  # midnight: dates only
    pd.to_datetime(["2024-06-01", "2024-06-02 03:04:05"], **ISO),
    pd.to_datetime(["2024-06-01", "2024-06-02 03:04:05.5"], **ISO),  # the resolution the column needs
    pd.to_datetime(["2024-06-01", None], **ISO).tz_localize("Europe/Paris"),  # offsets kept
    pd.to_datetime(["2024-06-01 00:00:00.000001", "2024-06-01"], **ISO),  # microseconds: 6 digits
    np.array(["2024-06-01T00:00:00.000000001", "NaT", "2024-06-01T12:00"], dtype="M8[ns]"),  # 9 digits, NaT
    np.array(["1969-12-31T23:59:59.999", "1900-02-28T13:00"], dtype="M8[ms]"),  # before 1970
    np.array(["2000-02-29", "1600-03-01", "NaT"], dtype="M8[s]"),  # leap days, dates only in seconds
    np.array(["0500-01-01T01:00", "9999-12-31"], dtype="M8[s]"),  # years of fewer digits
    np.array(["-0500-01-01", "2024-01-01"], dtype="M8[s]"),  # a year before 0: pandas' own text
    np.array(["NaT", "NaT"], dtype="M8[us]"),
    np.array(["12000-01-01", "2024-01-01T01:00"], dtype="M8[s]"),  # a year past datetime's
    pd.Series([pd.Timestamp(np.datetime64("12000-01-01T00:00", "s")), "x"], dtype=object),  # the same, mixed
    pd.to_timedelta([1, None, 90], unit="min"),
    [0.890274352004792, 1.5, None],  # display.precision digits
    [1.0, 2.0], [1.25, 2.5, 10.0], np.array([0.1, 0.25], dtype=np.float32),  # zeros trimmed per column
    [12345678.123, 1.5], [1e-9, 1.5], [1e7, 1.5], [float("inf"), -2.5, -0.0],  # scientific when pandas goes so
    pd.array([1.5, None], dtype="Float64"),
    [True, False], [1, 2, 3], pd.array([1, None], dtype="Int64"),
], ids=["dates", "times", "millis", "tz", "micros", "nanos", "pre-1970", "leap", "short-years", "negative-year",
        "all-nat", "year-12000", "year-12000-mixed", "timedelta", "precision", "integral", "trimmed", "float32", "wide",
        "tiny", "large-fits", "inf", "Float64", "bool", "int", "Int64"])
def test_cells_are_what_pandas_shows(column):
    [block] = Table.simple_table(pd.DataFrame({"c": column}))
    assert [row[0] for row in texts(block)[1:]] == shown_by_pandas(column)


def test_display_options_are_read_at_call_time():
    df = pd.DataFrame({"c": [0.123456789, 1.0]})
    with pd.option_context("display.precision", 3):
        assert texts(Table.simple_table(df)[0])[1:] == [["0.123"], ["1.000"]] and shown_by_pandas(df["c"]) == [
            "0.123", "1.000"]
    with pd.option_context("display.chop_threshold", 0.5):
        assert texts(Table.simple_table(df)[0])[1:] == [["0.0"], ["1.0"]]


def test_multiindex_labels_and_index_levels():
    columns = pd.MultiIndex.from_tuples([("latency", "mean"), ("latency", "p95"), ("count", "")])
    index = pd.MultiIndex.from_tuples([("eu", 2024), ("us", 2025)], names=["region", None])
    df = pd.DataFrame([[1.5, 2.0, 3], [2.5, 4.0, 5]], columns=columns, index=index)
    [block] = Table.simple_table(df, index=True)
    assert texts(block) == [["region", "", "latency / mean", "latency / p95", "count"],
                            ["eu", "2024", "1.5", "2.0", "3"], ["us", "2025", "2.5", "4.0", "5"]]
    assert [s["align"] for s in block["column_settings"]] == ["left", "right", "right", "right", "right"]


FRAME = pd.DataFrame({"name": ["ada", "bob", None], "amount": [1234.5, 2.25, None], "n": [1, 2, 3]})


@pytest.mark.parametrize("options, rows, settings", [
    ({"formatters": {"amount": "{:,.2f}"}}, [["ada", "1,234.50", "1"], ["bob", "2.25", "2"], ["", "", "3"]], None),
    ({"formatters": {"amount": ",.1f", "n": lambda v: f"#{v}"}},
     [["ada", "1,234.5", "#1"], ["bob", "2.2", "#2"], ["", "", "#3"]], None),
    ({"float_format": "{:.0f}"}, [["ada", "1234", "1"], ["bob", "2", "2"], ["", "", "3"]], None),
    ({"float_format": "{:.0f}", "formatters": {"amount": "{:.3f}"}},
     [["ada", "1234.500", "1"], ["bob", "2.250", "2"], ["", "", "3"]], None),
    ({"columns": ["n", "name"]}, [["1", "ada"], ["2", "bob"], ["3", ""]], ["right", "left"]),
    ({"align": {"name": "center", "n": "left"}}, None, ["center", "right", "left"]),
    ({"max_rows": 1}, [["ada", "1234.5", "1"]], None),  # zeros trimmed over the rows shown
    ({"max_rows": 0}, [], None),
], ids=["format-string", "spec-and-callable", "float_format", "formatter-wins", "columns", "align", "max_rows",
        "no-rows"])
def test_options(options, rows, settings):
    [block] = Table.simple_table(FRAME, **options)
    shown = texts(block)
    assert shown[0] == (options.get("columns") or ["name", "amount", "n"])
    if rows is not None:
        assert shown[1:] == rows
    if settings is not None:
        assert [s["align"] for s in block["column_settings"]] == settings


def test_wrap_sets_is_wrapped_after_align():
    [block] = Table.simple_table(FRAME, wrap=["name"], align={"name": "right"})
    assert block["column_settings"] == [{"align": "right", "is_wrapped": True}, {"align": "right"}, {"align": "right"}]
    assert list(block["column_settings"][0]) == ["align", "is_wrapped"]


@pytest.mark.parametrize("options, error, message", [
    ({"formatters": ["{:.2f}"]}, TypeError, "formatters must be a dict of column labels, got list"),
    ({"formatters": {"amount": 2}}, TypeError, "formatters['amount'] must be a format string or a callable, got int"),
    ({"formatters": {"amunt": "{}"}}, KeyError, "\"formatters: the DataFrame has no column 'amunt'\""),
    ({"formatters": {"n": lambda v: v}}, TypeError, "Expected str from a formatter, got int"),
    ({"float_format": 2}, TypeError, "float_format must be a format string or a callable, got int"),
    ({"columns": "name"}, TypeError, "columns must be a list of column labels, got str"),
    ({"columns": ["nope"]}, KeyError, None),
    ({"align": {"name": "middle"}}, ValueError, "align['name'] must be 'left', 'center' or 'right', got 'middle'"),
    ({"align": {"x": "left"}}, KeyError, "\"align: the DataFrame has no column 'x'\""),
    ({"wrap": ["x"]}, KeyError, "\"wrap: the DataFrame has no column 'x'\""),
    ({"max_rows": -1}, ValueError, "max_rows must not be negative"),
    ({"max_rows": True}, TypeError, "max_rows must be an int, got bool"),
    ({"columns": []}, ValueError, "DataFrame has no columns: a table needs at least one column"),
])
def test_bad_options(options, error, message):
    with pytest.raises(error) as info:
        Table.simple_table(FRAME, **options)
    if message is not None:
        assert str(info.value) == message


def test_long_frames_are_one_table_that_fit_splits():
    from velmora import fit

    df = pd.DataFrame({"n": range(250)})
    [block] = Table.simple_table(df)
    assert len(block["rows"]) == 251
    parts = fit(Table.simple_table(df))
    tables = [b for part in parts for b in part["blocks"]]
    assert [len(t["rows"]) for t in tables] == [100, 100, 53] and len(parts) == 3
    assert all(texts(t)[0] == ["n"] for t in tables)
    assert [row[0] for t in tables for row in texts(t)[1:]] == [str(i) for i in range(250)]


DATA = {"name": ["ada", None, "中文"], "score": [0.25, None, 1.5], "n": [1, 2, 3],
        "when": [datetime.datetime(2024, 6, 1), datetime.datetime(2024, 6, 2), None], "ok": [True, False, True]}


@pytest.mark.parametrize("make", [
    lambda: pytest.importorskip("polars").DataFrame(DATA),
    lambda: pytest.importorskip("pyarrow").table(DATA),
], ids=["polars", "pyarrow"])
def test_polars_and_pyarrow_show_as_the_equal_pandas_frame(make):
    frame = make()
    expected = Table.simple_table(pd.DataFrame(DATA), formatters={"n": "{:03d}"}, columns=["n", "name", "when", "score"])
    assert Table.simple_table(frame, formatters={"n": "{:03d}"}, columns=["n", "name", "when", "score"]) == expected
    assert texts(expected[0])[1] == ["001", "ada", "2024-06-01", "0.25"]
