"""What every message does with its blocks once built: the payload, and sending it.

:class:`Delivery` is the Python base of the message base class
:class:`velmora.interface.BaseVelmora` (C++, which builds and stores): talking to a bot is
Python's job, and a method here is replaced or extended like any Python method.
"""

from __future__ import annotations

TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any

__all__ = ["Delivery", "DEFAULT_PREVIEW"]

#: Fallback notification text for a message that has no preview, header or sub-header.
DEFAULT_PREVIEW = "You got a new message"


class Delivery:
    """The Python half of every message: its payload, and handing it to the message's bot."""

    # Instances are messages: BaseVelmora gives them their attributes.
    if TYPE_CHECKING:
        preview: str | None
        header: str | None
        sub_header: str | None
        slack_bot: Any

    def build_blocks(self) -> list[dict[str, Any]]:
        """The message's Block Kit blocks; every message class defines its own."""
        raise NotImplementedError(f"{type(self).__name__} does not build blocks")

    def payload(self, *, strict: bool = False) -> dict[str, Any]:
        """The message as Slack's chat.postMessage wants it: fallback text and blocks.

        With ``strict=True`` the payload is checked with :func:`velmora.validate` first and
        :class:`velmora.InvalidBlocks` is raised when it breaks any of Slack's limits.
        """
        text = self.preview or self.header or self.sub_header or DEFAULT_PREVIEW
        payload = {"text": text, "blocks": self.build_blocks()}
        if strict:
            from velmora._validate import validate
            from velmora.errors import InvalidBlocks

            problems = validate(payload)
            if problems:
                raise InvalidBlocks(problems)
        return payload

    def send(self, channel: str | None = None, *, strict: bool = False) -> Any:
        """Build the payload and hand it to the bot; returns what the bot returns.

        ``strict=True`` refuses a message that breaks Slack's limits (see :meth:`payload`)
        before anything is sent.
        """
        return self.slack_bot.send(self.payload(strict=strict), channel=channel)
