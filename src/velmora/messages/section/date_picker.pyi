from typing import Any

from ...blocks import Section as Section
from ...interface import BaseVelmora as BaseVelmora

class DatePickerMessage(BaseVelmora):
    text: str
    initial_date: str
    def __init__(self, text: str, initial_date: str, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
