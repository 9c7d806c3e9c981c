from typing import Any

from pandas import DataFrame

class Table:
    """Builders of Block Kit table blocks from pandas DataFrames."""

    @classmethod
    def simple_table(
        cls, df: DataFrame, index: bool = False, *, block_id: str | None = None
    ) -> list[dict[str, Any]]: ...
