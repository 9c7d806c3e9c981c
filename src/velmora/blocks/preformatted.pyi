from typing import Any

class Preformatted:
    """Builders of preformatted rich-text blocks."""

    @classmethod
    def text(cls, text: str) -> list[dict[str, Any]]: ...
