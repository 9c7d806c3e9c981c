"""ChartMessage: one of Slack's native charts, below an optional text, made by Chart's builders."""

from __future__ import annotations

import inspect

import pandas as pd
import pytest

from velmora.blocks import Chart
from velmora.interface import BaseVelmora
from velmora.messages import ChartMessage
from velmora.messages.chart import chart as chart_module

WEEKS = pd.DataFrame({"week": ["w1", "w2"], "web": [120, 135], "ios": [80, 95]})
TEXT = [{"type": "section", "text": {"type": "mrkdwn", "text": "*Weekly*"}}]


@pytest.mark.parametrize(
    "args, kwargs, expected",
    [
        ((WEEKS,), {"x": "week", "title": "Sign-ups"}, Chart.line(WEEKS, x="week", title="Sign-ups")),
        (
            (WEEKS, "bar"),
            {"x": "week", "y": ["ios"], "title": "t", "y_label": "n", "text": "*Weekly*"},
            TEXT + Chart.bar(WEEKS, x="week", y=["ios"], title="t", y_label="n"),
        ),
        ((WEEKS,), {"kind": "area", "title": "t", "x_label": "", "text": ""}, Chart.area(WEEKS, title="t", x_label="")),
        # a pie's x and y are its labels and values
        (
            (WEEKS, "pie"),
            {"x": "week", "y": "ios", "title": "t"},
            Chart.pie(WEEKS, labels="week", values="ios", title="t"),
        ),
        (({"web": 3, "ios": 4},), {"kind": "pie", "title": "t"}, Chart.pie({"web": 3, "ios": 4}, title="t")),
    ],
)
def test_the_blocks_are_the_builders(args, kwargs, expected):
    assert ChartMessage(*args, **kwargs).build_blocks() == expected


def test_signature_attributes_and_builders_from_module_globals(monkeypatch):
    assert str(inspect.signature(ChartMessage)) == (
        "(data, kind='line', *, x=None, y=None, title, x_label=None, y_label=None, text=None, **kwargs)"
    )
    title = "".join(["Sign", "-ups"])
    message = ChartMessage(WEEKS, title=title, preview="p")
    assert isinstance(message, BaseVelmora) and message.data is WEEKS and message.title is title
    assert message.kind == "line" and message.kind is ChartMessage({}, title="t").kind
    assert message.preview == "p" and message.extras == {}
    assert repr(message) == "ChartMessage(data=<DataFrame>, kind='line', title='Sign-ups', preview='p')"
    calls = []

    class FakeChart:
        @classmethod
        def pie(cls, data, **keywords):
            calls.append(keywords)
            return [{"type": "data_visualization"}]

    monkeypatch.setattr(chart_module, "Chart", FakeChart)
    assert ChartMessage({"a": 1}, "pie", y="a", title="t").build_blocks() == [{"type": "data_visualization"}]
    assert calls == [{"labels": None, "values": "a", "title": "t"}]


@pytest.mark.parametrize(
    "args, kwargs, error, message",
    [
        ((WEEKS,), {}, TypeError, "ChartMessage.__init__() missing 1 required keyword-only argument: 'title'"),
        (
            (WEEKS, "line", "t"),
            {},
            TypeError,
            "ChartMessage.__init__() takes from 1 to 2 positional arguments but 3 were given",
        ),
        (
            (WEEKS, "scatter"),
            {"title": "t"},
            ValueError,
            "kind must be 'line', 'bar', 'area' or 'pie' (the charts Slack draws), got 'scatter'",
        ),
        ((WEEKS, None), {"title": "t"}, TypeError, "Argument 'kind' has incorrect type (expected str, got NoneType)"),
        (
            ([1, 2],),
            {"title": "t"},
            TypeError,
            "Argument 'data' has incorrect type (expected a pandas or polars "
            "DataFrame, a pandas Series or a mapping, got list)",
        ),
        ((WEEKS,), {"title": "t" * 51}, ValueError, "title must hold 1 to 50 characters, got 51"),
        (
            (WEEKS, "pie"),
            {"title": "t", "y_label": "n"},
            ValueError,
            "A pie has no axes: x_label and y_label are for line, bar and area charts",
        ),
    ],
)
def test_bad_arguments(args, kwargs, error, message):
    with pytest.raises(error) as raised:
        ChartMessage(*args, **kwargs)
    assert str(raised.value) == message


def test_a_kind_changed_later_is_checked_when_built():
    message = ChartMessage(WEEKS, title="t")
    message.kind = "hist"
    with pytest.raises(ValueError, match="got 'hist'"):
        message.build_blocks()
