from collections.abc import Iterable
from typing import Any

from ...interface import BaseVelmora

class RadioButtonsMessage(BaseVelmora):
    text: str
    options: Iterable[Any]
    def __init__(self, text: str, options: Iterable[Any], **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
