from typing import Any

from ...interface import BaseVelmora

class PreformattedMessage(BaseVelmora):
    text: str
    def __init__(self, text: str, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
