from collections.abc import Iterable
from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class StaticSelectMessage(BaseVelmora):
    text_before_option: str | None
    options: Iterable[Any]
    action_id: str | None
    placeholder: str | None
    def __init__(
        self,
        options: Iterable[Any],
        text_before_option: str | None = None,
        *,
        action_id: str | None = None,
        placeholder: str | None = None,
        **kwargs: Any,
    ) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
