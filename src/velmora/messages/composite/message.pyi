from typing import Any

from ...interface import BaseVelmora

class Message(BaseVelmora):
    parts: tuple[Any, ...]
    def __init__(self, *parts: Any, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
