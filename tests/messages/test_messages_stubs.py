"""The stubs beside the message modules match the classes' real signatures."""

from __future__ import annotations

import ast
import importlib
import inspect
from pathlib import Path

import pytest
from registry import message_classes

MESSAGES = {cls.__module__: cls.__name__ for cls in message_classes()}


def stub_methods(module) -> dict[str, ast.FunctionDef]:
    path = Path(module.__file__).parent / (module.__name__.rsplit(".", 1)[1] + ".pyi")
    tree = ast.parse(path.read_text())
    (cls,) = [node for node in tree.body if isinstance(node, ast.ClassDef)]
    return {node.name: node for node in cls.body if isinstance(node, ast.FunctionDef)}


def stub_signature(func: ast.FunctionDef) -> str:
    params = [a.arg for a in func.args.args[1:]]
    defaults = [ast.unparse(d) for d in func.args.defaults]
    parts = params[: len(params) - len(defaults)] + [
        f"{p}={d}" for p, d in zip(params[len(params) - len(defaults) :], defaults)
    ]
    if func.args.vararg:
        parts.append("*" + func.args.vararg.arg)
    elif func.args.kwonlyargs:
        parts.append("*")
    parts += [
        a.arg if d is None else f"{a.arg}={ast.unparse(d)}" for a, d in zip(func.args.kwonlyargs, func.args.kw_defaults)
    ]
    if func.args.kwarg:
        parts.append("**" + func.args.kwarg.arg)
    return "(" + ", ".join(parts) + ")"


@pytest.mark.parametrize("module_name", MESSAGES)
def test_stub_matches_class(module_name):
    module = importlib.import_module(module_name)
    cls = getattr(module, MESSAGES[module_name])
    methods = stub_methods(module)
    assert stub_signature(methods["__init__"]) == str(inspect.signature(cls))
    assert cls.__text_signature__ == str(inspect.signature(cls))
    assert cls.__doc__ and not cls.__doc__.startswith(cls.__name__ + "(")  # the signature line is split off
    public = {name for name, value in vars(cls).items() if callable(value) and not name.startswith("_")}
    assert public == set(methods) - {"__init__"}
