"""Stateless Block Kit builders: each class method returns a new list of block dicts.

``Table`` is not re-exported here: it needs pandas, which only ``velmora.blocks.table`` imports.
"""

from .actions import Actions
from .context import Context
from .image import Image
from .section import Section

__all__ = ["Actions", "Context", "Image", "Section"]
