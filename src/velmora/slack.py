"""Sending for real: a bot on Slack's official ``slack_sdk`` (install the ``slack`` extra).

    from velmora.slack import SlackBot
    HeaderMessage("Nightly report", slack_bot=SlackBot()).send(channel="C0123456789")

The token comes from the ``token`` argument or the ``SLACK_BOT_TOKEN`` environment
variable. Scopes the Slack app needs: ``chat:write`` to post (the bot must be a member of
the channel, or also have ``chat:write.public``), ``files:write`` to upload images, and
``files:read`` when Slack's upload answer lacks the file's URL (see :meth:`image_upload`).

Rate-limited calls (HTTP 429) are retried after the ``Retry-After`` delay that Slack gives,
by slack_sdk's own ``RateLimitErrorRetryHandler``. Errors that Slack answers (for example
``invalid_blocks``) are raised unchanged as ``slack_sdk.errors.SlackApiError``, whose
``response["error"]`` holds Slack's error text.

Importing this module is cheap: ``slack_sdk`` is loaded when the first bot is made (or
``SlackApiError`` is first looked up here).
"""

from __future__ import annotations

import os

from velmora.bots import read_buffer

TYPE_CHECKING = False  # type checkers take this branch; at run time it costs no import
if TYPE_CHECKING:
    from typing import Any

    from slack_sdk import WebClient
    from slack_sdk.errors import SlackApiError as SlackApiError

__all__ = ["SlackBot", "SlackApiError"]

# Files that Slack hosts are private: an image block shows them only through "slack_file".
_SLACK_FILE_HOSTS = frozenset({"files.slack.com"})


def __getattr__(name: str) -> object:
    if name == "SlackApiError":
        from slack_sdk.errors import SlackApiError

        globals()[name] = SlackApiError  # later lookups skip this function
        return SlackApiError
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


class SlackBot:
    """A bot that posts messages and uploads images through Slack's Web API.

    ``token``: a bot token (``xoxb-...``); ``SLACK_BOT_TOKEN`` when not given.
    ``channel``: the channel used when :meth:`send` is given none.
    ``client``: a ready ``slack_sdk.WebClient`` to use as it is (``token``, ``base_url``
    and ``rate_limit_retries`` are then ignored).
    ``base_url``: the Web API address (Slack's own by default; tests point it elsewhere).
    ``rate_limit_retries``: how many times one call is retried after an HTTP 429.
    """

    def __init__(
        self,
        token: str | None = None,
        *,
        channel: str | None = None,
        client: WebClient | None = None,
        base_url: str | None = None,
        rate_limit_retries: int = 3,
        timeout: int = 30,
    ) -> None:
        if client is None:
            from slack_sdk import WebClient
            from slack_sdk.http_retry.builtin_handlers import (
                ConnectionErrorRetryHandler,
                RateLimitErrorRetryHandler,
            )

            token = token if token is not None else os.environ.get("SLACK_BOT_TOKEN")
            if not token:
                raise ValueError("SlackBot needs a bot token: pass token=... or set SLACK_BOT_TOKEN")
            options: dict[str, Any] = {"base_url": base_url} if base_url is not None else {}
            client = WebClient(
                token=token,
                timeout=timeout,
                retry_handlers=[
                    ConnectionErrorRetryHandler(),
                    RateLimitErrorRetryHandler(max_retry_count=rate_limit_retries),
                ],
                **options,
            )
        self.client = client
        self.channel = channel
        self._uploaded: set[str] = set()

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        """Post the payload with chat.postMessage; returns Slack's answer (``ok``, ``channel``,
        ``ts``, ``message``).

        The channel is the one given here, else the payload's own ``"channel"``, else the
        bot's default. Other payload keys (``thread_ts``, ``unfurl_links``...) go to Slack as
        they are. Images uploaded through Slack are referenced as ``slack_file``.
        """
        from typing import cast

        payload = dict(payload)
        channel = channel or payload.pop("channel", None) or self.channel
        payload.pop("channel", None)
        if not channel:
            raise ValueError("no channel to send to: pass send(channel=...) or SlackBot(channel=...)")
        if isinstance(payload.get("blocks"), list):
            payload["blocks"] = [self._with_slack_files(block) for block in payload["blocks"]]
        response = self.client.chat_postMessage(channel=channel, **payload)
        return cast("dict[str, Any]", response.data)  # chat.postMessage answers a JSON object

    def image_upload(self, buffer: Any, file_name: str | None = None) -> str:
        """Upload image bytes (or a binary file object) and return the file's ``url_private``.

        The upload takes Slack's current route, files.getUploadURLExternal then
        files.completeUploadExternal (``files_upload_v2``), and shares the file nowhere.
        Slack serves the URL only to members of the workspace, so an ``image_url`` holding it
        would not load; :meth:`send` therefore puts it in the block as
        ``"slack_file": {"url": ...}``, which Slack resolves itself.
        """
        from pathlib import Path

        data = read_buffer(buffer)
        name = Path(str(file_name)).name if file_name else "image"
        response = self.client.files_upload_v2(content=data, filename=name, title=name)
        uploaded = response.get("file") or {}
        url = uploaded.get("url_private")
        if not url and uploaded.get("id"):  # an answer that names the file only
            url = self.client.files_info(file=uploaded["id"])["file"]["url_private"]
        if not isinstance(url, str) or not url:
            raise RuntimeError(f"Slack's upload answer has no file URL: {response.data!r}")
        self._uploaded.add(url)
        return url

    def _is_slack_file(self, url: object) -> bool:
        from urllib.parse import urlsplit

        if not isinstance(url, str):
            return False
        return url in self._uploaded or urlsplit(url).hostname in _SLACK_FILE_HOSTS

    def _image(self, item: Any) -> Any:
        """An image block or element with a Slack-hosted ``image_url`` as a ``slack_file``
        reference, keys kept in place; anything else as it is."""
        if not (isinstance(item, dict) and item.get("type") == "image" and self._is_slack_file(item.get("image_url"))):
            return item
        out: dict[str, Any] = {}
        for key, value in item.items():
            if key == "image_url":
                out["slack_file"] = {"url": value}
            else:
                out[key] = value
        return out

    def _with_slack_files(self, block: Any) -> Any:
        # New dicts and lists only where something changes: the caller's payload stays as it was.
        if not isinstance(block, dict):
            return block
        if block.get("type") == "image":
            return self._image(block)
        if block.get("type") == "section" and isinstance(block.get("accessory"), dict):
            accessory = self._image(block["accessory"])
            return block if accessory is block["accessory"] else {**block, "accessory": accessory}
        if block.get("type") == "context" and isinstance(block.get("elements"), list):
            elements = [self._image(e) for e in block["elements"]]
            changed = any(new is not old for new, old in zip(elements, block["elements"]))
            return {**block, "elements": elements} if changed else block
        return block

    def __repr__(self) -> str:
        return f"SlackBot(channel={self.channel!r}, base_url={self.client.base_url!r})"
