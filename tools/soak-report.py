"""Summarise the JSON lines that `make soak` writes: one row per path, then the totals."""

import json
import sys

with open(sys.argv[1]) as lines:
    rows = [json.loads(line) for line in lines]
print(f"{'path':64} {'calls':>9} {'blocks +':>8} {'RSS KiB before/after':>21} {'traced +B':>9} {'s':>6}")
for r in rows:
    print(
        f"{r['path'][:64]:64} {r['calls']:>9} {r['blocks'][1] - r['blocks'][0]:>8} "
        f"{r['rss_kib'][0]:>10}/{r['rss_kib'][1]:<10} {r['traced_bytes'][1] - r['traced_bytes'][0]:>9} {r['seconds']:>6}"
    )
print(
    f"{len(rows)} paths, {sum(r['calls'] for r in rows):,} calls; largest growth: "
    f"{max(r['blocks'][1] - r['blocks'][0] for r in rows)} blocks, "
    f"{max(r['rss_kib'][1] - r['rss_kib'][0] for r in rows)} KiB resident, "
    f"{max(r['traced_bytes'][1] - r['traced_bytes'][0] for r in rows)} bytes traced; "
    f"resident memory {rows[0]['rss_kib'][0]} KiB at the start, {rows[-1]['rss_kib'][1]} KiB at the end"
)
