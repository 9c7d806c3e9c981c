from typing import Any

class Image:
    """Builders of Block Kit image blocks."""

    @classmethod
    def image(
        cls, image_url: Any, image_name: str = "image", *, block_id: str | None = None
    ) -> list[dict[str, Any]]: ...
