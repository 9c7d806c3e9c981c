"""Stateless Block Kit builders: each class method returns a new list of block dicts.

``Table`` is loaded on first use: it needs pandas, which nothing else here imports.
"""

from .actions import Actions
from .context import Context
from .divider import Divider
from .header import Header
from .image import Image
from .preformatted import Preformatted
from .section import Section

__all__ = ["Actions", "Context", "Divider", "Header", "Image", "Preformatted", "Section", "Table"]

TYPE_CHECKING = False
if TYPE_CHECKING:
    from .table import Table as Table


def __getattr__(name: str) -> object:
    if name != "Table":
        raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
    from .table import Table

    globals()["Table"] = Table  # later lookups skip this function
    return Table


def __dir__() -> list[str]:
    return sorted({*globals(), "Table"} - {"TYPE_CHECKING"})
