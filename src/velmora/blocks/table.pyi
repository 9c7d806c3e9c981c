from collections.abc import Callable, Iterable, Mapping
from typing import Any, Literal, TypedDict, Unpack

from pandas import DataFrame

class _TableOptions(TypedDict, total=False):
    """What a table of a frame shows (None, or left out: the frame as it is): formatters and
    float_format turn values into text, columns chooses and orders the columns, align and wrap
    lay them out, max_rows cuts the rows, na_rep shows a missing value."""

    formatters: Mapping[Any, str | Callable[[Any], str]] | None
    float_format: str | Callable[[Any], str] | None
    columns: Iterable[Any] | None
    align: Mapping[Any, Literal["left", "center", "right"]] | None
    wrap: Iterable[Any] | None
    max_rows: int | None
    na_rep: str | None

class _DataTableOptions(TypedDict, total=False):
    """The options of _TableOptions that a data table takes: Slack's client lays it out."""

    formatters: Mapping[Any, str | Callable[[Any], str]] | None
    float_format: str | Callable[[Any], str] | None
    columns: Iterable[Any] | None
    na_rep: str | None

class Table:
    """Builders of Block Kit table and data_table blocks from DataFrames."""

    @classmethod
    def simple_table(
        cls, df: DataFrame | Any, index: bool = False, *, block_id: str | None = None, **options: Unpack[_TableOptions]
    ) -> list[dict[str, Any]]: ...
    @classmethod
    def data_table(
        cls,
        df: DataFrame | Any,
        *,
        caption: str,
        page_size: int | None = None,
        index: bool = False,
        block_id: str | None = None,
        **options: Unpack[_DataTableOptions],
    ) -> list[dict[str, Any]]: ...
