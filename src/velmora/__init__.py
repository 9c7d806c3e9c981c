"""velmora: Slack Block Kit builders and message classes, written in C++.

Builders live in :mod:`velmora.blocks`, one message class per use case in
:mod:`velmora.messages`. Importing this package loads nothing else: ``validate``
(from :mod:`velmora._validate`) and ``InvalidBlocks`` (from :mod:`velmora.errors`)
are loaded on first use.
"""

__version__ = "0.1.0"
__all__ = ["validate", "InvalidBlocks", "__version__"]

TYPE_CHECKING = False  # type checkers take this branch; at run time it costs no import
if TYPE_CHECKING:
    from velmora._validate import validate as validate
    from velmora.errors import InvalidBlocks as InvalidBlocks

from velmora._lazy import lazy_attributes

__getattr__, __dir__ = lazy_attributes(
    __name__, {"validate": "velmora._validate", "InvalidBlocks": "velmora.errors"}
)
