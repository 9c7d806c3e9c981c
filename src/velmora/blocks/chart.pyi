from collections.abc import Mapping
from typing import Any, Required, TypedDict, Unpack

class _XYChartOptions(TypedDict, total=False):
    """The keywords of a line, bar or area chart: x, the column of categories (None: the
    index); y, a column or a list of them (None: every column of numbers); the title
    (required); the axis labels; dropna, to leave out a category with a missing value (else a
    ValueError); block_id."""

    x: Any
    y: Any
    title: Required[str]
    x_label: str | None
    y_label: str | None
    dropna: bool
    block_id: str | None

class Chart:
    """Builders of Block Kit data_visualization blocks (Slack's native charts)."""

    @classmethod
    def line(cls, data: Any, **options: Unpack[_XYChartOptions]) -> list[dict[str, Any]]: ...
    @classmethod
    def bar(cls, data: Any, **options: Unpack[_XYChartOptions]) -> list[dict[str, Any]]: ...
    @classmethod
    def area(cls, data: Any, **options: Unpack[_XYChartOptions]) -> list[dict[str, Any]]: ...
    @classmethod
    def pie(
        cls,
        data: Mapping[Any, Any] | Any,
        *,
        labels: Any = None,
        values: Any = None,
        title: str,
        block_id: str | None = None,
    ) -> list[dict[str, Any]]: ...
