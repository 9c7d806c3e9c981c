"""Stateless Block Kit builders: each class method returns a new list of block dicts.

``Table`` is not re-exported here: it needs pandas, which only ``velmora.blocks.table`` imports.
"""

from .context import Context
from .section import Section

__all__ = ["Context", "Section"]
