from typing import Any

class Divider:
    @classmethod
    def divider(cls) -> list[dict[str, Any]]: ...
