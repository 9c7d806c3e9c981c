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

_LAZY = {"validate": "velmora._validate", "InvalidBlocks": "velmora.errors"}
_PRIVATE = {"TYPE_CHECKING", "_LAZY", "_PRIVATE"}


def __getattr__(name: str) -> object:
    module = _LAZY.get(name)
    if module is None:
        raise AttributeError(f"module 'velmora' has no attribute {name!r}")
    import importlib

    value = getattr(importlib.import_module(module), name)
    globals()[name] = value  # later lookups skip this function
    return value


def __dir__() -> list[str]:
    # the public names and the loaded submodules, each once (a lazy name lands in globals on use)
    return sorted({*(name for name in globals() if name not in _PRIVATE), *_LAZY})
