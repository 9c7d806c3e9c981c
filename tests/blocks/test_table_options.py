"""What the table cells show by default (pandas' own display is the oracle), and the options."""

from __future__ import annotations

import ast
import datetime
import re
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

from velmora.blocks.table import Table


def texts(block: dict) -> list[list[str]]:
    return [[cell["elements"][0]["elements"][0]["text"] for cell in row] for row in block["rows"]]


def shown_by_pandas(column) -> list[str]:
    """The cells DataFrame.to_string() shows for one column, missing values as the empty-looking
    cell a table block shows (a space)."""
    df = pd.DataFrame({"c": column})
    lines = df.to_string(index=True).split("\n")[1:]
    cells = [line[len(str(label)) :].strip() for line, label in zip(lines, df.index)]
    return [" " if cell in ("NaN", "NaT", "<NA>", "None") else cell for cell in cells]


ISO = {"format": "ISO8601"}


@pytest.mark.parametrize(
    "column",
    [
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
        [1.0, 2.0],
        [1.25, 2.5, 10.0],
        np.array([0.1, 0.25], dtype=np.float32),  # zeros trimmed per column
        [12345678.123, 1.5],
        [1e-9, 1.5],
        [1e7, 1.5],
        [float("inf"), -2.5, -0.0],  # scientific when pandas goes so
        pd.array([1.5, None], dtype="Float64"),
        [True, False],
        [1, 2, 3],
        pd.array([1, None], dtype="Int64"),
        pd.Categorical([1, None, 2]),  # the categories' own values, not floats
        pd.array(["x", None, "日本"], dtype="str"),
        pd.array(["x", None], dtype=pd.StringDtype("python")),
    ],
    ids=[
        "dates",
        "times",
        "millis",
        "tz",
        "micros",
        "nanos",
        "pre-1970",
        "leap",
        "short-years",
        "negative-year",
        "all-nat",
        "year-12000",
        "year-12000-mixed",
        "timedelta",
        "precision",
        "integral",
        "trimmed",
        "float32",
        "wide",
        "tiny",
        "large-fits",
        "inf",
        "Float64",
        "bool",
        "int",
        "Int64",
        "int-categories",
        "str",
        "python-str",
    ],
)
def test_cells_are_what_pandas_shows(column):
    [block] = Table.simple_table(pd.DataFrame({"c": column}))
    assert [row[0] for row in texts(block)[1:]] == shown_by_pandas(column)


@pytest.mark.parametrize(
    "make",
    [
        lambda: pd.DataFrame(np.arange(12).reshape(4, 3) * 1.5),  # one 2-D block: each column strided
        lambda: pd.DataFrame(np.arange(-6, 6, dtype=np.int8).reshape(4, 3)),
        lambda: pd.DataFrame(
            {
                "u": np.array([2**64 - 1, 0], dtype=np.uint64),
                "h": np.array([1.5, None], dtype=np.float16),
                "b": [True, False],
            }
        ),
        lambda: pd.DataFrame(
            {u: pd.date_range("1969-12-31 23:00", periods=3, freq="25min", unit=u) for u in ("s", "ms", "us", "ns")}
        ),
        lambda: pd.DataFrame(
            np.array(["2024-01-01", "NaT", "2024-01-02T03:00"], dtype="M8[s]").repeat(2).reshape(3, 2)
        ),
        lambda: pd.DataFrame({"d": pd.to_datetime(["2024-01-01", None])}, index=pd.date_range("2024-01-01", periods=2)),
    ],
    ids=["float-block", "int8-block", "numbers", "units", "datetime-block", "datetime-index"],
)
@pytest.mark.filterwarnings("ignore:overflow encountered in cast:RuntimeWarning")  # pandas' own, on float16
def test_frames_show_as_pandas_does(make):
    df = make()
    [block] = Table.simple_table(df, index=True)
    columns = [df.index.to_series()] + [df.iloc[:, j] for j in range(df.shape[1])]
    assert [[row[j] for row in texts(block)[1:]] for j in range(len(columns))] == [
        shown_by_pandas(column.to_numpy()) for column in columns
    ]


def test_display_options_are_read_at_call_time():
    df = pd.DataFrame({"c": [0.123456789, 1.0]})
    with pd.option_context("display.precision", 3):
        assert texts(Table.simple_table(df)[0])[1:] == [["0.123"], ["1.000"]] and shown_by_pandas(df["c"]) == [
            "0.123",
            "1.000",
        ]
    with pd.option_context("display.chop_threshold", 0.5):
        assert texts(Table.simple_table(df)[0])[1:] == [["0.0"], ["1.0"]]


def _arrow(kind):
    pa = pytest.importorskip("pyarrow")
    return pd.ArrowDtype(getattr(pa, kind)())


@pytest.mark.parametrize(
    "make",
    [
        lambda: pd.concat(
            [
                pd.DataFrame({"s": pd.array(["a", None], dtype="str")}),
                pd.DataFrame({"s": pd.array(["日本", "b"], dtype="str")}),
            ],
            ignore_index=True,
        ),  # two chunks
        lambda: pd.DataFrame({"s": pd.array(["a", None, "c"], dtype=pd.StringDtype("pyarrow"))}),
        lambda: pd.DataFrame({"s": pd.array(["a", None], dtype=_arrow("large_string"))}),
        lambda: pd.DataFrame({"i": np.array([1, -2], dtype=">i4"), "f": np.array([1.5, None], dtype=">f8")}),
        lambda: pd.DataFrame({"x": [1.5, 2.0]}, index=pd.Index(["r", None], dtype="str")),
    ],
    ids=["chunked-str", "pyarrow-str", "arrow-large-string", "big-endian", "str-index"],
)
def test_stored_forms_show_as_their_python_objects(make):
    # however pandas keeps a column, its cells read as those of the same values kept as Python objects
    df = make()
    as_objects = df.astype(object)
    as_objects.index = df.index.astype(object)
    assert texts(Table.simple_table(df, index=True)[0]) == texts(Table.simple_table(as_objects, index=True)[0])


def test_string_labels_are_shown_as_pandas_has_them():
    df = pd.DataFrame([[1, 2, 3]], columns=pd.Index(["a", None, "日本"], dtype="str"))
    assert texts(Table.simple_table(df)[0])[0] == ["a", " ", "日本"]  # a missing label: an empty-looking cell


def test_multiindex_labels_and_index_levels():
    columns = pd.MultiIndex.from_tuples([("latency", "mean"), ("latency", "p95"), ("count", "")])
    index = pd.MultiIndex.from_tuples([("eu", 2024), ("us", 2025)], names=["region", None])
    df = pd.DataFrame([[1.5, 2.0, 3], [2.5, 4.0, 5]], columns=columns, index=index)
    [block] = Table.simple_table(df, index=True)
    assert texts(block) == [
        ["region", " ", "latency / mean", "latency / p95", "count"],
        ["eu", "2024", "1.5", "2.0", "3"],
        ["us", "2025", "2.5", "4.0", "5"],
    ]
    assert [s["align"] for s in block["column_settings"]] == ["left", "right", "right", "right", "right"]


FRAME = pd.DataFrame({"name": ["ada", "bob", None], "amount": [1234.5, 2.25, None], "n": [1, 2, 3]})


@pytest.mark.parametrize(
    "options, rows, settings",
    [
        (
            {"formatters": {"amount": "{:,.2f}"}},
            [["ada", "1,234.50", "1"], ["bob", "2.25", "2"], [" ", " ", "3"]],
            None,
        ),
        (
            {"formatters": {"amount": ",.1f", "n": lambda v: f"#{v}"}},
            [["ada", "1,234.5", "#1"], ["bob", "2.2", "#2"], [" ", " ", "#3"]],
            None,
        ),
        ({"float_format": "{:.0f}"}, [["ada", "1234", "1"], ["bob", "2", "2"], [" ", " ", "3"]], None),
        (
            {"float_format": "{:.0f}", "formatters": {"amount": "{:.3f}"}},
            [["ada", "1234.500", "1"], ["bob", "2.250", "2"], [" ", " ", "3"]],
            None,
        ),
        ({"columns": ["n", "name"]}, [["1", "ada"], ["2", "bob"], ["3", " "]], ["right", "left"]),
        ({"align": {"name": "center", "n": "left"}}, None, ["center", "right", "left"]),
        (
            {"max_rows": 1},
            [["ada", "1234.5", "1"], ["… 2 more rows", "…", "…"]],
            None,
        ),  # zeros trimmed over the rows shown
        ({"max_rows": 0}, [["… 3 more rows", "…", "…"]], None),
        ({"max_rows": 3}, [["ada", "1234.50", "1"], ["bob", "2.25", "2"], [" ", " ", "3"]], None),  # nothing left out
        ({"float_format": "%.2f"}, [["ada", "1234.50", "1"], ["bob", "2.25", "2"], [" ", " ", "3"]], None),
        (
            {"formatters": {"amount": "%.1f%%", "n": "%03d"}, "na_rep": "–"},
            [["ada", "1234.5%", "001"], ["bob", "2.2%", "002"], ["–", "–", "003"]],
            None,
        ),
        ({"formatters": {"amount": ".0%"}}, [["ada", "123450%", "1"], ["bob", "225%", "2"], [" ", " ", "3"]], None),
        ({"na_rep": ""}, [["ada", "1234.50", "1"], ["bob", "2.25", "2"], [" ", " ", "3"]], None),
    ],
    ids=[
        "format-string",
        "spec-and-callable",
        "float_format",
        "formatter-wins",
        "columns",
        "align",
        "max_rows",
        "no-rows",
        "max_rows-all",
        "printf",
        "printf-columns-na_rep",
        "percent-spec",
        "na_rep-empty",
    ],
)
def test_options(options, rows, settings):
    [block] = Table.simple_table(FRAME, **options)
    shown = texts(block)
    assert shown[0] == (options.get("columns") or ["name", "amount", "n"])
    if rows is not None:
        assert shown[1:] == rows
    if settings is not None:
        assert [s["align"] for s in block["column_settings"]] == settings


@pytest.mark.parametrize(
    "fmt, shown",
    [
        ("%.2f", "1234.50"),
        ("%08.1f", "001234.5"),
        ("%.1f%%", "1234.5%"),
        ("$%e", "$1.234500e+03"),  # printf
        (".1%", "123450.0%"),
        ("%>9", "%%%1234.5"),
        (",", "1,234.5"),  # format specs, "%" among them
        ("{:.0f} ms", "1234 ms"),
        ("{!r}%", "1234.5%"),  # format strings
    ],
)
def test_str_formats_read_as_python_reads_them(fmt, shown):
    [block] = Table.simple_table(pd.DataFrame({"x": [1234.5]}), float_format=fmt)
    assert texts(block)[1] == [shown]


@pytest.mark.parametrize("option", ["formatters", "align"])
def test_a_label_whose_repr_empties_the_option_dict(option):
    # the key and value being checked are held while the error names the key
    class Label:
        def __repr__(self):
            chosen.clear()
            return "Label()"

    chosen = {Label(): 2}
    with pytest.raises((TypeError, ValueError), match=rf"^{option}\[Label\(\)\] must be "):
        Table.simple_table(FRAME, **{option: chosen})


def test_wrap_sets_is_wrapped_after_align():
    [block] = Table.simple_table(FRAME, wrap=["name"], align={"name": "right"})
    assert block["column_settings"] == [{"align": "right", "is_wrapped": True}, {"align": "right"}, {"align": "right"}]
    assert list(block["column_settings"][0]) == ["align", "is_wrapped"]


@pytest.mark.parametrize(
    "options, error, message",
    [
        ({"formatters": ["{:.2f}"]}, TypeError, "formatters must be a dict of column labels, got list"),
        (
            {"formatters": {"amount": 2}},
            TypeError,
            "formatters['amount'] must be a format string or a callable, got int",
        ),
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
        ({"na_rep": 0}, TypeError, "na_rep must be a str, got int"),
        ({"formatters": {"name": "%d"}}, TypeError, "%d format: a real number is required, not str"),  # printf's own
        ({"float_format": "%%"}, ValueError, None),  # no conversion: a format spec, and not a valid one
        ({"columns": []}, ValueError, "DataFrame has no columns: a table needs at least one column"),
    ],
)
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


DATA = {
    "name": ["ada", None, "中文"],
    "score": [0.25, None, 1.5],
    "n": [1, 2, 3],
    "when": [datetime.datetime(2024, 6, 1), datetime.datetime(2024, 6, 2), None],
    "ok": [True, False, True],
}


@pytest.mark.parametrize(
    "make",
    [
        lambda: pytest.importorskip("polars").DataFrame(DATA),
        lambda: pytest.importorskip("pyarrow").table(DATA),
    ],
    ids=["polars", "pyarrow"],
)
def test_polars_and_pyarrow_show_as_the_equal_pandas_frame(make):
    frame = make()
    expected = Table.simple_table(
        pd.DataFrame(DATA), formatters={"n": "{:03d}"}, columns=["n", "name", "when", "score"]
    )
    assert Table.simple_table(frame, formatters={"n": "{:03d}"}, columns=["n", "name", "when", "score"]) == expected
    assert texts(expected[0])[1] == ["001", "ada", "2024-06-01", "0.25"]


def _polars(values, dtype=None):
    """A polars Series; dtype by name, "Datetime[ns]" for a time unit."""
    pl = pytest.importorskip("polars")
    if dtype:
        name, _, unit = dtype.rstrip("]").partition("[")
        dtype = getattr(pl, name)(unit) if unit else getattr(pl, name)
    return pl.Series(values, dtype=dtype)


D = datetime.datetime


@pytest.mark.parametrize(
    "make, options",
    [
        (lambda: _polars([1.5, None, float("nan"), 1e-9]), {}),
        (lambda: _polars([0.1, 2.0, None], "Float32"), {"float_format": "{:.2f}"}),
        (lambda: _polars([1, None, -3]), {}),  # integers with nulls: floats, as in pandas
        (lambda: _polars([-128, 0, 127], "Int8"), {}),
        (lambda: _polars([2**64 - 1, 0, 5], "UInt64"), {}),
        (lambda: _polars([True, None, False]), {}),
        (lambda: _polars([True, False]), {}),
        (lambda: _polars(["a", None, "中文"]), {}),
        (lambda: _polars([None, None], "String"), {}),
        (lambda: _polars([datetime.date(2024, 1, 2), None, datetime.date(1600, 2, 29)]), {}),
        (lambda: _polars([D(2024, 1, 2, 3, 4, 5, 6), None, D(1969, 12, 31, 23, 59, 59)], "Datetime[ns]"), {}),
        (lambda: _polars([D(2024, 1, 2), None, D(2024, 1, 3)], "Datetime[ms]"), {}),
        (lambda: _polars([D(9999, 12, 31, 23, 59, 59, 999999), D(1, 1, 1), None]), {}),
        (lambda: _polars([D(2024, 1, 2), None]).dt.replace_time_zone("Europe/Paris"), {}),  # read through pandas
        (lambda: _polars([datetime.timedelta(1), None]), {}),
        (lambda: _polars(["x", None, "x"], "Categorical"), {}),
        (lambda: _polars([1.5, 2.25, None]), {"formatters": {"c": "{:.1f}"}}),
        (lambda: _polars(["a", "b", "c"]), {"max_rows": 2, "align": {"c": "center"}, "wrap": ["c"]}),
        (lambda: _polars([D(2024, 1, 2, 12), D(2024, 1, 3)]), {"index": True}),
    ],
    ids=[
        "float",
        "float32",
        "int-nulls",
        "int8",
        "uint64",
        "bool-nulls",
        "bool",
        "string",
        "string-nulls",
        "date",
        "datetime-ns",
        "datetime-ms",
        "datetime-edges",
        "datetime-tz",
        "duration",
        "categorical",
        "formatters",
        "options",
        "index",
    ],
)
def test_polars_columns_show_as_their_pandas_frame(make, options):
    frame = make().alias("c").to_frame()
    assert Table.simple_table(frame, **options) == Table.simple_table(frame.to_pandas(), **options)


def test_polars_column_selection_shows_as_pandas_does():
    pl = pytest.importorskip("polars")
    frame = pl.DataFrame({"a": [1, 2], "b": ["x", None], "when": [D(2024, 1, 1), None]})
    for columns in (["b", "a", "b"], ("when",)):
        assert Table.simple_table(frame, columns=columns) == Table.simple_table(frame.to_pandas(), columns=columns)
    for columns, error in ((["nope"], KeyError), ([], ValueError), ([0], KeyError)):
        raised = []
        for f in (frame, frame.to_pandas()):
            with pytest.raises(error) as info:
                Table.simple_table(f, columns=columns)
            raised.append(info.value)
        assert str(raised[0]) == str(raised[1])


# ---- the stubs follow the one table of the options (VM_TABLE_OPTIONS) --------------------------

ROOT = Path(__file__).resolve().parents[2]
NOT_OPTIONS = {"block_id", "caption", "page_size", "index", "text"}


def table_options() -> list[tuple[str, str, str]]:
    """(name, type in the stubs, which tables) of each option, in order, as the C++ lists them."""
    text = (ROOT / "src/cpp/velmora/table_options.hpp").read_text()
    found = re.findall(r'X\((\w+), (\w+), "([^"]*)", (every|fixed), \w+\)', text)
    assert len(found) >= 6
    return [
        (name, ast.unparse(ast.parse(annotation, mode="eval").body), tables) for _, name, annotation, tables in found
    ]


@pytest.mark.parametrize(
    "stub, cls, method, tables",
    [
        ("blocks/table.pyi", "Table", "simple_table", "fixed"),
        ("messages/table/simple_table.pyi", "SimpleTableMessage", "__init__", "fixed"),
        ("messages/composite/dataframe.pyi", "DataFrameMessage", "__init__", "fixed"),
        ("blocks/table.pyi", "Table", "data_table", "every"),
        ("messages/table/data_table.pyi", "DataTableMessage", "__init__", "every"),
    ],
)
def test_stubs_spell_the_table_options_as_the_cpp_table(stub, cls, method, tables):
    expected = [
        (name, annotation) for name, annotation, kind in table_options() if tables == "fixed" or kind == "every"
    ]
    tree = ast.parse((ROOT / "src/velmora" / stub).read_text())
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    [func] = [node for node in classes[cls].body if isinstance(node, ast.FunctionDef) and node.name == method]
    options = [
        (arg, default)
        for arg, default in zip(func.args.kwonlyargs, func.args.kw_defaults)
        if arg.arg not in NOT_OPTIONS
    ]
    if func.args.kwarg and ast.unparse(func.args.kwarg.annotation).startswith("Unpack["):
        # A builder takes them as **options typed by a TypedDict of the stub: its keys are the options.
        assert options == []
        typed = classes[ast.unparse(func.args.kwarg.annotation)[len("Unpack[") : -1]]
        fields = [
            (node.target.id, ast.unparse(node.annotation)) for node in typed.body if isinstance(node, ast.AnnAssign)
        ]
        assert fields == expected
        return
    assert [(arg.arg, ast.unparse(arg.annotation)) for arg, _ in options] == expected
    assert all(isinstance(default, ast.Constant) and default.value is None for _, default in options)
    if method == "__init__":  # and the message keeps each as an attribute of the same type
        names = {name for name, _ in expected}
        attributes = [
            (node.target.id, ast.unparse(node.annotation))
            for node in classes[cls].body
            if isinstance(node, ast.AnnAssign) and node.target.id in names
        ]
        assert attributes == expected
