from typing import Any

from ... import markdown as markdown
from ...blocks.markdown import Markdown as Markdown
from ...interface import BaseVelmora

class MarkdownMessage(BaseVelmora):
    text: str
    native: Any
    def __init__(self, text: str, native: Any = False, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
