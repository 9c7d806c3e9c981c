from typing import Any as Any
from typing import Dict as Dict
from typing import Iterable as Iterable
from typing import List as List
from typing import Optional as Optional

class RickText:
    """Builders of Block Kit rich-text elements (placeholders for now)."""

    @classmethod
    def list(cls) -> None: ...
    @classmethod
    def preformatted(cls) -> None: ...
    @classmethod
    def quote(cls) -> None: ...
    @classmethod
    def strike(cls) -> None: ...
