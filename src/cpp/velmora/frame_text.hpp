// A DataFrame's cells as text, column by column, as pandas shows the frame (print(df),
// DataFrame.to_string()), with the options the table builder and both table messages take:
// formatters, float_format, columns, align, wrap and max_rows. Shared by the table block and
// the text table; missing values (None, NaN, NaT, NA) are empty cells in both.
//
// What pandas shows, and how it is made here:
// - floats: display.precision digits, then trailing zeros trimmed equally over the column
//   (keeping one), scientific notation when a value would show as 0 or a large value makes
//   the column too wide; display.chop_threshold shows tiny values as 0. Written here (the
//   column's values are formatted in C++), since a formatter call per cell would cost more
//   than the rest of the table.
// - naive datetimes: written here from each value's fields, as pandas writes them: dates
//   alone when every time is midnight, else the time with 3, 6 or 9 digits of fraction when
//   the finest value needs them. Other datetimes (time zones) and timedeltas: pandas' own
//   text (Series.astype(str), one call per column).
// - MultiIndex column labels are joined with " / "; index levels become leading columns.
// The module including this calls PyDateTime_IMPORT at set-up.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>
#include <algorithm>

#include "build.hpp"
#include "frames.hpp"

#include <datetime.h>  // after Python.h (through frames.hpp)

namespace vm {

// ---- one value ----------------------------------------------------------------------------

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

// The text shown for one value of a column of mixed values: "" when missing, readable
// numbers, str() of anything else.
inline Ref cell_text(PyObject* value) noexcept {
  if (PyUnicode_CheckExact(value)) return Ref::borrow(value);
  if (is_missing(value)) return Ref::borrow(k.empty);
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
  if (!PyTuple_Check(label)) return cell_text(label);
  Ref parts = empty_list();
  for (Py_ssize_t i = 0; parts && i < PyTuple_GET_SIZE(label); ++i) {
    Ref part = cell_text(PyTuple_GET_ITEM(label, i));
    if (!part) return {};
    if (PyUnicode_GET_LENGTH(part.get()) && PyList_Append(parts.get(), part.get()) < 0) return {};
  }
  return parts ? Ref::steal(PyUnicode_Join(k.level_separator, parts.get())) : Ref{};
}

// ---- the options ----------------------------------------------------------------------------

// The options, borrowed from the call; null or None when not given.
struct TableOptions {
  PyObject* formatters = nullptr;    // {column: "{:,.2f}" | ",.2f" | callable}
  PyObject* float_format = nullptr;  // the same, for every float column without a formatter
  PyObject* columns = nullptr;       // the columns to show, in order
  PyObject* align = nullptr;         // {column: "left" | "center" | "right"}
  PyObject* wrap = nullptr;          // the columns whose cells wrap
  PyObject* max_rows = nullptr;      // show the first max_rows rows
};

// The option names, in the order of TableOptions (for binding keywords).
#define VM_TABLE_OPTION_KEYS \
  &Keys::formatters, &Keys::float_format, &Keys::pandas_columns, &Keys::align, &Keys::wrap, &Keys::max_rows

inline PyObject* given(PyObject* option) noexcept {
  return option && option != Py_None ? option : nullptr;
}

[[gnu::cold]] inline bool raise_option(PyObject* type, const char* format, PyObject* value) noexcept {
  Ref got = type_name(value);
  if (got) PyErr_Format(type, format, got.get());
  return false;
}

// A formatter: a str (a format string with "{", else a format spec) or a callable.
inline bool check_formatter(PyObject* value, const char* what) noexcept {
  if (PyUnicode_Check(value) || PyCallable_Check(value)) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a format string or a callable, got %U", what, got.get());
  return false;
}

// A collection of column labels: anything iterable but a str or bytes.
inline bool check_labels(PyObject* value, const char* param) noexcept {
  if (!PyUnicode_Check(value) && !PyBytes_Check(value) && Py_TYPE(value)->tp_iter) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a list of column labels, got %U", param, got.get());
  return false;
}

inline bool check_mapping(PyObject* value, const char* param) noexcept {
  if (PyDict_Check(value)) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a dict of column labels, got %U", param, got.get());
  return false;
}

// Every option of its type, the values of `formatters` and `align` too: TypeError or
// ValueError naming it.
inline bool check_table_options(const TableOptions& o) noexcept {
  if (PyObject* f = given(o.formatters)) {
    if (!check_mapping(f, "formatters")) return false;
    Py_ssize_t pos = 0;
    PyObject *key, *value;
    while (PyDict_Next(f, &pos, &key, &value)) {
      Ref what = Ref::steal(PyUnicode_FromFormat("formatters[%R]", key));
      if (!what || !check_formatter(value, PyUnicode_AsUTF8(what.get()))) return false;
    }
  }
  if (given(o.float_format) && !check_formatter(o.float_format, "float_format")) return false;
  if (given(o.columns) && !check_labels(o.columns, "columns")) return false;
  if (given(o.wrap) && !check_labels(o.wrap, "wrap")) return false;
  if (PyObject* a = given(o.align)) {
    if (!check_mapping(a, "align")) return false;
    Py_ssize_t pos = 0;
    PyObject *key, *value;
    while (PyDict_Next(a, &pos, &key, &value)) {
      bool ok =
          PyUnicode_Check(value) && (PyUnicode_Compare(value, k.left) == 0 || PyUnicode_Compare(value, k.center) == 0 ||
                                     PyUnicode_Compare(value, k.right) == 0);
      if (!ok) {
        if (!PyErr_Occurred()) {
          PyErr_Format(PyExc_ValueError, "align[%R] must be 'left', 'center' or 'right', got %.200R", key, value);
        }
        return false;
      }
    }
  }
  if (PyObject* m = given(o.max_rows)) {
    if (!PyLong_Check(m) || PyBool_Check(m)) return raise_option(PyExc_TypeError, "max_rows must be an int, got %U", m);
    if (PyLong_AsSsize_t(m) < 0) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_ValueError, "max_rows must not be negative");
      return false;
    }
  }
  return true;
}

// Each key of the dict `option` and each label of `wrap` must name a column of the frame:
// a KeyError names the first that does not (a typo would otherwise pass unnoticed).
inline bool check_known(PyObject* labels, PyObject* keys, const char* param) noexcept {
  Ref iterator = Ref::steal(PyObject_GetIter(keys));
  if (!iterator) return false;
  while (Ref key = Ref::steal(PyIter_Next(iterator.get()))) {
    int found = PySequence_Contains(labels, key.get());
    if (found < 0) return false;
    if (!found) {
      Ref message = Ref::steal(PyUnicode_FromFormat("%s: the DataFrame has no column %R", param, key.get()));
      if (message) PyErr_SetObject(PyExc_KeyError, message.get());
      return false;
    }
  }
  return !PyErr_Occurred();
}

// ---- one column -------------------------------------------------------------------------------

// One shown column: its header text, its cells' texts, its alignment and whether it wraps.
struct ShownColumn {
  Ref header;
  Ref cells;                  // a list of str, one per row
  PyObject* align = nullptr;  // k.left, k.center or k.right
  bool wrap = false;
};

struct ShownTable {
  std::vector<ShownColumn> columns;
  Py_ssize_t rows = 0;
  Py_ssize_t index_columns = 0;  // the leading columns that show the index
};

// The text `formatter` makes of `value`: spec.format(value) for a str holding "{",
// format(value, spec) for another str, formatter(value) for a callable; it must be a str.
inline Ref formatted(PyObject* formatter, PyObject* value) noexcept {
  Ref text;
  if (PyUnicode_Check(formatter)) {
    if (PyUnicode_FindChar(formatter, '{', 0, PyUnicode_GET_LENGTH(formatter), 1) >= 0) {
      text = Ref::steal(PyObject_CallMethodOneArg(formatter, k.format, value));
    } else {
      text = Ref::steal(PyObject_Format(value, formatter));
    }
  } else {
    text = Ref::steal(PyObject_CallOneArg(formatter, value));
  }
  if (text && !PyUnicode_Check(text.get())) {
    raise_wrong_result("str from a formatter", text.get());
    return {};
  }
  return text;
}

// How pandas shows the floats of one column (its FloatArrayFormatter with fixed width).
class FloatColumn {
 public:
  FloatColumn(int precision, double chop) noexcept : precision_(precision), chop_(chop) {}

  // The texts of values[0..n) (NaN for a missing value: an empty cell) into `cells`.
  bool write(const std::vector<double>& values, PyObject* cells) const {
    bool large = false, small = false;
    double tiny = std::pow(10.0, -precision_);
    for (double v : values) {
      double a = std::fabs(v);
      large = large || a > 1e6;  // NaN compares false: missing values count for nothing
      small = small || (a < tiny && a > 0);
    }
    std::vector<std::string> texts;
    format(values, std::chars_format::fixed, texts);
    std::size_t longest = 3;  // pandas counts its "NaN" too
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (std::isnan(values[i])) continue;
      longest = std::max(longest, texts[i].size() + (texts[i][0] == '-' ? 0 : 1));  // with the sign's place
    }
    bool too_long = longest > static_cast<std::size_t>(precision_) + 6;
    if (small || (too_long && large)) format(values, std::chars_format::scientific, texts);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      Ref text =
          std::isnan(values[i]) ? Ref::borrow(k.empty) : ascii_text(texts[i].data(), texts[i].data() + texts[i].size());
      if (!text) return false;
      PyList_SET_ITEM(cells, static_cast<Py_ssize_t>(i), text.release());
    }
    return true;
  }

 private:
  // Each value with `precision_` digits after the point, then (fixed notation only) the
  // trailing zeros every number shares trimmed, one kept after the point.
  void format(const std::vector<double>& values, std::chars_format how, std::vector<std::string>& out) const {
    out.assign(values.size(), std::string());
    char buffer[400];
    for (std::size_t i = 0; i < values.size(); ++i) {
      double v = values[i];
      if (std::isnan(v)) continue;
      if (!std::isnan(chop_) && std::fabs(v) <= chop_) v = 0.0;
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), v, how, precision_);
      if (ec != std::errc{}) end = buffer;  // 400 characters hold any double
      out[i].assign(buffer, end);           // "inf" and "-inf" as Python writes them
    }
    if (how != std::chars_format::fixed) return;
    auto decimal = [](const std::string& s) { return s.find('.') != std::string::npos; };
    bool any = false;
    for (std::size_t i = 0; i < out.size(); ++i) any = any || (!std::isnan(values[i]) && decimal(out[i]));
    if (!any) return;
    for (;;) {
      bool zeros = true;
      for (std::size_t i = 0; zeros && i < out.size(); ++i) {
        if (!std::isnan(values[i]) && decimal(out[i])) zeros = out[i].back() == '0';
      }
      if (!zeros) break;
      for (std::size_t i = 0; i < out.size(); ++i) {
        if (!std::isnan(values[i]) && decimal(out[i])) out[i].pop_back();
      }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (!std::isnan(values[i]) && decimal(out[i]) && out[i].back() == '.') out[i].push_back('0');
    }
  }

  int precision_;
  double chop_;
};

// How pandas shows a column of naive datetimes (pandas.Timestamp, datetime.datetime, or the
// counts of a datetime64 array), from each value's fields.
class DatetimeColumn {
 public:
  explicit DatetimeColumn(Py_ssize_t rows) : parts_(static_cast<std::size_t>(rows)) {}

  // 1 when the values of `objects` are read (missing values: empty cells), -1 with the error
  // set, 0 (no error) when a value is of another kind: pandas' own text then.
  int read(PyObject* objects) noexcept {
    std::fill(parts_.begin(), parts_.end(), DatetimeParts{});
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      PyObject* v = PyList_GET_ITEM(objects, static_cast<Py_ssize_t>(i));
      if (is_missing(v)) continue;
      int read = read_datetime(v, parts_[i]);
      if (read <= 0) return read;
    }
    return 1;
  }

  // The same for a naive datetime64 array of unit `per_second` counts a second (0: days),
  // read through its int64 view; 0 (no error) when it has none or a year is past datetime's.
  int read(PyObject* array, long long per_second) noexcept {
    Ref counts;  // numpy's view("i8"), pandas' asi8 (its view("i8") costs some microseconds)
    if (PyObject_CheckBuffer(array)) {
      counts = Ref::steal(PyObject_CallMethodOneArg(array, k.pandas_view, k.int64_code));
    } else {
      int found = lookup_attr(array, k.asi8, counts);
      if (found <= 0) return found;
    }
    if (!counts) return -1;
    NumberBuffer numbers;
    if (!numbers.open(counts.get(), static_cast<Py_ssize_t>(parts_.size())) ||
        numbers.type() != NumberBuffer::Type::signed_integer) {
      return 0;
    }
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      long long count = numbers.signed_integer(static_cast<Py_ssize_t>(i));
      if (count == INT64_MIN) continue;  // NaT
      if (!from_count(count, per_second, parts_[i])) return 0;
    }
    return 1;
  }

  // The texts into `cells`: dates alone when every time is midnight, else with the fraction
  // the finest value needs.
  bool write(PyObject* cells) const noexcept {
    bool dates_only = true;
    int digits = 0;
    for (const DatetimeParts& p : parts_) {
      if (!p.present) continue;
      dates_only = dates_only && p.hour == 0 && p.minute == 0 && p.second == 0 && p.nanos == 0;
      digits = std::max(digits, p.nanos % 1000 ? 9 : p.nanos % 1000000 ? 6 : p.nanos ? 3 : 0);
    }
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      const DatetimeParts& p = parts_[i];
      Ref text = p.present ? datetime_parts_text(p, dates_only, digits) : Ref::borrow(k.empty);
      if (!text) return false;
      PyList_SET_ITEM(cells, static_cast<Py_ssize_t>(i), text.release());
    }
    return true;
  }

 private:
  static long long floor_div(long long a, long long b) noexcept {
    long long q = a / b;
    return q - ((a % b != 0) && ((a < 0) != (b < 0)));
  }

  // The fields of `count` units since 1970-01-01; false when the year is not 1 to 9999.
  static bool from_count(long long count, long long per_second, DatetimeParts& p) noexcept {
    long long days = count, nanos = 0;
    if (per_second) {
      long long seconds = floor_div(count, per_second);
      nanos = (count - seconds * per_second) * (1000000000 / per_second);
      days = floor_div(seconds, 86400);
      long long in_day = seconds - days * 86400;
      p.hour = static_cast<int>(in_day / 3600);
      p.minute = static_cast<int>(in_day / 60 % 60);
      p.second = static_cast<int>(in_day % 60);
    }
    if (days < -800000 || days > 3000000) return false;  // far outside 1..9999
    // the civil date of a day count (proleptic Gregorian, eras of 400 years)
    long long z = days + 719468;
    long long era = floor_div(z, 146097);
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    long long year = yoe + era * 400 + (p.month <= 2);
    if (year < 1 || year > 9999) return false;
    p.year = static_cast<int>(year);
    p.nanos = static_cast<long>(nanos);
    p.present = true;
    return true;
  }

  std::vector<DatetimeParts> parts_;
};

// ---- the frame -------------------------------------------------------------------------------

namespace detail {

inline Ref call_one(PyObject* callable, PyObject* arg) noexcept {
  return callable && arg ? Ref::steal(PyObject_CallOneArg(callable, arg)) : Ref{};
}

// index.to_frame(index=False): the index levels as the columns of a new frame.
inline Ref levels_frame(PyObject* index) noexcept {
  Ref keywords = names({k.index});
  PyObject* args[] = {index, Py_False};
  return keywords ? Ref::steal(
                        PyObject_VectorcallMethod(k.to_frame, args, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, keywords.get()))
                  : Ref{};
}

// pandas.get_option("display.precision") and "display.chop_threshold" (NaN for None).
inline bool display_options(int& precision, double& chop) noexcept {
  Ref digits = call_one(pandas_get_option.get(), k.display_precision);
  Ref threshold = digits ? call_one(pandas_get_option.get(), k.chop_threshold) : Ref{};
  if (!threshold) return false;
  long value = PyLong_AsLong(digits.get());
  if (value == -1 && PyErr_Occurred()) return false;
  precision = static_cast<int>(std::clamp(value, 0L, 300L));
  chop = threshold.get() == Py_None ? NAN : PyFloat_AsDouble(threshold.get());
  return !(chop == -1.0 && PyErr_Occurred());
}

// dtype.kind as a character ('f', 'M', ...), 0 with the error set.
inline Py_UCS4 kind_of(PyObject* dtype) noexcept {
  Ref kind = Ref::steal(PyObject_GetAttr(dtype, k.pandas_kind));
  if (!kind) return 0;
  if (!PyUnicode_Check(kind.get()) || PyUnicode_GET_LENGTH(kind.get()) != 1) return '?';
  return PyUnicode_READ_CHAR(kind.get(), 0);
}

// frame.iloc[:, j].astype(str).tolist(): pandas' own text of a column's values.
inline Ref pandas_texts(PyObject* frame, Py_ssize_t j) noexcept {
  Ref column = column_series(frame, j);
  Ref texts =
      column
          ? Ref::steal(PyObject_CallMethodOneArg(column.get(), k.astype, reinterpret_cast<PyObject*>(&PyUnicode_Type)))
          : Ref{};
  return texts ? Ref::steal(PyObject_CallMethodNoArgs(texts.get(), k.tolist)) : Ref{};
}

// The counts a second of a naive numpy datetime64 dtype ("<M8[us]": 1000000; days: 0) in
// `per_second`: 1 when it is one, 0 (no error) for another dtype (pandas' DatetimeTZDtype and
// ArrowDtype are not numpy's) or unit, -1 with the error set.
inline int datetime_unit(PyObject* dtype, long long& per_second) noexcept {
  // numpy.dtypes.DateTime64DType (numpy.dtype[datetime64] before numpy 1.25)
  if (std::strncmp(Py_TYPE(dtype)->tp_name, "numpy.dtype", 11) != 0) return 0;
  Ref code = Ref::steal(PyObject_GetAttr(dtype, k.dtype_str));
  if (!code) return -1;
  const char* text = PyUnicode_Check(code.get()) ? PyUnicode_AsUTF8(code.get()) : "";
  if (!text) return -1;
  const char* unit = std::strchr(text, '[');
  if (!unit || unit - text < 2 || std::strncmp(unit - 2, "M8", 2) != 0) return 0;
  for (auto [name, count] :
       {std::pair{"[s]", 1LL}, {"[ms]", 1000LL}, {"[us]", 1000000LL}, {"[ns]", 1000000000LL}, {"[D]", 0LL}}) {
    if (std::strcmp(unit, name) == 0) {
      per_second = count;
      return 1;
    }
  }
  return 0;
}

// The texts of an integer column read through its buffer.
inline bool integer_cells(const NumberBuffer& numbers, Py_ssize_t rows, PyObject* cells) noexcept {
  bool is_signed = numbers.type() == NumberBuffer::Type::signed_integer;
  for (Py_ssize_t i = 0; i < rows; ++i) {
    Ref text = is_signed ? integer_text(numbers.signed_integer(i)) : integer_text(numbers.unsigned_integer(i));
    if (!text) return false;
    PyList_SET_ITEM(cells, i, text.release());
  }
  return true;
}

// The cells of one column, whose values `array` holds (column `j` of the pandas frame `frame`),
// shown with `formatter` when there is one: 1 when done, -1 with the error set, 0 (no error)
// when the column needs pandas' own text and `frame` is null.
inline int column_cells(PyObject* frame, Py_ssize_t j, PyObject* array, Py_ssize_t rows, PyObject* formatter,
                        PyObject* float_format, const FloatColumn& floats, ShownColumn& out) {
  Ref dtype = Ref::steal(PyObject_GetAttr(array, k.pandas_dtype));
  Py_UCS4 kind = dtype ? kind_of(dtype.get()) : 0;
  if (!kind) return -1;
  out.align = (kind == 'i' || kind == 'u' || kind == 'f' || kind == 'c') ? k.right : k.left;
  out.cells = Ref::steal(PyList_New(rows));
  if (!out.cells) return -1;
  PyObject* cells = out.cells.get();
  Ref objects;  // the values as Python objects, read when needed
  auto values = [&]() -> PyObject* {
    if (!objects) objects = column_objects(array, dtype.get(), rows);
    return objects.get();
  };
  if (!formatter && kind == 'f') formatter = float_format;
  if (formatter) {
    if (!values()) return -1;
    for (Py_ssize_t i = 0; i < rows; ++i) {
      Ref v = Ref::borrow(PyList_GET_ITEM(objects.get(), i));  // a formatter may run any code: hold it
      Ref text = is_missing(v.get()) ? Ref::borrow(k.empty) : formatted(formatter, v.get());
      if (!text) return -1;
      PyList_SET_ITEM(cells, i, text.release());
    }
    return 1;
  }
  NumberBuffer numbers;
  bool buffered = (kind == 'f' || kind == 'i' || kind == 'u') && numbers.open(array, rows);
  if (kind == 'f') {
    std::vector<double> reals(static_cast<std::size_t>(rows));
    if (buffered && numbers.type() == NumberBuffer::Type::real) {
      for (Py_ssize_t i = 0; i < rows; ++i) reals[static_cast<std::size_t>(i)] = numbers.real(i);
    } else {
      if (!values()) return -1;
      for (Py_ssize_t i = 0; i < rows; ++i) {
        PyObject* v = PyList_GET_ITEM(objects.get(), i);
        double number = is_missing(v) ? NAN : PyFloat_AsDouble(v);
        if (number == -1.0 && PyErr_Occurred()) return -1;
        reals[static_cast<std::size_t>(i)] = number;
      }
    }
    return floats.write(reals, cells) ? 1 : -1;
  }
  if (buffered && numbers.type() != NumberBuffer::Type::real) return integer_cells(numbers, rows, cells) ? 1 : -1;
  if (kind == 'M') {
    DatetimeColumn datetimes(rows);
    long long per_second = 0;
    int read = datetime_unit(dtype.get(), per_second);
    if (read > 0) read = datetimes.read(array, per_second);
    if (read == 0 && values()) read = datetimes.read(objects.get());
    if (read < 0 || (read == 0 && PyErr_Occurred())) return -1;
    if (read > 0) return datetimes.write(cells) ? 1 : -1;
  }
  Ref texts;
  if (kind == 'M' || kind == 'm') {
    if (!frame) return 0;
    texts = pandas_texts(frame, j);
    if (!texts || !check_items(texts.get(), rows)) return -1;
  }
  if (!values()) return -1;
  for (Py_ssize_t i = 0; i < rows; ++i) {
    Ref v = Ref::borrow(PyList_GET_ITEM(objects.get(), i));
    Ref text = texts && !is_missing(v.get()) ? cell_text(PyList_GET_ITEM(texts.get(), i)) : cell_text(v.get());
    if (!text) return -1;
    PyList_SET_ITEM(cells, i, text.release());
  }
  return 1;
}

// The index as leading columns: one per level, headed by the level's name.
inline bool index_columns(PyObject* df, Py_ssize_t rows, const FloatColumn& floats, ShownTable& out) {
  Ref index = Ref::steal(PyObject_GetAttr(df, k.index));
  Ref names = index ? Ref::steal(PyObject_GetAttr(index.get(), k.pandas_names)) : Ref{};
  Ref levels = names ? Ref::steal(PySequence_List(names.get())) : Ref{};
  Ref frame = levels ? levels_frame(index.get()) : Ref{};
  if (!frame) return false;
  Py_ssize_t count = PyList_GET_SIZE(levels.get());
  FrameColumns data;
  if (!read_columns(frame.get(), count, data)) return false;
  for (Py_ssize_t j = 0; j < count; ++j) {
    ShownColumn column;
    column.header = cell_text(PyList_GET_ITEM(levels.get(), j));
    if (!column.header || column_cells(frame.get(), j, data.arrays[static_cast<std::size_t>(j)].get(), rows, nullptr,
                                       nullptr, floats, column) <= 0) {
      return false;
    }
    out.columns.push_back(std::move(column));
  }
  out.index_columns = count;
  return true;
}

// The polars dtypes whose numpy form (Series.to_numpy()) shows as the frame's to_pandas() does.
inline bool polars_native(PyObject* dtype) noexcept {
  static constexpr const char* plain[] = {"Float32", "Float64", "Int8",   "Int16",   "Int32",  "Int64", "UInt8",
                                          "UInt16",  "UInt32",  "UInt64", "Boolean", "String", "Utf8",  "Date"};
  const char* name = Py_TYPE(dtype)->tp_name;
  for (const char* known : plain) {
    if (std::strcmp(name, known) == 0) return true;
  }
  if (std::strcmp(name, "Datetime") != 0) return false;
  Ref zone;
  if (lookup_attr(dtype, k.time_zone, zone) < 0) {
    PyErr_Clear();
    return false;
  }
  return zone.get() == Py_None;
}

// The columns of a polars DataFrame named by the list `labels`, as numpy arrays: 1 when read,
// 0 (no error) when a column is of a dtype to read through to_pandas(), -1 with the error set.
inline int read_polars_columns(PyObject* df, PyObject* all, PyObject* labels, FrameColumns& out) {
  Ref series = call_method(df, k.get_columns);
  if (!series || !check_items(series.get(), PyList_GET_SIZE(all))) return -1;
  out.names = Ref::borrow(labels);
  for (Py_ssize_t j = 0; j < PyList_GET_SIZE(labels); ++j) {
    Py_ssize_t at = PySequence_Index(all, PyList_GET_ITEM(labels, j));
    if (at < 0) return -1;
    PyObject* column = PyList_GET_ITEM(series.get(), at);
    Ref dtype = Ref::steal(PyObject_GetAttr(column, k.pandas_dtype));
    if (!dtype) return -1;
    if (!polars_native(dtype.get())) return 0;
    Ref array = call_method(column, k.to_numpy);
    if (!array) return -1;
    out.arrays.push_back(std::move(array));
  }
  return 1;
}

// The frame's column labels (a list).
inline Ref labels_of(PyObject* df, bool polars) noexcept {
  Ref columns = get(df, k.pandas_columns);
  if (!polars) return columns ? index_labels(columns.get()) : Ref{};
  if (!columns || !PyList_CheckExact(columns.get())) return {};
  return columns;
}

// The keys of formatters and align, and the labels of wrap, must name columns of `labels`.
inline bool check_option_labels(PyObject* labels, const TableOptions& o, PyObject* wrapped) noexcept {
  PyObject *formatters = given(o.formatters), *align = given(o.align);
  return (!formatters || check_known(labels, formatters, "formatters")) &&
         (!align || check_known(labels, align, "align")) && (!wrapped || check_known(labels, wrapped, "wrap"));
}

// The shown columns of `data` (of the pandas frame `frame`, null for a polars frame), with the
// options: 1, -1 with the error set, 0 (no error) when a column needs pandas' own text.
inline int shown_columns(PyObject* frame, const FrameColumns& data, Py_ssize_t rows, const TableOptions& o,
                         PyObject* wrapped, const FloatColumn& floats, ShownTable& out) {
  PyObject *formatters = given(o.formatters), *align = given(o.align);
  for (std::size_t j = 0; j < data.arrays.size(); ++j) {
    PyObject* label = PyList_GET_ITEM(data.names.get(), static_cast<Py_ssize_t>(j));
    PyObject* formatter = formatters ? PyDict_GetItemWithError(formatters, label) : nullptr;
    PyObject* side = align ? PyDict_GetItemWithError(align, label) : nullptr;
    if (PyErr_Occurred()) return -1;
    ShownColumn column;
    column.header = label_text(label);
    if (!column.header) return -1;
    int done = column_cells(frame, static_cast<Py_ssize_t>(j), data.arrays[j].get(), rows, formatter,
                            given(o.float_format), floats, column);
    if (done <= 0) return done;
    if (side)
      column.align = side == k.left || PyUnicode_Compare(side, k.left) == 0       ? k.left
                     : side == k.center || PyUnicode_Compare(side, k.center) == 0 ? k.center
                                                                                  : k.right;
    int wraps = wrapped ? PySet_Contains(wrapped, label) : 0;
    if (wraps < 0) return -1;
    column.wrap = wraps;
    out.columns.push_back(std::move(column));
  }
  return 1;
}

[[gnu::cold]] inline bool raise_no_columns() noexcept {
  raise_value_error("DataFrame has no columns: a table needs at least one column");
  return false;
}

// pandas' display options as a float column's formatter.
inline bool float_column(std::optional<FloatColumn>& out) noexcept {
  int precision;
  double chop;
  if (!display_options(precision, chop)) return false;
  out.emplace(precision, chop);
  return true;
}

// A polars frame read natively (no to_pandas()): 1, -1 with the error set, 0 (no error) when it
// is to be read as its to_pandas() (a column that needs pandas' text, a selection of labels
// polars does not name alike).
inline int polars_text(PyObject* df, const TableOptions& o, PyObject* wrapped, ShownTable& out) {
  Ref labels = labels_of(df, true);
  if (!labels) return PyErr_Occurred() ? -1 : 0;
  if (!check_option_labels(labels.get(), o, wrapped)) return -1;
  Ref shown = Ref::borrow(labels.get());
  if (PyObject* columns = given(o.columns)) {
    shown = Ref::steal(PySequence_List(columns));
    if (!shown) return -1;
    for (Py_ssize_t j = 0; j < PyList_GET_SIZE(shown.get()); ++j) {
      PyObject* label = PyList_GET_ITEM(shown.get(), j);
      int found = PyUnicode_CheckExact(label) ? PySequence_Contains(labels.get(), label) : 0;
      if (found <= 0) return found;  // pandas' KeyError for a missing label
    }
  }
  Ref frame = Ref::borrow(df);
  Py_ssize_t rows, count;
  if (!frame_shape(frame.get(), rows, count)) return -1;
  if (PyList_GET_SIZE(shown.get()) == 0) {
    raise_no_columns();
    return -1;
  }
  if (PyObject* most = given(o.max_rows)) {
    if (PyLong_AsSsize_t(most) < rows) {
      frame = Ref::steal(PyObject_CallMethodOneArg(df, k.head, most));
      if (!frame || !frame_shape(frame.get(), rows, count)) return -1;
    }
  }
  FrameColumns data;
  int read = read_polars_columns(frame.get(), labels.get(), shown.get(), data);
  if (read <= 0) return read;
  std::optional<FloatColumn> floats;
  if (!float_column(floats)) return -1;
  out.rows = rows;
  return shown_columns(nullptr, data, rows, o, wrapped, *floats, out);
}

}  // namespace detail

// The cells of the frame `value` (pandas, polars or pyarrow; checked by check_frame) as they
// are shown: the index levels first when `with_index`, then the columns `options` select.
// ValueError when no column is left.
inline bool frame_text(PyObject* value, bool with_index, const TableOptions& o, ShownTable& out) {
  if (!check_table_options(o)) return false;
  PyObject* wrap = given(o.wrap);
  Ref wrapped = wrap ? Ref::steal(PySet_New(wrap)) : Ref{};
  if (wrap && !wrapped) return false;
  if (is_polars_frame(value) && !with_index && !given(o.formatters)) {
    int done = detail::polars_text(value, o, wrapped.get(), out);
    if (done) return done > 0;
    out = ShownTable{};
  }
  Ref df = as_pandas(value);
  if (!df) return false;
  if (given(o.formatters) || given(o.align) || wrap) {
    Ref labels = detail::labels_of(df.get(), false);
    if (!labels || !detail::check_option_labels(labels.get(), o, wrapped.get())) return false;
  }
  if (PyObject* columns = given(o.columns)) {
    Ref selection = Ref::steal(PySequence_List(columns));
    df = selection ? Ref::steal(PyObject_GetItem(df.get(), selection.get())) : Ref{};
    if (!df) return false;
  }
  Py_ssize_t rows, count;
  if (!frame_shape(df.get(), rows, count)) return false;
  if (count == 0) return detail::raise_no_columns();
  if (PyObject* most = given(o.max_rows)) {
    Py_ssize_t keep = PyLong_AsSsize_t(most);
    if (keep < rows) {
      df = Ref::steal(PyObject_CallMethodOneArg(df.get(), k.head, most));
      if (!df) return false;
      rows = keep;
    }
  }
  std::optional<FloatColumn> floats;
  if (!detail::float_column(floats)) return false;
  out.rows = rows;
  if (with_index && !detail::index_columns(df.get(), rows, *floats, out)) return false;
  FrameColumns data;
  if (!read_columns(df.get(), count, data)) return false;
  return detail::shown_columns(df.get(), data, rows, o, wrapped.get(), *floats, out) > 0;
}

}  // namespace vm
