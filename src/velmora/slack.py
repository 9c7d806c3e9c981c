"""Sending for real, on Slack's official ``slack_sdk`` (install the ``slack`` extra, and
``slack-async`` for the async bots, which run on aiohttp).

    from velmora.slack import SlackBot, WebhookBot
    HeaderMessage("Nightly report", slack_bot=SlackBot()).send("C0123456789")
    HeaderMessage("Nightly report", slack_bot=WebhookBot()).send()

- :class:`SlackBot` talks to the Web API with a bot token (``token`` or ``SLACK_BOT_TOKEN``).
  Scopes the Slack app needs: ``chat:write`` to post, update and post ephemeral messages (the
  bot must be a member of the channel, or also have ``chat:write.public``), ``files:write`` to
  upload images, and ``files:read`` when Slack's upload answer lacks the file's URL.
- :class:`WebhookBot` posts to an incoming webhook (``url`` or ``SLACK_WEBHOOK_URL``), which
  needs no token and always posts to the channel it was made for; it also answers
  interactions through their ``response_url``.
- :class:`AsyncSlackBot` and :class:`AsyncWebhookBot` are the same on slack_sdk's async
  clients: their ``send``, ``update``, ``send_ephemeral`` and ``respond`` are coroutines.

Every bot takes the same calls (see :mod:`velmora.bots`). Rate-limited calls (HTTP 429) are
retried after the ``Retry-After`` delay that Slack gives (``rate_limit_retries`` times) and a
dropped connection once, by slack_sdk's own retry handlers. Errors that Slack answers are
raised: ``slack_sdk.errors.SlackApiError`` from the Web API, unchanged (``response["error"]``
holds Slack's error code, such as ``invalid_blocks``), and :class:`velmora.errors.WebhookError`
from a webhook or ``response_url`` (``status`` and ``body`` hold Slack's answer).

Importing this module is cheap: ``slack_sdk`` is loaded when the first bot is made (or
``SlackApiError`` is first looked up here).
"""

from __future__ import annotations

import os

from velmora.bots import TOKEN_VARIABLE, WEBHOOK_VARIABLE, read_buffer
from velmora.errors import WebhookError

TYPE_CHECKING = False  # type checkers take this branch; at run time it costs no import
if TYPE_CHECKING:
    from typing import Any, NoReturn

    from slack_sdk import WebClient
    from slack_sdk.errors import SlackApiError as SlackApiError
    from slack_sdk.web.async_client import AsyncWebClient
    from slack_sdk.webhook import WebhookClient, WebhookResponse
    from slack_sdk.webhook.async_client import AsyncWebhookClient

__all__ = ["SlackBot", "WebhookBot", "AsyncSlackBot", "AsyncWebhookBot", "SlackApiError", "WebhookError"]

# Files that Slack hosts are private: an image block shows them only through "slack_file".
_SLACK_FILE_HOSTS = frozenset({"files.slack.com"})


def __getattr__(name: str) -> object:
    if name == "SlackApiError":
        from slack_sdk.errors import SlackApiError

        globals()[name] = SlackApiError  # later lookups skip this function
        return SlackApiError
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


# ---- what the bots share ---------------------------------------------------------------------


def _retry_handlers(asynchronous: bool, rate_limit_retries: int) -> list[Any]:
    """slack_sdk's handlers: a dropped connection retried once, a 429 after its Retry-After."""
    if asynchronous:
        from slack_sdk.http_retry.builtin_async_handlers import (
            AsyncConnectionErrorRetryHandler,
            AsyncRateLimitErrorRetryHandler,
        )

        return [AsyncConnectionErrorRetryHandler(), AsyncRateLimitErrorRetryHandler(max_retry_count=rate_limit_retries)]
    from slack_sdk.http_retry.builtin_handlers import ConnectionErrorRetryHandler, RateLimitErrorRetryHandler

    return [ConnectionErrorRetryHandler(), RateLimitErrorRetryHandler(max_retry_count=rate_limit_retries)]


def _setting(bot: object, given: str | None, what: str, argument: str, variable: str) -> str:
    """A bot's token or URL: the argument, else the environment variable; one of them is needed."""
    value = given if given is not None else os.environ.get(variable)
    if not value:
        raise ValueError(f"{type(bot).__name__} needs {what}: pass {argument}=... or set {variable}")
    return value


def _is_slack_file(url: object, uploaded: set[str]) -> bool:
    from urllib.parse import urlsplit

    return isinstance(url, str) and (url in uploaded or urlsplit(url).hostname in _SLACK_FILE_HOSTS)


def _image(item: Any, uploaded: set[str]) -> Any:
    """An image block or element with a Slack-hosted ``image_url`` as a ``slack_file``
    reference, keys kept in place; anything else as it is."""
    if not (isinstance(item, dict) and item.get("type") == "image" and _is_slack_file(item.get("image_url"), uploaded)):
        return item
    out: dict[str, Any] = {}
    for key, value in item.items():
        if key == "image_url":
            out["slack_file"] = {"url": value}
        else:
            out[key] = value
    return out


def _with_slack_files(block: Any, uploaded: set[str]) -> Any:
    # New dicts and lists only where something changes: the caller's payload stays as it was.
    if not isinstance(block, dict):
        return block
    if block.get("type") == "image":
        return _image(block, uploaded)
    if block.get("type") == "section" and isinstance(block.get("accessory"), dict):
        accessory = _image(block["accessory"], uploaded)
        return block if accessory is block["accessory"] else {**block, "accessory": accessory}
    if block.get("type") == "context" and isinstance(block.get("elements"), list):
        elements = [_image(e, uploaded) for e in block["elements"]]
        changed = any(new is not old for new, old in zip(elements, block["elements"]))
        return {**block, "elements": elements} if changed else block
    return block


def _prepared(payload: dict[str, Any], uploaded: set[str]) -> dict[str, Any]:
    """A copy of the payload whose Slack-hosted images are ``slack_file`` references."""
    payload = dict(payload)
    if isinstance(payload.get("blocks"), list):
        payload["blocks"] = [_with_slack_files(block, uploaded) for block in payload["blocks"]]
    return payload


def _checked_url(url: object, what: str) -> None:
    from urllib.parse import urlsplit

    if not isinstance(url, str):
        raise TypeError(f"{what} must be a str, not {type(url).__name__}")
    parts = urlsplit(url)
    if parts.scheme not in ("https", "http") or not parts.hostname:
        # The URL itself is left out: anyone holding it can post.
        raise ValueError(f"{what} must be an https:// URL")


def _hidden(url: str) -> str:
    """A URL shown by its scheme and host only: the rest of a webhook URL is its secret."""
    from urllib.parse import urlsplit

    parts = urlsplit(url)
    return f"{parts.scheme}://{parts.netloc}/…"


def _unsupported(what: str, instead: str) -> NoReturn:
    raise NotImplementedError(f"a webhook cannot {what}; {instead}")


# ---- the Web API: SlackBot and AsyncSlackBot ------------------------------------------------


class _WebApiBot:
    """What SlackBot and AsyncSlackBot share: set-up, channels, payloads and uploads."""

    _asynchronous = False

    def __init__(
        self,
        token: str | None = None,
        *,
        channel: str | None = None,
        client: Any = None,
        base_url: str | None = None,
        rate_limit_retries: int = 3,
        timeout: int = 30,
    ) -> None:
        if client is None:
            token = _setting(self, token, "a bot token", "token", TOKEN_VARIABLE)
            options: dict[str, Any] = {"base_url": base_url} if base_url is not None else {}
            client = self._client_class()(
                token=token,
                timeout=timeout,
                retry_handlers=_retry_handlers(self._asynchronous, rate_limit_retries),
                **options,
            )
        self.client = client
        self.channel = channel
        self.rate_limit_retries = rate_limit_retries
        self._uploaded: set[str] = set()

    @staticmethod
    def _client_class() -> type[Any]:
        from slack_sdk import WebClient

        return WebClient

    def _upload_client(self) -> WebClient:
        return self.client  # type: ignore[no-any-return]

    def _arguments(self, payload: dict[str, Any], channel: str | None) -> dict[str, Any]:
        """The Web API arguments: the channel, then the payload's fields as they are."""
        payload = _prepared(payload, self._uploaded)
        channel = channel or payload.pop("channel", None) or self.channel
        payload.pop("channel", None)
        if not channel:
            raise ValueError(f"no channel to send to: pass send(channel=...) or {type(self).__name__}(channel=...)")
        return {"channel": channel, **payload}

    def _responder(self, response_url: str) -> Any:
        """A webhook bot of the same kind for one response_url, with this bot's client settings."""
        return _answering_bot(self, AsyncWebhookBot if self._asynchronous else WebhookBot, response_url)

    def image_upload(self, buffer: Any, file_name: str | None = None) -> str:
        """Upload image bytes (or a binary file object) and return the file's ``url_private``.

        The upload takes Slack's current route, files.getUploadURLExternal then
        files.completeUploadExternal (``files_upload_v2``), and shares the file nowhere.
        Slack serves the URL only to members of the workspace, so an ``image_url`` holding it
        would not load; sending therefore puts it in the block as
        ``"slack_file": {"url": ...}``, which Slack resolves itself.

        It returns the URL itself, not a coroutine, on the async bot too: messages build their
        blocks synchronously (``send_async`` builds them in a worker thread).
        """
        from pathlib import Path

        data = read_buffer(buffer)
        name = Path(str(file_name)).name if file_name else "image"
        client = self._upload_client()
        response = client.files_upload_v2(content=data, filename=name, title=name)
        uploaded = response.get("file") or {}
        url = uploaded.get("url_private")
        if not url and uploaded.get("id"):  # an answer that names the file only
            url = client.files_info(file=uploaded["id"])["file"]["url_private"]
        if not isinstance(url, str) or not url:
            raise RuntimeError(f"Slack's upload answer has no file URL: {response.data!r}")
        self._uploaded.add(url)
        return url

    def __repr__(self) -> str:
        return f"{type(self).__name__}(channel={self.channel!r}, base_url={self.client.base_url!r})"


class SlackBot(_WebApiBot):
    """A bot that posts, updates and uploads through Slack's Web API.

    ``token``: a bot token (``xoxb-...``); ``SLACK_BOT_TOKEN`` when not given.
    ``channel``: the channel used when :meth:`send` is given none.
    ``client``: a ready ``slack_sdk.WebClient`` to use as it is (``token``, ``base_url``,
    ``timeout`` and the retries of its own calls are then its own).
    ``base_url``: the Web API address (Slack's own by default; tests point it elsewhere).
    ``rate_limit_retries``: how many times one call is retried after an HTTP 429.

    Every method returns Slack's answer as a dict, and raises ``SlackApiError`` when Slack
    answers an error.
    """

    client: WebClient

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        """Post the payload with chat.postMessage; returns Slack's answer (``ok``, ``channel``,
        ``ts``, ``message``).

        The channel is the one given here, else the payload's own ``"channel"``, else the
        bot's default. Other payload keys (``thread_ts``, ``unfurl_links``...) go to Slack as
        they are. Images uploaded through Slack are referenced as ``slack_file``.
        """
        return self.client.chat_postMessage(**self._arguments(payload, channel)).data  # type: ignore[return-value]

    def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        """Replace the message ``ts`` of ``channel`` with the payload (chat.update)."""
        return self.client.chat_update(**self._arguments(payload, channel), ts=ts).data  # type: ignore[return-value]

    def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        """Post a message that only ``user`` sees in ``channel`` (chat.postEphemeral)."""
        arguments = self._arguments(payload, channel)
        return self.client.chat_postEphemeral(**arguments, user=user).data  # type: ignore[return-value]

    def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        """Post the payload to an interaction's ``response_url`` (see :meth:`WebhookBot.send`)."""
        return self._responder(response_url).send(_prepared(payload, self._uploaded))  # type: ignore[no-any-return]

    def open_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        """Open a modal with the ``trigger_id`` of an interaction (views.open); Slack's answer
        holds the opened ``view`` with its ``id`` and ``hash``."""
        return self.client.views_open(trigger_id=trigger_id, view=_prepared(view, self._uploaded)).data  # type: ignore[return-value]

    def push_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        """Push a modal on top of the open one (views.push)."""
        return self.client.views_push(trigger_id=trigger_id, view=_prepared(view, self._uploaded)).data  # type: ignore[return-value]

    def update_view(
        self, view: dict[str, Any], view_id: str | None = None, external_id: str | None = None, hash: str | None = None
    ) -> dict[str, Any]:
        """Replace the view ``view_id`` (or the one of ``external_id``) with ``view`` (views.update)."""
        view = _prepared(view, self._uploaded)
        return self.client.views_update(view=view, view_id=view_id, external_id=external_id, hash=hash).data  # type: ignore[return-value]

    def publish_view(self, view: dict[str, Any], user_id: str, hash: str | None = None) -> dict[str, Any]:
        """Publish ``view`` as the Home tab of ``user_id`` (views.publish)."""
        return self.client.views_publish(user_id=user_id, view=_prepared(view, self._uploaded), hash=hash).data  # type: ignore[return-value]


class AsyncSlackBot(_WebApiBot):
    """:class:`SlackBot` on slack_sdk's ``AsyncWebClient`` (aiohttp): the same arguments, and
    ``send``, ``update``, ``send_ephemeral`` and ``respond`` are coroutines.
    ``client`` takes a ready ``AsyncWebClient``."""

    client: AsyncWebClient
    _asynchronous = True
    _sync_client: WebClient | None = None

    @staticmethod
    def _client_class() -> type[Any]:
        from slack_sdk.web.async_client import AsyncWebClient

        return AsyncWebClient

    def _upload_client(self) -> WebClient:
        # Uploads run where blocks are built, synchronously: on a WebClient of the same settings.
        if self._sync_client is None:
            from slack_sdk import WebClient

            c = self.client
            self._sync_client = WebClient(
                token=c.token,
                base_url=c.base_url,
                timeout=c.timeout,
                ssl=c.ssl,
                proxy=c.proxy,
                headers=c.headers,
                retry_handlers=_retry_handlers(False, self.rate_limit_retries),
            )
        return self._sync_client

    async def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        """Post the payload with chat.postMessage (see :meth:`SlackBot.send`)."""
        response = await self.client.chat_postMessage(**self._arguments(payload, channel))
        return response.data  # type: ignore[return-value]

    async def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        """Replace the message ``ts`` of ``channel`` with the payload (chat.update)."""
        response = await self.client.chat_update(**self._arguments(payload, channel), ts=ts)
        return response.data  # type: ignore[return-value]

    async def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        """Post a message that only ``user`` sees in ``channel`` (chat.postEphemeral)."""
        response = await self.client.chat_postEphemeral(**self._arguments(payload, channel), user=user)
        return response.data  # type: ignore[return-value]

    async def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        """Post the payload to an interaction's ``response_url``."""
        responder = self._responder(response_url)
        return await responder.send(_prepared(payload, self._uploaded))  # type: ignore[no-any-return]

    async def open_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        """Open a modal (views.open; see :meth:`SlackBot.open_view`)."""
        response = await self.client.views_open(trigger_id=trigger_id, view=_prepared(view, self._uploaded))
        return response.data  # type: ignore[return-value]

    async def push_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        """Push a modal on top of the open one (views.push)."""
        response = await self.client.views_push(trigger_id=trigger_id, view=_prepared(view, self._uploaded))
        return response.data  # type: ignore[return-value]

    async def update_view(
        self, view: dict[str, Any], view_id: str | None = None, external_id: str | None = None, hash: str | None = None
    ) -> dict[str, Any]:
        """Replace the view ``view_id`` (or the one of ``external_id``) with ``view`` (views.update)."""
        view = _prepared(view, self._uploaded)
        response = await self.client.views_update(view=view, view_id=view_id, external_id=external_id, hash=hash)
        return response.data  # type: ignore[return-value]

    async def publish_view(self, view: dict[str, Any], user_id: str, hash: str | None = None) -> dict[str, Any]:
        """Publish ``view`` as the Home tab of ``user_id`` (views.publish)."""
        response = await self.client.views_publish(user_id=user_id, view=_prepared(view, self._uploaded), hash=hash)
        return response.data  # type: ignore[return-value]


# ---- webhooks: WebhookBot and AsyncWebhookBot -----------------------------------------------


def _webhook_client(url: str, asynchronous: bool, timeout: int, rate_limit_retries: int, **options: Any) -> Any:
    _checked_url(url, "a webhook or response_url")
    handlers = _retry_handlers(asynchronous, rate_limit_retries)
    if asynchronous:
        from slack_sdk.webhook.async_client import AsyncWebhookClient

        return AsyncWebhookClient(url, timeout=timeout, retry_handlers=handlers, **options)
    from slack_sdk.webhook import WebhookClient

    return WebhookClient(url, timeout=timeout, retry_handlers=handlers, **options)


def _answering_bot(bot: Any, kind: type[Any], response_url: str) -> Any:
    """A webhook bot of ``kind`` that posts to one response_url with ``bot``'s settings: its
    client's timeout, TLS context and proxy, and its retries."""
    client = bot.client
    retries = bot.rate_limit_retries
    answering = _webhook_client(
        response_url, kind._asynchronous, client.timeout, retries, ssl=client.ssl, proxy=client.proxy
    )
    return kind(client=answering, rate_limit_retries=retries)


class _WebhookBot:
    """What WebhookBot and AsyncWebhookBot share: set-up, payloads, answers and refusals."""

    _asynchronous = False

    def __init__(
        self,
        url: str | None = None,
        *,
        client: Any = None,
        rate_limit_retries: int = 3,
        timeout: int = 30,
    ) -> None:
        if client is None:
            url = _setting(self, url, "a webhook URL", "url", WEBHOOK_VARIABLE)
            client = _webhook_client(url, self._asynchronous, timeout, rate_limit_retries)
        self.client = client
        self.rate_limit_retries = rate_limit_retries

    @property
    def url(self) -> str:
        return self.client.url  # type: ignore[no-any-return]

    @staticmethod
    def _body(payload: dict[str, Any], channel: str | None) -> dict[str, Any]:
        if channel is not None or "channel" in payload:
            # Slack's webhooks ignore a channel, so the message would land elsewhere than asked.
            raise ValueError(
                "a webhook posts to the channel it was made for: send() takes no channel here; "
                "use SlackBot to choose the channel"
            )
        return _prepared(payload, set())

    def _responder(self, response_url: str) -> Any:
        return _answering_bot(self, type(self), response_url)

    @staticmethod
    def _answer(response: WebhookResponse) -> dict[str, Any]:
        if response.status_code != 200:
            raise WebhookError(response.status_code, response.body, response)
        return {"ok": True, "status": response.status_code, "body": response.body}

    def image_upload(self, buffer: Any, file_name: str | None = None) -> str:
        _unsupported(
            "upload files",
            "give the image as a public URL (image_url=...), or send with a SlackBot, "
            "which uploads with a bot token (files:write)",
        )

    # Views are the Web API's, for a bot token: a webhook refuses them at once, sync or async.
    def open_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        _unsupported("open a view", _VIEWS)

    def push_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        _unsupported("push a view", _VIEWS)

    def update_view(
        self, view: dict[str, Any], view_id: str | None = None, external_id: str | None = None, hash: str | None = None
    ) -> dict[str, Any]:
        _unsupported("update a view", _VIEWS)

    def publish_view(self, view: dict[str, Any], user_id: str, hash: str | None = None) -> dict[str, Any]:
        _unsupported("publish a Home tab", _VIEWS)

    def __repr__(self) -> str:
        return f"{type(self).__name__}(url={_hidden(self.url)!r})"


_VIEWS = "views (modals and Home tabs) need a bot token: use SlackBot"
_UPDATE = (
    "update a message by channel and ts",
    "answer the interaction with respond(response_url, replace_original=True), or use SlackBot",
)
_EPHEMERAL = (
    "post an ephemeral message",
    "answer the interaction with respond(response_url) (Slack shows it only to that user), or use SlackBot",
)


class WebhookBot(_WebhookBot):
    """A bot that posts to a Slack incoming webhook, with slack_sdk's ``WebhookClient``.

    ``url``: the webhook URL; ``SLACK_WEBHOOK_URL`` when not given. It needs no token, and
    the message goes to the channel the webhook was made for.
    ``client``: a ready ``WebhookClient`` to use as it is.
    ``rate_limit_retries``: how many times one post is retried after an HTTP 429.

    :meth:`respond` posts to an interaction's ``response_url`` the same way. A webhook cannot
    update by ``ts``, post ephemeral messages or upload files: those raise
    ``NotImplementedError`` saying what to use instead.
    """

    client: WebhookClient

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        """Post the payload as it is (``replace_original``, ``delete_original``,
        ``response_type``, ``thread_ts``... pass through). Returns ``{"ok": True, "status":
        200, "body": ...}`` (Slack's answer text); raises :class:`WebhookError` otherwise."""
        return self._answer(self.client.send_dict(self._body(payload, channel)))

    def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        """Post the payload to an interaction's ``response_url``."""
        return self._responder(response_url).send(payload)  # type: ignore[no-any-return]

    def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        _unsupported(*_UPDATE)

    def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        _unsupported(*_EPHEMERAL)


class AsyncWebhookBot(_WebhookBot):
    """:class:`WebhookBot` on slack_sdk's ``AsyncWebhookClient`` (aiohttp): the same arguments,
    and ``send``, ``update``, ``send_ephemeral`` and ``respond`` are coroutines."""

    client: AsyncWebhookClient
    _asynchronous = True

    async def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        """Post the payload as it is (see :meth:`WebhookBot.send`)."""
        return self._answer(await self.client.send_dict(self._body(payload, channel)))

    async def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        """Post the payload to an interaction's ``response_url``."""
        return await self._responder(response_url).send(payload)  # type: ignore[no-any-return]

    async def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        _unsupported(*_UPDATE)

    async def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        _unsupported(*_EPHEMERAL)
