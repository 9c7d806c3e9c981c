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

// How pandas shows a column of naive datetimes (pandas.Timestamp, datetime.datetime), from
// each value's fields.
class DatetimeColumn {
 public:
  // 1 when the texts of column `j` of `rows` (missing values: empty cells) are in `cells`, -1
  // with the error set, 0 (no error) when a value is of another kind: pandas' own text then.
  static int write(PyObject* rows, Py_ssize_t j, PyObject* cells) noexcept {
    Py_ssize_t count = PyList_GET_SIZE(cells);
    std::vector<DatetimeParts> parts(static_cast<std::size_t>(count));
    bool dates_only = true;
    int digits = 0;
    for (Py_ssize_t i = 0; i < count; ++i) {
      PyObject* v = PyList_GET_ITEM(PyList_GET_ITEM(rows, i), j);
      DatetimeParts& p = parts[static_cast<std::size_t>(i)];
      if (is_missing(v)) continue;
      int read = read_datetime(v, p);
      if (read <= 0) return read;
      dates_only = dates_only && p.hour == 0 && p.minute == 0 && p.second == 0 && p.nanos == 0;
      digits = std::max(digits, p.nanos % 1000 ? 9 : p.nanos % 1000000 ? 6 : p.nanos ? 3 : 0);
    }
    for (Py_ssize_t i = 0; i < count; ++i) {
      const DatetimeParts& p = parts[static_cast<std::size_t>(i)];
      Ref text = p.present ? datetime_parts_text(p, dates_only, digits) : Ref::borrow(k.empty);
      if (!text) return -1;
      PyList_SET_ITEM(cells, i, text.release());
    }
    return 1;
  }
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
  Ref iloc = Ref::steal(PyObject_GetAttr(frame, k.iloc));
  Ref all = Ref::steal(PySlice_New(nullptr, nullptr, nullptr));
  Ref at = all ? Ref::steal(Py_BuildValue("(On)", all.get(), j)) : Ref{};
  Ref column = iloc && at ? Ref::steal(PyObject_GetItem(iloc.get(), at.get())) : Ref{};
  Ref texts =
      column
          ? Ref::steal(PyObject_CallMethodOneArg(column.get(), k.astype, reinterpret_cast<PyObject*>(&PyUnicode_Type)))
          : Ref{};
  return texts ? Ref::steal(PyObject_CallMethodNoArgs(texts.get(), k.tolist)) : Ref{};
}

// The cells of column `j` of `frame` (read into `data`), shown with `formatter` when there is one.
inline bool column_cells(PyObject* frame, const FrameData& data, Py_ssize_t j, Py_ssize_t rows, PyObject* formatter,
                         PyObject* float_format, const FloatColumn& floats, ShownColumn& out) {
  Py_UCS4 kind = kind_of(PyList_GET_ITEM(data.dtypes.get(), j));
  if (!kind) return false;
  out.align = (kind == 'i' || kind == 'u' || kind == 'f' || kind == 'c') ? k.right : k.left;
  out.cells = Ref::steal(PyList_New(rows));
  if (!out.cells) return false;
  PyObject* cells = out.cells.get();
  auto value = [&](Py_ssize_t i) { return PyList_GET_ITEM(PyList_GET_ITEM(data.values.get(), i), j); };
  if (!formatter && kind == 'f') formatter = float_format;
  if (formatter) {
    for (Py_ssize_t i = 0; i < rows; ++i) {
      Ref v = Ref::borrow(value(i));  // a formatter may run any code: hold the value meanwhile
      Ref text = is_missing(v.get()) ? Ref::borrow(k.empty) : formatted(formatter, v.get());
      if (!text) return false;
      PyList_SET_ITEM(cells, i, text.release());
    }
    return true;
  }
  if (kind == 'f') {
    std::vector<double> numbers(static_cast<std::size_t>(rows));
    for (Py_ssize_t i = 0; i < rows; ++i) {
      PyObject* v = value(i);
      double number = is_missing(v) ? NAN : PyFloat_AsDouble(v);
      if (number == -1.0 && PyErr_Occurred()) return false;
      numbers[static_cast<std::size_t>(i)] = number;
    }
    return floats.write(numbers, cells);
  }
  if (kind == 'M') {
    int done = DatetimeColumn::write(data.values.get(), j, cells);
    if (done) return done > 0;
  }
  Ref texts;
  if (kind == 'M' || kind == 'm') {
    texts = pandas_texts(frame, j);
    if (!texts || !check_items(texts.get(), rows)) return false;
  }
  for (Py_ssize_t i = 0; i < rows; ++i) {
    Ref v = Ref::borrow(value(i));
    Ref text = texts && !is_missing(v.get()) ? cell_text(PyList_GET_ITEM(texts.get(), i)) : cell_text(v.get());
    if (!text) return false;
    PyList_SET_ITEM(cells, i, text.release());
  }
  return true;
}

// The index as leading columns: one per level, headed by the level's name.
inline bool index_columns(PyObject* df, Py_ssize_t rows, const FloatColumn& floats, ShownTable& out) {
  Ref index = Ref::steal(PyObject_GetAttr(df, k.index));
  Ref names = index ? Ref::steal(PyObject_GetAttr(index.get(), k.pandas_names)) : Ref{};
  Ref levels = names ? Ref::steal(PySequence_List(names.get())) : Ref{};
  Ref frame = levels ? levels_frame(index.get()) : Ref{};
  if (!frame) return false;
  Py_ssize_t count = PyList_GET_SIZE(levels.get());
  FrameData data;
  if (!read_frame(frame.get(), rows, count, false, data)) return false;
  for (Py_ssize_t j = 0; j < count; ++j) {
    ShownColumn column;
    column.header = cell_text(PyList_GET_ITEM(levels.get(), j));
    if (!column.header || !column_cells(frame.get(), data, j, rows, nullptr, nullptr, floats, column)) return false;
    out.columns.push_back(std::move(column));
  }
  out.index_columns = count;
  return true;
}

}  // namespace detail

// The cells of the frame `value` (pandas, polars or pyarrow; checked by check_frame) as they
// are shown: the index levels first when `with_index`, then the columns `options` select.
// ValueError when no column is left.
inline bool frame_text(PyObject* value, bool with_index, const TableOptions& o, ShownTable& out) {
  if (!check_table_options(o)) return false;
  Ref df = as_pandas(value);
  if (!df) return false;
  PyObject *formatters = given(o.formatters), *align = given(o.align), *wrap = given(o.wrap);
  Ref wrapped = wrap ? Ref::steal(PySet_New(wrap)) : Ref{};
  if (wrap && !wrapped) return false;
  if (formatters || align || wrap) {
    Ref labels = detail::call_no_args(detail::get(df.get(), k.pandas_columns).get(), k.tolist);
    if (!labels || (formatters && !check_known(labels.get(), formatters, "formatters")) ||
        (align && !check_known(labels.get(), align, "align")) ||
        (wrap && !check_known(labels.get(), wrapped.get(), "wrap"))) {
      return false;
    }
  }
  if (PyObject* columns = given(o.columns)) {
    Ref selection = Ref::steal(PySequence_List(columns));
    df = selection ? Ref::steal(PyObject_GetItem(df.get(), selection.get())) : Ref{};
    if (!df) return false;
  }
  Py_ssize_t rows, count;
  if (!frame_shape(df.get(), rows, count)) return false;
  if (count == 0) {
    raise_value_error("DataFrame has no columns: a table needs at least one column");
    return false;
  }
  if (PyObject* most = given(o.max_rows)) {
    Py_ssize_t keep = PyLong_AsSsize_t(most);
    if (keep < rows) {
      df = Ref::steal(PyObject_CallMethodOneArg(df.get(), k.head, most));
      if (!df) return false;
      rows = keep;
    }
  }
  int precision;
  double chop;
  if (!detail::display_options(precision, chop)) return false;
  FloatColumn floats(precision, chop);
  out.rows = rows;
  if (with_index && !detail::index_columns(df.get(), rows, floats, out)) return false;
  FrameData data;
  if (!read_frame(df.get(), rows, count, false, data)) return false;
  for (Py_ssize_t j = 0; j < count; ++j) {
    PyObject* label = PyList_GET_ITEM(data.names.get(), j);
    PyObject* formatter = formatters ? PyDict_GetItemWithError(formatters, label) : nullptr;
    PyObject* side = align ? PyDict_GetItemWithError(align, label) : nullptr;
    if (PyErr_Occurred()) return false;
    ShownColumn column;
    column.header = label_text(label);
    if (!column.header ||
        !detail::column_cells(df.get(), data, j, rows, formatter, given(o.float_format), floats, column)) {
      return false;
    }
    if (side)
      column.align = side == k.left || PyUnicode_Compare(side, k.left) == 0       ? k.left
                     : side == k.center || PyUnicode_Compare(side, k.center) == 0 ? k.center
                                                                                  : k.right;
    int wraps = wrapped ? PySet_Contains(wrapped.get(), label) : 0;
    if (wraps < 0) return false;
    column.wrap = wraps;
    out.columns.push_back(std::move(column));
  }
  return true;
}

}  // namespace vm
