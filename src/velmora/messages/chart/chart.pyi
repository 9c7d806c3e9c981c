from typing import Any, Literal

from ...interface import BaseVelmora

class ChartMessage(BaseVelmora):
    data: Any
    kind: Literal["line", "bar", "area", "pie"]
    x: Any
    y: Any
    title: str
    x_label: str | None
    y_label: str | None
    text: str | None
    def __init__(
        self,
        data: Any,
        kind: Literal["line", "bar", "area", "pie"] = "line",
        *,
        x: Any = None,
        y: Any = None,
        title: str,
        x_label: str | None = None,
        y_label: str | None = None,
        text: str | None = None,
        **kwargs: Any,
    ) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
