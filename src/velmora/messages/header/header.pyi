from typing import Any

from ...blocks.divider import Divider as Divider
from ...blocks.header import Header as Header
from ...interface import BaseVelmora as BaseVelmora

class HeaderMessage(BaseVelmora):
    header: str
    divider: object
    def __init__(self, header: str, divider: object = True, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
