# Every target sets itself up on a fresh machine: it finds CPython 3.12 (PYTHON=... wins),
# makes .venv, builds and installs velmora into it, then runs.
SHELL := /bin/bash
VENV := .venv
PY := $(VENV)/bin/python
PYTHON_FOUND = $(shell PYTHON="$(PYTHON)" tools/find-python)
# Warnings are errors in our own builds; a user's `pip install .` only warns.
BUILD_FLAGS := -Ccmake.define.VELMORA_WERROR=ON
PIP := $(PY) -m pip --disable-pip-version-check -q

.PHONY: demo test bench sanitize fuzz soak install clean

$(VENV)/.ready: pyproject.toml tools/find-python
	@test -n "$(PYTHON_FOUND)" || { echo "no CPython 3.12: set PYTHON=/path/to/python3.12" >&2; exit 1; }
	rm -rf $(VENV)
	"$(PYTHON_FOUND)" -m venv $(VENV)
	$(PIP) install --upgrade pip
	$(PIP) install "scikit-build-core>=0.10" ninja
	command -v cmake >/dev/null || $(PIP) install cmake
	$(PY) tools/install-extras.py test | xargs -r $(PIP) install
	touch $@

install: $(VENV)/.ready
	$(PIP) install --no-build-isolation --no-deps $(BUILD_FLAGS) .

demo: install
	@$(PY) -m velmora demo

test: install
	$(PY) -m pytest -q

clean:
	rm -rf build $(VENV) bench/_build

# The benchmark: velmora beside the output floor, plain Python, Cython and slack_sdk, in one run;
# prints the table and writes bench/RESULTS.md (a few minutes on 2 cores).
$(VENV)/.bench-ready: $(VENV)/.ready pyproject.toml
	$(PY) tools/install-extras.py bench | xargs -r $(PIP) install
	touch $@

bench: install $(VENV)/.bench-ready
	$(PY) bench/run.py
