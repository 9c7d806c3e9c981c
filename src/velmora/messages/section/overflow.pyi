from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class OverflowMessage(BaseVelmora):
    text: str
    options: list[Any]
    action_id: str | None
    def __init__(self, text: str, options: list[Any], *, action_id: str | None = None, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
