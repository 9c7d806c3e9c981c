"""The bots that deliver messages when no Slack client is given, and what they share.

Every bot answers the same calls, each taking the payload first (a dict of ``text``,
``blocks`` and any other chat.postMessage field):

- ``send(payload, channel=None)``: post a message; returns Slack's answer.
- ``update(payload, channel, ts)``: replace a posted message (chat.update).
- ``send_ephemeral(payload, channel, user)``: a message only ``user`` sees.
- ``respond(payload, response_url)``: answer an interaction through its ``response_url``.
- ``image_upload(buffer, file_name=None)``: upload image bytes; returns the URL to show.

:func:`default_bot` picks the bot a message gets when none is passed: a
:class:`velmora.slack.SlackBot` when ``SLACK_BOT_TOKEN`` is set, else a
:class:`velmora.slack.WebhookBot` when ``SLACK_WEBHOOK_URL`` is set (both need ``slack_sdk``),
else an :class:`OfflineBot` that records what it is asked to do and says so.
"""

from __future__ import annotations

import itertools
import os

# Importing this module stays cheap: pathlib, tempfile, time and importlib.util are imported
# where used, and names needed only for typing are imported by type checkers alone.
TYPE_CHECKING = False
if TYPE_CHECKING:
    from pathlib import Path
    from typing import Any

__all__ = ["OfflineBot", "default_bot", "read_buffer"]

TOKEN_VARIABLE = "SLACK_BOT_TOKEN"
WEBHOOK_VARIABLE = "SLACK_WEBHOOK_URL"


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


_warned = False  # the default OfflineBot's warning is given once per process


def _warn_nothing_sent() -> None:
    global _warned
    if _warned:
        return
    _warned = True
    import warnings

    if (os.environ.get(TOKEN_VARIABLE) or os.environ.get(WEBHOOK_VARIABLE)) and not _slack_sdk_installed():
        why = (f"{TOKEN_VARIABLE} or {WEBHOOK_VARIABLE} is set, but slack_sdk is not installed "
               "(pip install 'velmora[slack]')")
        then = ""
    else:
        why = f"neither {TOKEN_VARIABLE} nor {WEBHOOK_VARIABLE} is set"
        then = " Set one of them, or give the message a bot (slack_bot=...)."
    message = f"velmora sent nothing to Slack: {why}, so messages go to an OfflineBot, which only records them.{then}"
    # Attributed to the first caller outside velmora: the line that sent.
    warnings.warn(message, UserWarning, skip_file_prefixes=(os.path.dirname(__file__),))


class OfflineBot:
    """A bot that sends nothing: it records what it is asked to do and keeps uploads in a folder.

    ``sent`` lists ``(channel, payload)`` pairs in sending order, ``updated``
    ``(channel, ts, payload)``, ``ephemeral`` ``(channel, user, payload)`` and ``responded``
    ``(response_url, payload)``. The answers look like Slack's, with a made-up ``ts``, so
    code that updates what it sent runs offline too. ``image_upload`` writes the bytes to
    ``outbox`` (a ``velmora-outbox`` folder in the temporary directory by default) and
    returns their ``file://`` URL.

    ``default=True`` marks the bot :func:`default_bot` gives a message when nothing is
    configured: it warns once per process (a ``UserWarning``) when asked to send, update or
    post an ephemeral message, so that nothing goes unsent in silence; and since a
    ``response_url`` needs no token, its :meth:`respond` posts for real, through a
    :class:`velmora.slack.WebhookBot`.
    """

    _counter = itertools.count(1)

    def __init__(self, outbox: str | os.PathLike[str] | None = None, *, default: bool = False) -> None:
        # Every message gets its own bot, so the default folder is worked out only when used.
        self._outbox: Path | None = None
        if outbox is not None:
            from pathlib import Path

            self._outbox = Path(outbox)
        self.default = default
        self.sent: list[tuple[str | None, dict[str, Any]]] = []
        self.updated: list[tuple[str, str, dict[str, Any]]] = []
        self.ephemeral: list[tuple[str, str, dict[str, Any]]] = []
        self.responded: list[tuple[str, dict[str, Any]]] = []

    @property
    def outbox(self) -> Path:
        if self._outbox is None:
            import tempfile
            from pathlib import Path

            self._outbox = Path(tempfile.gettempdir()) / "velmora-outbox"
        return self._outbox

    def _asked_to_send(self) -> None:
        if self.default:
            _warn_nothing_sent()

    def _ts(self) -> str:
        """A new message timestamp in Slack's form ("seconds.counter")."""
        import time

        return f"{int(time.time())}.{next(self._counter):06d}"

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        self._asked_to_send()
        self.sent.append((channel, payload))
        return {"ok": True, "channel": channel, "ts": self._ts(), "message": payload}

    def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        self._asked_to_send()
        self.updated.append((channel, ts, payload))
        return {"ok": True, "channel": channel, "ts": ts, "message": payload}

    def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        self._asked_to_send()
        self.ephemeral.append((channel, user, payload))
        return {"ok": True, "message_ts": self._ts()}

    def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        if self.default:
            from velmora.slack import WebhookBot

            return WebhookBot(response_url).send(payload)
        self.responded.append((response_url, payload))
        return {"ok": True}

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
        done = (len(self.sent), len(self.updated), len(self.ephemeral), len(self.responded))
        counts = ", ".join(f"{name}={n}" for name, n in zip(("sent", "updated", "ephemeral", "responded"), done) if n)
        default = ", default=True" if self.default else ""
        return f"OfflineBot(outbox={str(self.outbox)!r}{default}{', ' if counts else ''}{counts})"


_slack_sdk_found: bool | None = None  # searched for once, on first need


def _slack_sdk_installed() -> bool:
    global _slack_sdk_found
    if _slack_sdk_found is None:
        import importlib.util

        _slack_sdk_found = importlib.util.find_spec("slack_sdk") is not None
    return _slack_sdk_found


_shared: dict[tuple[str, str], Any] = {}  # (kind, token or URL) -> the bot that default_bot() shares


def default_bot() -> Any:
    """The bot a message gets when none is given, read from the environment on each call.

    A :class:`velmora.slack.SlackBot` when ``SLACK_BOT_TOKEN`` is set, else a
    :class:`velmora.slack.WebhookBot` when ``SLACK_WEBHOOK_URL`` is set: one per token or URL,
    shared, and only when ``slack_sdk`` is installed. Otherwise a new
    ``OfflineBot(default=True)``, which warns once per process when asked to send.
    """
    if _slack_sdk_installed():
        for kind, variable in (("SlackBot", TOKEN_VARIABLE), ("WebhookBot", WEBHOOK_VARIABLE)):
            secret = os.environ.get(variable)
            if secret:
                bot = _shared.get((kind, secret))
                if bot is None:
                    import velmora.slack

                    bot = _shared[kind, secret] = getattr(velmora.slack, kind)(secret)
                return bot
    return OfflineBot(default=True)
