"""velmora: Slack Block Kit builders and message classes, written in C++.

Builders live in :mod:`velmora.blocks`, one message class per use case in
:mod:`velmora.messages`, safe mrkdwn (escaping, mentions, links, dates) in
:mod:`velmora.mrkdwn`. Importing this package loads nothing else: ``validate``,
``InvalidBlocks``, ``fit`` (a message split to Slack's limits), ``truncate`` and
``fallback_text`` are loaded on first use, and so is ``Message``, a message made of block
lists, blocks and other messages.
"""

from velmora._lazy import lazy_attributes

__version__ = "0.1.0"  # the package's one version: the build reads it from here
__all__ = ["validate", "InvalidBlocks", "fit", "truncate", "fallback_text", "Message", "__version__"]

TYPE_CHECKING = False  # type checkers take this branch; at run time it costs no import
if TYPE_CHECKING:
    from velmora._fallback import fallback_text as fallback_text
    from velmora._fit import fit as fit
    from velmora._validate import validate as validate
    from velmora.errors import InvalidBlocks as InvalidBlocks
    from velmora.messages.composite.message import Message as Message
    from velmora.mrkdwn import truncate as truncate

__getattr__, __dir__ = lazy_attributes(
    __name__,
    {
        "validate": "velmora._validate",
        "InvalidBlocks": "velmora.errors",
        "fit": "velmora._fit",
        "truncate": "velmora.mrkdwn",
        "fallback_text": "velmora._fallback",
        "Message": "velmora.messages.composite.message",
    },
)
