// Calendar dates (YYYY-MM-DD) and 24-hour clock times (HH:mm) read from Python strings.
#pragma once

#include "ref.hpp"

namespace vm {

// The decimal value of `count` ASCII digits of `text` from `start`, or -1.
inline long read_digits(PyObject* text, Py_ssize_t start, Py_ssize_t count) noexcept {
  long value = 0;
  for (Py_ssize_t i = start; i < start + count; ++i) {
    Py_UCS4 c = PyUnicode_READ_CHAR(text, i);
    if (c < '0' || c > '9') return -1;
    value = value * 10 + static_cast<long>(c - '0');
  }
  return value;
}

inline bool is_leap(long year) noexcept {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// A real calendar date written YYYY-MM-DD (`text` must be a str).
inline bool is_calendar_date(PyObject* text) noexcept {
  if (PyUnicode_GET_LENGTH(text) != 10 || PyUnicode_READ_CHAR(text, 4) != '-' || PyUnicode_READ_CHAR(text, 7) != '-') {
    return false;
  }
  long year = read_digits(text, 0, 4), month = read_digits(text, 5, 2), day = read_digits(text, 8, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static constexpr long days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  long last = days[month - 1] + (month == 2 && is_leap(year) ? 1 : 0);
  return day <= last;
}

// A time written HH:mm on a 24-hour clock, 00:00 to 23:59 (`text` must be a str).
inline bool is_clock_time(PyObject* text) noexcept {
  if (PyUnicode_GET_LENGTH(text) != 5 || PyUnicode_READ_CHAR(text, 2) != ':') return false;
  long hours = read_digits(text, 0, 2), minutes = read_digits(text, 3, 2);
  return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59;
}

// ValueError "Invalid date '2023-02-29': expected a real calendar date in the format YYYY-MM-DD".
[[gnu::cold, gnu::noinline]] inline void raise_not_a_date(PyObject* date) noexcept {
  PyErr_Format(PyExc_ValueError, "Invalid date %.200R: expected a real calendar date in the format YYYY-MM-DD", date);
}

// ValueError "initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got '25:00'".
[[gnu::cold, gnu::noinline]] inline void raise_not_a_time(PyObject* time) noexcept {
  PyErr_Format(PyExc_ValueError, "initial_time must be a time as HH:mm on a 24-hour clock (00:00 to 23:59), got %.200R",
               time);
}

}  // namespace vm
