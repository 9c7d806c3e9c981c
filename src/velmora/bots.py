"""The bot protocol, and the bot that sends nothing.

Every bot answers the same calls, each taking the payload first (a dict of ``text``,
``blocks`` and any other chat.postMessage field):

- ``send(payload, channel=None)``: post a message; returns Slack's answer.
- ``update(payload, channel, ts)``: replace a posted message (chat.update).
- ``send_ephemeral(payload, channel, user)``: a message only ``user`` sees.
- ``respond(payload, response_url)``: answer an interaction through its ``response_url``.
- ``image_upload(buffer, file_name=None)``: upload image bytes; returns the URL to show.

and, for views (modals and Home tabs, see :mod:`velmora.views`), each taking the view dict first:

- ``open_view(view, trigger_id)`` and ``push_view(view, trigger_id)``: views.open, views.push.
- ``update_view(view, view_id=None, external_id=None, hash=None)``: views.update.
- ``publish_view(view, user_id, hash=None)``: views.publish (a Home tab).

:class:`OfflineBot` records all of them and never goes online; the bots that talk to Slack are
in :mod:`velmora.slack`. :func:`default_bot` (from :mod:`velmora._default_bot`, also importable
from here) picks the bot a message gets when none is passed.
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

    from velmora._default_bot import default_bot as default_bot

__all__ = ["OfflineBot", "default_bot", "read_buffer"]  # default_bot: re-exported on first use

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


class OfflineBot:
    """A bot that sends nothing: it records what it is asked to do and keeps uploads in a folder.

    ``sent`` lists ``(channel, payload)`` pairs in sending order, ``updated``
    ``(channel, ts, payload)``, ``ephemeral`` ``(channel, user, payload)`` and ``responded``
    ``(response_url, payload)``, and ``views`` ``(method, target, view)`` for every view
    opened, pushed, updated or published (``("open", trigger_id, view)``, ``("update",
    view_id or external_id, view)``...). The answers look like Slack's, with a made-up ``ts``
    or view id, so code that updates what it sent runs offline too. ``image_upload`` writes the bytes to
    ``outbox`` (a ``velmora-outbox`` folder in the temporary directory by default) and
    returns their ``file://`` URL. Nothing ever leaves the process.
    """

    #: True on the bot that :func:`default_bot` gives a message when nothing is configured.
    default = False

    _counter = itertools.count(1)

    def __init__(self, outbox: str | os.PathLike[str] | None = None) -> None:
        # Every message gets its own bot, so the default folder is worked out only when used.
        self._outbox: Path | None = None
        if outbox is not None:
            from pathlib import Path

            self._outbox = Path(outbox)
        self.sent: list[tuple[str | None, dict[str, Any]]] = []
        self.updated: list[tuple[str, str, dict[str, Any]]] = []
        self.ephemeral: list[tuple[str, str, dict[str, Any]]] = []
        self.responded: list[tuple[str, dict[str, Any]]] = []
        self.views: list[tuple[str, str, dict[str, Any]]] = []
        self._view_ids: dict[str, str] = {}  # external_id -> the made-up id of its view

    @property
    def outbox(self) -> Path:
        if self._outbox is None:
            import tempfile
            from pathlib import Path

            self._outbox = Path(tempfile.gettempdir()) / "velmora-outbox"
        return self._outbox

    def _ts(self) -> str:
        """A new message timestamp in Slack's form ("seconds.counter")."""
        import time

        return f"{int(time.time())}.{next(self._counter):06d}"

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        self.sent.append((channel, payload))
        return {"ok": True, "channel": channel, "ts": self._ts(), "message": payload}

    def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        self.updated.append((channel, ts, payload))
        return {"ok": True, "channel": channel, "ts": ts, "message": payload}

    def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        self.ephemeral.append((channel, user, payload))
        return {"ok": True, "message_ts": self._ts()}

    def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        self.responded.append((response_url, payload))
        return {"ok": True}

    def _view(self, method: str, target: str, view: dict[str, Any], view_id: str | None = None) -> dict[str, Any]:
        """Record a view call; answer as Slack does, with the view, its id and a hash."""
        self.views.append((method, target, view))
        external_id = view.get("external_id")
        if view_id is None:
            known = self._view_ids.get(external_id) if isinstance(external_id, str) else None
            view_id = known or f"V{next(self._counter):010d}"
        if isinstance(external_id, str):
            self._view_ids[external_id] = view_id
        return {"ok": True, "view": {"id": view_id, **view, "hash": self._ts()}}

    def open_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        return self._view("open", trigger_id, view)

    def push_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        return self._view("push", trigger_id, view)

    def update_view(
        self, view: dict[str, Any], view_id: str | None = None, external_id: str | None = None, hash: str | None = None
    ) -> dict[str, Any]:
        target = view_id if view_id is not None else external_id
        known = view_id if view_id is not None else self._view_ids.get(external_id or "")
        return self._view("update", target or "", view, known)

    def publish_view(self, view: dict[str, Any], user_id: str, hash: str | None = None) -> dict[str, Any]:
        return self._view("publish", user_id, view)

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
        names = ("sent", "updated", "ephemeral", "responded", "views")
        counts = ", ".join(f"{name}={len(getattr(self, name))}" for name in names if getattr(self, name))
        return f"{type(self).__name__}(outbox={str(self.outbox)!r}{', ' if counts else ''}{counts})"


def __getattr__(name: str) -> object:
    # default_bot lives above this module (it knows the bots of velmora.slack); it is still
    # importable from here, as it always was, without this module importing upward on load.
    if name == "default_bot":
        from velmora._default_bot import default_bot

        return default_bot
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
