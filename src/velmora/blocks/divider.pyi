from typing import Any

class Divider:
    @classmethod
    def divider(cls, *, block_id: str | None = None) -> list[dict[str, Any]]: ...
