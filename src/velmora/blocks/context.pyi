from typing import Any

class Context:
    @classmethod
    def mrkdwn(cls, value: Any) -> dict[str, Any]: ...
    @classmethod
    def image_url(cls, value: Any, alt_text: str = "image") -> dict[str, Any]: ...
