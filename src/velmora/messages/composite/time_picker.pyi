from typing import Any

from ...interface import BaseVelmora

class TimePickerMessage(BaseVelmora):
    text: str
    initial_time: str
    def __init__(self, text: str, initial_time: str, **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
