"""Attributes of a package that are imported on first use (PEP 562)."""

from __future__ import annotations

import importlib
import sys

TYPE_CHECKING = False
if TYPE_CHECKING:
    from collections.abc import Callable, Iterable


def lazy_attributes(
    package: str, where: dict[str, str], hidden: Iterable[str] = ()
) -> tuple[Callable[[str], object], Callable[[], list[str]]]:
    """``__getattr__`` and ``__dir__`` for `package`: each name of `where` is imported from
    the module named there on first use, then kept in the package (later lookups skip this).
    ``dir()`` lists the package's public names and dunders and the lazy ones, without `hidden`."""
    module = sys.modules[package]
    hide = {*hidden, "TYPE_CHECKING", "lazy_attributes", "__getattr__", "__dir__"}

    def __getattr__(name: str) -> object:  # noqa: N807 - the module's own, by PEP 562
        source = where.get(name)
        if source is None:
            raise AttributeError(f"module {package!r} has no attribute {name!r}")
        value = getattr(importlib.import_module(source), name)
        setattr(module, name, value)
        return value

    def __dir__() -> list[str]:  # noqa: N807
        private = {name for name in vars(module) if name.startswith("_") and not name.startswith("__")}
        return sorted({*vars(module), *where} - hide - private)

    return __getattr__, __dir__
