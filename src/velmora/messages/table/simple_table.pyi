from typing import Any

from pandas import DataFrame

from ...interface import BaseVelmora

class SimpleTableMessage(BaseVelmora):
    df: DataFrame
    text: str | None
    index: Any
    def __init__(self, df: DataFrame, text: str | None = None, index: bool = False, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
