"""The message base class and the bots that deliver messages.

A message class derives from :class:`BaseVelmora`, keeps its own constructor
arguments and passes every other keyword argument here. ``build_blocks()``
returns the message's Block Kit blocks; :meth:`BaseVelmora.payload` wraps them
with the fallback text and :meth:`BaseVelmora.send` hands them to the bot.
"""

from __future__ import annotations

import itertools
import os
import tempfile
from pathlib import Path
from typing import Any

__all__ = ["BaseVelmora", "OfflineBot", "DEFAULT_PREVIEW"]

#: Fallback notification text for a message that has no preview, header or sub-header.
DEFAULT_PREVIEW = "You got a new message"


class OfflineBot:
    """A bot that sends nothing: it records each payload and keeps uploads in a local folder.

    ``sent`` lists ``(channel, payload)`` pairs in sending order. ``image_upload`` writes
    the bytes to ``outbox`` (a ``velmora-outbox`` folder in the temporary directory by
    default) and returns their ``file://`` URL.
    """

    _counter = itertools.count(1)

    def __init__(self, outbox: str | os.PathLike[str] | None = None) -> None:
        self.outbox = Path(outbox) if outbox is not None else Path(tempfile.gettempdir()) / "velmora-outbox"
        self.sent: list[tuple[str | None, dict[str, Any]]] = []

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        self.sent.append((channel, payload))
        return payload

    def image_upload(self, buffer: Any, file_name: str | None = None) -> str:
        data = buffer.read() if hasattr(buffer, "read") else buffer
        data = bytes(data)  # bytes, bytearray, memoryview; anything else is a TypeError
        # Only the last path component of the name is used, and a counter keeps uploads apart.
        name = Path(str(file_name)).name if file_name else "image"
        self.outbox.mkdir(parents=True, exist_ok=True)
        path = self.outbox / f"{os.getpid()}-{next(self._counter)}-{name}"
        path.write_bytes(data)
        return path.resolve().as_uri()

    def __repr__(self) -> str:
        return f"OfflineBot(outbox={str(self.outbox)!r}, sent={len(self.sent)})"


class BaseVelmora:
    """Base of every message class.

    Keyword arguments: ``preview`` (the notification text), ``header`` and
    ``sub_header`` (kept for message classes that show them), ``slack_bot`` (the bot
    that sends; an :class:`OfflineBot` by default). Any other keyword argument is kept
    in ``extras``, so nothing a caller passes is lost.
    """

    def __init__(
        self,
        *,
        preview: str | None = None,
        header: str | None = None,
        sub_header: str | None = None,
        slack_bot: Any = None,
        **extras: Any,
    ) -> None:
        self.preview = preview
        self.header = header
        self.sub_header = sub_header
        self.slack_bot = slack_bot if slack_bot is not None else OfflineBot()
        self.extras = extras

    def build_blocks(self) -> list[dict[str, Any]]:
        raise NotImplementedError(f"{type(self).__name__} does not build blocks")

    def payload(self) -> dict[str, Any]:
        """The message as Slack's chat.postMessage wants it: fallback text and blocks."""
        text = self.preview or self.header or self.sub_header or DEFAULT_PREVIEW
        return {"text": text, "blocks": self.build_blocks()}

    def send(self, channel: str | None = None) -> Any:
        """Build the payload and hand it to the bot; returns what the bot returns."""
        return self.slack_bot.send(self.payload(), channel=channel)
