from typing import Any

class Header:
    @classmethod
    def plain_text(cls, text: str, *, block_id: str | None = None) -> list[dict[str, Any]]: ...
