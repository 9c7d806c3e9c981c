"""Image blocks and the rich-text placeholders."""

from __future__ import annotations

import importlib
import inspect

import pytest
from slack_sdk.models.blocks import Block

from support import assert_no_leak
from velmora import blocks
from velmora.blocks.image import Image
from velmora.blocks.rich_text import RickText

URL = "https://example.com/cat.png"


@pytest.mark.parametrize(
    "args, kwargs, alt_text",
    [
        ((URL,), {}, "image"),
        ((URL, "cat"), {}, "cat"),
        ((), {"image_url": URL, "image_name": "cat"}, "cat"),
        ((URL,), {"image_name": ""}, ""),
    ],
)
def test_image_block(args, kwargs, alt_text):
    result = Image.image(*args, **kwargs)
    assert result == [{"type": "image", "block_id": "image_block", "image_url": URL, "alt_text": alt_text}]
    assert list(result[0]) == ["type", "block_id", "image_url", "alt_text"]


def test_image_keeps_the_callers_objects():
    url, name = "https://example.com/" + "dog.png", "a " + "dog"
    (block,) = Image.image(url, name)
    assert block["image_url"] is url and block["alt_text"] is name
    assert Block.parse(block).to_dict() == block
    assert Image.image(url) is not Image.image(url)


@pytest.mark.parametrize("url", ["", None, 0, []])
def test_image_without_address_is_empty(url):
    assert Image.image(url) == []


@pytest.mark.parametrize(
    "call, error, message",
    [
        (
            lambda: Image.image(URL, None),
            TypeError,
            "Argument 'image_name' has incorrect type (expected str, got NoneType)",
        ),
        (lambda: Image.image("", 3), TypeError, "Argument 'image_name' has incorrect type (expected str, got int)"),
        (
            lambda: Image.image(URL, type("S", (str,), {})("x")),
            TypeError,
            "Argument 'image_name' has incorrect type (expected str, got S)",
        ),
        (lambda: Image.image(), TypeError, "Image.image() missing 1 required positional argument: 'image_url'"),
        (
            lambda: Image.image(URL, "a", "b"),
            TypeError,
            "Image.image() takes from 1 to 2 positional arguments but 3 were given",
        ),
        (lambda: Image.image(url=URL), TypeError, "Image.image() got an unexpected keyword argument 'url'"),
    ],
)
def test_image_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


def test_image_is_re_exported_and_subclassable():
    assert blocks.Image is Image

    class Mine(Image):
        pass

    assert Mine.image(URL) == Image.image(URL)
    assert str(inspect.signature(Image.image)) == "(image_url, image_name='image', *, block_id=None)"


@pytest.mark.parametrize("name", ["list", "preformatted", "quote", "strike"])
def test_rich_text_placeholders(name):
    method = getattr(RickText, name)
    assert method() is None
    assert str(inspect.signature(method)) == "()"
    with pytest.raises(TypeError, match=rf"^RickText\.{name}\(\) takes 0 positional arguments but 1 was given$"):
        method(1)
    with pytest.raises(TypeError, match=rf"^RickText\.{name}\(\) got an unexpected keyword argument 'x'$"):
        method(x=1)
    assert_no_leak(method)


def test_rich_text_module_keeps_its_typing_names():
    import typing

    from velmora.blocks import rich_text

    for name in ["Optional", "List", "Iterable", "Dict", "Any"]:
        assert getattr(rich_text, name) is getattr(typing, name)


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda u, n: Image.image(u, n), ()),
        (lambda u, n: Image.image(u), ()),
        (lambda u, n: Image.image("", n), ()),
        (lambda u, n: Image.image(u, None), TypeError),
        (lambda u, n: Image.image(u, image_name=n, x=1), TypeError),
    ],
)
def test_image_no_leak(call, error):
    url, name = "https://example.com/" + str(id(call)), "n-" + str(id(call))
    assert_no_leak(lambda: call(url, name), expect=error, watch=[url, name])


# ---- stubs and documentation ------------------------------------------------------------------


def test_readme_examples_of_the_block_builders():
    import doctest
    from pathlib import Path

    readme = (Path(__file__).parents[2] / "README.md").read_text()
    part = readme[readme.index("### Section accessories") : readme.index("### Tables")]
    part = "\n".join("" if line.startswith("```") else line for line in part.splitlines())
    test = doctest.DocTestParser().get_doctest(part, {"Section": blocks.Section}, "README", "README.md", 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    assert runner.failures == 0 and runner.tries >= 8


@pytest.mark.parametrize(
    "name",
    ["Actions", "Context", "Divider", "Header", "Image", "Markdown", "Preformatted", "RichText", "Section", "Table"],
)
def test_blocks_package_re_exports_the_builders(name):
    module = importlib.import_module(f"velmora.blocks.{'rich_text' if name == 'RichText' else name.lower()}")
    assert getattr(blocks, name) is getattr(module, name) and name in blocks.__all__ and name in dir(blocks)
