"""Arbitrary arguments thrown at every message class: ordinary exceptions only, caller objects untouched."""

from __future__ import annotations

import copy
import sys

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from message_fakes import FakeBuilder
from registry import builders_used_by, message_classes

CLASSES = [(sys.modules[cls.__module__], cls.__name__, tuple(builders_used_by(cls))) for cls in message_classes()]

ORDINARY = (TypeError, ValueError, KeyError, AttributeError, IndexError)

values = st.recursive(
    st.none() | st.booleans() | st.integers() | st.text(max_size=5) | st.binary(max_size=5),
    lambda inner: st.lists(inner, max_size=3) | st.tuples(inner, inner) | st.dictionaries(st.text(max_size=3), inner),
    max_leaves=6,
)
names = st.sampled_from(
    [
        "text",
        "header",
        "divider",
        "options",
        "text_before_option",
        "initial_date",
        "preview",
        "slack_bot",
        "image_url",
        "image_buffer",
        "image_name",
        "text_1",
        "text_x",
        "image_url_2",
        "button_1_text",
        "button_1_style",
        "button_2_url",
        "button_10_text",
        "button_a_value",
        "button_x",
        "button__text",
        "other",
    ]
) | st.text(min_size=1, max_size=12)


class Bot:
    def image_upload(self, buffer, file_name):
        return "https://uploaded"


@pytest.mark.parametrize(("module", "name", "builders"), CLASSES, ids=[c[1] for c in CLASSES])
@settings(max_examples=50, deadline=None)
@given(args=st.lists(values, max_size=3), kwargs=st.dictionaries(names, values, max_size=5))
def test_arbitrary_arguments(module, name, builders, args, kwargs):
    cls = getattr(module, name)
    kwargs.pop("slack_bot", None)
    before = copy.deepcopy((args, kwargs))
    saved = {b: getattr(module, b) for b in builders}
    for b in builders:
        setattr(module, b, FakeBuilder(record=False))
    try:
        try:
            message = cls(*args, slack_bot=Bot(), **kwargs)
        except ORDINARY:
            return
        try:
            message.build_blocks()
        except ORDINARY:
            pass
    finally:
        for b, value in saved.items():
            setattr(module, b, value)
    assert (args, kwargs) == before
