from typing import Any

class Header:
    @classmethod
    def plain_text(cls, text: str) -> list[dict[str, Any]]: ...
