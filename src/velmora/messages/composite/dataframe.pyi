from collections.abc import Callable, Iterable, Mapping
from typing import Any, Literal

from pandas import DataFrame

from ...interface import BaseVelmora

class DataFrameMessage(BaseVelmora):
    df: DataFrame
    title: str | None
    index: Any
    formatters: Mapping[Any, str | Callable[[Any], str]] | None
    float_format: str | Callable[[Any], str] | None
    columns: Iterable[Any] | None
    align: Mapping[Any, Literal["left", "center", "right"]] | None
    wrap: Iterable[Any] | None
    max_rows: int | None
    na_rep: str | None
    def __init__(
        self,
        df: DataFrame | Any,
        title: str | None = None,
        index: bool = False,
        *,
        formatters: Mapping[Any, str | Callable[[Any], str]] | None = None,
        float_format: str | Callable[[Any], str] | None = None,
        columns: Iterable[Any] | None = None,
        align: Mapping[Any, Literal["left", "center", "right"]] | None = None,
        wrap: Iterable[Any] | None = None,
        max_rows: int | None = None,
        na_rep: str | None = None,
        **kwargs: Any,
    ) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
