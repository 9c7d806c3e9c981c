"""The message base class and the bots that deliver messages.

A message class derives from :class:`BaseVelmora`, keeps its own constructor
arguments and passes every other keyword argument here. ``build_blocks()``
returns the message's Block Kit blocks; :meth:`BaseVelmora.payload` wraps them
with the fallback text and :meth:`BaseVelmora.send` hands them to the bot.

The bot is :func:`default_bot` unless the message is given one: a
:class:`velmora.slack.SlackBot` when ``SLACK_BOT_TOKEN`` is set and ``slack_sdk``
is installed, else an :class:`OfflineBot` that sends nothing.
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

__all__ = ["BaseVelmora", "OfflineBot", "InvalidBlocks", "default_bot", "DEFAULT_PREVIEW"]

#: Fallback notification text for a message that has no preview, header or sub-header.
DEFAULT_PREVIEW = "You got a new message"


class InvalidBlocks(ValueError):
    """A message that breaks Slack's Block Kit limits; ``problems`` lists what
    :func:`velmora.validate` found (dicts with ``path`` and ``message``)."""

    def __init__(self, problems: list[dict[str, str]]) -> None:
        self.problems = problems
        count = len(problems)
        lines = [f"the message breaks {count} Block Kit limit{'' if count == 1 else 's'}:"]
        lines += [f"  {p['path'] or '/'}: {p['message']}" for p in problems]
        super().__init__("\n".join(lines))


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


class _DefaultBot:
    """``slack_bot`` of a message that was given none: :func:`default_bot`, made on first
    read and then kept in the message's ``__dict__``.

    Having no ``__set__``, it steps aside once the instance holds a ``slack_bot``, so reading
    a given bot is a plain attribute lookup and assigning one just stores it. Making the
    bot on first use spares every message that is only built (never sent) the bot's cost.
    """

    def __get__(self, obj: object, owner: type | None = None) -> Any:
        if obj is None:
            return self
        bot = obj.__dict__["slack_bot"] = default_bot()
        return bot


class BaseVelmora:
    """Base of every message class.

    Keyword arguments: ``preview`` (the notification text), ``header`` and
    ``sub_header`` (kept for message classes that show them), ``slack_bot`` (the bot
    that sends; :func:`default_bot`, made on first use, when not given). Any other keyword argument is kept
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
        if slack_bot is not None:  # else the class's _DefaultBot makes one when first read
            self.slack_bot = slack_bot
        self.extras = extras

    if TYPE_CHECKING:
        slack_bot: Any
    else:
        slack_bot = _DefaultBot()

    def build_blocks(self) -> list[dict[str, Any]]:
        raise NotImplementedError(f"{type(self).__name__} does not build blocks")

    def payload(self, *, strict: bool = False) -> dict[str, Any]:
        """The message as Slack's chat.postMessage wants it: fallback text and blocks.

        With ``strict=True`` the payload is checked with :func:`velmora.validate` first and
        :class:`InvalidBlocks` is raised when it breaks any of Slack's limits.
        """
        text = self.preview or self.header or self.sub_header or DEFAULT_PREVIEW
        payload = {"text": text, "blocks": self.build_blocks()}
        if strict:
            from velmora._validate import validate

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
