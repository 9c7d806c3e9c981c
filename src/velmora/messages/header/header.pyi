from typing import Any

from velmora.interface import BaseVelmora

class HeaderMessage(BaseVelmora):
    header: str
    divider: Any
    def __init__(self, header: str, divider: Any = True, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
