from typing import Any, Literal

from ...blocks import Context as Context
from ...interface import BaseVelmora as BaseVelmora

class ContextMessage(BaseVelmora):
    elements: list[tuple[Any, Literal["text", "image_url"]]]
    def __init__(self, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
