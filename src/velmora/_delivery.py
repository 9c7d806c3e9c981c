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

#: Fallback notification text for a message whose blocks hold no text and that has no preview,
#: header or sub-header.
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

        The text, which notifications and screen readers show, is the first of ``preview``,
        ``header`` and ``sub_header`` that is set, else the blocks read out by
        :func:`velmora.fallback_text` (escaped, so that no markup comes back to life), else
        :data:`DEFAULT_PREVIEW`. With ``strict=True`` the payload is checked with
        :func:`velmora.validate` first and :class:`velmora.InvalidBlocks` is raised when it
        breaks any of Slack's limits.
        """
        text = self.preview or self.header or self.sub_header
        blocks = self.build_blocks()
        if not text:
            from velmora._fallback import fallback_text
            from velmora.mrkdwn import escape

            text = escape(fallback_text(blocks)) if isinstance(blocks, list) else ""
        payload = {"text": text or DEFAULT_PREVIEW, "blocks": blocks}
        if strict:
            from velmora._validate import validate
            from velmora.errors import InvalidBlocks

            problems = validate(payload)
            if problems:
                raise InvalidBlocks(problems)
        return payload

    def payloads(self) -> list[dict[str, Any]]:
        """:meth:`payload` as :func:`velmora.fit` splits it: one payload per message that Slack
        takes, in order, each with the same text. :class:`velmora.InvalidBlocks` lists what no
        split can mend (a header over 150 characters, ...)."""
        from velmora._fit import fit

        return fit(self.payload())

    def send(self, channel: str | None = None, *, strict: bool = False) -> Any:
        """Build the payload and hand it to the bot; returns what the bot returns.

        ``strict=True`` refuses a message that breaks Slack's limits (see :meth:`payload`)
        before anything is sent.
        """
        return self.slack_bot.send(self.payload(strict=strict), channel=channel)
