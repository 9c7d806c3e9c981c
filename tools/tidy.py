"""clang-tidy over every C++ source of the build (`make tidy`).

Reads the compilation database that CMake writes into the build directory, runs clang-tidy
(.clang-tidy at the top of the repository says which checks) on each source, a job per core,
and prints each finding once: a header's finding shows up in every module that includes it.
Exits 1 when there is any, and says how long the run took.

    python tools/tidy.py build/cp312-cp312-linux_x86_64 [source ...]
"""

from __future__ import annotations

import json
import os
import re
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

FINDING = re.compile(r"^(?P<where>[^\s:][^:]*:\d+:\d+): (?:warning|error): (?P<what>.*?) \[(?P<check>[^\]]+)\]$")


def run(tidy: str, build: Path, source: str) -> tuple[str, list[str], str]:
    done = subprocess.run([tidy, "-p", str(build), "--quiet", source], capture_output=True, text=True)
    found = []
    for line in done.stdout.splitlines():
        match = FINDING.match(line)
        if match:
            check = match["check"].replace(",-warnings-as-errors", "")
            found.append(f"{os.path.relpath(match['where'])}: {match['what']} [{check}]")
    # A source clang-tidy could not read at all fails without a finding: say so.
    trouble = done.stderr if done.returncode and not found and "error" in done.stderr else ""
    return source, found, trouble


def main(argv: list[str]) -> int:
    if not argv:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    build = Path(argv[0])
    database = json.loads((build / "compile_commands.json").read_text())
    sources = argv[1:] or sorted({entry["file"] for entry in database})
    tidy = str(Path(sys.executable).with_name("clang-tidy"))
    start = time.monotonic()
    findings: dict[str, None] = {}
    failed = []
    with ThreadPoolExecutor(os.cpu_count() or 1) as pool:
        for source, found, trouble in pool.map(lambda s: run(tidy, build, s), sources):
            findings.update(dict.fromkeys(found))
            if trouble:
                failed.append(f"{os.path.relpath(source)}:\n{trouble}")
    for line in sorted(findings):
        print(line)
    for text in failed:
        print(text, file=sys.stderr)
    print(f"tidy: {len(sources)} sources, {len(findings)} findings in {time.monotonic() - start:.0f} s")
    return 1 if findings or failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
