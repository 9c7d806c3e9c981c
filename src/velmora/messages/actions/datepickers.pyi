from collections.abc import Iterable
from typing import Any

from ...interface import BaseVelmora

class DatePickersMessage(BaseVelmora):
    initial_dates: Iterable[str]
    def __init__(self, initial_dates: Iterable[str], **kwargs: Any) -> None: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
