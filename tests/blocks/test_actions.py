"""Actions blocks: buttons, date pickers, a time picker, radio buttons and checkboxes."""

from __future__ import annotations

import inspect

import pytest
from slack_sdk.models.blocks import Block

from support import assert_no_leak
from velmora.blocks import Actions
from velmora.blocks import actions as actions_module

DATE_PLACEHOLDER = {"type": "plain_text", "text": "Select a date", "emoji": True}
TIME_PLACEHOLDER = {"type": "plain_text", "text": "Select time", "emoji": True}


def elements(payload):
    assert isinstance(payload, list) and len(payload) == 1
    assert list(payload[0]) == ["type", "elements"] and payload[0]["type"] == "actions"
    return payload[0]["elements"]


def round_trips(payload):
    for block in payload:
        assert Block.parse(block).to_dict() == block


# ---- init_blocks ------------------------------------------------------------------------------


def test_init_blocks_is_fresh_each_time():
    first, second = Actions.init_blocks(), Actions.init_blocks()
    assert first == [{"type": "actions", "elements": []}]
    assert first is not second and first[0] is not second[0]
    assert first[0]["elements"] is not second[0]["elements"]
    first[0]["elements"].append("x")
    assert second == [{"type": "actions", "elements": []}]


# ---- buttons ----------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "button, expected",
    [
        (
            {"text": "Go"},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": "button_value-0",
            },
        ),
        (
            {"text": "Go", "style": "primary"},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "style": "primary",
                "value": "button_value-0",
            },
        ),
        (
            {"text": "Go", "style": ""},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": "button_value-0",
            },
        ),
        (
            {"text": "Go", "style": None},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": "button_value-0",
            },
        ),
        (
            {"text": "Go", "value": ""},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": "",
            },
        ),
        (
            {"text": "Go", "value": None},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": None,
            },
        ),
        (
            {"url": "https://x.io", "value": "v", "style": "danger", "text": "Go", "other": 1},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "style": "danger",
                "value": "v",
                "url": "https://x.io",
            },
        ),
        (
            {"text": "Go", "url": ""},
            {
                "type": "button",
                "text": {"type": "plain_text", "text": "Go"},
                "action_id": "action-button-0",
                "value": "button_value-0",
            },
        ),
    ],
)
def test_button_element(button, expected):
    (element,) = elements(Actions.buttons([button]))
    assert element == expected
    assert list(element) == list(expected)
    assert list(element["text"]) == ["type", "text"]


def test_buttons_count_from_zero_and_keep_caller_objects():
    text, value = "first", "kept"
    buttons = [{"text": text}, {"text": "second", "value": value}, {"text": "third"}]
    snapshot = [dict(b) for b in buttons]
    result = elements(Actions.buttons(buttons))
    assert [e["action_id"] for e in result] == ["action-button-0", "action-button-1", "action-button-2"]
    assert [e["value"] for e in result] == ["button_value-0", "kept", "button_value-2"]
    assert result[0]["text"]["text"] is text and result[1]["value"] is value
    assert buttons == snapshot
    round_trips(Actions.buttons(buttons))


def test_buttons_empty_list():
    assert Actions.buttons([]) == [{"type": "actions", "elements": []}]


def test_buttons_read_any_mapping_as_python_would():
    calls = []

    class Mapping:
        def __init__(self, data):
            self.data = data

        def __getitem__(self, key):
            calls.append(("[]", key))
            return self.data[key]

        def get(self, key, *default):
            calls.append((key, *default))
            return self.data.get(key, *default)

    (element,) = elements(Actions.buttons([Mapping({"text": "Go", "value": ""})]))
    assert element["value"] == "" and element["action_id"] == "action-button-0"
    assert calls == [("[]", "text"), ("action_id",), ("style",), ("value", "button_value-0"), ("url",)]


def test_buttons_survive_a_list_changed_while_read():
    buttons = []

    class Shrinking(dict):
        def get(self, key, *default):
            buttons.clear()
            return super().get(key, *default)

    buttons.extend([Shrinking(text="a"), {"text": "b"}])
    assert len(elements(Actions.buttons(buttons))) == 1


def test_options_survive_a_list_changed_while_read():
    options = []

    class Shrinking:
        def __str__(self):
            options.clear()
            return "gone"

    options.extend([Shrinking(), "b", "c"])
    (element,) = elements(Actions.radio_buttons.__func__.__wrapped__(Actions, options))
    assert [o["text"]["text"] for o in element["options"]] == ["gone"]


@pytest.mark.parametrize(
    "call, error, message",
    [
        (
            lambda: Actions.buttons(({"text": "a"},)),
            TypeError,
            "Argument 'buttons' has incorrect type (expected list, got tuple)",
        ),
        (
            lambda: Actions.buttons(None),
            TypeError,
            "Argument 'buttons' has incorrect type (expected list, got NoneType)",
        ),
        (
            lambda: Actions.buttons(type("L", (list,), {})()),
            TypeError,
            "Argument 'buttons' has incorrect type (expected list, got L)",
        ),
        (lambda: Actions.buttons([{"style": "primary"}]), KeyError, "'text'"),
        (lambda: Actions.buttons(["text"]), TypeError, "string indices must be integers, not 'str'"),
        (lambda: Actions.buttons(), TypeError, "Actions.buttons() missing 1 required positional argument: 'buttons'"),
        (lambda: Actions.buttons([], []), TypeError, "Actions.buttons() takes 1 positional argument but 2 were given"),
        (
            lambda: Actions.buttons(button=[]),
            TypeError,
            "Actions.buttons() got an unexpected keyword argument 'button'",
        ),
        (
            lambda: Actions.init_blocks(1),
            TypeError,
            "Actions.init_blocks() takes 0 positional arguments but 1 was given",
        ),
    ],
)
def test_buttons_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


# ---- date and time pickers ----------------------------------------------------------------


def test_datepickers():
    dates = ["2024-01-31", "2024-02-29"]
    result = elements(Actions.datepickers(dates))
    assert result == [
        {
            "type": "datepicker",
            "initial_date": "2024-01-31",
            "placeholder": DATE_PLACEHOLDER,
            "action_id": "action-datepickers-0",
        },
        {
            "type": "datepicker",
            "initial_date": "2024-02-29",
            "placeholder": DATE_PLACEHOLDER,
            "action_id": "action-datepickers-1",
        },
    ]
    assert all(list(e) == ["type", "initial_date", "placeholder", "action_id"] for e in result)
    assert list(result[0]["placeholder"]) == ["type", "text", "emoji"]
    assert result[0]["initial_date"] is dates[0]
    assert result[0]["placeholder"] is not result[1]["placeholder"]
    round_trips(Actions.datepickers(dates))


@pytest.mark.parametrize("dates", [[], (), iter([]), {}, ""])
def test_datepickers_empty(dates):
    assert Actions.datepickers(dates) == [{"type": "actions", "elements": []}]


def test_datepickers_reads_a_generator_once():
    result = elements(Actions.datepickers(d for d in ["2024-01-01", "2024-12-31"]))
    assert [e["action_id"] for e in result] == ["action-datepickers-0", "action-datepickers-1"]


@pytest.mark.parametrize(
    "dates, error, message",
    [
        (
            ["2024-02-30"],
            ValueError,
            "Invalid date '2024-02-30': expected a real calendar date in the format YYYY-MM-DD",
        ),
        (
            ["2024-01-01", "soon"],
            ValueError,
            "Invalid date 'soon': expected a real calendar date in the format YYYY-MM-DD",
        ),
        # Any iterable is read item by item, a single str too: its first character is no date.
        ("2024-01-01", ValueError, "Invalid date '2': expected a real calendar date in the format YYYY-MM-DD"),
        (3, TypeError, "'int' object is not iterable"),
    ],
)
def test_datepickers_errors(dates, error, message):
    with pytest.raises(error) as info:
        Actions.datepickers(dates)
    assert str(info.value) == message


def test_datepickers_reads_a_str_character_by_character(monkeypatch):
    import velmora.blocks.actions as module

    monkeypatch.setattr(module, "is_valid_date_fmt", lambda date: True)
    assert [e["initial_date"] for e in elements(Actions.datepickers("ab"))] == ["a", "b"]


def test_datepickers_looks_the_date_check_up_at_call_time(monkeypatch):
    seen = []
    monkeypatch.setattr(actions_module, "is_valid_date_fmt", lambda date: seen.append(date) or False)
    result = elements(Actions.datepickers(["whenever", "later"]))
    assert seen == ["whenever", "later"] and [e["initial_date"] for e in result] == seen

    def refuse(date):
        raise LookupError(date)

    monkeypatch.setattr(actions_module, "is_valid_date_fmt", refuse)
    with pytest.raises(LookupError):
        Actions.datepickers(["2024-01-01"])


def test_time_picker():
    time = "09:30"
    first, second = Actions.time_picker(time), Actions.time_picker(initial_time="23:59")
    (element,) = elements(first)
    assert element == {
        "type": "timepicker",
        "initial_time": "09:30",
        "placeholder": TIME_PLACEHOLDER,
        "action_id": "timepicker-action",
    }
    assert list(element) == ["type", "initial_time", "placeholder", "action_id"]
    assert element["initial_time"] is time
    assert elements(second)[0]["action_id"] == "timepicker-action"
    round_trips(first)


@pytest.mark.parametrize(
    "value, error, message",
    [
        (930, TypeError, "Argument 'initial_time' has incorrect type (expected str, got int)"),
        (None, TypeError, "Argument 'initial_time' has incorrect type (expected str, got NoneType)"),
        ("24:00", ValueError, "initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got '24:00'"),
        ("9:30", ValueError, "initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got '9:30'"),
    ],
)
def test_time_picker_errors(value, error, message):
    with pytest.raises(error) as info:
        Actions.time_picker(value)
    assert str(info.value) == message


# ---- radio buttons and checkboxes --------------------------------------------------------


def option(text, i):
    return {"text": {"type": "mrkdwn", "text": text}, "value": f"value-{i}"}


def test_radio_buttons():
    first = "a"
    result = Actions.radio_buttons([first, 2])
    (element,) = elements(result)
    assert element == {"type": "radio_buttons", "options": [option("a", 0), option("2", 1)]}
    assert list(element) == ["type", "options"]
    assert all(list(o) == ["text", "value"] for o in element["options"])
    assert element["options"][0]["text"]["text"] is first
    round_trips(result)


@pytest.mark.parametrize(
    "descriptions, expected",
    [
        ([], [option("a", 0), option("b", 1)]),
        (None, [option("a", 0), option("b", 1)]),
        (["first"], [{**option("a", 0), "description": {"type": "mrkdwn", "text": "first"}}, option("b", 1)]),
        (
            ["first", "second"],
            [
                {**option("a", 0), "description": {"type": "mrkdwn", "text": "first"}},
                {**option("b", 1), "description": {"type": "mrkdwn", "text": "second"}},
            ],
        ),
        (iter(["lazy"]), [{**option("a", 0), "description": {"type": "mrkdwn", "text": "lazy"}}, option("b", 1)]),
    ],
)
def test_checkboxes(descriptions, expected):
    result = Actions.checkboxes(["a", "b"], descriptions)
    (element,) = elements(result)
    assert list(element) == ["type", "options"] and element["type"] == "checkboxes"
    assert element["options"] == expected
    assert [list(o) for o in element["options"]] == [list(o) for o in expected]
    round_trips(result)


def test_choices_take_pairs_option_dicts_and_an_action_id():
    given = {"text": {"type": "plain_text", "text": "B"}, "value": "b"}
    (radio,) = elements(Actions.radio_buttons([("A", "a"), given], action_id="pick"))
    assert radio == {
        "type": "radio_buttons",
        "options": [{"text": {"type": "mrkdwn", "text": "A"}, "value": "a"}, given],
        "action_id": "pick",
    }
    assert radio["options"][1] is given  # used as it is ...
    (boxes,) = elements(Actions.checkboxes(["a", given], ["x", "y"]))
    assert boxes["options"][1] == {**given, "description": {"type": "mrkdwn", "text": "y"}}
    assert "description" not in given  # ... and copied, never changed, to take a description
    round_trips([{"type": "actions", "elements": [radio, boxes]}])


def test_checkbox_description_is_kept_as_given():
    description = object()
    (element,) = elements(Actions.checkboxes(options=["a"], options_description=[description]))
    assert element["options"][0]["description"]["text"] is description


def test_choice_options_read_a_one_shot_iterator_once():
    reads = []

    def options():
        for text in ["a", "b", "c"]:
            reads.append(text)
            yield text

    (element,) = elements(Actions.radio_buttons(options()))
    assert reads == ["a", "b", "c"] and len(element["options"]) == 3
    (element,) = elements(Actions.checkboxes(iter(["x", "y"]), ["d"]))
    assert [o["value"] for o in element["options"]] == ["value-0", "value-1"]


@pytest.mark.parametrize(
    "call, error, message",
    [
        (
            lambda: Actions.checkboxes(["a"], ["x", "y"]),
            IndexError,
            "options_description has more descriptions than there are options (1)",
        ),
        (
            lambda: Actions.checkboxes(["a"]),
            TypeError,
            "Actions.checkboxes() missing 1 required positional argument: 'options_description'",
        ),
        (lambda: Actions.radio_buttons([]), ValueError, "options must hold at least one option"),
        (
            lambda: Actions.radio_buttons("ab"),
            TypeError,
            "options must be an iterable of option texts (a list, say), not a single str",
        ),
        (lambda: Actions.checkboxes(5, []), TypeError, "options must be an iterable of option texts, got int"),
        (
            lambda: Actions.radio_buttons(["a"], ["b"]),
            TypeError,
            "Actions.radio_buttons() takes 1 positional argument but 2 were given",
        ),
        (
            lambda: Actions.checkboxes(["a"], None, action_id=b"c"),
            TypeError,
            "Argument 'action_id' has incorrect type (expected str, got bytes)",
        ),
        (
            lambda: Actions.radio_buttons([("a", None)]),
            TypeError,
            "radio_buttons option 0: a (text, value) pair holds two str, got (str, NoneType)",
        ),
    ],
)
def test_choice_errors(call, error, message):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


def test_option_text_errors_propagate():
    class Broken:
        def __str__(self):
            raise RuntimeError("no text")

    with pytest.raises(RuntimeError, match="no text"):
        Actions.radio_buttons(["a", Broken()])


# ---- the class ------------------------------------------------------------------------------


class Tagged(Actions):
    """A subclass whose payload carries a block id: every builder must start from it."""

    @classmethod
    def init_blocks(cls):
        return [{"type": "actions", "block_id": cls.__name__, "elements": []}]


@pytest.mark.parametrize(
    "call",
    [
        lambda cls: cls.buttons([{"text": "a"}]),
        lambda cls: cls.datepickers(["2024-01-01"]),
        lambda cls: cls.time_picker("10:00"),
        lambda cls: cls.radio_buttons(["a"]),
        lambda cls: cls.checkboxes(["a"], []),
    ],
)
def test_subclass_init_blocks_changes_every_builder(call, monkeypatch):
    result = call(Tagged)
    assert result[0]["block_id"] == "Tagged" and len(result[0]["elements"]) == 1
    assert "block_id" not in call(Actions)[0]
    # replaced on the class itself, it is used as well
    monkeypatch.setattr(Actions, "init_blocks", classmethod(Tagged.init_blocks.__func__))
    assert call(Actions)[0]["block_id"] == "Actions"


def test_builders_return_the_init_blocks_list_itself():
    made = []

    class Recording(Actions):
        @classmethod
        def init_blocks(cls):
            made.append(super().init_blocks())
            return made[-1]

    assert Recording.buttons([]) is made[-1]
    assert Recording.checkboxes(["a"], None) is made[-1]


def test_unusable_init_blocks_result_propagates_its_error():
    class Empty(Actions):
        @classmethod
        def init_blocks(cls):
            return []

    with pytest.raises(IndexError):
        Empty.buttons([{"text": "a"}])


@pytest.mark.parametrize(
    "name, signature",
    [
        ("init_blocks", "(*, block_id=None)"),
        ("buttons", "(buttons, *, block_id=None)"),
        ("datepickers", "(initial_dates, *, block_id=None)"),
        ("time_picker", "(initial_time, *, block_id=None)"),
        ("radio_buttons", "(options, *, action_id=None, block_id=None)"),
        ("checkboxes", "(options, options_description, *, action_id=None, block_id=None)"),
    ],
)
def test_signatures(name, signature):
    assert str(inspect.signature(getattr(Actions, name))) == signature


def test_validators_are_imported_into_the_module():
    from velmora import utils

    for name in ["is_valid_date_fmt", "validate_options", "validate_initial_time"]:
        assert getattr(actions_module, name) is getattr(utils, name)


# ---- leaks ------------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda a: Actions.init_blocks(), ()),
        (lambda a: Actions.buttons([{"text": a, "style": "primary", "url": a}, {"text": a, "value": a}]), ()),
        (lambda a: Actions.buttons([{"value": a}]), KeyError),
        (lambda a: Actions.buttons((a,)), TypeError),
        (lambda a: Actions.datepickers(["2024-01-01", "2024-01-02"]), ()),
        (lambda a: Actions.datepickers([a]), ValueError),
        (lambda a: Actions.datepickers(a), ValueError),
        (lambda a: Actions.time_picker("10:00"), ()),
        (lambda a: Actions.time_picker(a), ValueError),
        (lambda a: Actions.radio_buttons([a, 1]), ()),
        (lambda a: Actions.radio_buttons(iter([a])), ()),
        (lambda a: Actions.checkboxes([a, a], [a]), ()),
        (lambda a: Actions.checkboxes([a], [a, a]), IndexError),
        (lambda a: Tagged.checkboxes([a], [a]), ()),
    ],
)
def test_no_leak(call, error):
    a = "x-" + str(id(call))  # a fresh, non-interned str to watch
    assert_no_leak(lambda: call(a), expect=error, watch=[a])


def test_numbered_ids_past_the_shared_hundred():
    # the first hundred ids of a prefix are made once and shared; later ones are made per call
    ids = [e["action_id"] for e in elements(Actions.datepickers(["2024-01-01"] * 102))]
    assert ids[98:] == [f"action-datepickers-{i}" for i in (98, 99, 100, 101)]
    assert ids[0] is elements(Actions.datepickers(["2024-01-02"]))[0]["action_id"]


@pytest.mark.parametrize(
    "cls",
    [
        Actions,
        type("Plain", (Actions,), {}),
        type("Copied", (Actions,), {"init_blocks": Actions.__dict__["init_blocks"]}),
    ],
)
@pytest.mark.parametrize(
    "call",
    [
        lambda cls: cls.buttons([{"text": "a"}]),
        lambda cls: cls.datepickers(["2024-01-01"]),
        lambda cls: cls.radio_buttons(["a"]),
        lambda cls: cls.checkboxes(["a"], []),
    ],
)
def test_every_call_starts_from_a_fresh_payload(cls, call):
    # the class's own init_blocks, inherited or copied: the same blocks, never shared between calls
    first, second = call(cls), call(cls)
    assert first == second == call(Actions)
    assert first is not second and first[0] is not second[0] and first[0]["elements"] is not second[0]["elements"]
    assert list(first[0]) == ["type", "elements"]
