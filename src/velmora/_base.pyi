from typing import Any, ClassVar

from velmora.messages.composite.message import Message

from velmora._delivery import Delivery

class BaseVelmora(Delivery):
    preview: str | None
    header: str | None
    sub_header: str | None
    slack_bot: Any
    extras: dict[str, Any]
    __match_args__: ClassVar[tuple[str, ...]]
    def __init__(
        self,
        *,
        preview: str | None = None,
        header: str | None = None,
        sub_header: str | None = None,
        slack_bot: Any = None,
        **extras: Any,
    ) -> None: ...
    def __add__(self, value: BaseVelmora | list[dict[str, Any]] | dict[str, Any], /) -> Message: ...
    def __radd__(self, value: BaseVelmora | list[dict[str, Any]] | dict[str, Any], /) -> Message: ...
