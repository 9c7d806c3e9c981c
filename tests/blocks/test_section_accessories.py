"""Sections carrying one accessory: selects, overflow menus, buttons, images, pickers, choices."""

from __future__ import annotations

import inspect

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from slack_sdk.models.blocks import Block

from support import assert_no_leak
from velmora.blocks import Actions, Image, Section
from velmora.blocks import section as section_module
from velmora.blocks.rich_text import RickText


def plain(text):
    return {"type": "plain_text", "text": text, "emoji": True}


def mrkdwn(text):
    return {"type": "mrkdwn", "text": text}


def section(text, accessory):
    return [{"type": "section", "text": mrkdwn(text), "accessory": accessory}]


def select_option(text, i):
    return {"text": plain(text), "value": f"value-{i}"}


def choice_option(text, i):
    return {"text": mrkdwn(text), "value": f"value-{i}"}


def key_orders(value):
    """The key order of every dict inside `value`, nested like the value itself."""
    if isinstance(value, dict):
        return [(key, key_orders(item)) for key, item in value.items()]
    if isinstance(value, list):
        return [key_orders(item) for item in value]
    return None


SHAPES = [
    pytest.param(
        lambda: Section.users_select("Who is on call?"),
        section(
            "Who is on call?",
            {"type": "users_select", "placeholder": plain("Select a user"), "action_id": "users_select_action"},
        ),
        id="users_select",
    ),
    pytest.param(
        lambda: Section.users_select(),
        section(
            "Please select a user",
            {"type": "users_select", "placeholder": plain("Select a user"), "action_id": "users_select_action"},
        ),
        id="users_select-default-text",
    ),
    pytest.param(
        lambda: Section.static_select(options=["red", 2], text="Colour?"),
        section(
            "Colour?",
            {
                "type": "static_select",
                "placeholder": plain("Select a item"),
                "options": [select_option("red", 0), select_option("2", 1)],
                "action_id": "static_select-action",
            },
        ),
        id="static_select",
    ),
    pytest.param(
        lambda: Section.static_select(options=["red"], text=None),
        section(
            "Please select a option",
            {
                "type": "static_select",
                "placeholder": plain("Select a item"),
                "options": [select_option("red", 0)],
                "action_id": "static_select-action",
            },
        ),
        id="static_select-text-None",
    ),
    pytest.param(
        lambda: Section.multi_static_select(text="Tags", options=("a", "b")),
        section(
            "Tags",
            {
                "type": "multi_static_select",
                "placeholder": plain("Select options"),
                "options": [select_option("a", 0), select_option("b", 1)],
                "action_id": "multi_static_select-action",
            },
        ),
        id="multi_static_select",
    ),
    pytest.param(
        lambda: Section.overflow(text="More", options=["Edit", "Delete"]),
        section(
            "More",
            {
                "type": "overflow",
                "options": [select_option("Edit", 0), select_option("Delete", 1)],
                "action_id": "overflow-action",
            },
        ),
        id="overflow",
    ),
    pytest.param(
        lambda: Section.button(text="Deploy?", button={"text": "Go"}),
        section(
            "Deploy?",
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": "button_value-0",
            },
        ),
        id="button",
    ),
    pytest.param(
        lambda: Section.button(
            text="Deploy?", button={"url": "https://x.io", "value": "v", "style": "danger", "text": "Go"}
        ),
        section(
            "Deploy?",
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "style": "danger",
                "value": "v",
                "url": "https://x.io",
            },
        ),
        id="button-full",
    ),
    pytest.param(
        lambda: Section.button("Deploy?", {"text": "Go", "style": "", "value": "", "url": None}),
        section(
            "Deploy?", {"type": "button", "text": {"type": "plain_text", "text": "Go"}, "action_id": "action-button-0"}
        ),
        id="button-falsy-keys",
    ),
    pytest.param(
        lambda: Section.button("Deploy?", {"text": "Go", "value": None}),
        section(
            "Deploy?", {"type": "button", "text": {"type": "plain_text", "text": "Go"}, "action_id": "action-button-0"}
        ),
        id="button-value-None",
    ),
    pytest.param(
        lambda: Section.image("A cat", "https://example.com/cat.png"),
        section("A cat", {"type": "image", "image_url": "https://example.com/cat.png", "alt_text": "image"}),
        id="image",
    ),
    pytest.param(
        lambda: Section.image("A cat", image_url="https://example.com/cat.png", alt_text="cat"),
        section("A cat", {"type": "image", "image_url": "https://example.com/cat.png", "alt_text": "cat"}),
        id="image-alt-text",
    ),
    pytest.param(
        lambda: Section.slack_image("Chart", "F0123ABCD"),
        section("Chart", {"type": "image", "slack_file": {"id": "F0123ABCD"}, "alt_text": "image"}),
        id="slack_image-id",
    ),
    pytest.param(
        lambda: Section.slack_image("Chart", "https://files.slack.com/files-pri/T1-F1/chart.png", "chart"),
        section(
            "Chart",
            {
                "type": "image",
                "slack_file": {"url": "https://files.slack.com/files-pri/T1-F1/chart.png"},
                "alt_text": "chart",
            },
        ),
        id="slack_image-url",
    ),
    pytest.param(
        lambda: Section.datepicker(text="Due", initial_date="2024-02-29"),
        section(
            "Due",
            {
                "type": "datepicker",
                "initial_date": "2024-02-29",
                "placeholder": plain("Select a date"),
                "action_id": "datepicker-action",
            },
        ),
        id="datepicker",
    ),
    pytest.param(
        lambda: Section.time_picker("Start", "08:05"),
        section(
            "Start",
            {
                "type": "timepicker",
                "initial_time": "08:05",
                "placeholder": plain("Select time"),
                "action_id": "timepicker-section",
            },
        ),
        id="time_picker",
    ),
    pytest.param(
        lambda: Section.radio_buttons("Size", ["S", "M", 3]),
        section(
            "Size",
            {
                "type": "radio_buttons",
                "options": [choice_option("S", 0), choice_option("M", 1), choice_option("3", 2)],
                "action_id": "radio_buttons-action",
            },
        ),
        id="radio_buttons",
    ),
    pytest.param(
        lambda: Section.checkboxes(["a", "b"]),
        section(
            "All check boxes are selectable",
            {
                "type": "checkboxes",
                "options": [choice_option("a", 0), choice_option("b", 1)],
                "action_id": "checkboxes-action",
            },
        ),
        id="checkboxes-default-text",
    ),
    pytest.param(
        lambda: Section.checkboxes(["a", "b"], "Pick", ["first"]),
        section(
            "Pick",
            {
                "type": "checkboxes",
                "options": [{**choice_option("a", 0), "description": mrkdwn("first")}, choice_option("b", 1)],
                "action_id": "checkboxes-action",
            },
        ),
        id="checkboxes-described",
    ),
    # the caller's own values: (text, value) pairs, option dicts, action ids and placeholders
    pytest.param(
        lambda: Section.static_select(
            ["red", ("Blue", "b"), {"text": plain("Green"), "value": "g"}], action_id="colour", placeholder="Colour"
        ),
        section(
            "Please select a option",
            {
                "type": "static_select",
                "placeholder": plain("Colour"),
                "options": [
                    select_option("red", 0),
                    {"text": plain("Blue"), "value": "b"},
                    {"text": plain("Green"), "value": "g"},
                ],
                "action_id": "colour",
            },
        ),
        id="static_select-own-values",
    ),
    pytest.param(
        lambda: Section.multi_static_select("Tags", [("A", "a")], action_id="tags", placeholder=None),
        section(
            "Tags",
            {
                "type": "multi_static_select",
                "placeholder": plain("Select options"),
                "options": [{"text": plain("A"), "value": "a"}],
                "action_id": "tags",
            },
        ),
        id="multi_static_select-own-values",
    ),
    pytest.param(
        lambda: Section.overflow("More", [("Edit", "edit")], action_id="more"),
        section(
            "More", {"type": "overflow", "options": [{"text": plain("Edit"), "value": "edit"}], "action_id": "more"}
        ),
        id="overflow-own-values",
    ),
    pytest.param(
        lambda: Section.radio_buttons("Size", [("*S*", "s")], action_id="size"),
        section(
            "Size", {"type": "radio_buttons", "options": [{"text": mrkdwn("*S*"), "value": "s"}], "action_id": "size"}
        ),
        id="radio_buttons-own-values",
    ),
    pytest.param(
        lambda: Section.checkboxes(
            [("A", "a"), {"text": mrkdwn("B"), "value": "b"}], "Pick", ["x", "y"], action_id="c"
        ),
        section(
            "Pick",
            {
                "type": "checkboxes",
                "options": [
                    {"text": mrkdwn("A"), "value": "a", "description": mrkdwn("x")},
                    {"text": mrkdwn("B"), "value": "b", "description": mrkdwn("y")},
                ],
                "action_id": "c",
            },
        ),
        id="checkboxes-own-values",
    ),
]


@pytest.mark.parametrize("build, expected", SHAPES)
def test_shape_and_key_order(build, expected):
    result = build()
    assert result == expected
    assert key_orders(result) == key_orders(expected)
    assert build() is not result and build()[0]["accessory"] is not result[0]["accessory"]


@pytest.mark.parametrize("build, expected", SHAPES)
def test_round_trips_through_slack_sdk(build, expected):
    (block,) = build()
    assert Block.parse(block).to_dict() == block


def test_caller_objects_are_placed_not_copied():
    text, option, date, url = "Pick " + "one", "opt" + "ion", "2024-01-01", "https://x.io/" + "a.png"
    assert Section.static_select([option], text)[0]["text"]["text"] is text
    assert Section.static_select([option], text)[0]["accessory"]["options"][0]["text"]["text"] is option
    assert Section.datepicker(text, date)[0]["accessory"]["initial_date"] is date
    assert Section.image(text, url)[0]["accessory"]["image_url"] is url
    button = {"text": text, "value": option, "url": url}
    accessory = Section.button(text=text, button=button)[0]["accessory"]
    assert accessory["text"]["text"] is text and accessory["value"] is option and accessory["url"] is url


def test_caller_values_are_left_unchanged():
    options, button, descriptions = ["a", "b"], {"text": "Go", "style": "primary"}, ["d"]
    Section.static_select(options)
    Section.checkboxes(options, None, descriptions)
    Section.button("t", button)
    assert options == ["a", "b"] and button == {"text": "Go", "style": "primary"} and descriptions == ["d"]


@pytest.mark.parametrize(
    "build",
    [
        lambda options: Section.static_select(options),
        lambda options: Section.multi_static_select("t", options),
        lambda options: Section.overflow("t", options),
        lambda options: Section.radio_buttons("t", options),
        lambda options: Section.checkboxes(options),
    ],
)
def test_one_shot_iterator_of_options_is_read_once(build):
    reads = []

    def options():
        for text in ["a", "b", "c"]:
            reads.append(text)
            yield text

    (block,) = build(options())
    assert reads == ["a", "b", "c"]
    assert [o["value"] for o in block["accessory"]["options"]] == ["value-0", "value-1", "value-2"]


@pytest.mark.parametrize(
    "build, limit",
    [
        (lambda options: Section.static_select(options), 100),
        (lambda options: Section.multi_static_select("t", options), 100),
        (lambda options: Section.overflow("t", options), 5),
        (lambda options: Section.radio_buttons("t", options), 10),
        (lambda options: Section.checkboxes(options), 10),
    ],
)
def test_option_count_limits(build, limit):
    (block,) = build([f"o{i}" for i in range(limit)])
    assert len(block["accessory"]["options"]) == limit
    assert Block.parse(block).to_dict() == block
    name = block["accessory"]["type"]
    with pytest.raises(ValueError) as info:
        build([f"o{i}" for i in range(limit + 1)])
    assert str(info.value) == f"{name} takes 1 to {limit} options, got {limit + 1}"


@pytest.mark.parametrize(
    "call, error, message",
    [
        # texts
        (lambda: Section.users_select(3), TypeError, "Argument 'text' has incorrect type (expected str, got int)"),
        (
            lambda: Section.static_select(["a"], b"x"),
            TypeError,
            "Argument 'text' has incorrect type (expected str, got bytes)",
        ),
        (
            lambda: Section.multi_static_select(None, ["a"]),
            TypeError,
            "Argument 'text' has incorrect type (expected str, got NoneType)",
        ),
        (
            lambda: Section.datepicker(type("S", (str,), {})("t"), "2024-01-01"),
            TypeError,
            "Argument 'text' has incorrect type (expected str, got S)",
        ),
        (lambda: Section.overflow("", ["a"]), ValueError, "text must hold 1 to 3000 characters, got 0"),
        (
            lambda: Section.button("x" * 3001, {"text": "Go"}),
            ValueError,
            "text must hold 1 to 3000 characters, got 3001",
        ),
        # options
        (lambda: Section.static_select([]), ValueError, "options must hold at least one option"),
        (lambda: Section.overflow("t", []), ValueError, "options must hold at least one option"),
        (
            lambda: Section.radio_buttons("t", "abc"),
            TypeError,
            "options must be an iterable of option texts (a list, say), not a single str",
        ),
        (lambda: Section.checkboxes(None), TypeError, "options must be an iterable of option texts, got NoneType"),
        (
            lambda: Section.static_select(["x" * 76]),
            ValueError,
            "static_select option 0 has 76 characters; an option text holds 1 to 75",
        ),
        (
            lambda: Section.radio_buttons("t", ["a", ""]),
            ValueError,
            "radio_buttons option 1 has 0 characters; an option text holds 1 to 75",
        ),
        (
            lambda: Section.checkboxes(["a"], "t", ["x", "y"]),
            IndexError,
            "options_description has more descriptions than there are options (1)",
        ),
        (
            lambda: Section.overflow("t", [("a",)]),
            ValueError,
            "overflow option 0 is a tuple of 1 items; a (text, value) pair holds 2",
        ),
        (
            lambda: Section.static_select(["a"], action_id=""),
            ValueError,
            "action_id must hold 1 to 255 characters, got 0",
        ),
        (
            lambda: Section.radio_buttons("t", ["a"], action_id=1),
            TypeError,
            "Argument 'action_id' has incorrect type (expected str, got int)",
        ),
        (
            lambda: Section.multi_static_select("t", ["a"], placeholder="p" * 151),
            ValueError,
            "placeholder must hold 1 to 150 characters, got 151",
        ),
        (
            lambda: Section.overflow("t", ["a"], placeholder="p"),
            TypeError,
            "Section.overflow() got an unexpected keyword argument 'placeholder'",
        ),
        # buttons
        (
            lambda: Section.button("t", {"text": "Go", "style": "secondary"}),
            ValueError,
            'button style must be "primary" or "danger", got \'secondary\'',
        ),
        (lambda: Section.button("t", {"style": "primary"}), KeyError, "'text'"),
        (
            lambda: Section.button(text="t"),
            TypeError,
            "Section.button() missing 1 required positional argument: 'button'",
        ),
        # images
        (lambda: Section.image("t", ""), ValueError, "image_url must hold 1 to 3000 characters, got 0"),
        (
            lambda: Section.image("t", None),
            TypeError,
            "Argument 'image_url' has incorrect type (expected str, got NoneType)",
        ),
        (
            lambda: Section.image("t", "https://x.io/a.png", None),
            TypeError,
            "Argument 'alt_text' has incorrect type (expected str, got NoneType)",
        ),
        (
            lambda: Section.slack_image("t", "y" * 3001),
            ValueError,
            "slack_file must hold 1 to 3000 characters, got 3001",
        ),
        # pickers
        (
            lambda: Section.datepicker("t", "2023-02-29"),
            ValueError,
            "Invalid date '2023-02-29': expected a real calendar date in the format YYYY-MM-DD",
        ),
        (
            lambda: Section.datepicker("t", 20240101),
            TypeError,
            "Argument 'initial_date' has incorrect type (expected str, got int)",
        ),
        (
            lambda: Section.time_picker("t", "12:60"),
            ValueError,
            "initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got '12:60'",
        ),
        (
            lambda: Section.time_picker("t", None),
            TypeError,
            "Argument 'initial_time' has incorrect type (expected str, got NoneType)",
        ),
        # calls
        (
            lambda: Section.users_select("a", "b"),
            TypeError,
            "Section.users_select() takes from 0 to 1 positional arguments but 2 were given",
        ),
        (
            lambda: Section.overflow(text="t", option=["a"]),
            TypeError,
            "Section.overflow() got an unexpected keyword argument 'option'",
        ),
        (
            lambda: Section.datepicker("t", "2024-01-01", text="u"),
            TypeError,
            "Section.datepicker() got multiple values for argument 'text'",
        ),
    ],
)
def test_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


def test_datepicker_looks_the_date_check_up_at_call_time(monkeypatch):
    seen = []
    monkeypatch.setattr(section_module, "is_valid_date_fmt", lambda date: seen.append(date))
    (block,) = Section.datepicker("t", "someday")
    assert seen == ["someday"] and block["accessory"]["initial_date"] == "someday"


@pytest.mark.parametrize(
    "name, decorator",
    [
        ("static_select", "validate_options"),
        ("multi_static_select", "validate_options"),
        ("overflow", "validate_options"),
        ("radio_buttons", "validate_options"),
        ("checkboxes", "validate_options"),
        ("time_picker", "validate_initial_time"),
    ],
)
def test_wrapped_by_the_validation_decorators(name, decorator):
    wrapped = Section.__dict__[name].__func__
    assert repr(wrapped).startswith(f"<{decorator} of ")
    assert wrapped.__wrapped__.__name__ == name


@pytest.mark.parametrize(
    "name, signature",
    [
        ("users_select", "(text=None, *, block_id=None)"),
        ("static_select", "(options, text=None, *, action_id=None, placeholder=None, block_id=None)"),
        ("multi_static_select", "(text, options, *, action_id=None, placeholder=None, block_id=None)"),
        ("overflow", "(text, options, *, action_id=None, block_id=None)"),
        ("button", "(text, button, *, block_id=None)"),
        ("image", "(text, image_url, alt_text='image', *, block_id=None)"),
        ("slack_image", "(text, slack_file, alt_text='image', *, block_id=None)"),
        ("datepicker", "(text, initial_date, *, block_id=None)"),
        ("time_picker", "(text, initial_time, *, block_id=None)"),
        ("radio_buttons", "(text, options, *, action_id=None, block_id=None)"),
        ("checkboxes", "(options, text=None, options_description=None, *, action_id=None, block_id=None)"),
    ],
)
def test_signatures(name, signature):
    assert str(inspect.signature(getattr(Section, name))) == signature


def test_subclass_builders_are_bound_to_the_subclass():
    class Mine(Section):
        pass

    assert Mine.static_select(["a"]) == Section.static_select(["a"])
    assert Mine.time_picker("t", "10:00") == Section.time_picker("t", "10:00")
    assert Mine.users_select("t") == Section.users_select("t")


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda s: Section.users_select(s), ()),
        (lambda s: Section.users_select(), ()),
        (lambda s: Section.static_select([s, 1], s), ()),
        (lambda s: Section.static_select(iter([s])), ()),
        (lambda s: Section.static_select([s] * 101), ValueError),
        (lambda s: Section.multi_static_select(s, (s, s)), ()),
        (lambda s: Section.multi_static_select(s, []), ValueError),
        (lambda s: Section.overflow(s, [s]), ()),
        (lambda s: Section.overflow(s, [s] * 6), ValueError),
        (lambda s: Section.button(s, {"text": s, "style": "primary", "value": s, "url": s}), ()),
        (lambda s: Section.button(s, {"text": s, "style": s}), ValueError),
        (lambda s: Section.button(s, {"value": s}), KeyError),
        (lambda s: Section.image(s, s, s), ()),
        (lambda s: Section.image(s, s, None), TypeError),
        (lambda s: Section.slack_image(s, s), ()),
        (lambda s: Section.slack_image(s, "https://files.slack.com/" + s), ()),
        (lambda s: Section.datepicker(s, "2024-01-01"), ()),
        (lambda s: Section.datepicker(s, s), ValueError),
        (lambda s: Section.time_picker(s, "10:00"), ()),
        (lambda s: Section.time_picker(s, s), ValueError),
        (lambda s: Section.radio_buttons(s, [s, s]), ()),
        (lambda s: Section.radio_buttons(s, [s * 80]), ValueError),
        (lambda s: Section.checkboxes([s, s], s, [s]), ()),
        (lambda s: Section.checkboxes([s], s, [s, s]), IndexError),
        (lambda s: Section.checkboxes([s], 3), TypeError),
    ],
)
def test_no_leak(call, error):
    s = "s-" + str(id(call))  # a fresh, non-interned str to watch
    assert_no_leak(lambda: call(s), expect=error, watch=[s])


# ---- arbitrary input --------------------------------------------------------------------------

_leaf = st.one_of(
    st.none(),
    st.booleans(),
    st.integers(),
    st.text(max_size=8),
    st.binary(max_size=4),
    st.sampled_from(["2024-01-01", "10:00", "primary", "danger", "https://x.io/a.png"]),
)
_value = st.recursive(
    _leaf,
    lambda inner: st.one_of(
        st.lists(inner, max_size=4),
        st.tuples(inner, inner),
        st.dictionaries(st.sampled_from(["text", "style", "value", "url"]), inner, max_size=4),
    ),
    max_leaves=10,
)
_builders = [
    getattr(cls, name)
    for cls, names in [
        (
            Section,
            [
                "users_select",
                "static_select",
                "multi_static_select",
                "overflow",
                "button",
                "image",
                "slack_image",
                "datepicker",
                "time_picker",
                "radio_buttons",
                "checkboxes",
            ],
        ),
        (Actions, ["init_blocks", "buttons", "datepickers", "time_picker", "radio_buttons", "checkboxes"]),
        (Image, ["image"]),
        (RickText, ["list", "preformatted", "quote", "strike"]),
    ]
    for name in names
]


@settings(max_examples=300, deadline=None)
@given(st.sampled_from(_builders), st.lists(_value, max_size=4))
def test_arbitrary_arguments_raise_only_ordinary_errors(builder, args):
    before = repr(args)
    try:
        result = builder(*args)
    except SystemError:  # pragma: no cover - the failure this test looks for
        raise
    except (TypeError, ValueError, KeyError, IndexError, AttributeError):
        pass
    else:
        assert result is None or isinstance(result, list)
    assert repr(args) == before  # nothing the caller passed was changed
