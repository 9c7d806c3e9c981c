from collections.abc import Callable, Iterable, Mapping
from typing import Any, Literal

from pandas import DataFrame

class Table:
    """Builders of Block Kit table and data_table blocks from DataFrames."""

    @classmethod
    def simple_table(
        cls,
        df: DataFrame | Any,
        index: bool = False,
        *,
        block_id: str | None = None,
        formatters: Mapping[Any, str | Callable[[Any], str]] | None = None,
        float_format: str | Callable[[Any], str] | None = None,
        columns: Iterable[Any] | None = None,
        align: Mapping[Any, Literal["left", "center", "right"]] | None = None,
        wrap: Iterable[Any] | None = None,
        max_rows: int | None = None,
        na_rep: str | None = None,
    ) -> list[dict[str, Any]]: ...
    @classmethod
    def data_table(
        cls,
        df: DataFrame | Any,
        *,
        caption: str,
        page_size: int | None = None,
        index: bool = False,
        formatters: Mapping[Any, str | Callable[[Any], str]] | None = None,
        float_format: str | Callable[[Any], str] | None = None,
        columns: Iterable[Any] | None = None,
        na_rep: str | None = None,
        block_id: str | None = None,
    ) -> list[dict[str, Any]]: ...
