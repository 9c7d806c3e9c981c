"""Table.simple_table against plain-Python builders of the same block, on a 99x20 frame
(100 rows with the header, Slack's limit): two reading the frame per cell (df.iat, iterrows),
one reading it in bulk like velmora and looping over the cells in Python. Times are CPU time
of this process, the best of seven runs.

    .venv/bin/python bench/table_bench.py
"""

from __future__ import annotations

import math
import time
import timeit

import numpy as np
import pandas as pd

from velmora.blocks.table import Table


def frame() -> pd.DataFrame:
    rng = np.random.default_rng(0)
    columns = {}
    for j in range(20):
        if j % 4 == 0:
            columns[f"f{j}"] = rng.random(99) * 1000
        elif j % 4 == 1:
            columns[f"i{j}"] = rng.integers(0, 10**6, 99)
        elif j % 4 == 2:
            columns[f"s{j}"] = [f"name {i}" for i in range(99)]
        else:
            columns[f"d{j}"] = pd.date_range("2024-01-01", periods=99, freq="h")
    return pd.DataFrame(columns)


def _text(value: object) -> str:
    if value is None or value is pd.NaT or value is pd.NA:
        return ""
    if isinstance(value, float):
        return "" if math.isnan(value) else f"{value:.15g}"
    return value if type(value) is str else str(value)


def _cell(text: str, bold: bool = False) -> dict:
    element = {"type": "text", "text": text}
    if bold:
        element["style"] = {"bold": True}
    return {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [element]}]}


def _settings(df: pd.DataFrame) -> list[dict]:
    return [{"align": "right" if d.kind in "iufc" else "left"} for d in df.dtypes]


def python_per_cell(df: pd.DataFrame) -> list[dict]:
    rows = [[_cell(_text(name), True) for name in df.columns]]
    for _, row in df.iterrows():
        rows.append([_cell(_text(value)) for value in row])
    return [{"type": "table", "column_settings": _settings(df), "rows": rows}]


def python_iat(df: pd.DataFrame) -> list[dict]:
    rows = [[_cell(_text(name), True) for name in df.columns]]
    for i in range(len(df)):
        rows.append([_cell(_text(df.iat[i, j])) for j in range(df.shape[1])])
    return [{"type": "table", "column_settings": _settings(df), "rows": rows}]


def python_bulk(df: pd.DataFrame) -> list[dict]:
    rows = [[_cell(_text(name), True) for name in df.columns.tolist()]]
    rows += [[_cell(_text(value)) for value in row] for row in df.to_numpy(dtype=object).tolist()]
    return [{"type": "table", "column_settings": _settings(df), "rows": rows}]


def best(call, number: int) -> float:
    # CPU time of this process: the machine is shared, wall time would count the others too
    return min(timeit.repeat(call, number=number, repeat=7, timer=time.process_time)) / number


def main() -> None:
    df = frame()
    velmora = best(lambda: Table.simple_table(df), 50)
    bulk = best(lambda: python_bulk(df), 20)
    per_cell = best(lambda: python_per_cell(df), 5)
    iat = best(lambda: python_iat(df), 3)
    print(f"99x20 frame   velmora {velmora * 1e6:8.0f} us")
    print(f"python, bulk read, per-cell loop {bulk * 1e6:8.0f} us  ({bulk / velmora:.1f}x slower)")
    print(f"python, iterrows, per-cell loop  {per_cell * 1e6:8.0f} us  ({per_cell / velmora:.1f}x slower)")
    print(f"python, df.iat per cell          {iat * 1e6:8.0f} us  ({iat / velmora:.1f}x slower)")


if __name__ == "__main__":
    main()
