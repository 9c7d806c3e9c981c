"""The message base class, and the names that message code imports with it.

A message class derives from :class:`BaseVelmora`, keeps its own constructor arguments and
passes every other keyword argument to it. ``build_blocks()`` returns the message's Block Kit
blocks; ``payload()`` wraps them with the fallback text, and ``send()``, ``update()``,
``send_ephemeral()`` and ``respond()`` (each also ``_async``) hand them to the bot.

The bot is :func:`default_bot` unless the message is given one: a
:class:`velmora.slack.SlackBot` when ``SLACK_BOT_TOKEN`` is set, a
:class:`velmora.slack.WebhookBot` when ``SLACK_WEBHOOK_URL`` is, else an offline bot
that sends nothing and warns once that it did not.
"""

from velmora._base import BaseVelmora
from velmora._delivery import DEFAULT_PREVIEW
from velmora._default_bot import default_bot
from velmora.bots import OfflineBot, read_buffer
from velmora.errors import InvalidBlocks

__all__ = ["BaseVelmora", "OfflineBot", "InvalidBlocks", "default_bot", "read_buffer", "DEFAULT_PREVIEW"]
