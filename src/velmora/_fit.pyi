from typing import Any

from velmora._validate import _unsplittable as _unsplittable
from velmora.errors import InvalidBlocks as InvalidBlocks

def fit(message: dict[str, Any] | list[Any], *, max_blocks: int = 50) -> list[dict[str, Any]]: ...
