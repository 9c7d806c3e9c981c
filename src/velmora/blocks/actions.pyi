from collections.abc import Iterable, Mapping
from typing import Any

_Blocks = list[dict[str, Any]]

class Actions:
    """Builders of Block Kit actions blocks; each returns a new list of one block and takes a
    keyword-only block_id (None: Slack assigns one)."""

    @classmethod
    def init_blocks(cls, *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def buttons(cls, buttons: list[Mapping[str, Any]], *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def datepickers(cls, initial_dates: Iterable[str], *, block_id: str | None = None) -> _Blocks: ...
    @classmethod
    def time_picker(cls, initial_time: str, *, block_id: str | None = None) -> _Blocks: ...
    # An option: a text (str() of any other item; values "value-0", ...), a (text, value) pair or
    # an option dict.
    @classmethod
    def radio_buttons(
        cls, options: Iterable[Any], *, action_id: str | None = None, block_id: str | None = None
    ) -> _Blocks: ...
    @classmethod
    def checkboxes(
        cls,
        options: Iterable[Any],
        options_description: Iterable[Any] | None,
        *,
        action_id: str | None = None,
        block_id: str | None = None,
    ) -> _Blocks: ...
