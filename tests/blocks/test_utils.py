"""Validation helpers: the date check and the two decorators."""

import inspect

import pytest
from support import assert_no_leak

from velmora.utils import is_valid_date_fmt, validate_initial_time, validate_options


@pytest.mark.parametrize("date", ["2024-02-29", "2000-02-29", "0001-01-01", "9999-12-31", "2023-04-30"])
def test_real_dates_pass(date):
    assert is_valid_date_fmt(date) is True


@pytest.mark.parametrize(
    "date",
    [
        "2023-02-29",
        "1900-02-29",
        "2024-04-31",
        "2024-13-01",
        "2024-00-10",
        "2024-01-00",
        "0000-01-01",
        "2024-1-01",
        "24-01-01",
        "2024/01/01",
        "2024-01-01 ",
        " 2024-01-01",
        "２０２４-01-01",
        "",
        "2024-01-0a",
    ],
)
def test_bad_dates_raise_value_error_naming_value_and_format(date):
    with pytest.raises(ValueError) as info:
        is_valid_date_fmt(date)
    assert repr(date) in str(info.value) and "YYYY-MM-DD" in str(info.value)


@pytest.mark.parametrize("value", [None, 20240101, b"2024-01-01"])
def test_non_strings_are_value_errors_too(value):
    with pytest.raises(ValueError, match="YYYY-MM-DD"):
        is_valid_date_fmt(value)


def builder(cls, options, text=None):
    return (cls, options, text)


def timed(cls, initial_time):
    return (cls, initial_time)


def test_validate_options_calls_through_with_same_arguments():
    wrapped = validate_options(builder)
    options = ["a", "b"]
    cls, got, text = wrapped(int, options, text="t")
    assert cls is int and got is options and text == "t"
    assert wrapped(int, options=("x",)) == (int, ("x",), None)


def test_validate_options_reads_a_lazy_iterable_once_into_a_list():
    wrapped = validate_options(builder)
    seen = wrapped(int, iter(["a", "b"]))[1]
    assert seen == ["a", "b"]
    assert wrapped(int, options=(x for x in "xy"))[1] == ["x", "y"]


@pytest.mark.parametrize(
    "options, error, message",
    [
        ([], ValueError, "options must hold at least one option"),
        (iter([]), ValueError, "options must hold at least one option"),
        ("abc", TypeError, "not a single str"),
        (3, TypeError, "options must be an iterable of option texts, got int"),
        (None, TypeError, "options must be an iterable of option texts, got NoneType"),
    ],
)
def test_validate_options_rejects(options, error, message):
    with pytest.raises(error, match=message):
        validate_options(builder)(int, options)


def test_validate_options_finds_keyword_only_and_builtin_parameters():
    def kwonly(cls, *, options):
        return options

    assert validate_options(kwonly)(int, options=iter("a")) == ["a"]
    with pytest.raises(ValueError):
        validate_options(kwonly)(int, options=[])


def test_decorating_a_function_without_the_parameter_is_refused():
    with pytest.raises(TypeError, match="parameter named 'options'"):
        validate_options(timed)
    with pytest.raises(TypeError, match="parameter named 'initial_time'"):
        validate_initial_time(builder)
    with pytest.raises(TypeError, match="expects a function"):
        validate_options(3)


@pytest.mark.parametrize("value", ["00:00", "23:59", "09:05"])
def test_validate_initial_time_accepts_24_hour_times(value):
    assert validate_initial_time(timed)(int, value) == (int, value)


@pytest.mark.parametrize("value", ["24:00", "12:60", "9:05", "09:5", "09-05", "", "0905 ", "ab:cd"])
def test_validate_initial_time_rejects(value):
    with pytest.raises(ValueError, match="HH:mm on a 24-hour clock"):
        validate_initial_time(timed)(int, initial_time=value)


@pytest.mark.parametrize("value", [None, 930, type("S", (str,), {})("99:99")])
def test_validate_initial_time_lets_non_str_through_for_the_builder(value):
    assert validate_initial_time(timed)(int, value) == (int, value)


def test_missing_argument_is_left_to_the_builder():
    with pytest.raises(TypeError, match="initial_time"):
        validate_initial_time(timed)(int)


def test_wrapper_is_transparent():
    wrapped = validate_options(builder)
    assert wrapped.__wrapped__ is builder
    assert wrapped.__name__ == "builder"
    assert inspect.signature(wrapped) == inspect.signature(builder)


def test_errors_from_the_wrapped_function_propagate_unchanged():
    class Boom(Exception):
        pass

    def fails(cls, options):
        raise Boom("x")

    with pytest.raises(Boom):
        validate_options(fails)(int, ["a"])


def test_wrapper_binds_like_a_function():
    class Holder:
        pick = validate_options(builder)
        pick_cls = classmethod(validate_options(builder))

    holder = Holder()
    assert holder.pick(["a"]) == (holder, ["a"], None)
    assert Holder.pick_cls(["a"]) == (Holder, ["a"], None)


@pytest.mark.parametrize(
    "call, expect",
    [
        (lambda: is_valid_date_fmt("2024-01-01"), ()),
        (lambda: is_valid_date_fmt("2024-02-30"), ValueError),
        (lambda: validate_options(builder)(int, iter("ab")), ()),
        (lambda: validate_options(builder)(int, []), ValueError),
        (lambda: validate_initial_time(timed)(int, "25:00"), ValueError),
        (lambda: validate_initial_time(timed)(int, "10:00"), ()),
    ],
)
def test_no_leaks(call, expect):
    assert_no_leak(call, expect=expect)
