"""Chart: Slack's native charts (data_visualization blocks) of frames, Series and mappings."""

from __future__ import annotations

import datetime as dt
import json

import numpy as np
import pandas as pd
import polars as pl
import pyarrow as pa
import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import velmora
from support import assert_no_leak, run_python
from velmora.blocks import Chart

WEEKS = [dt.date(2026, 1, 5), dt.date(2026, 1, 12), dt.date(2026, 1, 19)]
SHOWN = ["2026-01-05", "2026-01-12", "2026-01-19"]
WEB, MOBILE = [120, 135, 128], [80.5, 95.0, 110.0]
EXPECTED = {
    "type": "data_visualization",
    "title": "Weekly sign-ups",
    "chart": {
        "type": "line",
        "series": [
            {"name": "web", "data": [{"label": w, "value": v} for w, v in zip(SHOWN, WEB)]},
            {"name": "mobile", "data": [{"label": w, "value": v} for w, v in zip(SHOWN, MOBILE)]},
        ],
        "axis_config": {"categories": SHOWN, "x_label": "week"},
    },
}
COLUMNS = {"week": WEEKS, "web": WEB, "mobile": MOBILE}
FRAME = pd.DataFrame(COLUMNS)


def values(block: dict) -> list:
    chart = block["chart"]
    return [p["value"] for s in chart.get("series", [{"data": chart.get("segments")}]) for p in s["data"]]


@pytest.mark.parametrize(
    "data, x",
    [
        (FRAME.set_index("week"), None),
        (FRAME.assign(week=pd.to_datetime(WEEKS)).set_index("week"), None),
        (FRAME, "week"),
        (FRAME.assign(week=pd.to_datetime(WEEKS)), "week"),
        (FRAME.assign(week=SHOWN), "week"),
        (pl.DataFrame(COLUMNS), "week"),
        (pl.DataFrame(COLUMNS).with_columns(pl.col("week").cast(pl.Datetime("us"))), "week"),
        (pl.DataFrame({**COLUMNS, "week": SHOWN}).with_columns(pl.col("week").cast(pl.Categorical)), "week"),
        (pa.table(COLUMNS), "week"),
        (COLUMNS, "week"),
        ({"week": SHOWN, "web": np.array(WEB), "mobile": np.array(MOBILE, dtype=np.float32)}, "week"),
        ({"week": pd.Series(pd.to_datetime(WEEKS)), "web": pd.Series(WEB), "mobile": tuple(MOBILE)}, "week"),
    ],
    ids=[
        "index-dates",
        "index-datetimes",
        "column-dates",
        "column-datetimes",
        "column-str",
        "polars-date",
        "polars-datetime",
        "polars-categorical",
        "pyarrow",
        "mapping",
        "mapping-numpy",
        "mapping-series",
    ],
)
def test_every_kind_of_data_gives_the_same_block(data, x):
    blocks = Chart.line(data, x=x, title="Weekly sign-ups")
    assert json.dumps(blocks) == json.dumps([EXPECTED])  # key order and int/float too
    assert {type(v) for v in values(blocks[0])} == {int, float}
    assert velmora.validate(blocks) == []


@pytest.mark.parametrize(
    "data, kwargs, segments",
    [
        (pd.Series({"web": 3, "ios": 4}), {}, [("web", 3), ("ios", 4)]),
        ({"web": 3, "ios": np.float64(4.5), "android": np.int32(2)}, {}, [("web", 3), ("ios", 4.5), ("android", 2)]),
        ({dt.date(2026, 1, 5): 1.0}, {}, [("2026-01-05", 1.0)]),
        (
            pd.DataFrame({"os": ["web", "ios"], "n": [3, 4], "note": ["a", "b"]}),
            {"labels": "os"},
            [("web", 3), ("ios", 4)],
        ),
        (pd.DataFrame({"n": [3, 4], "m": [1, 1]}, index=["web", "ios"]), {"values": "n"}, [("web", 3), ("ios", 4)]),
        (pl.DataFrame({"os": ["web", "ios"], "n": [3, 4]}), {"labels": "os", "values": "n"}, [("web", 3), ("ios", 4)]),
        ({"os": ["web", "ios"], "n": [3, 4]}, {"labels": "os"}, [("web", 3), ("ios", 4)]),
    ],
    ids=["series", "mapping", "mapping-dates", "frame", "frame-index", "polars", "mapping-columns"],
)
def test_pie(data, kwargs, segments):
    blocks = Chart.pie(data, title="Platforms", block_id="os", **kwargs)
    expected = {
        "type": "data_visualization",
        "title": "Platforms",
        "chart": {"type": "pie", "segments": [{"label": name, "value": v} for name, v in segments]},
        "block_id": "os",
    }
    assert json.dumps(blocks) == json.dumps([expected])
    assert velmora.validate(blocks) == []


@pytest.mark.parametrize("kind", ["line", "bar", "area"])
def test_options_of_series_charts(kind):
    df = pd.DataFrame(
        {"web": [1.5, None, 3.0], "mobile": [1, 2, 3], "name": ["a", "b", "c"]},
        index=pd.Index(["x", "y", "z"], name="day"),
    )
    [block] = getattr(Chart, kind)(
        df, y=pd.Index(["mobile", "web"]), title="t", x_label="", y_label="users", dropna=True, block_id="b"
    )
    assert list(block) == ["type", "title", "chart", "block_id"]
    assert block["chart"] == {
        "type": kind,
        "series": [
            {"name": "mobile", "data": [{"label": "x", "value": 1}, {"label": "z", "value": 3}]},
            {"name": "web", "data": [{"label": "x", "value": 1.5}, {"label": "z", "value": 3.0}]},
        ],
        "axis_config": {"categories": ["x", "z"], "y_label": "users"},
    }
    [one] = getattr(Chart, kind)(df, x="name", y="mobile", title="t")
    assert one["chart"]["axis_config"] == {"categories": ["a", "b", "c"], "x_label": "name"}


def test_labels_are_placed_and_shortened():
    week = "".join(["2026-", "01-05"])
    long = "Monday 5 January 2026, morning"
    [block] = Chart.bar({"day": [week, long], "a" * 21: [1, 2]}, x="day", x_label="d" * 50, title="t" * 50)
    chart = block["chart"]
    assert chart["axis_config"]["categories"] == [week, "Monday 5 January 20…"]
    assert chart["axis_config"]["categories"][0] is week is chart["series"][0]["data"][0]["label"]
    assert chart["series"][0]["name"] == "a" * 19 + "…"
    [derived] = Chart.bar(pd.DataFrame({"v": [1]}, index=pd.Index(["a"], name="n" * 60)), title="t")
    assert derived["chart"]["axis_config"]["x_label"] == "n" * 49 + "…"


def test_index_of_several_levels_and_unnamed_series():
    df = pd.DataFrame({"v": [1, 2]}, index=pd.MultiIndex.from_tuples([("eu", 2025), ("us", 2026)], names=["r", None]))
    [block] = Chart.area(df, title="t")
    assert block["chart"]["axis_config"] == {"categories": ["eu / 2025", "us / 2026"], "x_label": "r"}
    [series] = Chart.line(pd.Series([5, 6]), title="t")
    assert series["chart"]["series"] == [
        {"name": "0", "data": [{"label": "0", "value": 5}, {"label": "1", "value": 6}]}
    ]


@pytest.mark.parametrize(
    "column",
    [
        np.array([1, 2], dtype=np.uint64),
        np.array([1, 2], dtype=np.int8),
        np.array([1.5, 2], dtype=np.float32),
        pd.array([1, 2], dtype="Int64"),
        pd.array([1.5, 2], dtype="Float64"),
        pd.array([1, 2], dtype="int64[pyarrow]"),
    ],
)
def test_values_are_plain_numbers(column):
    [block] = Chart.bar(pd.DataFrame({"v": column}), title="t")
    assert [type(v) for v in values(block)] in ([int, int], [float, float])
    assert values(block) == [1, 2] or values(block) == [1.5, 2.0]


def test_limits_reached_exactly():
    twenty = pd.DataFrame({f"c{j}": range(20) for j in range(12)})
    [block] = Chart.line(twenty, title="t" * 50)
    assert len(block["chart"]["series"]) == 12 and len(block["chart"]["axis_config"]["categories"]) == 20
    [pie] = Chart.pie({f"k{i}": i + 1 for i in range(12)}, title="t")
    assert len(pie["chart"]["segments"]) == 12
    assert velmora.validate([block]) == velmora.validate([pie]) == []


class OddItems(dict):
    """A mapping whose items() are not pairs."""

    def items(self):
        return [1]


TOO_LONG = "Monday 5 January 2026, "
ERRORS = [
    (lambda: Chart.line(FRAME, title="t" * 51), ValueError, "title must hold 1 to 50 characters, got 51"),
    (lambda: Chart.line(FRAME, title=""), ValueError, "title must hold 1 to 50 characters, got 0"),
    (
        lambda: Chart.line(FRAME, title=None),
        TypeError,
        "Argument 'title' has incorrect type (expected str, got NoneType)",
    ),
    (lambda: Chart.line(FRAME), TypeError, "Chart.line() missing 1 required keyword-only argument: 'title'"),
    (lambda: Chart.pie({"a": 1}), TypeError, "Chart.pie() missing 1 required keyword-only argument: 'title'"),
    (
        lambda: Chart.line(FRAME, title="t", y_label="y" * 51),
        ValueError,
        "y_label must hold 1 to 50 characters, got 51",
    ),
    (
        lambda: Chart.bar([1, 2], title="t"),
        TypeError,
        "Argument 'data' has incorrect type (expected a pandas or polars DataFrame, a pandas Series or a mapping, got list)",
    ),
    (lambda: Chart.bar(FRAME, y="wbe", title="t"), KeyError, "\"y: the data has no column 'wbe'\""),
    (lambda: Chart.bar(FRAME, x="wk", title="t"), KeyError, "\"x: the data has no column 'wk'\""),
    (
        lambda: Chart.bar(FRAME, y=["web", "week"], title="t"),
        ValueError,
        "y: column 'week' holds no numbers; a chart plots columns of ints or floats",
    ),
    (lambda: Chart.bar(FRAME, y=[], title="t"), ValueError, "y names no column"),
    (
        lambda: Chart.bar(FRAME[["week"]], title="t"),
        ValueError,
        "The data has no column of numbers to plot; convert the columns first (pd.to_numeric)",
    ),
    (
        lambda: Chart.line(pd.DataFrame({"v": range(21)}), title="t"),
        ValueError,
        "A chart shows at most 20 categories; the data has 21. Take the last 20 rows (df.tail(20)) or fewer, coarser "
        'ones (df.resample("W").sum())',
    ),
    (
        lambda: Chart.line(pd.DataFrame({"v": [*range(21), None]}), title="t", dropna=True),
        ValueError,
        "A chart shows at most 20 categories; the data has 21 with a value in every series. Take the last 20 rows "
        '(df.tail(20)) or fewer, coarser ones (df.resample("W").sum())',
    ),
    (
        lambda: Chart.line(pd.DataFrame({f"c{j}": [1] for j in range(13)}), title="t"),
        ValueError,
        "A chart shows at most 12 series; the data has 13 columns of numbers. Pass at most 12 of them as y=[...].",
    ),
    (
        lambda: Chart.line(pd.DataFrame({f"c{j}": [1] for j in range(13)}), y=[f"c{j}" for j in range(13)], title="t"),
        ValueError,
        "A chart shows at most 12 series; y names 13 columns. Pass at most 12.",
    ),
    (
        lambda: Chart.line({"v": [1, None]}, title="t"),
        ValueError,
        "Series 'v' has no value for '1'; pass dropna=True to leave out the categories with a missing value, or fill "
        "them first (e.g. df.fillna(0))",
    ),
    (
        lambda: Chart.line({"v": [float("nan")]}, title="t", dropna=True),
        ValueError,
        "Every category has a missing value: dropna=True left nothing to plot",
    ),
    (lambda: Chart.line({"v": []}, title="t"), ValueError, "The data has no rows: a chart needs at least one category"),
    (
        lambda: Chart.line({"v": [1, float("inf")]}, title="t"),
        ValueError,
        "Series 'v' has inf for '1'; Slack's charts take finite numbers only",
    ),
    (
        lambda: Chart.line({"d": [TOO_LONG + "morning", TOO_LONG + "evening"], "v": [1, 2]}, x="d", title="t"),
        ValueError,
        "Categories 'Monday 5 January 2026, morning' and 'Monday 5 January 2026, evening' both show as "
        "'Monday 5 January 20…' (Slack shows 20 characters); make them differ in their first 19",
    ),
    (
        lambda: Chart.line(pd.DataFrame({"v": [1, 2]}, index=["a", "a"]), title="t"),
        ValueError,
        "Categories must be unique: 'a' comes twice (aggregate the data first)",
    ),
    (
        lambda: Chart.line(pd.DataFrame([[1, 2]], columns=["v", "v"]), title="t"),
        ValueError,
        "Series names must be unique: 'v' comes twice (aggregate the data first)",
    ),
    (
        lambda: Chart.line({"v": [1, 2], "w": [1]}, title="t"),
        ValueError,
        "data's columns differ in length: 'v' holds 2 values, 'w' 1",
    ),
    (lambda: Chart.line({"v": "12"}, title="t"), TypeError, "data['v'] must be a sequence of values, got str"),
    (
        lambda: Chart.line(pd.Series([1]), y="a", title="t"),
        ValueError,
        "x and y name the columns of a DataFrame or mapping; a Series is plotted as it is",
    ),
    (lambda: Chart.pie({"a": 1, "b": 0}, title="t"), ValueError, "A pie's values must be positive; 'b' is 0"),
    (lambda: Chart.pie(pd.Series({"a": -1.5}), title="t"), ValueError, "A pie's values must be positive; 'a' is -1.5"),
    (
        lambda: Chart.pie({"a": None}, title="t"),
        ValueError,
        "The value for 'a' is missing; a pie needs a number for every label",
    ),
    (
        lambda: Chart.pie({f"k{i}": 1 for i in range(13)}, title="t"),
        ValueError,
        'A pie shows at most 12 segments; the data has 13. Keep the 11 largest and sum the rest as one "Other" segment',
    ),
    (
        lambda: Chart.pie({"os": ["a"], "n": [1]}, title="t"),
        TypeError,
        "data['os'] must be a number, got list (a mapping of columns needs labels= and values=)",
    ),
    (
        lambda: Chart.pie(pd.DataFrame({"a": [1], "b": [2]}), title="t"),
        ValueError,
        "The data has several columns of numbers ('a', 'b', ...); name one: values='a'",
    ),
    (
        lambda: Chart.pie(pd.DataFrame({"a": ["x"]}), title="t"),
        ValueError,
        "The data has no column of numbers for the pie's values",
    ),
    (lambda: Chart.pie(OddItems(a=1), title="t"), TypeError, "the data's items() must give (key, value) pairs"),
    (lambda: Chart.line(OddItems(a=[1]), title="t"), TypeError, "the data's items() must give (key, value) pairs"),
    (
        lambda: Chart.pie(pd.Series([1]), labels="a", title="t"),
        ValueError,
        "labels and values name the columns of a DataFrame or mapping; a Series is plotted as it is",
    ),
]


@pytest.mark.parametrize("call, error, message", ERRORS, ids=[str(i) for i in range(len(ERRORS))])
def test_errors(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message


typed_columns = st.integers(1, 6).flatmap(
    lambda n: st.fixed_dictionaries(
        {
            "d": st.lists(st.dates(dt.date(1900, 1, 1), dt.date(2100, 1, 1)), min_size=n, max_size=n, unique=True),
            "t": st.lists(
                st.datetimes(dt.datetime(1900, 1, 1), dt.datetime(2100, 1, 1)), min_size=n, max_size=n, unique=True
            ),
            "s": st.lists(st.text("ab", min_size=1, max_size=3), min_size=n, max_size=n, unique=True),
            "f": st.lists(st.floats(-1e9, 1e9) | st.none(), min_size=n, max_size=n),
            "i": st.lists(st.integers(-(2**53), 2**53) | st.none(), min_size=n, max_size=n),
        }
    )
)


@settings(max_examples=40, deadline=None)
@given(columns=typed_columns, x=st.sampled_from(["d", "t", "s", None]), kind=st.sampled_from(["line", "bar", "area"]))
def test_polars_and_pandas_give_the_same_block(columns, x, kind):
    chart = getattr(Chart, kind)

    def outcome(data):
        try:
            return chart(data, x=x, title="t", dropna=True)
        except ValueError as error:
            return str(error)

    assert outcome(pl.DataFrame(columns)) == outcome(pd.DataFrame(columns))


def test_pandas_is_not_imported_for_a_mapping():
    result = run_python("""
        import sys; sys.modules["pandas"] = None  # blocked: importing it fails
        from velmora.blocks import Chart
        print(Chart.pie({"a": 1}, title="t")[0]["chart"], Chart.bar({"v": [1]}, title="t")[0]["chart"]["axis_config"])
    """)
    assert result.stdout.strip() == "{'type': 'pie', 'segments': [{'label': 'a', 'value': 1}]} {'categories': ['0']}"


def test_no_leak():
    df = FRAME.assign(web=[1.0, None, 3.0])
    mapping = {"a": [1, None], "b": ["x", "y"]}
    assert_no_leak(lambda: Chart.line(df, x="week", title="t", dropna=True), watch=[df], times=1000, windows=3)
    assert_no_leak(lambda: Chart.pie(mapping, labels="b", values="a", title="t"), expect=ValueError, watch=[mapping])
    polars = pl.DataFrame(COLUMNS)
    assert_no_leak(lambda: Chart.bar(polars, x="week", title="t"), watch=[polars], times=1000, windows=3)
