// The values an input element takes from a caller, checked and written as Slack reads them:
// flags, counts, lists of ids, numbers, dates, times and datetimes. The module including this
// calls PyDateTime_IMPORT at set-up.
#pragma once

#include "build.hpp"
#include "dates.hpp"
#include "errors.hpp"
#include "keys.hpp"

// after Python.h (through ref.hpp)
#include <datetime.h>

#include <climits>
#include <cmath>
#include <cstdio>

namespace vm::form {

// A flag: exactly True or False (not given: False).
inline bool flag(PyObject* value, const char* param, bool& on) {
  on = value == Py_True;
  return !value || check_exact(value, &PyBool_Type, param);
}

// A whole number from `min` to `max`, exactly an int; None or not given: none.
inline bool count(PyObject* value, const char* param, long long min, long long max, bool& given) {
  given = value && value != Py_None;
  if (!given) return true;
  if (!check_exact(value, &PyLong_Type, param)) return false;
  int overflow;
  long long n = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (n == -1 && PyErr_Occurred()) return false;
  if (!overflow && n >= min && n <= max) return true;
  if (max == LLONG_MAX) {
    PyErr_Format(PyExc_ValueError, "%s must be %lld or more, got %R", param, min, value);
  } else {
    PyErr_Format(PyExc_ValueError, "%s must be from %lld to %lld, got %R", param, min, max, value);
  }
  return false;
}

// A list of Slack ids (a list or tuple of str), copied; None, not given or empty: none.
inline bool id_list(PyObject* value, const char* param, Ref& out) {
  if (!value || value == Py_None) return true;
  if (!PyList_Check(value) && !PyTuple_Check(value)) {
    raise_wrong_type(param, "list", value);
    return false;
  }
  Ref ids = Ref::steal(PySequence_List(value));
  if (!ids) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(ids.get()); ++i) {
    PyObject* id = PyList_GET_ITEM(ids.get(), i);
    if (PyUnicode_Check(id)) continue;
    Ref got = type_name(id);
    if (got) PyErr_Format(PyExc_TypeError, "%s must hold str, got %U at position %zd", param, got.get(), i);
    return false;
  }
  if (PyList_GET_SIZE(ids.get()) > 0) out = std::move(ids);
  return true;
}

// "0" to "99", made once: the bounds of most number inputs.
inline NumberedIds small_numbers{""};

// Digits with an optional minus sign, and with `decimals` an optional decimal part: "-12", "3.5".
inline bool is_number_text(PyObject* text, bool decimals) {
  Py_ssize_t size = PyUnicode_GET_LENGTH(text), i = 0;
  auto digits = [&] {
    Py_ssize_t start = i;
    while (i < size && PyUnicode_READ_CHAR(text, i) >= '0' && PyUnicode_READ_CHAR(text, i) <= '9') ++i;
    return i > start;
  };
  if (size > 0 && PyUnicode_READ_CHAR(text, 0) == '-') ++i;
  if (!digits()) return false;
  if (decimals && i < size && PyUnicode_READ_CHAR(text, i) == '.') {
    ++i;
    if (!digits()) return false;
  }
  return i == size;
}

// A value of a number input as Slack reads it, a str of digits: a number (an int, float or
// Decimal; not a bool) as str() writes it, or such a str; whole unless `decimals`. `out` stays
// null for None or no argument; `number` is its value.
inline bool number_text(PyObject* value, const char* param, bool decimals, Ref& out, double& number) {
  if (!value || value == Py_None) return true;
  if (PyLong_CheckExact(value)) {  // digits, and a whole number (beyond a double: its sign will do)
    int overflow;
    long long whole = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (whole == -1 && PyErr_Occurred()) return false;
    out = !overflow && whole >= 0 && whole < 100 ? small_numbers(static_cast<Py_ssize_t>(whole))
                                                 : Ref::steal(PyObject_Str(value));
    number = overflow ? overflow * HUGE_VAL : static_cast<double>(whole);
    return static_cast<bool>(out);
  }
  if (PyUnicode_Check(value)) {
    out = Ref::borrow(value);
  } else if (!PyBool_Check(value) && PyNumber_Check(value)) {
    out = Ref::steal(PyObject_Str(value));
    if (!out) return false;
  } else {
    raise_wrong_type(param, "int, float, Decimal or str", value);
    return false;
  }
  if (!is_number_text(out.get(), true)) {
    PyErr_Format(PyExc_ValueError, "%s must be a number written in digits (such as -12 or 3.5), got %R", param,
                 out.get());
    return false;
  }
  if (!decimals && !is_number_text(out.get(), false)) {
    PyErr_Format(PyExc_ValueError, "%s must be a whole number unless is_decimal_allowed is True, got %R", param,
                 out.get());
    return false;
  }
  Ref parsed = Ref::steal(PyFloat_FromString(out.get()));
  if (!parsed) return false;
  number = PyFloat_AS_DOUBLE(parsed.get());
  return true;
}

[[gnu::cold, gnu::noinline]] inline bool raise_bounds(const char* low_name, PyObject* low, const char* high_name,
                                                      PyObject* high) {
  PyErr_Format(PyExc_ValueError, "%s (%R) is more than %s (%R)", low_name, low, high_name, high);
  return false;
}

// A picker's first value as Slack takes it: nothing for None; the text `write` makes of an
// object of the picker's type (`is_kind`); else exactly a str that `valid` accepts (otherwise
// `invalid` raises the ValueError).
template <class Write>
bool picker_text(PyObject* value, Ref& out, bool is_kind, Write&& write, const char* param, const char* expected,
                 bool (*valid)(PyObject*) noexcept, void (*invalid)(PyObject*) noexcept) {
  if (!value || value == Py_None) return true;
  if (is_kind) {
    char text[32];
    write(text, sizeof text);
    out = Ref::steal(PyUnicode_FromString(text));
    return static_cast<bool>(out);
  }
  if (!PyUnicode_CheckExact(value)) {
    raise_wrong_type(param, expected, value);
    return false;
  }
  if (!valid(value)) {
    invalid(value);
    return false;
  }
  out = Ref::borrow(value);
  return true;
}

// initial_date: a datetime.date (a datetime's date) or a str YYYY-MM-DD of a real date.
inline bool date_text(PyObject* value, Ref& out) {
  auto write = [value](char* text, std::size_t size) {
    std::snprintf(text, size, "%04d-%02d-%02d", PyDateTime_GET_YEAR(value), PyDateTime_GET_MONTH(value),
                  PyDateTime_GET_DAY(value));
  };
  return picker_text(value, out, value && PyDate_Check(value), write, "initial_date", "str or datetime.date",
                     is_calendar_date, raise_not_a_date);
}

// initial_time: a datetime.time (to the minute) or a str HH:mm on a 24-hour clock.
inline bool time_text(PyObject* value, Ref& out) {
  auto write = [value](char* text, std::size_t size) {
    std::snprintf(text, size, "%02d:%02d", PyDateTime_TIME_GET_HOUR(value), PyDateTime_TIME_GET_MINUTE(value));
  };
  return picker_text(value, out, value && PyTime_Check(value), write, "initial_time", "str or datetime.time",
                     is_clock_time, raise_not_a_time);
}

// initial_date_time: Unix seconds (an int of at most 10 digits) or an aware datetime (to the
// second).
inline bool date_time_value(PyObject* value, Ref& out) {
  if (!value || value == Py_None) return true;
  if (PyDateTime_Check(value)) {
    if (PyDateTime_DATE_GET_TZINFO(value) == Py_None) {
      PyErr_SetString(PyExc_ValueError,
                      "initial_date_time must be Unix seconds or an aware datetime (with a tzinfo), got a naive "
                      "datetime");
      return false;
    }
    Ref seconds = Ref::steal(PyObject_CallMethodNoArgs(value, k.timestamp));
    double whole = seconds ? std::floor(PyFloat_AsDouble(seconds.get())) : -1.0;
    if (!seconds || (whole == -1.0 && PyErr_Occurred())) return false;
    out = Ref::steal(PyLong_FromDouble(whole));
    if (!out) return false;
  } else if (!PyLong_CheckExact(value)) {
    raise_wrong_type("initial_date_time", "int or datetime.datetime", value);
    return false;
  } else {
    out = Ref::borrow(value);
  }
  bool given;
  return count(out.get(), "initial_date_time", 0, 9999999999LL, given);
}

// initial_value of a rich-text input: a rich_text block, or the list of one that velmora's
// rich-text builders return.
inline bool rich_text_value(PyObject* value, Ref& out) {
  if (!value || value == Py_None) return true;
  if (PyList_Check(value) && PyList_GET_SIZE(value) == 1 && PyDict_Check(PyList_GET_ITEM(value, 0))) {
    out = Ref::borrow(PyList_GET_ITEM(value, 0));
  } else if (PyDict_Check(value)) {
    out = Ref::borrow(value);
  } else {
    raise_wrong_type("initial_value", "a rich_text block (dict)", value);
    return false;
  }
  return true;
}

}  // namespace vm::form
