"""Stateless Block Kit builders: each class method returns a new list of block dicts.

``Table`` is loaded on first use: it needs pandas, which nothing else here imports.
"""

from .actions import Actions
from .context import Context
from .divider import Divider
from .header import Header
from .image import Image
from .markdown import Markdown
from .preformatted import Preformatted
from .rich_text import RichText
from .section import Section

from velmora._lazy import lazy_attributes

__all__ = ["Actions", "Context", "Divider", "Header", "Image", "Markdown", "Preformatted", "RichText", "Section", "Table"]

TYPE_CHECKING = False
if TYPE_CHECKING:
    from .table import Table as Table


__getattr__, __dir__ = lazy_attributes(__name__, {"Table": "velmora.blocks.table"})
