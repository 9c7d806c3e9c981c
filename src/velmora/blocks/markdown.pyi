from typing import Any

class Markdown:
    """Builders of Block Kit markdown blocks."""

    @classmethod
    def markdown(cls, text: str, *, block_id: str | None = None) -> list[dict[str, Any]]: ...
