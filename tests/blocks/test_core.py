"""What every module shares: class-method binding, module set-up, signatures, small block classes."""

import inspect

import pytest
from support import assert_no_leak, run_python

from velmora.blocks import Context, Section
from velmora.blocks.divider import Divider
from velmora.blocks.header import Header


def test_builders_bind_to_the_class_they_are_looked_up_on():
    seen = []

    class Loud(Section):
        pass

    bound = Loud.plain_text
    assert bound.__self__ is Loud and Section.plain_text.__self__ is Section
    assert Section.plain_text is Section.plain_text  # one cached binding on the defining class
    assert Section().plain_text.__self__ is Section
    seen.append(Loud.plain_text("x"))
    assert seen == [Section.plain_text("x")]


def test_classes_stay_subclassable_and_mutable():
    class Mine(Section):
        @classmethod
        def plain_text(cls, text):
            return ["mine", text]

    assert Mine.plain_text("a") == ["mine", "a"]
    assert Mine.mrkdwn("a") == Section.mrkdwn("a")
    original = Section.__dict__["mrkdwn"]
    try:
        Section.mrkdwn = classmethod(lambda cls, text=None: "patched")
        assert Section.mrkdwn("x") == "patched"
    finally:
        Section.mrkdwn = original
    assert Section.mrkdwn("x") == [{"type": "section", "text": {"type": "mrkdwn", "text": "x"}}]


@pytest.mark.parametrize(
    "func, signature",
    [
        (Section.plain_text, "(text, *, block_id=None)"),
        (Section.mrkdwn, "(text=None, *, block_id=None)"),
        (Section.text_fields, "(texts, *, block_id=None)"),
        (Context.mrkdwn, "(value)"),
        (Header.plain_text, "(text, *, block_id=None)"),
        (Divider.divider, "(*, block_id=None)"),
    ],
)
def test_signatures_are_real(func, signature):
    assert str(inspect.signature(func)) == signature
    assert func.__doc__


def test_help_shows_the_builders():
    import pydoc

    text = pydoc.render_doc(Section, renderer=pydoc.plaintext)
    assert "plain_text(text, *, block_id=None)" in text and "text_fields(texts, *, block_id=None)" in text


def test_descriptors_cleared_by_the_collector_fail_cleanly():
    # tp_clear empties a builder's binding descriptor and a validated builder when the collector
    # breaks a cycle through them; reading them afterwards raises, never crashes.
    result = run_python(
        """
        import ctypes
        from velmora.blocks.section import Section

        get_slot = ctypes.pythonapi.PyType_GetSlot
        get_slot.restype, get_slot.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_int]
        def clear(obj):
            ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(get_slot(type(obj), 51))(obj)  # Py_tp_clear

        def attempt(read):
            try:
                return repr(read())[:40]
            except Exception as error:
                return f"{type(error).__name__}: {error}"

        plain, select = Section.__dict__["plain_text"], Section.__dict__["static_select"]
        validated = select.__func__
        clear(plain)
        clear(validated)
        clear(select)
        for read in (lambda: plain.__doc__, lambda: plain.__func__, lambda: Section.plain_text("x")[0]["type"],
                     lambda: validated.__name__, lambda: validated(Section, ["a"]), lambda: repr(validated),
                     lambda: select.__doc__, lambda: Section.static_select(["a"])):
            print(attempt(read))
        """
    )
    assert result.returncode == 0, result.stderr
    cleared = "ReferenceError: this builder was cleared by the garbage collector"
    validated = "ReferenceError: this validated builder was cleared by the garbage collector"
    assert result.stdout.splitlines() == [
        "None",
        cleared,
        "'section'",
        validated,
        validated,
        "'<validate_options of None>'",
        "None",
        cleared,
    ]


def test_context_elements():
    url = "https://example.com/a.png"
    assert Context.mrkdwn("*a*") == {"type": "mrkdwn", "text": "*a*"}
    element = Context.image_url(url)
    assert list(element) == ["type", "image_url", "alt_text"]
    assert element == {"type": "image", "image_url": url, "alt_text": "image"}
    assert element["image_url"] is url


def test_header_and_divider():
    (block,) = Header.plain_text("Title")
    assert list(block) == ["type", "text"]
    assert block == {"type": "header", "text": {"type": "plain_text", "text": "Title", "emoji": True}}
    assert Header.plain_text("") == []
    assert Divider.divider() == [{"type": "divider"}]
    assert Divider.divider() is not Divider.divider()
    with pytest.raises(TypeError, match=r"^Argument 'text' has incorrect type \(expected str, got NoneType\)$"):
        Header.plain_text(None)
    with pytest.raises(TypeError, match="takes 0 positional arguments but 1 was given"):
        Divider.divider(1)


def test_blocks_package_exports_and_stays_light():
    result = run_python(
        """
        import sys, velmora.blocks, velmora
        print(sorted(set(velmora.blocks.__all__) & {"Section", "Context"}), "pandas" in sys.modules)
        """
    )
    assert result.stdout.split() == ["['Context',", "'Section']", "False"]


@pytest.mark.parametrize(
    "call, expect",
    [
        (lambda: Context.mrkdwn("x"), ()),
        (lambda: Context.image_url(value="x"), ()),
        (lambda: Header.plain_text("x"), ()),
        (lambda: Header.plain_text(3), TypeError),
        (lambda: Divider.divider(), ()),
        (lambda: type("Sub", (Section,), {}).plain_text("x"), ()),
    ],
)
def test_no_leaks(call, expect):
    assert_no_leak(call, expect=expect)
