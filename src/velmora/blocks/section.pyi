from typing import Any

class Section:
    """Builders of Block Kit section blocks; each returns a new list of blocks."""

    @classmethod
    def plain_text(cls, text: str) -> list[dict[str, Any]]: ...
    @classmethod
    def mrkdwn(cls, text: str | None = None) -> list[dict[str, Any]]: ...
    @classmethod
    def text_fields(cls, texts: list[str]) -> list[dict[str, Any]]: ...
