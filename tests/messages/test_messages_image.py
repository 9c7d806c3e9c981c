"""ImageMessage: an image block from a URL or from an uploaded buffer."""

from __future__ import annotations

import inspect

import pytest

from message_fakes import FakeBuilder, Refusal, recording_base
from support import assert_no_leak

import velmora.messages.image.image_msg as image_module
from velmora.interface import BaseVelmora
from velmora.messages.image.image_msg import ImageMessage

URL = "https://example.com/cat.png"
UPLOADED = "https://files.example.com/cat.png"
NO_SOURCE = "No image url or image buffer provided"


class Bot:
    """Records uploads and answers with a URL."""

    def __init__(self, url=UPLOADED, error=None):
        self.uploads = []
        self.url = url
        self.error = error

    def image_upload(self, buffer, file_name=None):
        self.uploads.append((buffer, file_name))
        if self.error is not None:
            raise self.error
        return self.url


@pytest.fixture
def image(monkeypatch):
    fake = FakeBuilder()
    monkeypatch.setattr(image_module, "Image", fake)
    return fake


def test_class_and_signature():
    assert ImageMessage.__bases__ == (BaseVelmora,)
    assert str(inspect.signature(ImageMessage)) == "(**kwargs)"
    assert str(inspect.signature(ImageMessage.upload_image_buffer)) == "(self, /)"


# ---- construction ---------------------------------------------------------------------------


def test_every_keyword_reaches_base():
    probe, seen = recording_base(ImageMessage)
    buffer = b"png"
    message = probe(image_url=URL, image_buffer=buffer, image_name="cat", preview="p", other=1)
    assert seen == [{"image_url": URL, "image_buffer": buffer, "image_name": "cat", "preview": "p", "other": 1}]
    assert message.image_url is URL and message.image_buffer is buffer and message.image_name == "cat"
    assert message.extras == {"image_url": URL, "image_buffer": buffer, "image_name": "cat", "other": 1}


def test_missing_sources_are_none():
    message = ImageMessage()
    assert (message.image_url, message.image_buffer, message.image_name) == (None, None, None)


@pytest.mark.parametrize(
    ("kwargs", "preview"),
    [
        ({}, "You got a new message"),
        ({"image_name": "cat.png"}, "cat.png"),
        ({"image_name": ""}, "You got a new message"),
        ({"image_name": "cat.png", "sub_header": "sub"}, "sub"),
        ({"image_name": "cat.png", "sub_header": "sub", "header": "head"}, "head"),
        ({"image_name": "cat.png", "header": "head", "preview": "own"}, "own"),
        ({"preview": "", "header": "", "sub_header": "", "image_name": None}, "You got a new message"),
    ],
)
def test_preview(kwargs, preview):
    assert ImageMessage(**kwargs).preview == preview


def test_preview_read_after_base():
    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            super().__init__(**kwargs)
            self.header = "set by base"

    class Probe(ImageMessage, Base):
        pass

    assert Probe(image_name="cat").preview == "set by base"


def test_base_error_propagates_and_sets_nothing():
    error = Refusal("no")

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise error

    class Probe(ImageMessage, Base):
        pass

    message = Probe.__new__(Probe)
    with pytest.raises(Refusal) as info:
        message.__init__(image_url=URL)
    assert info.value is error and vars(message) == {}


def test_positional_argument_refused():
    with pytest.raises(TypeError, match=r"ImageMessage.__init__\(\) takes 0 positional arguments but 1 was given"):
        ImageMessage(URL)


# ---- upload ---------------------------------------------------------------------------------


def test_upload_call_form():
    bot, buffer = Bot(), bytearray(b"png")
    message = ImageMessage(image_buffer=buffer, image_name="cat.png", slack_bot=bot)
    assert message.upload_image_buffer() is UPLOADED
    assert bot.uploads == [(buffer, "cat.png")] and bot.uploads[0][0] is buffer


def test_upload_uses_keywords():
    calls = []

    class KeywordsOnly:
        def image_upload(self, *, buffer, file_name):
            calls.append((buffer, file_name))
            return UPLOADED

    ImageMessage(image_buffer=b"x", slack_bot=KeywordsOnly()).upload_image_buffer()
    assert calls == [(b"x", None)]


def test_upload_error_propagates_unchanged(image):
    error = ConnectionError("slack is down")
    message = ImageMessage(image_buffer=b"png", image_url=URL, slack_bot=Bot(error=error))
    with pytest.raises(ConnectionError) as info:
        message.build_blocks()
    assert info.value is error and image.calls == []


# ---- building -------------------------------------------------------------------------------


@pytest.mark.parametrize(
    ("kwargs", "uploads", "call"),
    [
        # only a URL: no upload; no name means Image.image(url) and its default alt text
        ({"image_url": URL}, [], (URL,)),
        ({"image_url": URL, "image_name": "cat"}, [], (URL, "cat")),
        ({"image_url": URL, "image_name": ""}, [], (URL, "")),
        # a non-empty buffer wins over the URL
        ({"image_url": URL, "image_buffer": b"png", "image_name": "cat"}, [(b"png", "cat")], (UPLOADED, "cat")),
        ({"image_buffer": b"png"}, [(b"png", None)], (UPLOADED,)),
        # an empty buffer beside a URL is not uploaded
        ({"image_url": URL, "image_buffer": b""}, [], (URL,)),
        ({"image_url": URL, "image_buffer": bytearray()}, [], (URL,)),
    ],
)
def test_source_choice(kwargs, uploads, call, image):
    bot = Bot()
    blocks = ImageMessage(slack_bot=bot, **kwargs).build_blocks()
    assert blocks == [{"type": "section", "built_by": "image"}]
    assert bot.uploads == uploads
    assert image.calls == [("image", call, {})]


@pytest.mark.parametrize(
    "kwargs",
    [
        {},
        {"image_buffer": b""},
        {"image_url": ""},
        {"image_url": None, "image_buffer": None},
        {"image_url": "", "image_buffer": b"", "image_name": "cat"},
    ],
)
def test_no_source(kwargs, image):
    bot = Bot()
    message = ImageMessage(slack_bot=bot, **kwargs)
    with pytest.raises(ValueError) as info:
        message.build_blocks()
    assert str(info.value) == NO_SOURCE
    assert bot.uploads == [] and image.calls == []


def test_each_build_uploads_again(image):
    bot = Bot()
    message = ImageMessage(image_buffer=b"png", slack_bot=bot)
    message.build_blocks()
    message.build_blocks()
    assert len(bot.uploads) == 2


def test_subclass_upload_override(image):
    class Mine(ImageMessage):
        def upload_image_buffer(self):
            return "https://mine"

    Mine(image_buffer=b"png").build_blocks()
    assert image.calls == [("image", ("https://mine",), {})]


def test_attribute_changes_reach_build(image):
    bot = Bot()
    message = ImageMessage(image_url=URL, slack_bot=bot)
    message.image_name = "renamed"
    message.build_blocks()
    message.image_buffer = b"new"
    message.build_blocks()
    assert image.calls == [("image", (URL, "renamed"), {}), ("image", (UPLOADED, "renamed"), {})]
    assert bot.uploads == [(b"new", "renamed")]


@pytest.mark.parametrize("result", [{"type": "image"}, "x", (1,)])
def test_result_check(result, monkeypatch):
    monkeypatch.setattr(image_module, "Image", FakeBuilder(result))
    with pytest.raises(TypeError) as info:
        ImageMessage(image_url=URL).build_blocks()
    assert str(info.value) == f"Expected list, got {type(result).__name__}"


def test_none_result_passes(monkeypatch):
    monkeypatch.setattr(image_module, "Image", FakeBuilder(None))
    assert ImageMessage(image_url=URL).build_blocks() is None


def test_image_error_propagates(monkeypatch):
    class Failing:
        @classmethod
        def image(cls, url, name="image"):
            raise TypeError("Argument 'image_name' has incorrect type (expected str, got int)")

    monkeypatch.setattr(image_module, "Image", Failing)
    with pytest.raises(TypeError, match="image_name"):
        ImageMessage(image_url=URL, image_name=3).build_blocks()


def test_offline_bot_round_trip(image, tmp_path):
    from velmora.interface import OfflineBot

    message = ImageMessage(image_buffer=b"\x89PNG", image_name="cat.png", slack_bot=OfflineBot(tmp_path))
    message.build_blocks()
    ((_, (url, name), _),) = image.calls
    assert url.startswith("file://") and url.endswith("cat.png") and name == "cat.png"


# ---- leaks ----------------------------------------------------------------------------------


def test_no_leak(monkeypatch):
    monkeypatch.setattr(image_module, "Image", FakeBuilder(record=False))
    url, name, buffer = URL, "cat", b"png"

    class Quiet:
        def image_upload(self, buffer, file_name):
            return UPLOADED

    bot = Quiet()
    assert_no_leak(lambda: ImageMessage(image_url=url, image_name=name).build_blocks(), watch=[url, name])
    assert_no_leak(lambda: ImageMessage(image_buffer=buffer, slack_bot=bot).build_blocks(), watch=[buffer, bot])


def test_no_leak_on_errors(monkeypatch):
    monkeypatch.setattr(image_module, "Image", FakeBuilder({}, record=False))
    url = URL
    assert_no_leak(lambda: ImageMessage(url), expect=TypeError, watch=[url])
    assert_no_leak(lambda: ImageMessage(image_buffer=b"").build_blocks(), expect=ValueError)
    assert_no_leak(lambda: ImageMessage(image_url=url).build_blocks(), expect=TypeError, watch=[url])

    class Down:
        def image_upload(self, buffer, file_name):
            raise ConnectionError("down")

    bot = Down()
    assert_no_leak(
        lambda: ImageMessage(image_buffer=b"x", slack_bot=bot).build_blocks(), expect=ConnectionError, watch=[bot]
    )

    class Base(BaseVelmora):
        def __init__(self, **kwargs):
            raise Refusal("no")

    class Probe(ImageMessage, Base):
        pass

    assert_no_leak(lambda: Probe(image_url=url), expect=Refusal, watch=[url])
