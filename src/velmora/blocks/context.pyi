from typing import Any

class Context:
    @classmethod
    def mrkdwn(cls, value: Any) -> dict[str, Any]: ...
    @classmethod
    def image_url(cls, value: Any) -> dict[str, Any]: ...
