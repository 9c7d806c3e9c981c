"""HeaderMessage: a header text, optionally followed by a divider."""

from __future__ import annotations

import inspect

import pytest

from message_fakes import FakeBuilder, Refusal, recording_base
from support import assert_no_leak

import velmora.messages.header.header as header_module
from velmora.blocks.divider import Divider
from velmora.blocks.header import Header
from velmora.interface import BaseVelmora
from velmora.messages.header.header import HeaderMessage


class Str(str):
    pass


def test_class_and_signature():
    assert HeaderMessage.__bases__ == (BaseVelmora,)
    assert str(inspect.signature(HeaderMessage)) == "(header, divider=True, **kwargs)"
    assert header_module.Header is Header and header_module.Divider is Divider


@pytest.mark.parametrize(
    ("divider", "with_divider"),
    [(True, True), (1, True), ("yes", True), (False, False), (0, False), ("", False), (None, False), ([], False)],
)
def test_blocks(divider, with_divider):
    blocks = HeaderMessage("Report", divider).build_blocks()
    expected = Header.plain_text("Report") + (Divider.divider() if with_divider else [])
    assert blocks == expected


def test_divider_by_default():
    message = HeaderMessage("Report")
    assert message.divider is True
    assert message.build_blocks() == Header.plain_text("Report") + Divider.divider()


def test_header_replaces_base_attribute():
    probe, seen = recording_base(HeaderMessage)
    message = probe(header="Mine", sub_header="s", preview="p")
    assert seen == [{"sub_header": "s", "preview": "p"}]
    assert message.header == "Mine" and message.sub_header == "s"


def test_base_runs_first():
    seen = []

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            seen.append(dict(vars(self)))
            super().__init__(**kwargs)

    class Probe(HeaderMessage, Base):
        pass

    text = "Mine"
    message = Probe(text, divider=0)
    assert seen == [{}] and message.header is text and message.divider == 0


def test_base_error_propagates_and_sets_nothing():
    error = Refusal("no")

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise error

    class Probe(HeaderMessage, Base):
        pass

    message = Probe.__new__(Probe)
    with pytest.raises(Refusal) as info:
        message.__init__("Report")
    assert info.value is error and vars(message) == {}


@pytest.mark.parametrize(("value", "got"), [(None, "NoneType"), (Str("x"), "Str"), (3, "int"), (b"x", "bytes")])
def test_header_type(value, got):
    probe, seen = recording_base(HeaderMessage)
    with pytest.raises(TypeError) as info:
        probe(value)
    assert str(info.value) == f"Argument 'header' has incorrect type (expected str, got {got})"
    assert seen == []


@pytest.mark.parametrize(
    ("args", "kwargs", "message"),
    [
        ((), {}, "missing 1 required positional argument: 'header'"),
        (("a", True, 3), {}, "takes from 1 to 2 positional arguments but 3 were given"),
        (("a",), {"header": "b"}, "got multiple values for argument 'header'"),
    ],
)
def test_bad_calls(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        HeaderMessage(*args, **kwargs)
    assert str(info.value) == "HeaderMessage.__init__() " + message


def test_calls_and_in_place_extension(monkeypatch):
    header_blocks, divider_blocks = [{"h": 1}], [{"d": 1}]
    header, divider = FakeBuilder(header_blocks), FakeBuilder(divider_blocks)
    monkeypatch.setattr(header_module, "Header", header)
    monkeypatch.setattr(header_module, "Divider", divider)
    text = "Report"
    result = HeaderMessage(text).build_blocks()
    assert result is header_blocks and result == [{"h": 1}, {"d": 1}]
    assert header.calls == [("plain_text", (text,), {})] and header.calls[0][1][0] is text
    assert divider.calls == [("divider", (), {})]


def test_divider_not_looked_up_when_off(monkeypatch):
    monkeypatch.delattr(header_module, "Divider")
    assert HeaderMessage("Report", divider=False).build_blocks() == Header.plain_text("Report")
    with pytest.raises(NameError, match="name 'Divider' is not defined"):
        HeaderMessage("Report").build_blocks()


def test_attribute_changes_reach_build():
    message = HeaderMessage("Old")
    message.header, message.divider = "New", False
    assert message.build_blocks() == Header.plain_text("New")


@pytest.mark.parametrize("result", [{"h": 1}, "x"])
def test_result_check(result, monkeypatch):
    monkeypatch.setattr(header_module, "Header", FakeBuilder(result))
    with pytest.raises(TypeError) as info:
        HeaderMessage("Report", divider=False).build_blocks()
    assert str(info.value) == f"Expected list, got {type(result).__name__}"


def test_none_result_passes_without_divider(monkeypatch):
    monkeypatch.setattr(header_module, "Header", FakeBuilder(None))
    assert HeaderMessage("Report", divider=False).build_blocks() is None


def test_header_builder_error_propagates():
    message = HeaderMessage("Report")
    message.header = 3
    with pytest.raises(TypeError, match="Argument 'text' has incorrect type"):
        message.build_blocks()


def test_no_leak():
    text, flag = "Report", object()
    assert_no_leak(lambda: HeaderMessage(text, flag, preview=text).build_blocks(), watch=[text, flag])


def test_no_leak_on_errors(monkeypatch):
    value = Str("x")
    assert_no_leak(lambda: HeaderMessage(value), expect=TypeError, watch=[value])

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise Refusal("no")

    class Probe(HeaderMessage, Base):
        pass

    assert_no_leak(lambda: Probe("Report", other=value), expect=Refusal, watch=[value])
    message = HeaderMessage("Report")
    message.header = value
    assert_no_leak(message.build_blocks, expect=TypeError, watch=[value])
    monkeypatch.setattr(header_module, "Header", FakeBuilder({}, record=False))
    assert_no_leak(HeaderMessage("Report", divider=False).build_blocks, expect=TypeError)
