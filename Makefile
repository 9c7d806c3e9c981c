# Every target sets itself up on a fresh machine: it finds CPython 3.12 (PYTHON=... wins),
# makes .venv, builds and installs velmora into it, then runs.
SHELL := /bin/bash
VENV := .venv
PY := $(VENV)/bin/python
PYTHON_FOUND = $(shell PYTHON="$(PYTHON)" tools/find-python)
# Warnings are errors in our own builds; a user's `pip install .` only warns.
BUILD_FLAGS := -Ccmake.define.VELMORA_WERROR=ON
PIP := $(PY) -m pip --disable-pip-version-check -q

.PHONY: demo test bench sanitize fuzz soak memcheck install clean browser screenshots format format-check clang-format

# $(call new-venv,DIR): a fresh venv in DIR with the build tools and the test extra.
define new-venv
	@test -n "$(PYTHON_FOUND)" || { echo "no CPython 3.12: set PYTHON=/path/to/python3.12" >&2; exit 1; }
	rm -rf $(1)
	"$(PYTHON_FOUND)" -m venv $(1)
	$(1)/bin/python -m pip --disable-pip-version-check -q install --upgrade pip
	$(1)/bin/python -m pip --disable-pip-version-check -q install "scikit-build-core>=0.10" ninja
	command -v cmake >/dev/null || $(1)/bin/python -m pip --disable-pip-version-check -q install cmake
	$(1)/bin/python tools/install-extras.py test | xargs -r $(1)/bin/python -m pip --disable-pip-version-check -q install
	touch $(1)/.ready
endef

$(VENV)/.ready: pyproject.toml tools/find-python
	$(call new-venv,$(VENV))

install: $(VENV)/.ready
	$(PIP) install --no-build-isolation --no-deps $(BUILD_FLAGS) .

# $(call apt-install,PACKAGES): Debian packages, as root or through sudo without a password.
define apt-install
	if [ "$$(id -u)" = 0 ]; then sudo=; else sudo="sudo -n"; fi; \
	$$sudo apt-get update -qq && $$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $(1) >/dev/null
endef

# The preview's browser tests drive the distribution's Chromium (no browser is ever downloaded):
# install Debian's chromium when VELMORA_BROWSER is unset and no Chromium or Chrome is on PATH.
# Where that fails, CI stops; elsewhere the browser tests skip and say why.
browser:
	@if [ -z "$$VELMORA_BROWSER" ] && ! { command -v chromium || command -v chromium-browser \
		|| command -v google-chrome; } >/dev/null; then \
		echo "no Chromium or Chrome found: installing Debian's chromium"; \
		{ command -v apt-get >/dev/null && { $(call apt-install,chromium); }; } \
		|| { echo "could not install chromium: the browser tests will be skipped" >&2; [ -z "$$CI" ]; }; \
	fi

demo: install
	@$(PY) -m velmora demo

test: install browser
	$(PY) -m pytest -q

# docs/demo.png, shown in the README: the demo's messages as velmora.preview draws them, with
# Debian's fonts for emoji and Slack's typeface (Lato) when they are missing.
screenshots: install browser
	@fc-list | grep -q "Noto Color Emoji" && fc-list | grep -q "Lato" || { $(call apt-install,fonts-noto-color-emoji fonts-lato); }
	$(PY) tools/screenshots.py docs/demo.png

# The C++ house style (.clang-format), with the distribution's clang-format.
CXX_SOURCES = $(shell git ls-files 'src/*.cpp' 'src/*.hpp')
clang-format:
	@command -v clang-format >/dev/null || { $(call apt-install,clang-format); }

format: clang-format
	clang-format -i $(CXX_SOURCES)

format-check: clang-format
	clang-format --dry-run --Werror $(CXX_SOURCES)

clean:
	rm -rf build $(VENV) bench/_build

# The benchmark: velmora beside the output floor, plain Python, Cython and slack_sdk, in one run;
# prints the table and writes bench/RESULTS.md (a few minutes on 2 cores).
$(VENV)/.bench-ready: $(VENV)/.ready pyproject.toml
	$(PY) tools/install-extras.py bench | xargs -r $(PIP) install
	touch $@

bench: install $(VENV)/.bench-ready
	$(PY) bench/run.py

# ---- reliability checks (docs/reliability.md) -------------------------------------------------
# fuzz: the property tests at length. soak: a million calls per public entry, with figures.
# sanitize: an AddressSanitizer + UBSan build in its own venv, the whole suite under it.
# memcheck: the suite under valgrind (slow; fewer soak calls).
SAN_VENV := .venv-sanitize
SAN_PY := $(SAN_VENV)/bin/python
SAN_PIP := $(SAN_PY) -m pip --disable-pip-version-check -q
SAN_ENV = LD_PRELOAD="$$(g++ -print-file-name=libasan.so)" PYTHONMALLOC=malloc VELMORA_SANITIZE=1 \
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
FUZZ_PROFILE ?= fuzz
SOAK_CALLS ?= 1000000

fuzz: install
	@mkdir -p build && rm -f build/fuzz.tsv
	HYPOTHESIS_PROFILE=$(FUZZ_PROFILE) VELMORA_FUZZ_REPORT=build/fuzz.tsv \
		$(PY) -m pytest -q -p no:cacheprovider tests/reliability/test_reliability_fuzz.py
	@sort -t"	" -k2 -n build/fuzz.tsv | awk -F"	" '{n+=$$2; print} END {print NR " callables, " n " examples"}'

soak: install
	@mkdir -p build && rm -f build/soak.jsonl
	VELMORA_SOAK_CALLS=$(SOAK_CALLS) VELMORA_SOAK_REPORT=build/soak.jsonl \
		$(PY) -m pytest -q -p no:cacheprovider tests/reliability/test_reliability_soak.py
	@$(PY) tools/soak-report.py build/soak.jsonl

$(SAN_VENV)/.ready: pyproject.toml tools/find-python
	$(call new-venv,$(SAN_VENV))

sanitize: $(SAN_VENV)/.ready
	$(SAN_PIP) install --no-build-isolation --no-deps $(BUILD_FLAGS) -Ccmake.define.VELMORA_SANITIZE=ON \
		-Cbuild-dir=build/sanitize .
	$(SAN_ENV) $(SAN_PY) -m pytest -q -p no:cacheprovider

memcheck: install
	PYTHONMALLOC=malloc VELMORA_SOAK_CALLS=2000 valgrind --tool=memcheck --error-exitcode=99 \
		--leak-check=no --track-origins=yes --num-callers=30 --suppressions=tests/valgrind.supp \
		$(PY) -m pytest -q -p no:cacheprovider
