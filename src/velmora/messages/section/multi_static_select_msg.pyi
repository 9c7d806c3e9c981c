from collections.abc import Iterable
from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class MultiStaticSelectMessage(BaseVelmora):
    text_before_option: str
    options: Iterable[Any]
    def __init__(self, text_before_option: str, options: Iterable[Any], **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
