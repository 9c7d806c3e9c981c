from typing import Any, Iterable, Optional

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class StaticSelectMessage(BaseVelmora):
    text_before_option: Optional[str]
    options: Iterable[Any]
    def __init__(self, options: Iterable[Any], text_before_option: Optional[str] = None, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
