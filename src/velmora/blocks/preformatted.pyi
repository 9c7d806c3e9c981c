from typing import Any

class Preformatted:
    """Builders of preformatted rich-text blocks."""

    @classmethod
    def text(cls, text: str, *, block_id: str | None = None) -> list[dict[str, Any]]: ...
