"""Stateless Block Kit builders: each class method returns a new list of block dicts.

Every class is imported with the package; ``Table`` imports pandas on its first call, and
``Chart`` only for data that is already a pandas object (or a polars or pyarrow frame), so
importing this package never does.
"""

from .actions import Actions
from .chart import Chart
from .context import Context
from .divider import Divider
from .header import Header
from .image import Image
from .input import Input
from .markdown import Markdown
from .preformatted import Preformatted
from .rich_text import RichText
from .section import Section
from .table import Table

__all__ = [
    "Actions",
    "Chart",
    "Context",
    "Divider",
    "Header",
    "Image",
    "Input",
    "Markdown",
    "Preformatted",
    "RichText",
    "Section",
    "Table",
]
