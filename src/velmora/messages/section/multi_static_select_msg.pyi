from collections.abc import Iterable
from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class MultiStaticSelectMessage(BaseVelmora):
    text_before_option: str
    options: Iterable[Any]
    action_id: str | None
    placeholder: str | None
    def __init__(
        self,
        text_before_option: str,
        options: Iterable[Any],
        *,
        action_id: str | None = None,
        placeholder: str | None = None,
        **kwargs: Any,
    ) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
