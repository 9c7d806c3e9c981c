"""How a C++ message class reaches its base constructor: like super(Cls, self).__init__(**kw),
through type(self).__mro__, so cooperative multiple inheritance and stand-in bases work."""

from __future__ import annotations

import functools

import pytest
from support import assert_no_leak

from velmora.interface import BaseVelmora
from velmora.messages.header.header import HeaderMessage


class Bot:
    def image_upload(self, buffer, file_name=None):
        return "https://example.com/x.png"


def test_cooperative_mixin_after_the_class_is_called_once_with_the_rest():
    calls = []

    class Audit(BaseVelmora):
        def __init__(self, **kwargs):
            calls.append(dict(kwargs))
            super().__init__(**kwargs)

    class Audited(HeaderMessage, Audit):
        pass

    bot = Bot()
    message = Audited("Title", preview="p", slack_bot=bot)
    assert calls == [{"preview": "p", "slack_bot": bot}]
    assert (message.header, message.preview, message.slack_bot) == ("Title", "p", bot)
    assert [c.__name__ for c in Audited.__mro__][:3] == ["Audited", "HeaderMessage", "Audit"]


def test_a_mixin_before_the_class_runs_first_and_reaches_the_base():
    order = []

    class Before:
        def __init__(self, *args, **kwargs):
            order.append("before")
            super().__init__(*args, **kwargs)

    class Message(Before, HeaderMessage):
        pass

    message = Message("Title", divider=False, sub_header="s")
    assert order == ["before"]
    assert (message.header, message.divider, message.sub_header) == ("Title", False, "s")


def test_an_init_that_is_no_plain_function_is_bound_as_super_binds_it():
    seen = []

    class Partial(BaseVelmora):
        def _init(self, tag, **kwargs):
            seen.append((tag, kwargs))
            BaseVelmora.__init__(self, **kwargs)

        __init__ = functools.partialmethod(_init, "tagged")

    class Message(HeaderMessage, Partial):
        pass

    Message("Title", preview="p")
    assert seen == [("tagged", {"preview": "p"})]


def test_without_any_init_in_the_bases_object_init_decides(monkeypatch):
    monkeypatch.delattr(BaseVelmora, "__init__")
    assert HeaderMessage("Title").header == "Title"  # object.__init__() takes no keywords
    with pytest.raises(TypeError) as ours:
        HeaderMessage("Title", preview="p")

    class Plain(BaseVelmora):
        def __init__(self, header, **kwargs):
            super().__init__(**kwargs)

    with pytest.raises(TypeError) as python:
        Plain("Title", preview="p")
    assert str(ours.value) == str(python.value)


def test_errors_of_the_base_propagate_and_nothing_is_stored():
    class Refuse(BaseVelmora):
        def __init__(self, **kwargs):
            raise LookupError(sorted(kwargs))

    class Message(HeaderMessage, Refuse):
        pass

    with pytest.raises(LookupError, match="preview"):
        Message("Title", preview="p")


def test_base_init_leaks_nothing():
    bot, title = Bot(), "Title"
    assert_no_leak(lambda: HeaderMessage(title, slack_bot=bot, preview="p"), watch=[bot, title])

    class Refuse(BaseVelmora):
        def __init__(self, **kwargs):
            raise LookupError

    class Message(HeaderMessage, Refuse):
        pass

    assert_no_leak(lambda: Message(title, slack_bot=bot), expect=LookupError, watch=[bot, title])
