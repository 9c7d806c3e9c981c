from collections.abc import Iterable, Mapping
from typing import Any

class Actions:
    """Builders of Block Kit actions blocks; each returns a new list of one block."""

    @classmethod
    def init_blocks(cls) -> list[dict[str, Any]]: ...
    @classmethod
    def buttons(cls, buttons: list[Mapping[str, Any]]) -> list[dict[str, Any]]: ...
    @classmethod
    def datepickers(cls, initial_dates: Iterable[str]) -> list[dict[str, Any]]: ...
    @classmethod
    def time_picker(cls, initial_time: str) -> list[dict[str, Any]]: ...
    @classmethod
    def radio_buttons(cls, options: Iterable[Any]) -> list[dict[str, Any]]: ...
    @classmethod
    def checkboxes(
        cls, options: Iterable[Any], options_description: Iterable[Any] | None
    ) -> list[dict[str, Any]]: ...
