"""Errors from collaborators: the message base class, the bot, the validation helpers, a
subclass's init_blocks and the builders a message looks up at call time. Each exception comes
out unchanged (the same object), leaks nothing and leaves no state beyond what is designed.
"""

from __future__ import annotations

import importlib
import sys

import pytest
from support import assert_no_leak

from support import run_python

import registry
from registry import C, FakeBot

MESSAGES = [e for e in registry.entries() if e.message and e.ok]
ORDINARY = (TypeError, ValueError, KeyError, IndexError, AttributeError)

# Attributes a message sets before it calls BaseVelmora.__init__ (the button and context messages
# call the base last); every other message calls the base first and so has none when it fails.
SET_BEFORE_BASE = {
    "ButtonMessage": {"text", "buttons"},
    "ContextMessage": {"elements"},
}


def set_before_base(message: type) -> set[str]:
    """The attributes `message` sets before its base runs (the button and context messages'
    above; every other message sets its own after)."""
    return SET_BEFORE_BASE.get(message.__name__, set())


class Boom(Exception):
    """A collaborator's own error; tests check it arrives as the very same object."""


class Errors:
    """The error a collaborator raises: `first` until `fresh()` is called, then a new one each
    time (raising one object again and again would grow its traceback, a leak of the test's own)."""

    def __init__(self, text):
        self.first = Boom(text)
        self.renew = False

    def next(self):
        return Boom("again") if self.renew else self.first

    def fresh(self):
        self.renew = True


def expect_same(error: BaseException, call) -> None:
    with pytest.raises(Boom) as info:
        call()
    assert info.value is error
    info.value.__traceback__ = None


# ---- BaseVelmora.__init__ ------------------------------------------------------------------------


@pytest.mark.parametrize("entry", MESSAGES, ids=lambda e: e.id)
@pytest.mark.parametrize("how", ["cooperative base", "patched BaseVelmora"])
def test_base_init_errors_propagate_unchanged(entry, how, monkeypatch):
    from velmora.interface import BaseVelmora

    message = entry.resolve()
    errors = Errors("base refused")
    error = errors.first
    seen = []

    def failing_init(self, **kwargs):
        seen.append(kwargs)
        raise errors.next()

    if how == "patched BaseVelmora":
        monkeypatch.setattr(BaseVelmora, "__init__", failing_init)
        cls = message
    else:
        failing = type("FailingBase", (BaseVelmora,), {"__init__": failing_init})
        cls = type("Cooperative", (message, failing), {})
        try:
            cls(*entry.ok[0].args, **entry.ok[0].kwargs)
        except Boom:
            pass
        else:
            pytest.skip(f"{message.__name__} calls BaseVelmora.__init__ itself, not the next class in the MRO")
    for call in entry.ok:
        obj = cls.__new__(cls)
        expect_same(error, lambda: cls.__init__(obj, *call.args, **call.kwargs))  # noqa: B023 - called at once
        assert set(vars(obj)) == set_before_base(message), "state set beyond what the class sets before its base runs"
        assert all(isinstance(name, str) for name in seen[-1]), "the base gets keyword arguments only"
    call = entry.ok[0]
    errors.fresh()
    seen.clear()
    assert_no_leak(
        lambda: seen.clear() or cls(*call.args, **call.kwargs),
        expect=Boom,
        watch=[*call.args, *call.kwargs.values()],
        times=1000,
    )


@pytest.mark.parametrize("entry", MESSAGES, ids=lambda e: e.id)
def test_base_init_gets_the_other_keywords_unchanged(entry, monkeypatch):
    from velmora.interface import BaseVelmora

    message = entry.resolve()
    marker = object()
    received = {}
    original = BaseVelmora.__init__

    def recording(self, **kwargs):
        received.update(kwargs)
        original(self, **kwargs)

    monkeypatch.setattr(BaseVelmora, "__init__", recording)
    call = entry.ok[0]
    obj = message(*call.args, **call.kwargs, zz_unknown=marker)
    assert received["zz_unknown"] is marker and obj.extras["zz_unknown"] is marker


# ---- builders looked up at call time ----------------------------------------------------------


class Raising:
    """Stands in for a builder class: every builder it hands out raises `error`."""

    def __init__(self, error):
        self.error = error

    def __getattr__(self, name):
        def builder(*args, **kwargs):
            raise self.error

        return builder


class Returning:
    """Stands in for a builder class: every builder returns `value` (not a list, say)."""

    def __init__(self, value):
        self.value = value

    def __getattr__(self, name):
        return lambda *args, **kwargs: self.value


@pytest.mark.parametrize("entry", MESSAGES, ids=lambda e: e.id)
def test_builder_errors_and_odd_results_reach_the_caller(entry, monkeypatch):
    message = entry.resolve()
    module = sys.modules[message.__module__]
    used = registry.builders_used_by(message)
    if message.__name__ == "Message":
        assert used == []
        pytest.skip("Message builds from its parts, with no class of builders")
    assert used, "a message module imports its builders into its globals"
    missing = []
    for name in used:
        original = vars(module)[name]
        for call in entry.ok:
            obj = message(*call.args, **call.kwargs)
            error = Boom(f"{name} failed")
            monkeypatch.setattr(module, name, Raising(error))
            try:
                obj.build_blocks()
            except Boom as raised:
                assert raised is error
                raised.__traceback__ = None
            for odd in ({"type": "section"}, "blocks", 3, (), None):
                monkeypatch.setattr(module, name, Returning(odd))
                try:
                    obj.build_blocks()
                except ORDINARY:
                    pass
            monkeypatch.setattr(module, name, original)
        monkeypatch.delattr(module, name)
        try:  # a builder class the call needs is looked up when it runs: NameError if gone
            message(*entry.ok[0].args, **entry.ok[0].kwargs).build_blocks()
        except NameError as error:
            missing.append(name)
            assert str(error) == f"name '{name}' is not defined"
        monkeypatch.setattr(module, name, original, raising=False)
    assert missing, "build_blocks looks its builders up at call time"


# ---- the bot's image_upload -----------------------------------------------------------------


def test_upload_errors_propagate_unchanged():
    image_msg = pytest.importorskip("velmora.messages.image.image_msg")
    errors = Errors("upload failed")
    error = errors.first

    class FailingBot(FakeBot):
        def image_upload(self, buffer=None, file_name=None):
            raise errors.next()

    bot = FailingBot()
    buffer = b"png"
    message = image_msg.ImageMessage(image_buffer=buffer, image_name="a.png", slack_bot=bot)
    expect_same(error, message.build_blocks)
    assert message.image_buffer is buffer and message.slack_bot is bot
    errors.fresh()
    assert_no_leak(message.build_blocks, expect=Boom, watch=[buffer, bot], times=1000)


# ---- a subclass's init_blocks ------------------------------------------------------------------

ACTIONS = [
    e
    for e in registry.entries()
    if e.path.startswith("velmora.blocks.actions:Actions.") and not e.path.endswith(".init_blocks") and e.ok
]


@pytest.mark.parametrize("entry", ACTIONS, ids=lambda e: e.id)
def test_init_blocks_errors_and_odd_payloads(entry):
    actions = importlib.import_module("velmora.blocks.actions").Actions
    name = entry.path.rsplit(".", 1)[1]
    errors = Errors("init_blocks failed")
    error = errors.first

    class Failing(actions):
        @classmethod
        def init_blocks(cls):
            raise errors.next()

    call = entry.ok[0]
    builder = getattr(Failing, name)
    expect_same(error, lambda: builder(*call.args, **call.kwargs))
    errors.fresh()
    assert_no_leak(
        lambda: builder(*call.args, **call.kwargs), expect=Boom, watch=[*call.args, *call.kwargs.values()], times=1000
    )
    for payload in ([], [{}], [{"elements": None}], [{"elements": ()}], "x", None, {"elements": []}, [3]):

        class Odd(actions):
            @classmethod
            def init_blocks(cls, payload=payload):
                return payload

        try:
            getattr(Odd, name)(*call.args, **call.kwargs)
        except ORDINARY:
            pass


# ---- the validation helpers ---------------------------------------------------------------------


def test_a_replaced_decorator_that_fails_fails_the_import_and_can_be_retried():
    # Modules take validate_options / validate_initial_time from velmora.utils at set-up.
    result = run_python(
        """
        import importlib, sys
        import velmora.utils as utils
        error = RuntimeError("user decorator refused")
        calls = []
        def refusing(func):
            calls.append(func)
            raise error
        originals = utils.validate_options, utils.validate_initial_time
        utils.validate_options = utils.validate_initial_time = refusing
        outcome = {}
        for name in ("velmora.blocks.section", "velmora.blocks.actions"):
            try:
                importlib.import_module(name)
                outcome[name] = "loaded"
            except RuntimeError as raised:
                outcome[name] = "same" if raised is error else repr(raised)
            except ModuleNotFoundError:
                outcome[name] = "absent"
        utils.validate_options, utils.validate_initial_time = originals
        for name, what in outcome.items():
            if what != "absent":
                importlib.import_module(name)  # the retry succeeds
        from velmora.blocks import Section
        print(Section.plain_text("ok")[0]["type"], len(calls), sorted(outcome.items()))
        """
    )
    assert result.returncode == 0, result.stderr[-3000:]
    first, calls, outcome = result.stdout.split(" ", 2)
    assert first == "section"
    for state in ("loaded", "same", "absent"):
        outcome = outcome.replace(f"'{state}'", "")
    assert "RuntimeError" not in outcome, outcome  # no other error than the decorator's own
    if calls == "0":
        pytest.skip("no decorated builder on this branch yet")
    assert "same" in result.stdout


def test_a_replaced_decorator_whose_wrapper_fails_propagates_unchanged():
    result = run_python(
        """
        import velmora.utils as utils
        error = RuntimeError("user check refused")
        def strict(func):
            def wrapper(*args, **kwargs):
                raise error
            return wrapper
        utils.validate_options = utils.validate_initial_time = strict
        from velmora.blocks.section import Section
        calls = [("static_select", dict(options=["a"], text="t")), ("multi_static_select", dict(text="t", options=["a"])),
                 ("time_picker", dict(initial_time="09:30"))]
        try:
            from velmora.blocks.actions import Actions
            calls += [(Actions.radio_buttons, dict(options=["a"])), (Actions.time_picker, dict(initial_time="09:30")),
                      (Actions.checkboxes, dict(options=["a"], options_description=[]))]
        except ImportError:
            pass
        seen = []
        for builder, kwargs in calls:
            builder = getattr(Section, builder, None) if isinstance(builder, str) else builder
            if builder is None:
                continue
            try:
                builder(**kwargs)
                seen.append("no error")
            except RuntimeError as raised:
                seen.append("same" if raised is error else repr(raised))
        print(seen)
        """
    )
    assert result.returncode == 0, result.stderr[-3000:]
    seen = eval(result.stdout)  # our own subprocess's list of strings
    if not seen:
        pytest.skip("no decorated builder on this branch yet")
    assert set(seen) == {"same"}, seen


@pytest.mark.parametrize(
    "path, call",
    [
        ("velmora.blocks.section:Section.datepicker", C("When?", "2024-01-31")),
        ("velmora.blocks.actions:Actions.datepickers", C(["2024-01-31"])),
    ],
)
def test_a_replaced_date_check_is_used_and_its_error_propagates(path, call, monkeypatch):
    entry = registry.Entry(path)
    builder = entry.resolve()
    if builder is None:
        pytest.skip(f"{path} not on this branch yet")
    module = importlib.import_module(entry.module)
    errors = Errors("date refused")

    def refusing(date):
        raise errors.next()

    monkeypatch.setattr(module, "is_valid_date_fmt", refusing)
    expect_same(errors.first, lambda: builder(*call.args, **call.kwargs))
    errors.fresh()
    assert_no_leak(lambda: builder(*call.args, **call.kwargs), expect=Boom, watch=call.args, times=1000)
    monkeypatch.setattr(module, "is_valid_date_fmt", lambda date: None)  # any return value lets it go on
    assert builder(*call.args, **call.kwargs)
