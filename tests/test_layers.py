"""The Python modules import one another in one direction only: no import circle, even lazy."""

from __future__ import annotations

import ast
import graphlib
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1] / "src"


def imported_by(path: Path, package: str) -> set[str]:
    """Every velmora module `path` imports, at load time or inside a function. Left out: what
    type checkers alone import, and a module ``__getattr__``, which only re-exports a name
    where callers always found it."""
    tree = ast.parse(path.read_text())
    found: set[str] = set()

    class Imports(ast.NodeVisitor):
        def visit_If(self, node: ast.If) -> None:
            if isinstance(node.test, ast.Name) and node.test.id == "TYPE_CHECKING":
                node = ast.If(test=node.test, body=[], orelse=node.orelse)
            self.generic_visit(node)

        def visit_FunctionDef(self, node: ast.FunctionDef) -> None:
            if not (node.name == "__getattr__" and node in tree.body):
                self.generic_visit(node)

        def visit_Import(self, node: ast.Import) -> None:
            found.update(alias.name for alias in node.names)

        def visit_ImportFrom(self, node: ast.ImportFrom) -> None:
            base = package.rsplit(".", node.level - 1)[0] if node.level else ""
            module = ".".join(part for part in (base, node.module) if part)
            found.update([module, *(f"{module}.{alias.name}" for alias in node.names)])

    Imports().visit(tree)
    return found


def test_no_module_imports_one_that_imports_it_back() -> None:
    modules: dict[str, Path] = {}
    for path in SOURCE.glob("velmora/**/*.py"):
        parts = path.relative_to(SOURCE).with_suffix("").parts
        modules[".".join(parts[:-1] if parts[-1] == "__init__" else parts)] = path
    graph = {}
    for name, path in modules.items():
        package = name if path.name == "__init__.py" else name.rpartition(".")[0]
        graph[name] = {m for m in imported_by(path, package) if m in modules and m != name}
    assert graph["velmora._default_bot"] == {"velmora.bots", "velmora.slack"}  # the graph is read
    assert graph["velmora.bots"] == set() and graph["velmora.slack"] == {"velmora.bots", "velmora.errors"}
    graphlib.TopologicalSorter(graph).prepare()  # raises CycleError naming the circle
