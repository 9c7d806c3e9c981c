from collections.abc import Mapping
from typing import Any

class Chart:
    """Builders of Block Kit data_visualization blocks (Slack's native charts)."""

    @classmethod
    def line(
        cls,
        data: Any,
        *,
        x: Any = None,
        y: Any = None,
        title: str,
        x_label: str | None = None,
        y_label: str | None = None,
        dropna: bool = False,
        block_id: str | None = None,
    ) -> list[dict[str, Any]]: ...
    @classmethod
    def bar(
        cls,
        data: Any,
        *,
        x: Any = None,
        y: Any = None,
        title: str,
        x_label: str | None = None,
        y_label: str | None = None,
        dropna: bool = False,
        block_id: str | None = None,
    ) -> list[dict[str, Any]]: ...
    @classmethod
    def area(
        cls,
        data: Any,
        *,
        x: Any = None,
        y: Any = None,
        title: str,
        x_label: str | None = None,
        y_label: str | None = None,
        dropna: bool = False,
        block_id: str | None = None,
    ) -> list[dict[str, Any]]: ...
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
