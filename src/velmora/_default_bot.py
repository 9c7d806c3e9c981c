"""The bot a message gets when it is given none.

:func:`default_bot` reads the environment on each call: a :class:`velmora.slack.SlackBot` when
``SLACK_BOT_TOKEN`` is set, else a :class:`velmora.slack.WebhookBot` when ``SLACK_WEBHOOK_URL``
is set (both need ``slack_sdk``), else a :class:`DefaultBot`, an offline bot that says, once per
process, that nothing was sent.

This module sits above :mod:`velmora.bots` and :mod:`velmora.slack` and imports both; neither
imports it, so the bots form no import circle.
"""

from __future__ import annotations

import os

from velmora.bots import TOKEN_VARIABLE, WEBHOOK_VARIABLE, OfflineBot

TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any

__all__ = ["DefaultBot", "default_bot"]

_warned = False  # the default bot's warning is given once per process


def _warn_nothing_sent() -> None:
    global _warned
    if _warned:
        return
    _warned = True
    import warnings

    if (os.environ.get(TOKEN_VARIABLE) or os.environ.get(WEBHOOK_VARIABLE)) and not _slack_sdk_installed():
        why = (
            f"{TOKEN_VARIABLE} or {WEBHOOK_VARIABLE} is set, but slack_sdk is not installed "
            "(pip install 'velmora[slack]')"
        )
        then = ""
    else:
        why = f"neither {TOKEN_VARIABLE} nor {WEBHOOK_VARIABLE} is set"
        then = " Set one of them, or give the message a bot (slack_bot=...)."
    message = f"velmora sent nothing to Slack: {why}, so messages go to an OfflineBot, which only records them.{then}"
    # Attributed to the first caller outside velmora: the line that sent.
    warnings.warn(message, UserWarning, skip_file_prefixes=(os.path.dirname(__file__),))


class DefaultBot(OfflineBot):
    """The :class:`velmora.bots.OfflineBot` a message gets when nothing is configured.

    It records what it is asked to do, as every offline bot does, and warns once per process
    (a ``UserWarning``) when asked to send, update, post an ephemeral message or show a view,
    so that nothing goes unsent in silence. Answering an interaction needs no token, so its
    :meth:`respond` posts for real to the ``response_url``, through a
    :class:`velmora.slack.WebhookBot`.
    """

    default = True

    def send(self, payload: dict[str, Any], channel: str | None = None) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().send(payload, channel)

    def update(self, payload: dict[str, Any], channel: str, ts: str) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().update(payload, channel, ts)

    def send_ephemeral(self, payload: dict[str, Any], channel: str, user: str) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().send_ephemeral(payload, channel, user)

    def respond(self, payload: dict[str, Any], response_url: str) -> dict[str, Any]:
        from velmora.slack import WebhookBot

        return WebhookBot(response_url).send(payload)

    def open_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().open_view(view, trigger_id)

    def push_view(self, view: dict[str, Any], trigger_id: str) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().push_view(view, trigger_id)

    def update_view(
        self, view: dict[str, Any], view_id: str | None = None, external_id: str | None = None, hash: str | None = None
    ) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().update_view(view, view_id, external_id, hash)

    def publish_view(self, view: dict[str, Any], user_id: str, hash: str | None = None) -> dict[str, Any]:
        _warn_nothing_sent()
        return super().publish_view(view, user_id, hash)


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
    shared, and only when ``slack_sdk`` is installed. Otherwise a new :class:`DefaultBot`,
    which warns once per process when asked to send.
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
    return DefaultBot()
