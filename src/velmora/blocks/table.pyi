from collections.abc import Callable, Iterable, Mapping
from typing import Any, Literal

from pandas import DataFrame

Formatter = str | Callable[[Any], str]

class Table:
    """Builders of Block Kit table blocks from pandas DataFrames."""

    @classmethod
    def simple_table(
        cls,
        df: DataFrame | Any,
        index: bool = False,
        *,
        block_id: str | None = None,
        formatters: Mapping[Any, Formatter] | None = None,
        float_format: Formatter | None = None,
        columns: Iterable[Any] | None = None,
        align: Mapping[Any, Literal["left", "center", "right"]] | None = None,
        wrap: Iterable[Any] | None = None,
        max_rows: int | None = None,
    ) -> list[dict[str, Any]]: ...
