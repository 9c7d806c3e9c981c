"""BaseVelmora: what it keeps, how it shows a message, and how a message class reaches it: like
super(Cls, self).__init__(**kw), through type(self).__mro__, so cooperative multiple inheritance,
stand-in bases and a replaced BaseVelmora.__init__ work."""

from __future__ import annotations

import functools

import pytest
from support import assert_no_leak

from registry import C, message_classes

import registry
from velmora.interface import DEFAULT_PREVIEW, BaseVelmora, OfflineBot
from velmora.messages import ButtonMessage, ContextMessage, DataFrameMessage, HeaderMessage


class Message(BaseVelmora):
    def build_blocks(self):
        return [{"type": "divider"}]


# ---- what the base keeps --------------------------------------------------------------------------


def test_what_an_instance_keeps():
    message = Message(colour="red", preview="p", header=None)
    assert vars(message) == {"preview": "p", "header": None, "sub_header": None, "extras": {"colour": "red"}}
    assert (message.preview, message.header, message.sub_header) == ("p", None, None)
    assert isinstance(message.slack_bot, OfflineBot) and message.slack_bot is message.slack_bot  # made on first read
    bare = Message()
    assert bare.extras == {} and bare.extras is bare.extras and Message().extras is not bare.extras
    bare.extras["late"] = 1
    assert bare.extras == {"late": 1}


def test_payload_uses_the_first_truthy_text():
    assert Message().payload() == {"text": DEFAULT_PREVIEW, "blocks": [{"type": "divider"}]}
    assert Message(header="H", sub_header="S").payload()["text"] == "H"
    assert Message(preview="", sub_header="S").payload()["text"] == "S"


def test_build_blocks_is_abstract():
    with pytest.raises(NotImplementedError, match="^Message does not build blocks$"):
        BaseVelmora.build_blocks(Message())


class PythonBase:
    def __init__(self, *, preview=None, header=None, sub_header=None, slack_bot=None, **extras):
        pass


@pytest.mark.parametrize("call", [C(1), C(1, 2), C(preview=1, **{"x y": 2})], ids=repr)
def test_call_errors_read_as_python_would_word_them(call):
    def outcome(cls):
        try:
            cls(*call.args, **call.kwargs)
        except TypeError as error:
            return str(error).replace("PythonBase", "BaseVelmora")
        return None

    assert outcome(BaseVelmora) == outcome(PythonBase)


# ---- how a message shows --------------------------------------------------------------------------


def _frame():
    import pandas

    return pandas.DataFrame({"a": [1, 2]})


@pytest.mark.parametrize(
    ("make", "shown"),
    [
        (lambda: HeaderMessage("Nightly report"), "HeaderMessage(header='Nightly report', divider=True)"),
        (
            lambda: HeaderMessage("T", False, preview="p", sub_header=None, colour="red"),
            "HeaderMessage(header='T', divider=False, preview='p', colour='red')",
        ),
        (lambda: ButtonMessage("Go?", button_1_text="Go"), "ButtonMessage(text='Go?', buttons=[{'text': 'Go'}])"),
        (lambda: ContextMessage(text_1="a"), "ContextMessage(elements=[('a', 'text')])"),
        (lambda: DataFrameMessage(_frame()), "DataFrameMessage(df=<DataFrame>, title=None, index=False)"),
        (lambda: BaseVelmora(sub_header="s", slack_bot=OfflineBot()), "BaseVelmora(sub_header='s')"),
        (lambda: Message(), "Message()"),
    ],
)
def test_repr_shows_the_fields_and_makes_no_bot(make, shown):
    message = make()
    assert repr(message) == shown
    assert "slack_bot" not in vars(message) or type(message) is BaseVelmora


def test_repr_of_a_message_that_holds_itself():
    message = HeaderMessage("T")
    message.extras["me"] = message
    assert repr(message) == "HeaderMessage(header='T', divider=True, me=HeaderMessage(...))"


def test_messages_match_by_their_fields():
    match HeaderMessage("T", divider=False):
        case HeaderMessage(header, divider):
            assert (header, divider) == ("T", False)
        case _:
            pytest.fail("no match")


@pytest.mark.parametrize("cls", message_classes(), ids=lambda cls: cls.__name__)
def test_a_replaced_base_init_is_reached_by_every_message(cls, monkeypatch):
    (entry,) = [e for e in registry.entries() if e.message and e.resolve() is cls]
    seen = []
    original = BaseVelmora.__init__

    def recording(self, **kwargs):
        seen.append(sorted(kwargs))
        original(self, **kwargs)

    monkeypatch.setattr(BaseVelmora, "__init__", recording)
    call = entry.ok[0]
    cls(*call.args, **{**call.kwargs, "preview": "p"})
    assert seen and "preview" in seen[0]


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


# ---- the fast paths give what the usual ones give ---------------------------------------------------


def test_a_builder_replaced_on_its_class_is_used_from_the_next_build(monkeypatch):
    from velmora.blocks import Divider, Header

    message = HeaderMessage("T")
    first = message.build_blocks()
    monkeypatch.setattr(Header, "plain_text", classmethod(lambda cls, text: [{"type": "replaced", "text": text}]))
    assert message.build_blocks() == [{"type": "replaced", "text": "T"}, {"type": "divider"}]
    monkeypatch.delattr(Divider, "divider")
    with pytest.raises(AttributeError, match="divider"):
        message.build_blocks()
    monkeypatch.undo()
    assert message.build_blocks() == first


def test_a_replaced_init_of_a_message_class_is_called():
    seen = []
    original = HeaderMessage.__init__

    def init(self, *args, **kwargs):
        seen.append((args, kwargs))
        original(self, *args, **kwargs)

    HeaderMessage.__init__ = init
    try:
        message = HeaderMessage("T", preview="p")
    finally:
        HeaderMessage.__init__ = original  # the class's own again
    assert seen == [(("T",), {"preview": "p"})] and (message.header, message.preview) == ("T", "p")
    assert HeaderMessage("U").header == "U" and len(seen) == 1


def test_many_keywords_and_an_own_setattr_reach_the_base():
    names = {f"extra_{i}": i for i in range(40)}
    assert HeaderMessage("T", **names).extras == names

    class Recorded(HeaderMessage):
        def __setattr__(self, name, value):
            object.__setattr__(self, "log", [*getattr(self, "log", []), name])
            object.__setattr__(self, name, value)

    assert Recorded("T", slack_bot=OfflineBot()).log == [
        "preview",
        "header",
        "sub_header",
        "slack_bot",
        "header",
        "divider",
    ]
