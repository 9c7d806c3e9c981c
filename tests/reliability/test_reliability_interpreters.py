"""Interpreters: a module loads once per process. Subinterpreters and second loads are refused
with ImportError, never a crash, and the process goes on working; a failed set-up can be retried.

Each check runs in a fresh interpreter process (the state under test is process-wide).
"""

from __future__ import annotations

import json
import subprocess
import textwrap

import pytest

from support import run_python

import registry

MODULES = registry.extension_modules()


def last_json(result: subprocess.CompletedProcess):
    assert result.returncode == 0, result.stderr[-3000:]
    return json.loads(result.stdout.strip().splitlines()[-1])


# Proof that a process still works: every registry entry's successful calls, run again.
USE_EVERYTHING = """
import registry
used = 0
for entry in registry.entries():
    target = entry.resolve()
    for call in entry.ok:
        entry.invoke(target, call)
        used += 1
"""


# run_in_subinterpreter(code, isolated): runs code in a new subinterpreter, then destroys it;
# returns "imported", or "<class 'ImportError'>: ..." for the exception that code raised.
# CPython's module for it is _xxsubinterpreters on 3.12 and _interpreters on 3.13.
SUBINTERPRETERS = """
import sys
if sys.version_info >= (3, 13):
    import _interpreters
    def run_in_subinterpreter(code, isolated):
        interp = _interpreters.create("isolated" if isolated else "legacy")
        try:
            error = _interpreters.run_string(interp, code)
        finally:
            _interpreters.destroy(interp)
        return "imported" if error is None else f"<class '{error.type.__name__}'>: {error.msg}"
else:
    import _xxsubinterpreters as _interpreters
    def run_in_subinterpreter(code, isolated):
        interp = _interpreters.create(isolated=isolated)
        try:
            _interpreters.run_string(interp, code)
            return "imported"
        except _interpreters.RunFailedError as error:
            return str(error)
        finally:
            _interpreters.destroy(interp)
"""


def test_subinterpreters_are_refused_and_the_process_goes_on():
    result = run_python(
        SUBINTERPRETERS
        + textwrap.dedent(f"""
        import importlib, json
        modules = {MODULES!r}
        for name in modules:
            importlib.import_module(name)
        outcomes = {{}}
        for isolated in (True, False):
            for name in modules:
                outcomes[f"{{isolated}} {{name}}"] = run_in_subinterpreter(f"import {{name}}", isolated)
        {textwrap.indent(USE_EVERYTHING, " " * 8).strip()}
        print(json.dumps([outcomes, used]))
        """)
    )
    outcomes, used = last_json(result)
    assert used > 0
    for key, outcome in outcomes.items():
        isolated, name = key.split()
        assert outcome.startswith("<class 'ImportError'>"), (key, outcome)
        if isolated == "True":  # an isolated interpreter refuses the module before it runs
            assert "does not support loading in subinterpreters" in outcome, (key, outcome)


def test_a_legacy_subinterpreter_loading_first_leaves_main_refused_not_crashed():
    # A subinterpreter sharing the main GIL may load a module first; the process then keeps
    # refusing it (ImportError) after that interpreter is gone, without touching its freed objects.
    result = run_python(
        SUBINTERPRETERS
        + textwrap.dedent(f"""
        import importlib, json
        loaded = run_in_subinterpreter("from velmora.blocks.section import Section; Section.plain_text('x')", False)
        assert loaded == "imported", loaded
        refused = []
        for name in {MODULES!r}:
            try:
                importlib.import_module(name)
            except ImportError as error:
                refused.append(str(error))
        print(json.dumps([refused, sum(range(10))]))
        """)
    )
    refused, alive = last_json(result)
    assert alive == 45
    # The section module, its package's modules and utils were loaded in that interpreter.
    assert len(refused) >= 3
    assert all(m.endswith("has already been imported. Re-initialisation is not supported.") for m in refused)


@pytest.mark.parametrize("how", ["module_from_spec", "reload", "sys.modules"])
def test_second_loads_are_refused_for_every_module(how):
    result = run_python(
        f"""
        import importlib, importlib.util, json, sys
        messages = {{}}
        for name in {MODULES!r}:
            module = importlib.import_module(name)
            try:
                if {how!r} == "module_from_spec":
                    spec = importlib.util.find_spec(name)
                    spec.loader.exec_module(importlib.util.module_from_spec(spec))
                elif {how!r} == "reload":
                    # CPython runs no set-up again for an extension module: the same module stays.
                    assert importlib.reload(module) is module
                    raise ImportError(f"Module '{{name.rsplit('.', 1)[1]}}' has already been imported. "
                                      "Re-initialisation is not supported.")
                else:
                    del sys.modules[name]
                    importlib.import_module(name)
                messages[name] = "loaded twice"
            except ImportError as error:
                messages[name] = str(error)
            sys.modules[name] = module  # the first load goes on serving
        {textwrap.indent(USE_EVERYTHING, " " * 8).strip()}
        print(json.dumps([messages, used]))
        """
    )
    messages, used = last_json(result)
    assert used > 0
    for name, message in messages.items():
        short = name.rsplit(".", 1)[1]
        assert message == f"Module '{short}' has already been imported. Re-initialisation is not supported."


def test_failed_set_up_of_every_module_can_be_retried():
    # With the package's Python-level dependencies made unimportable, the modules that need them
    # fail to set up; once they are back, every module loads and works.
    result = run_python(
        f"""
        import importlib, json, sys
        failed = []
        for name in {MODULES!r}:
            blocked = {{dep: sys.modules.get(dep) for dep in ("velmora.utils", "velmora.interface")}}
            for dep in blocked:
                sys.modules[dep] = None
            try:
                importlib.import_module(name)
            except ImportError:
                failed.append(name)
            for dep, module in blocked.items():
                if module is None:
                    sys.modules.pop(dep, None)
                else:
                    sys.modules[dep] = module
        {textwrap.indent(USE_EVERYTHING, " " * 8).strip()}
        print(json.dumps([failed, used]))
        """
    )
    failed, used = last_json(result)
    assert used > 0
    assert "velmora.blocks.section" in failed and "velmora.messages.header.header" in failed
