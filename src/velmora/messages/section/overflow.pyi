from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class OverflowMessage(BaseVelmora):
    text: str
    options: list[str]
    def __init__(self, text: str, options: list[str], **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
