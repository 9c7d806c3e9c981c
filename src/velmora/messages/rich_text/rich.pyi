from typing import Any

from ...blocks.rich_text import RichText as RichText
from ...interface import BaseVelmora

class RichTextMessage(BaseVelmora):
    parts: tuple[Any, ...]
    def __init__(self, *parts: Any, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
