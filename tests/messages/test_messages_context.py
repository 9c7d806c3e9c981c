"""ContextMessage: text_* and image_url_* keywords become the elements of one context block."""

from __future__ import annotations

import inspect

import pytest

from message_fakes import FakeBuilder, Refusal, recording_base
from support import assert_no_leak

import velmora.messages.context.context as context_module
from velmora.blocks import Context
from velmora.interface import BaseVelmora
from velmora.messages.context.context import ContextMessage

URL = "https://example.com/a.png"


def test_class_and_signature():
    assert ContextMessage.__bases__ == (BaseVelmora,)
    assert str(inspect.signature(ContextMessage)) == "(**kwargs)"
    assert context_module.Context is Context


@pytest.mark.parametrize(
    ("kwargs", "elements", "forwarded"),
    [
        ({}, [], {}),
        ({"text_1": "a", "image_url_2": URL, "text_3": "b"}, [("a", "text"), (URL, "image_url"), ("b", "text")], {}),
        # numbers play no part: these crashed when keys were rebuilt from a running count
        ({"text_1": "a", "image_url_1": URL}, [("a", "text"), (URL, "image_url")], {}),
        ({"text_2": "a"}, [("a", "text")], {}),
        ({"text_x": "a", "image_url_": URL}, [("a", "text"), (URL, "image_url")], {}),
        ({"image_url_9": URL, "text_9": "b", "text_1": "a"}, [(URL, "image_url"), ("b", "text"), ("a", "text")], {}),
        (
            {"preview": "p", "text": "t", "image_url": URL, "text_1": "a", "texts_1": 1, "image_1": 2},
            [("a", "text")],
            {"preview": "p", "text": "t", "image_url": URL, "texts_1": 1, "image_1": 2},
        ),
    ],
)
def test_elements_and_forwarded_keywords(kwargs, elements, forwarded):
    probe, seen = recording_base(ContextMessage)
    message = probe(**kwargs)
    assert message.elements == elements
    assert all(type(e) is tuple for e in message.elements)
    assert seen == [forwarded] and list(seen[0]) == list(forwarded)


def test_values_passed_through_unchanged():
    value, url = object(), object()
    message = ContextMessage(text_1=value, image_url_2=url)
    assert message.elements[0][0] is value and message.elements[1][0] is url


def test_elements_set_before_base():
    seen = []

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            seen.append(dict(vars(self)))
            raise Refusal("no")

    class Probe(ContextMessage, Base):
        pass

    message = Probe.__new__(Probe)
    with pytest.raises(Refusal):
        message.__init__(text_1="a", other=1)
    assert seen == [{"elements": [("a", "text")]}]


def test_base_error_propagates_unchanged():
    error = Refusal("no")

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise error

    class Probe(ContextMessage, Base):
        pass

    with pytest.raises(Refusal) as info:
        Probe(text_1="a")
    assert info.value is error


def test_positional_argument_refused():
    with pytest.raises(TypeError, match=r"ContextMessage.__init__\(\) takes 0 positional arguments but 1 was given"):
        ContextMessage("a")


def test_real_base_gets_the_rest():
    message = ContextMessage(text_1="a", preview="p", colour="red")
    assert message.preview == "p" and message.extras == {"colour": "red"}


def test_caller_kwargs_unchanged():
    kwargs = {"text_1": "a", "preview": "p"}
    ContextMessage(**kwargs)
    assert kwargs == {"text_1": "a", "preview": "p"}


# ---- building -------------------------------------------------------------------------------


def test_build_with_real_context():
    blocks = ContextMessage(text_1="*a*", image_url_1=URL, text_7="b").build_blocks()
    assert blocks == [
        {
            "type": "context",
            "elements": [
                Context.mrkdwn("*a*"),
                Context.image_url(URL),
                Context.mrkdwn("b"),
            ],
        }
    ]
    assert list(blocks[0]) == ["type", "elements"]


def test_no_elements_builds_empty_block():
    assert ContextMessage().build_blocks() == [{"type": "context", "elements": []}]


def test_calls_are_positional_and_results_placed_unchanged(monkeypatch):
    fake = FakeBuilder(result={"element": 1})
    monkeypatch.setattr(context_module, "Context", fake)
    value, url = object(), object()
    blocks = ContextMessage(image_url_1=url, text_1=value).build_blocks()
    assert fake.calls == [("image_url", (url,), {}), ("mrkdwn", (value,), {})]
    assert fake.calls[0][1][0] is url and fake.calls[1][1][0] is value
    assert blocks[0]["elements"][0] is fake.result and blocks[0]["elements"][1] is fake.result


def test_builders_are_looked_up_on_every_build(monkeypatch):
    message = ContextMessage(text_1="a", image_url_2=URL)
    message.build_blocks()  # the lookups are remembered...
    monkeypatch.setattr(Context, "mrkdwn", classmethod(lambda cls, value: {"replaced": value}))
    assert message.build_blocks()[0]["elements"] == [{"replaced": "a"}, Context.image_url(URL)]  # ...while valid
    monkeypatch.undo()
    message.elements = [("b", "".join(["te", "xt"]))]  # an equal str, not the interned one
    assert message.build_blocks()[0]["elements"] == [Context.mrkdwn("b")]


def test_each_build_is_fresh():
    message = ContextMessage(text_1="a")
    first, second = message.build_blocks(), message.build_blocks()
    assert first == second and first is not second and first[0]["elements"] is not second[0]["elements"]


@pytest.mark.parametrize(
    ("elements", "expected"),
    [
        ([("a", "text")], [{"type": "mrkdwn", "text": "a"}]),
        ((["a", "text"],), [{"type": "mrkdwn", "text": "a"}]),
        (iter([(URL, "image_url")]), [Context.image_url(URL)]),
        ([], []),
    ],
)
def test_changed_elements_reach_build(elements, expected):
    message = ContextMessage(text_1="old")
    message.elements = elements
    assert message.build_blocks() == [{"type": "context", "elements": expected}]


@pytest.mark.parametrize(
    ("elements", "error", "message"),
    [
        ([("a", "emoji")], ValueError, "parameter value_type must be 'text' or 'image_url'"),
        ([("a", "text"), ("b", None)], ValueError, "parameter value_type must be 'text' or 'image_url'"),
        ([("a",)], ValueError, "not enough values to unpack (expected 2, got 1)"),
        ([("a", "text", 3)], ValueError, "too many values to unpack (expected 2)"),
        ([3], TypeError, "cannot unpack non-iterable int object"),
        (5, TypeError, "'int' object is not iterable"),
    ],
)
def test_bad_elements(elements, error, message):
    obj = ContextMessage()
    obj.elements = elements
    with pytest.raises(error) as info:
        obj.build_blocks()
    assert str(info.value) == message


def test_context_error_propagates(monkeypatch):
    class Failing:
        @classmethod
        def mrkdwn(cls, value):
            raise RuntimeError(value)

    monkeypatch.setattr(context_module, "Context", Failing)
    with pytest.raises(RuntimeError, match="boom"):
        ContextMessage(text_1="boom").build_blocks()


def test_deleted_elements_is_attribute_error():
    message = ContextMessage()
    del message.elements
    with pytest.raises(AttributeError):
        message.build_blocks()


# ---- leaks ----------------------------------------------------------------------------------


def test_no_leak():
    text, url, other = "a", URL, object()
    assert_no_leak(
        lambda: ContextMessage(text_1=text, image_url_1=url, text_5=text, other=other).build_blocks(),
        watch=[text, url, other],
    )


def test_no_leak_on_errors():
    value = object()
    assert_no_leak(lambda: ContextMessage(value), expect=TypeError, watch=[value])

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise Refusal("no")

    class Probe(ContextMessage, Base):
        pass

    assert_no_leak(lambda: Probe(text_1=value, x=value), expect=Refusal, watch=[value])
    for elements, error in [([(value, "bad")], ValueError), ([(value,)], ValueError), ([value], TypeError)]:
        message = ContextMessage()
        message.elements = elements
        assert_no_leak(message.build_blocks, expect=error, watch=[value])
