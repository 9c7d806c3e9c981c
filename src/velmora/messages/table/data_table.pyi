from collections.abc import Callable, Iterable, Mapping
from typing import Any

from pandas import DataFrame

from ...interface import BaseVelmora

class DataTableMessage(BaseVelmora):
    df: DataFrame
    caption: str
    page_size: int | None
    index: Any
    text: str | None
    formatters: Mapping[Any, str | Callable[[Any], str]] | None
    float_format: str | Callable[[Any], str] | None
    columns: Iterable[Any] | None
    na_rep: str | None
    def __init__(
        self,
        df: DataFrame | Any,
        *,
        caption: str,
        page_size: int | None = None,
        index: bool = False,
        text: str | None = None,
        formatters: Mapping[Any, str | Callable[[Any], str]] | None = None,
        float_format: str | Callable[[Any], str] | None = None,
        columns: Iterable[Any] | None = None,
        na_rep: str | None = None,
        **kwargs: Any,
    ) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
