import logging
from typing import Any

from ...blocks import Actions as Actions
from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

logger: logging.Logger

class ButtonMessage(BaseVelmora):
    text: str | None
    buttons: list[dict[str, Any]]
    def __init__(self, text: str | None = None, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
