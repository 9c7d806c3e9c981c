from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class UsersSelectMessage(BaseVelmora):
    text: str
    def __init__(self, text: str, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
