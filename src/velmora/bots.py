"""The bots that deliver messages when no Slack client is given, and what they share.

:func:`default_bot` picks the bot a message gets when none is passed: a
:class:`velmora.slack.SlackBot` when ``SLACK_BOT_TOKEN`` is set and ``slack_sdk`` is
installed, else an :class:`OfflineBot` that records what it is asked to send.
"""

from __future__ import annotations

import itertools
import os

# Importing this module stays cheap: pathlib, tempfile and importlib.util are imported where
# used, and names needed only for typing are imported by type checkers alone.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from pathlib import Path
    from typing import Any

__all__ = ["OfflineBot", "default_bot", "read_buffer"]


def read_buffer(buffer: Any) -> bytes:
    """The bytes of an upload: bytes-like, or a file object opened in binary mode."""
    data = buffer.read() if hasattr(buffer, "read") else buffer
    try:
        # memoryview, not bytes(): bytes(3) would be three zero bytes and bytes([1, 2]) an "image"
        return bytes(memoryview(data))
    except TypeError:
        raise TypeError(
            "an image buffer must be bytes, a bytearray, a memoryview or a file opened in binary mode, "
            f"not {type(data).__name__}"
        ) from None


class OfflineBot:
    """A bot that sends nothing: it records each payload and keeps uploads in a local folder.

    ``sent`` lists ``(channel, payload)`` pairs in sending order. ``image_upload`` writes
    the bytes to ``outbox`` (a ``velmora-outbox`` folder in the temporary directory by
    default) and returns their ``file://`` URL.
    """

    _counter = itertools.count(1)

    def __init__(self, outbox: str | os.PathLike[str] | None = None) -> None:
        # Every message gets its own bot, so the default folder is worked out only when used.
        self._outbox: Path | None = None
        if outbox is not None:
            from pathlib import Path

            self._outbox = Path(outbox)
        self.sent: list[tuple[str | None, dict[str, Any]]] = []

    @property
    def outbox(self) -> Path:
        if self._outbox is None:
            import tempfile
            from pathlib import Path

            self._outbox = Path(tempfile.gettempdir()) / "velmora-outbox"
        return self._outbox

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        self.sent.append((channel, payload))
        return payload

    def image_upload(self, buffer: Any, file_name: str | None = None) -> str:
        from pathlib import Path

        data = read_buffer(buffer)
        # Only the last path component of the name is used, and a counter keeps uploads apart.
        name = Path(str(file_name)).name if file_name else "image"
        self.outbox.mkdir(parents=True, exist_ok=True)
        path = self.outbox / f"{os.getpid()}-{next(self._counter)}-{name}"
        path.write_bytes(data)
        return path.resolve().as_uri()

    def __repr__(self) -> str:
        return f"OfflineBot(outbox={str(self.outbox)!r}, sent={len(self.sent)})"


_slack_sdk_found: bool | None = None  # searched for once, on first need


def _slack_sdk_installed() -> bool:
    global _slack_sdk_found
    if _slack_sdk_found is None:
        import importlib.util

        _slack_sdk_found = importlib.util.find_spec("slack_sdk") is not None
    return _slack_sdk_found


_slack_bots: dict[str, Any] = {}  # token -> the SlackBot that default_bot() shares


def default_bot() -> Any:
    """The bot a message gets when none is given.

    A :class:`velmora.slack.SlackBot` (one per token, shared) when ``SLACK_BOT_TOKEN`` is
    set and ``slack_sdk`` is installed; otherwise a new :class:`OfflineBot`.
    """
    token = os.environ.get("SLACK_BOT_TOKEN")
    if token and _slack_sdk_installed():
        bot = _slack_bots.get(token)
        if bot is None:
            from velmora.slack import SlackBot

            bot = _slack_bots[token] = SlackBot(token)
        return bot
    return OfflineBot()
