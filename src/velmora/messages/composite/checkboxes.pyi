from collections.abc import Iterable
from typing import Any

from ...interface import BaseVelmora

class CheckBoxesMessage(BaseVelmora):
    text: str
    options: Iterable[Any]
    options_description: Iterable[Any] | None
    action_id: str | None
    def __init__(
        self,
        text: str,
        options: Iterable[Any],
        options_description: Iterable[Any] | None = None,
        *,
        action_id: str | None = None,
        **kwargs: Any,
    ) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
