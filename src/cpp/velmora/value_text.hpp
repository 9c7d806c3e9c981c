// One value as a table shows it: the text pandas shows for a number, a naive datetime or any
// other value of a column of mixed values (print(df), DataFrame.to_string()), a column label,
// and the text a caller's formatter makes of a value. Read by the column and frame texts and by
// anything else that shows a frame's values (categories, labels).
//
// The module including this calls PyDateTime_IMPORT before the first use: at set-up, or (the
// table builders, which import nothing at set-up) on its first call.
#pragma once

#include <charconv>
#include <cmath>
#include <cstring>

#include "build.hpp"
#include "frames.hpp"

#include <datetime.h>  // after Python.h (through frames.hpp)

namespace vm {

// A str of ASCII characters, copied without decoding.
inline Ref ascii_text(const char* begin, const char* end) noexcept {
  Ref out = Ref::steal(PyUnicode_New(end - begin, 127));
  if (out) std::memcpy(PyUnicode_1BYTE_DATA(out.get()), begin, static_cast<std::size_t>(end - begin));
  return out;
}

// An integer as decimal text.
template <class Integer>
inline Ref integer_text(Integer number) noexcept {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), number);
  (void)ec;  // 24 bytes always hold a 64-bit decimal
  return ascii_text(buffer, end);
}

// A float as Python writes it, but with at most 15 significant digits, so that binary
// noise (0.1 + 0.2 -> 0.30000000000000004) does not show: "0.3", "2.0", "1e+16", "inf".
// For floats in columns of mixed values.
inline Ref float_text(double value) noexcept {
  char buffer[40];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer) - 2, value, std::chars_format::general, 15);
  if (ec != std::errc{}) {  // not expected with 38 characters; str() then
    Ref number = Ref::steal(PyFloat_FromDouble(value));
    return number ? Ref::steal(PyObject_Str(number.get())) : Ref{};
  }
  bool plain = std::isfinite(value);
  for (const char* c = buffer; plain && c < end; ++c) plain = *c != '.' && *c != 'e';
  if (plain) {  // an integral value keeps its ".0", as str(2.0) does
    *end++ = '.';
    *end++ = '0';
  }
  return ascii_text(buffer, end);
}

// The fields of a naive datetime.datetime or pandas.Timestamp, down to the nanosecond.
struct DatetimeParts {
  bool present = false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  long nanos = 0;  // past the second
};

// 1 when `v` is read into `p`, -1 with the error set, 0 (no error) when its text is pandas' or
// str()'s to make: a time zone, another subclass, a Timestamp outside datetime's years.
inline int read_datetime(PyObject* v, DatetimeParts& p) noexcept {
  bool stamp = Py_IS_TYPE(v, reinterpret_cast<PyTypeObject*>(timestamp_type.get()));
  if ((!stamp && !PyDateTime_CheckExact(v)) || PyDateTime_DATE_GET_TZINFO(v) != Py_None) return 0;
  p.present = true;
  p.year = PyDateTime_GET_YEAR(v);
  p.month = PyDateTime_GET_MONTH(v);
  p.day = PyDateTime_GET_DAY(v);
  p.hour = PyDateTime_DATE_GET_HOUR(v);
  p.minute = PyDateTime_DATE_GET_MINUTE(v);
  p.second = PyDateTime_DATE_GET_SECOND(v);
  p.nanos = PyDateTime_DATE_GET_MICROSECOND(v) * 1000L;
  if (stamp) {
    Ref nanosecond = Ref::steal(PyObject_GetAttr(v, k.nanosecond));
    long extra = nanosecond ? PyLong_AsLong(nanosecond.get()) : -1;
    if (extra == -1 && PyErr_Occurred()) return -1;
    p.nanos += extra;
    // A Timestamp outside datetime's years keeps a stand-in date (1970 or 1972) in the fields
    // read above; its own year tells.
    Ref year = Ref::steal(PyObject_GetAttr(v, k.pandas_year));
    long shown = year ? PyLong_AsLong(year.get()) : -1;
    if (shown == -1 && PyErr_Occurred()) return -1;
    if (shown != p.year) return 0;
  }
  return p.year >= 1 && p.year <= 9999 ? 1 : 0;
}

namespace detail {
inline char* two_digits(char* out, long value) noexcept {
  *out++ = static_cast<char>('0' + value / 10);
  *out++ = static_cast<char>('0' + value % 10);
  return out;
}
}  // namespace detail

// "YYYY-MM-DD", then " HH:MM:SS" unless `dates_only`, then `digits` (3, 6 or 9) of the
// fraction when not 0.
inline Ref datetime_parts_text(const DatetimeParts& p, bool dates_only, int digits) noexcept {
  using detail::two_digits;
  char buffer[32];
  char* out = two_digits(two_digits(buffer, p.year / 100), p.year % 100);
  *out++ = '-';
  out = two_digits(out, p.month);
  *out++ = '-';
  out = two_digits(out, p.day);
  if (!dates_only) {
    *out++ = ' ';
    out = two_digits(out, p.hour);
    *out++ = ':';
    out = two_digits(out, p.minute);
    *out++ = ':';
    out = two_digits(out, p.second);
    if (digits) {
      *out++ = '.';
      long shown = p.nanos;
      for (int d = 9; d > digits; --d) shown /= 10;
      for (int d = digits - 1; d >= 0; --d, shown /= 10) out[d] = static_cast<char>('0' + shown % 10);
      out += digits;
    }
  }
  return ascii_text(buffer, out);
}

// str() of a naive datetime.datetime or pandas.Timestamp without nanoseconds, written here:
// str(Timestamp) costs some microseconds. "2024-01-02 03:04:05", with ".ffffff" when there are
// microseconds. Null when the value needs str() after all (a time zone, nanoseconds, another
// subclass), with an error only when making the text failed.
inline Ref datetime_text(PyObject* value) noexcept {
  DatetimeParts p;
  int read = read_datetime(value, p);
  if (read < 0) PyErr_Clear();  // str() will say what is wrong with it
  if (read <= 0 || p.nanos % 1000) return {};
  return datetime_parts_text(p, false, p.nanos ? 6 : 0);
}

// What a missing value (None, NaN, NaT, NA) shows: `text` when there is one (the caller's
// na_rep, or "" for an empty cell), else pandas' own mark for it: "NaN", "NaT", "<NA>", "None".
struct Missing {
  PyObject* text = nullptr;

  Ref of(PyObject* value) const noexcept {
    if (text) return Ref::borrow(text);
    PyObject* mark = value == Py_None            ? k.none_text
                     : value == pandas_nat.get() ? k.nat_text
                     : value == pandas_na.get()  ? k.na_text
                                                 : k.nan_text;
    return Ref::borrow(mark);
  }
  Ref nan() const noexcept { return Ref::borrow(text ? text : k.nan_text); }
  Ref nat() const noexcept { return Ref::borrow(text ? text : k.nat_text); }
};

// A missing value as an empty cell.
inline Missing empty_cell() noexcept {
  return {k.empty};
}

// The text shown for one value of a column of mixed values: `missing` when missing (an empty
// cell unless told otherwise), readable numbers, str() of anything else.
inline Ref cell_text(PyObject* value, const Missing& missing) noexcept {
  if (PyUnicode_CheckExact(value)) return Ref::borrow(value);
  if (is_missing(value)) return missing.of(value);
  if (PyFloat_Check(value)) return float_text(PyFloat_AS_DOUBLE(value));
  if (PyLong_CheckExact(value)) {
    int overflow = 0;
    long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (!overflow) return integer_text(number);
  }
  if (PyDateTime_Check(value)) {
    Ref text = datetime_text(value);
    if (text || PyErr_Occurred()) return text;
  }
  return Ref::steal(PyObject_Str(value));
}

// A column label as a header: the parts of a MultiIndex label (a tuple) joined with " / ",
// empty parts left out; "" for a missing label.
inline Ref label_text(PyObject* label) noexcept {
  Missing none{k.empty};
  if (!PyTuple_Check(label)) return cell_text(label, none);
  Ref parts = empty_list();
  for (Py_ssize_t i = 0; parts && i < PyTuple_GET_SIZE(label); ++i) {
    Ref part = cell_text(PyTuple_GET_ITEM(label, i), none);
    if (!part) return {};
    if (PyUnicode_GET_LENGTH(part.get()) && PyList_Append(parts.get(), part.get()) < 0) return {};
  }
  return parts ? Ref::steal(PyUnicode_Join(k.level_separator, parts.get())) : Ref{};
}

namespace detail {

// Whether `text[i..]`, just after a "%", reads as a printf conversion: flags, a width, a
// precision, a length modifier (all optional), then one of Python's conversion characters.
inline bool printf_conversion(PyObject* text, Py_ssize_t i) noexcept {
  Py_ssize_t n = PyUnicode_GET_LENGTH(text);
  auto at = [&](Py_ssize_t j) -> Py_UCS4 { return j < n ? PyUnicode_READ_CHAR(text, j) : 0; };
  auto digits = [&] {
    if (at(i) == '*') return void(++i);
    while (at(i) >= '0' && at(i) <= '9') ++i;
  };
  while (at(i) && at(i) < 128 && std::strchr("#0- +", static_cast<int>(at(i)))) ++i;
  digits();
  if (at(i) == '.') {
    ++i;
    digits();
  }
  while (at(i) == 'h' || at(i) == 'l' || at(i) == 'L') ++i;
  Py_UCS4 c = at(i);
  return c && c < 128 && std::strchr("diouxXeEfFgGcrsa", static_cast<int>(c));
}

}  // namespace detail

// A formatter of the table options, as it is read: a callable, a format string ("{:,.2f}", a
// str holding "{"), a printf-style format ("%.2f", "%.1f%%": a str with a "%" conversion, as
// pandas' float_format takes) or a format spec (",.2f", ".1%": any other str).
class Formatter {
 public:
  enum class Kind { none, callable, format_string, printf, spec };

  Formatter() noexcept = default;
  explicit Formatter(PyObject* formatter) noexcept : object_(formatter), kind_(kind_of(formatter)) {}

  explicit operator bool() const noexcept { return object_ != nullptr; }
  Kind kind() const noexcept { return kind_; }

  // The text the formatter makes of `value`; it must be a str.
  Ref text(PyObject* value) const noexcept {
    Ref text;
    switch (kind_) {
      case Kind::format_string:
        text = Ref::steal(PyObject_CallMethodOneArg(object_, k.format, value));
        break;
      case Kind::printf: {
        Ref args = Ref::steal(PyTuple_Pack(1, value));  // a tuple value is one value, not the arguments
        text = args ? Ref::steal(PyUnicode_Format(object_, args.get())) : Ref{};
        break;
      }
      case Kind::spec:
        text = Ref::steal(PyObject_Format(value, object_));
        break;
      default:
        text = Ref::steal(PyObject_CallOneArg(object_, value));
    }
    if (text && !PyUnicode_Check(text.get())) {
      raise_wrong_result("str from a formatter", text.get());
      return {};
    }
    return text;
  }

  static Kind kind_of(PyObject* formatter) noexcept {
    if (!formatter) return Kind::none;
    if (!PyUnicode_Check(formatter)) return Kind::callable;
    Py_ssize_t n = PyUnicode_GET_LENGTH(formatter);
    if (PyUnicode_FindChar(formatter, '{', 0, n, 1) >= 0) return Kind::format_string;
    for (Py_ssize_t i = 0; i < n; ++i) {
      if (PyUnicode_READ_CHAR(formatter, i) != '%') continue;
      if (i + 1 < n && PyUnicode_READ_CHAR(formatter, i + 1) == '%') {
        ++i;  // "%%", a percent sign
        continue;
      }
      if (detail::printf_conversion(formatter, i + 1)) return Kind::printf;
    }
    return Kind::spec;
  }

 private:
  PyObject* object_ = nullptr;
  Kind kind_ = Kind::none;
};

}  // namespace vm
