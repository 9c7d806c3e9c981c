// One column of a frame as its cells' texts, as pandas shows the column: its floats (display
// precision, trailing zeros trimmed over the column, scientific notation where pandas goes so),
// its naive datetimes (dates alone when every time is midnight, else the finest fraction the
// column needs), other datetimes and timedeltas in pandas' own text, anything else value by value
// (value_text.hpp). Numbers and naive datetimes are read from their numpy buffers; a formatter
// call per cell, or a Timestamp boxed per value, would cost more than the rest of the table.
#pragma once

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "value_text.hpp"

namespace vm {

// One shown column: its header text, its cells' texts, its alignment and whether it wraps.
struct ShownColumn {
  Ref header;
  Ref cells;                  // a list of str, one per row
  Ref numbers;                // when asked for, of a numeric column: per row an int, a float or None
  PyObject* align = nullptr;  // k.left, k.center or k.right
  bool wrap = false;
};

struct ShownTable {
  std::vector<ShownColumn> columns;
  Py_ssize_t rows = 0;
  Py_ssize_t index_columns = 0;  // the leading columns that show the index
  Py_ssize_t omitted = 0;        // the rows max_rows left out
};

// How pandas shows the floats of one column (its FloatArrayFormatter with fixed width).
class FloatColumn {
 public:
  FloatColumn() noexcept = default;
  FloatColumn(int precision, double chop) noexcept : precision_(precision), chop_(chop) {}

  // The texts of values[0..n) into `cells`. A NaN shows as `missing`, its mark the one of the
  // missing value `objects` holds in its place when given (pandas.NA in a masked array).
  bool write(const std::vector<double>& values, PyObject* cells, const Missing& missing,
             PyObject* objects = nullptr) const {
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
      Py_ssize_t at = static_cast<Py_ssize_t>(i);
      Ref text = !std::isnan(values[i]) ? ascii_text(texts[i].data(), texts[i].data() + texts[i].size())
                 : objects              ? missing.of(PyList_GET_ITEM(objects, at))
                                        : missing.nan();
      if (!text) return false;
      PyList_SET_ITEM(cells, at, text.release());
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

  int precision_ = 6;
  double chop_ = NAN;
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
  // the finest value needs; NaT as `missing`.
  bool write(PyObject* cells, const Missing& missing) const noexcept {
    bool dates_only = true;
    int digits = 0;
    for (const DatetimeParts& p : parts_) {
      if (!p.present) continue;
      dates_only = dates_only && p.hour == 0 && p.minute == 0 && p.second == 0 && p.nanos == 0;
      digits = std::max(digits, p.nanos % 1000 ? 9 : p.nanos % 1000000 ? 6 : p.nanos ? 3 : 0);
    }
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      const DatetimeParts& p = parts_[i];
      Ref text = p.present ? datetime_parts_text(p, dates_only, digits) : missing.nat();
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

// How the columns of one table are read: pandas' display of floats, what a missing value shows,
// and whether the numbers of numeric columns are kept beside their texts (ShownColumn::numbers).
struct ColumnReading {
  FloatColumn floats;
  Missing missing;
  bool numbers = false;
};

namespace detail {

inline Ref call_one(PyObject* callable, PyObject* arg) noexcept {
  return callable && arg ? Ref::steal(PyObject_CallOneArg(callable, arg)) : Ref{};
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

// The texts of an integer column read through its buffer, and its numbers into `numbers` when
// it is not null.
inline bool integer_cells(const NumberBuffer& numbers, Py_ssize_t rows, PyObject* cells, PyObject* values) noexcept {
  bool is_signed = numbers.type() == NumberBuffer::Type::signed_integer;
  for (Py_ssize_t i = 0; i < rows; ++i) {
    Ref text = is_signed ? integer_text(numbers.signed_integer(i)) : integer_text(numbers.unsigned_integer(i));
    if (!text) return false;
    PyList_SET_ITEM(cells, i, text.release());
    if (!values) continue;
    Ref number = Ref::steal(is_signed ? PyLong_FromLongLong(numbers.signed_integer(i))
                                      : PyLong_FromUnsignedLongLong(numbers.unsigned_integer(i)));
    if (!number) return false;
    PyList_SET_ITEM(values, i, number.release());
  }
  return true;
}

// The number a value of a numeric column holds as a plain int or float (numpy's scalars and
// other subclasses converted), or None for a missing or non-finite value.
inline Ref plain_number(PyObject* value) noexcept {
  if (PyFloat_Check(value)) {
    double number = PyFloat_AS_DOUBLE(value);
    if (!std::isfinite(number)) return Ref::borrow(Py_None);
    return PyFloat_CheckExact(value) ? Ref::borrow(value) : Ref::steal(PyFloat_FromDouble(number));
  }
  if (PyLong_Check(value) && !PyBool_Check(value)) {
    return PyLong_CheckExact(value) ? Ref::borrow(value) : Ref::steal(PyNumber_Long(value));
  }
  return Ref::borrow(Py_None);
}

// The numbers of `reals`, NaN and infinities as None.
inline bool real_numbers(const std::vector<double>& reals, PyObject* values) noexcept {
  for (std::size_t i = 0; i < reals.size(); ++i) {
    Ref number = std::isfinite(reals[i]) ? Ref::steal(PyFloat_FromDouble(reals[i])) : Ref::borrow(Py_None);
    if (!number) return false;
    PyList_SET_ITEM(values, static_cast<Py_ssize_t>(i), number.release());
  }
  return true;
}

// The cells of one column, whose values `array` holds (column `j` of the pandas frame `frame`),
// shown with `formatter` when there is one, else `float_format` for floats: 1 when done, -1 with
// the error set, 0 (no error) when the column needs pandas' own text and `frame` is null.
inline int column_cells(PyObject* frame, Py_ssize_t j, PyObject* array, Py_ssize_t rows, Formatter formatter,
                        Formatter float_format, const ColumnReading& how, ShownColumn& out) {
  Ref dtype = Ref::steal(PyObject_GetAttr(array, k.pandas_dtype));
  Py_UCS4 kind = dtype ? kind_of(dtype.get()) : 0;
  if (!kind) return -1;
  bool numeric = kind == 'i' || kind == 'u' || kind == 'f';
  out.align = (numeric || kind == 'c') ? k.right : k.left;
  out.cells = Ref::steal(PyList_New(rows));
  if (!out.cells) return -1;
  if (how.numbers && numeric) {
    out.numbers = Ref::steal(PyList_New(rows));
    if (!out.numbers) return -1;
  }
  PyObject *cells = out.cells.get(), *numbers = out.numbers.get();
  Ref objects;  // the values as Python objects, read when needed
  auto values = [&]() -> PyObject* {
    if (!objects) objects = column_objects(array, dtype.get(), rows);
    return objects.get();
  };
  // the numbers of the values as Python objects
  auto object_numbers = [&]() {
    for (Py_ssize_t i = 0; numbers && i < rows; ++i) {
      Ref number = plain_number(PyList_GET_ITEM(objects.get(), i));
      if (!number) return false;
      PyList_SET_ITEM(numbers, i, number.release());
    }
    return true;
  };
  if (!formatter && kind == 'f') formatter = float_format;
  if (formatter) {
    if (!values()) return -1;
    for (Py_ssize_t i = 0; i < rows; ++i) {
      Ref v = Ref::borrow(PyList_GET_ITEM(objects.get(), i));  // a formatter may run any code: hold it
      Ref text = is_missing(v.get()) ? how.missing.of(v.get()) : formatter.text(v.get());
      if (!text) return -1;
      PyList_SET_ITEM(cells, i, text.release());
    }
    return object_numbers() ? 1 : -1;
  }
  NumberBuffer buffer;
  bool buffered = numeric && buffer.open(array, rows);
  if (kind == 'f') {
    std::vector<double> reals(static_cast<std::size_t>(rows));
    if (buffered && buffer.type() == NumberBuffer::Type::real) {
      for (Py_ssize_t i = 0; i < rows; ++i) reals[static_cast<std::size_t>(i)] = buffer.real(i);
    } else {
      if (!values()) return -1;
      for (Py_ssize_t i = 0; i < rows; ++i) {
        PyObject* v = PyList_GET_ITEM(objects.get(), i);
        double number = is_missing(v) ? NAN : PyFloat_AsDouble(v);
        if (number == -1.0 && PyErr_Occurred()) return -1;
        reals[static_cast<std::size_t>(i)] = number;
      }
    }
    bool done =
        how.floats.write(reals, cells, how.missing, objects.get()) && (!numbers || real_numbers(reals, numbers));
    return done ? 1 : -1;
  }
  if (buffered && buffer.type() != NumberBuffer::Type::real)
    return integer_cells(buffer, rows, cells, numbers) ? 1 : -1;
  if (kind == 'M') {
    DatetimeColumn datetimes(rows);
    long long per_second = 0;
    int read = datetime_unit(dtype.get(), per_second);
    if (read > 0) read = datetimes.read(array, per_second);
    if (read == 0 && values()) read = datetimes.read(objects.get());
    if (read < 0 || (read == 0 && PyErr_Occurred())) return -1;
    if (read > 0) return datetimes.write(cells, how.missing) ? 1 : -1;
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
    Ref text = is_missing(v.get()) ? how.missing.of(v.get())
               : texts             ? cell_text(PyList_GET_ITEM(texts.get(), i), how.missing)
                                   : cell_text(v.get(), how.missing);
    if (!text) return -1;
    PyList_SET_ITEM(cells, i, text.release());
  }
  return object_numbers() ? 1 : -1;
}

}  // namespace detail

// pandas' display options, read at call time, as the float columns' formatter.
inline bool read_display_options(FloatColumn& out) noexcept {
  int precision;
  double chop;
  if (!detail::display_options(precision, chop)) return false;
  out = FloatColumn(precision, chop);
  return true;
}

}  // namespace vm
