"""What help() and inspect show: every builder, module function and message method carries its
own name and a signature line for its receiver, and every message module a docstring."""

from __future__ import annotations

import importlib
import inspect

import pytest
from registry import message_classes, public_callables

CALLABLES = public_callables()


@pytest.mark.parametrize("path", sorted(p for p, t in CALLABLES.items() if not isinstance(t, type)))
def test_builders_and_functions_name_themselves(path):
    target = CALLABLES[path]
    target = getattr(getattr(target, "__func__", None), "__wrapped__", target)  # a decorated builder
    is_builder = "." in path.split(":")[1]
    assert target.__name__ == path.rsplit(".", 1)[-1].rsplit(":", 1)[-1]
    signature = target.__text_signature__
    assert signature.startswith("($cls, /" if is_builder else "($module, /") and signature.endswith(")")
    assert target.__doc__ and not target.__doc__.startswith(target.__name__ + "(")  # the line is split off
    # a doc written as an indented raw string in the source shows without that indentation
    assert target.__doc__ == inspect.cleandoc(target.__doc__)
    inspect.signature(target)  # parses


@pytest.mark.parametrize("cls", message_classes(), ids=lambda cls: cls.__name__)
def test_message_methods_name_themselves(cls):
    for name, method in vars(cls).items():
        if callable(method) and not name.startswith("_"):
            assert method.__name__ == name and method.__text_signature__ == "($self, /)"
            assert method.__doc__ and not method.__doc__.startswith(name)


MODULE_DOCS = {
    "velmora.messages.actions.datepickers": "The date pickers message.",
    "velmora.messages.composite.button": "The button message.",
    "velmora.messages.composite.checkboxes": "The check boxes message.",
    "velmora.messages.composite.radio_buttons": "The radio buttons message.",
    "velmora.messages.composite.time_picker": "The time picker message.",
    "velmora.messages.context.context": "The context message.",
    "velmora.messages.header.header": "The header message.",
    "velmora.messages.image.image_msg": "The image message.",
    "velmora.messages.rich_text.markdown": "The Markdown message.",
    "velmora.messages.rich_text.rich": "The rich-text message.",
    "velmora.messages.section.date_picker": "The date picker message.",
    "velmora.messages.section.multi_static_select_msg": "The multi-select message.",
    "velmora.messages.section.overflow": "The overflow menu message.",
    "velmora.messages.section.static_select": "The static select message.",
    "velmora.messages.section.users_select": "The users select message.",
}


@pytest.mark.parametrize(("module", "doc"), MODULE_DOCS.items())
def test_message_modules_say_what_they_hold(module, doc):
    assert importlib.import_module(module).__doc__ == doc


def test_a_parameter_list_with_its_own_slash_gets_no_second_one():
    button = importlib.import_module("velmora.messages.composite.button")
    assert button.__getattr__.__text_signature__ == "($module, name, /)"
    rick = importlib.import_module("velmora.blocks.rich_text").RickText
    assert rick.list.__text_signature__ == "($cls, /)"
