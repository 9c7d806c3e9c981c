"""velmora's benchmark: every builder and message class, side by side in one run.

    python bench/run.py            full run: prints the table, writes bench/RESULTS.md
    python bench/run.py --tiny     checks every output against velmora's, times nothing

Columns: velmora (the installed build), floor (a Python literal or comprehension producing
the identical output), plain Python (bench/reference.py), the same file compiled with
Cython (built here into bench/_build), and slack_sdk's models plus to_dict(). Times are the
minimum over interleaved repeats of timeit loops; instructions per call come from
callgrind (the difference of two runs of different length, so start-up cancels out).
"""

from __future__ import annotations

import argparse
import datetime
import importlib
import importlib.metadata
import os
import platform
import re
import subprocess
import sys
import sysconfig
import tempfile
import timeit
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import cases as case_defs  # noqa: E402
import reference  # noqa: E402

IMPLS = ("velmora", "floor", "object", "plain", "cython", "sdk")
TABLE_MODULE_WORDS = ("table", "dataframe")  # modules that import pandas


# ---- outputs -------------------------------------------------------------------------------


def same(a, b) -> bool:
    """Equal, with the same types and the same dict key order all the way down."""
    if type(a) is not type(b):
        return False
    if isinstance(a, dict):
        return list(a) == list(b) and all(same(a[key], b[key]) for key in a)
    if isinstance(a, list | tuple):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    return a == b


def sdk_namespace() -> dict:
    try:
        import slack_sdk.models.blocks as blocks
    except ImportError:
        return {}
    return {name: getattr(blocks, name) for name in dir(blocks) if name[0].isupper()}


# A name bound to a package itself rather than to a class (`vb` for "package:velmora.blocks"):
# the references stand in with their own module, which holds every class.
PACKAGE = "package:"


def stand_ins(case, implementation) -> dict | None:
    """The names of a case bound in a reference implementation (a module), None if it lacks one."""
    found = {}
    for name, module in case.names.items():
        if module.startswith(PACKAGE):
            found[name] = implementation
        elif hasattr(implementation, name):
            found[name] = getattr(implementation, name)
        else:
            return None
    return found


def load_velmora(case) -> tuple[dict | None, str]:
    ns = {}
    for module in case.needs:
        try:
            importlib.import_module(module)
        except ImportError as e:
            return None, f"{module} not importable ({e})"
    for name, module in case.names.items():
        try:
            imported = importlib.import_module(module.removeprefix(PACKAGE))
            ns[name] = imported if module.startswith(PACKAGE) else getattr(imported, name)
        except (ImportError, AttributeError) as e:
            return None, f"{module}.{name} not importable ({e})"
    return ns, ""


class _Bare:
    """A plain Python class: the cheapest object that holds attributes."""


class Prepared:
    """A case with one namespace per implementation, its outputs checked."""

    def __init__(self, case, velmora_ns, cython_mod, sdk_ns):
        self.case = case
        args = case.args() if callable(case.args) else dict(case.args)
        self.ns = {"velmora": {**args, **velmora_ns}, "floor": dict(args)}
        self.problems: list[str] = []
        self.missing = False
        plain = stand_ins(case, reference)
        if plain is not None:
            self.ns["plain"] = {**args, **plain}
        else:
            self.problems.append("no plain-Python reference")
        if cython_mod is not None and "plain" in self.ns:
            self.ns["cython"] = {**args, **(stand_ins(case, cython_mod) or {})}
        if case.sdk and sdk_ns:
            self.ns["sdk"] = {**args, **sdk_ns}

        if case.kind == "message":
            self.object_floor(args, velmora_ns)

    def object_floor(self, args, velmora_ns) -> None:
        """A message's second floor: a bare instance of a plain Python class given the very
        attributes velmora's message ends with, then the literal of its blocks."""
        made, found = self.case.stmt.rpartition(".build_blocks()")[::2], None
        if made[1] != "":
            return
        try:
            found = eval(made[0], {**args, **velmora_ns})
        except Exception:
            return
        names = {f"_v{i}": value for i, value in enumerate(vars(found).values())}
        sets = "".join(f"o.{attr} = _v{i}\n" for i, attr in enumerate(vars(found)))
        self.ns["object"] = {**args, **names, "_Bare": _Bare}
        self.object_stmt = "o = _Bare()\n" + sets + self.case.floor

    def stmt(self, impl: str) -> str:
        return {"floor": self.case.floor, "object": getattr(self, "object_stmt", ""), "sdk": self.case.sdk}.get(
            impl, self.case.stmt
        )

    def run_once(self, impl: str):
        return eval(self.stmt(impl), self.ns[impl])

    def check(self) -> bool:
        """Every output equals velmora's before anything is timed; slack_sdk must just run."""
        try:
            expected = self.run_once("velmora")
        except Exception as e:  # a builder that this build does not have yet
            self.problems.append(f"velmora failed: {type(e).__name__}: {e}")
            self.missing = True
            return False
        for impl in ("floor", "plain", "cython"):  # the object floor runs statements: it is the floor's
            if impl not in self.ns or (impl == "floor" and not self.case.floor_output):
                continue
            try:
                got = self.run_once(impl)
            except Exception as e:
                got = f"raised {type(e).__name__}: {e}"
            if not same(got, expected):
                self.problems.append(
                    f"{impl} output differs from velmora's:\n  {impl}: {got!r}\n  velmora: {expected!r}"
                )
        if "sdk" in self.ns:
            try:
                self.run_once("sdk")
            except Exception as e:  # the peer's validation: report it, time without it
                self.problems.append(f"slack_sdk equivalent failed: {type(e).__name__}: {e}")
                del self.ns["sdk"]
        return not any("differs" in p for p in self.problems)


# ---- Cython --------------------------------------------------------------------------------


def build_cython(quiet: bool = True):
    """Compile bench/reference.py with Cython into bench/_build (cached by content)."""
    try:
        import Cython  # noqa: F401
    except ImportError:
        print("Cython not installed: no Cython column", file=sys.stderr)
        return None
    build = HERE / "_build"
    build.mkdir(exist_ok=True)
    source = (HERE / "reference.py").read_text()
    target = build / "reference_cy.py"
    if not target.exists() or target.read_text() != source:
        target.write_text(source)
        for old in build.glob("reference_cy*.so"):
            old.unlink()
    if not list(build.glob("reference_cy*.so")):
        # cython, then the C compiler the interpreter was built with: no setuptools needed
        suffix = sysconfig.get_config_var("EXT_SUFFIX")
        cc = (sysconfig.get_config_var("CC") or "cc").split()
        steps = [
            [sys.executable, "-m", "cython", "-3", "-X", "binding=True", "reference_cy.py", "-o", "reference_cy.c"],
            [
                *cc,
                "-O2",
                "-shared",
                "-fPIC",
                f"-I{sysconfig.get_paths()['include']}",
                "reference_cy.c",
                "-o",
                f"reference_cy{suffix}",
            ],
        ]
        for step in steps:
            result = subprocess.run(step, cwd=build, capture_output=True, text=True)
            if result.returncode != 0:
                print("Cython build failed: no Cython column\n" + result.stderr[-3000:], file=sys.stderr)
                return None
    sys.path.insert(0, str(build))
    return importlib.import_module("reference_cy")


# ---- timing --------------------------------------------------------------------------------


def time_cases(prepared: list[Prepared], repeats: int, target: float) -> dict:
    """Minimum ns per call of each (case, impl), the repeats interleaved across impls."""
    timers, numbers, best = {}, {}, {}
    for p in prepared:
        for impl in p.ns:
            timer = timeit.Timer(p.stmt(impl), globals=p.ns[impl])
            number = 1
            while True:  # calibrate: one sample lasts about `target` seconds
                t = timer.timeit(number)
                if t >= target / 5 or number >= 1 << 22:
                    break
                number *= 4
            number = max(1, int(number * target / max(t, 1e-9)))
            timers[p.case.id, impl], numbers[p.case.id, impl] = timer, number
    keys = list(timers)
    for r in range(repeats):
        shift = r % len(keys)
        for key in keys[shift:] + keys[:shift]:
            ns = timers[key].timeit(numbers[key]) / numbers[key] * 1e9
            best[key] = min(best.get(key, ns), ns)
    return best


# ---- callgrind -----------------------------------------------------------------------------


CALLGRIND_CALLS = 2000


def callgrind_child(case_id: str, impl: str, calls: int) -> None:
    """Runs under valgrind: set up one case, warm it up, then `calls` calls of one impl
    inside operator.call, the only C function whose cost callgrind collects."""
    import operator

    case = next(c for c in case_defs.all_cases() if c.id == case_id)
    velmora_ns, _ = load_velmora(case)
    p = Prepared(case, velmora_ns, None, {})
    timer = timeit.Timer(p.stmt(impl), globals=p.ns[impl])
    timer.timeit(300)  # specialise the interpreter's instructions first
    operator.call(timer.timeit, calls)


def instructions(case_id: str, impl: str) -> float | None:
    with tempfile.TemporaryDirectory() as tmp:
        cmd = [
            "valgrind",
            "--tool=callgrind",
            f"--callgrind-out-file={tmp}/cg.out",
            "--toggle-collect=_operator_call",
            sys.executable,
            str(Path(__file__).resolve()),
            "--callgrind-child",
            case_id,
            impl,
            str(CALLGRIND_CALLS),
        ]
        result = subprocess.run(cmd, capture_output=True, text=True)
    found = re.search(r"Collected\s*:\s*(\d+)", result.stderr)
    if result.returncode != 0 or not found or int(found.group(1)) == 0:
        print(f"callgrind failed for {case_id} {impl}:\n{result.stderr[-1500:]}", file=sys.stderr)
        return None
    return int(found.group(1)) / CALLGRIND_CALLS


def count_instructions(prepared: list[Prepared], workers: int = 2) -> dict:
    """Instructions per call (the timing loop's few included) for the cases marked callgrind."""
    jobs = [(p.case.id, impl) for p in prepared if p.case.callgrind for impl in ("velmora", "plain")]
    if not jobs:
        return {}
    try:
        subprocess.run(["valgrind", "--version"], capture_output=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        print("valgrind not found: no instruction counts", file=sys.stderr)
        return {}
    with ThreadPoolExecutor(workers) as pool:
        counts = pool.map(lambda job: instructions(*job), jobs)
    return {job: count for job, count in zip(jobs, counts) if count is not None}


# ---- import time ---------------------------------------------------------------------------


def non_table_modules() -> list[str]:
    import pkgutil

    import velmora

    names = ["velmora"]
    for info in pkgutil.walk_packages(velmora.__path__, "velmora."):
        name = info.name
        if any(word in name for word in TABLE_MODULE_WORDS) or name.endswith(("__main__", "_demo")):
            continue
        names.append(name)
    return names


def import_time(modules: list[str], runs: int = 7, before: str = "") -> tuple[float, float, dict[str, float]]:
    """ms by -X importtime summed over the top-level imports, ms of wall clock, and ms per
    top-level import; each the minimum over `runs` fresh interpreters. `before` runs first,
    untimed (e.g. to import a standard module whose cost is then not counted)."""
    code = before + "import time; t = time.perf_counter()\n" + "".join(f"import {m}\n" for m in modules)
    code += "print(time.perf_counter() - t)"
    best_sum = best_wall = float("inf")
    per_module: dict[str, float] = {}
    for _ in range(runs):
        result = subprocess.run(
            [sys.executable, "-X", "importtime", "-c", code], capture_output=True, text=True, check=True
        )
        total = 0
        for line in result.stderr.splitlines():
            m = re.match(r"import time:\s+\d+ \|\s+(\d+) \| (\S.*)$", line)
            if m and m.group(2).startswith("velmora"):  # top level: not indented
                total += int(m.group(1))
                name = m.group(2).strip()
                per_module[name] = min(per_module.get(name, float("inf")), int(m.group(1)) / 1000)
        best_sum = min(best_sum, total / 1000)
        best_wall = min(best_wall, float(result.stdout) * 1000)
    return best_sum, best_wall, per_module


# ---- report --------------------------------------------------------------------------------


def machine() -> str:
    cpu = platform.processor() or platform.machine()
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    versions = []
    for name in ("Cython", "slack_sdk", "pandas", "pyperf"):
        try:
            versions.append(f"{name} {importlib.metadata.version(name)}")
        except importlib.metadata.PackageNotFoundError:
            pass
    return (
        f"{cpu}, {os.cpu_count()} cores; {platform.system()} {platform.release()}; "
        f"Python {platform.python_version()} ({platform.python_compiler()}); " + ", ".join(versions)
    )


def fmt(x, digits=0):
    if x is None:
        return "-"
    return f"{x:,.{digits}f}"


def ratio(a, b):
    return None if a is None or b is None else a / b


def report(prepared, best, instr, imports, skipped) -> tuple[str, list[str]]:
    head = (
        "| case | velmora ns | floor ns | object floor ns | plain ns | Cython ns | slack_sdk ns | velmora/floor "
        "| velmora/object floor | plain/velmora | Cython/velmora | slack_sdk/velmora | instr velmora | instr plain |"
    )
    lines = [head, "|" + "---|" * (head.count("|") - 1)]
    misses = []
    # target name -> [(case id, ratio, met)]
    summary: dict[str, list[tuple[str, float, bool]]] = {}

    def score(target: str, cid: str, value, met) -> None:
        if value is not None:
            summary.setdefault(target, []).append((cid, value, met))

    for p in prepared:
        cid = p.case.id
        v = best.get((cid, "velmora"))
        cols = {impl: best.get((cid, impl)) for impl in IMPLS}
        r_floor = ratio(v, cols["floor"])
        r_object = ratio(v, cols["object"])
        r_plain = ratio(cols["plain"], v)
        r_cy = ratio(cols["cython"], v)
        r_sdk = ratio(cols["sdk"], v)
        lines.append(
            f"| {cid} | {fmt(v)} | {fmt(cols['floor'])} | {fmt(cols['object'])} | {fmt(cols['plain'])} | "
            f"{fmt(cols['cython'])} | {fmt(cols['sdk'])} | {fmt(r_floor, 2)} | {fmt(r_object, 2)} | {fmt(r_plain, 2)} | "
            f"{fmt(r_cy, 2)} | {fmt(r_sdk, 1)} | {fmt(instr.get((cid, 'velmora')))} | "
            f"{fmt(instr.get((cid, 'plain')))} |"
        )
        if p.case.budget_ms is not None:
            target = f"{p.case.name} of {p.case.size} < {p.case.budget_ms:g} ms"
            score(target, cid, v / 1e6 if v is not None else None, v is not None and v <= p.case.budget_ms * 1e6)
            if v is not None and v > p.case.budget_ms * 1e6:
                misses.append(f"{cid}: {v / 1e6:.2f} ms (target < {p.case.budget_ms:g} ms)")
        if p.case.kind == "helper":
            continue
        builder = p.case.kind == "builder"
        # builders against the literal of their output; messages against the literal plus a
        # plain object holding the same attributes; the Markdown converter against the parse
        # it starts with
        floor_name, floor_target, plain_target = ("floor", 1.0, 1.5) if builder else ("object floor", 2.0, 2.5)
        r_target = r_floor if builder else r_object
        kind = "builders" if builder else "messages"
        if p.case.kind == "converter":
            floor_name, floor_target, plain_target, r_target, kind = "parse", 1.5, 0.0, r_floor, "Markdown converter"
        if p.case.kind == "reader":  # reading blocks back costs no more than writing them
            floor_name, floor_target, plain_target, r_target, kind = "to_blocks", 1.0, 0.0, r_floor, "Markdown reader"
        score(
            f"{kind}: velmora/{floor_name} <= {floor_target}",
            cid,
            r_target,
            r_target is not None and r_target <= floor_target,
        )
        if plain_target:
            score(
                f"{kind}: plain/velmora >= {plain_target}",
                cid,
                r_plain,
                r_plain is not None and r_plain >= plain_target,
            )
        score("Cython/velmora >= 1.3", cid, r_cy, r_cy is not None and r_cy >= 1.3)
        score("slack_sdk/velmora >= 100", cid, r_sdk, r_sdk is not None and r_sdk >= 100)
        if r_target is not None and r_target > floor_target:
            misses.append(f"{cid}: velmora/{floor_name} {r_target:.2f} (target <= {floor_target})")
        if r_plain is not None and plain_target and r_plain < plain_target:
            misses.append(f"{cid}: plain/velmora {r_plain:.2f} (target >= {plain_target})")
        if r_cy is not None and r_cy < 1.3:
            misses.append(f"{cid}: Cython/velmora {r_cy:.2f} (target >= 1.3)")
        if r_sdk is not None and r_sdk < 100:
            misses.append(f"{cid}: slack_sdk/velmora {r_sdk:.1f} (target >= 100)")
        if p.case.name == "Table.simple_table" and p.case.size == "large" and r_plain is not None and r_plain < 3:
            misses.append(f"{cid}: plain/velmora {r_plain:.2f} (target >= 3)")
    if imports:
        summed = imports[0]
        if summed >= 30:
            misses.append(f"import of the non-table modules: {summed:.1f} ms (target < 30 ms)")
    out = "\n".join(lines)
    if summary:
        out += "\n\n| target | met | worst case |\n|---|---|---|\n"
        for target, scores in summary.items():
            lower_is_better = "<=" in target
            worst = (max if lower_is_better else min)(scores, key=lambda item: item[1])
            met = sum(1 for _, _, ok in scores if ok)
            out += f"| {target} | {met} of {len(scores)} | {worst[0]}: {worst[1]:.2f} |\n"
    if skipped:
        out += "\n\nSkipped (module not built yet or output mismatch):\n" + "\n".join(f"- {s}" for s in skipped)
    return out, misses


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tiny", action="store_true", help="check outputs only, time nothing")
    parser.add_argument("--no-cython", action="store_true")
    parser.add_argument("--no-callgrind", action="store_true")
    parser.add_argument("--repeats", type=int, default=9)
    parser.add_argument("--target", type=float, default=0.004, help="seconds per sample")
    parser.add_argument("--only", help="run the cases whose id contains this text (any case)")
    parser.add_argument("--callgrind-child", nargs=3, help=argparse.SUPPRESS)
    opts = parser.parse_args(argv)
    if opts.callgrind_child:
        case_id, impl, calls = opts.callgrind_child
        callgrind_child(case_id, impl, int(calls))
        return 0

    cython_mod = None if opts.tiny or opts.no_cython else build_cython()
    sdk_ns = sdk_namespace()
    prepared, skipped, failures = [], [], []
    for case in case_defs.all_cases():
        if opts.only and opts.only.lower() not in case.id.lower():
            continue
        velmora_ns, why = load_velmora(case)
        if velmora_ns is None:
            skipped.append(f"{case.id}: {why}")
            continue
        p = Prepared(case, velmora_ns, cython_mod, sdk_ns)
        if p.check():
            prepared.append(p)
        elif p.missing and isinstance(p.problems[-1], str) and "AttributeError" in p.problems[-1]:
            skipped.append(f"{case.id}: " + p.problems[-1])
            continue
        else:
            failures.append(case.id)
            skipped.append(f"{case.id}: " + "; ".join(p.problems))
        for problem in p.problems:
            if "differs" not in problem:
                print(f"note: {case.id}: {problem}", file=sys.stderr)
    if opts.tiny:
        for s in skipped:
            print("skip:", s)
        print(f"{len(prepared)} cases match velmora's output, {len(failures)} differ")
        return 1 if failures else 0

    print(f"timing {len(prepared)} cases ({len(skipped)} skipped)...", file=sys.stderr)
    if not prepared:
        print("no case to time" + (f" matches {opts.only!r}" if opts.only else ""), file=sys.stderr)
        return 1
    best = time_cases(prepared, opts.repeats, opts.target)
    instr = {} if opts.no_callgrind else count_instructions(prepared)
    from velmora.interface import BaseVelmora

    base_ns, plain_base_ns = (
        min(
            timeit.repeat(
                "B(slack_bot=bot)", globals={"B": base, "bot": case_defs.BOT}, number=20000, repeat=opts.repeats
            )
        )
        / 20000
        * 1e9
        for base in (BaseVelmora, reference.BaseVelmora)
    )
    modules = non_table_modules()
    imports = import_time(modules)
    without_typing = import_time(modules, before="import typing\n")[0]
    table, misses = report(prepared, best, instr, imports, skipped)
    summed, wall, per_module = imports
    heavy = sorted(per_module.items(), key=lambda item: -item[1])[:6]
    text = (
        "# velmora benchmark results\n\n"
        f"Run {datetime.datetime.now(datetime.UTC):%Y-%m-%d %H:%M} UTC with `make bench`, on: "
        f"{machine()}.\n\n"
        "ns per call: minimum over interleaved timeit repeats (lower is better). Ratios: "
        "velmora/floor (target <= 1.0 for builders; for `to_blocks` the floor is markdown-it-py's own parse "
        "of the same document, target <= 1.5; for `from_blocks` it is `to_blocks` of that document, "
        "target <= 1.0), velmora/object floor (messages: target <= 2.0, "
        "aim 1.5), and plain, Cython, slack_sdk each divided by velmora (how many times faster velmora "
        "is; messages: target >= 2.5). instr: instructions per call counted by callgrind. Messages "
        "are constructed with a shared `slack_bot` and built (`Cls(...).build_blocks()`); their floor "
        "is the literal of their blocks, their object floor that literal plus a bare instance of a "
        "plain Python class given the same attributes the message ends with.\n\n"
        f"{table}\n\n"
        f"For the messages: `BaseVelmora(slack_bot=bot)` alone costs {base_ns:,.0f} ns with velmora's "
        f"base class and {plain_base_ns:,.0f} ns with the plain-Python one.\n\n"
        f"Import of the package and its {len(modules)} non-table modules: {summed:.1f} ms "
        f"(sum of `python -X importtime`, top-level imports), {wall:.1f} ms wall clock; "
        f"{without_typing:.1f} ms of it when `typing` is already imported (it is counted above, "
        "under the first module that imports it); minimum of 7 fresh interpreters. The largest top-level imports (each with what it "
        "imports first): " + ", ".join(f"{name} {ms:.1f} ms" for name, ms in heavy) + ".\n\n"
        "## Targets missed in this run\n\n" + ("\n".join(f"- {m}" for m in misses) if misses else "None.") + "\n"
    )
    print(text)
    if not opts.only:  # a partial run leaves the last full one in place
        (HERE / "RESULTS.md").write_text(text)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
