// The data of a chart, read from what a caller passes: the texts of its categories, as pandas
// shows them, and columns of plain numbers (int and float, a missing value as null). The data is
// a pandas DataFrame or Series, a polars DataFrame (its columns through numpy where they show as
// its to_pandas() would, else that pandas frame), a pyarrow Table (its to_pandas()) or a mapping
// of column to values, which is read without pandas. pandas is loaded only for data that is
// already a pandas object, or a polars or pyarrow frame.
//
// The module including this calls PyDateTime_IMPORT at set-up.
#pragma once

#include <cmath>
#include <vector>

#include "frame_text.hpp"

namespace vm::chart {

// ---- the kinds of data -------------------------------------------------------------------------

inline Global series_type;   // pandas.Series, loaded with pandas
inline Global mapping_type;  // collections.abc.Mapping, imported on first need
inline Global real_type;     // numbers.Real, likewise

// `from <module> import <name>` into `slot`, once: the object (borrowed), or null with the error set.
inline PyObject* imported(Global& slot, const char* module, const char* name) noexcept {
  if (slot.get()) return slot.get();
  Ref from = Ref::steal(PyImport_ImportModule(module));
  Ref value = from ? Ref::steal(PyObject_GetAttrString(from.get(), name)) : Ref{};
  if (!value) return nullptr;
  slot.set(std::move(value));
  return slot.get();
}

// 1 when pandas is imported in the process (it is then loaded here), 0 when not, -1 on error. A
// pandas object exists only once pandas is imported, so data of other kinds never imports it.
inline int pandas_present() noexcept {
  if (!pandas_loaded) {
    Ref pandas = Ref::steal(PyImport_GetModule(k.pandas));
    if (!pandas || pandas.get() == Py_None) return PyErr_Occurred() ? -1 : 0;  // None: its import is blocked
    if (!load_pandas()) return -1;
  }
  return imported(series_type, "pandas", "Series") ? 1 : -1;
}

enum class Kind { frame, series, polars, mapping };

// The data as columns: their labels, and per column the array holding its values (pandas and
// polars) or the caller's values, a list or a numpy array of numbers (a mapping).
struct Source {
  Kind kind = Kind::frame;
  Ref data;  // the pandas frame or Series, or the polars frame
  Ref labels;
  std::vector<Ref> columns;
  Py_ssize_t rows = 0;
};

// A pandas frame (a pyarrow Table's to_pandas() too).
inline bool read_frame(PyObject* frame, Source& s) {
  s = Source{};
  s.data = Ref::borrow(frame);
  Py_ssize_t count;
  FrameColumns data;
  if (!frame_shape(frame, s.rows, count) || !read_columns(frame, count, data)) return false;
  s.labels = std::move(data.names);
  s.columns = std::move(data.arrays);
  return true;
}

// A pandas Series: one column, labelled with the Series' name.
inline bool read_series(PyObject* series, Source& s) {
  s = Source{};
  s.kind = Kind::series;
  s.data = Ref::borrow(series);
  Ref name = Ref::steal(PyObject_GetAttr(series, k.name));
  Ref array = name ? Ref::steal(PyObject_GetAttr(series, k.pandas_array)) : Ref{};
  s.rows = array ? PyObject_Length(series) : -1;
  if (s.rows < 0) return false;
  s.labels = Ref::steal(PyList_New(1));
  if (!s.labels) return false;
  PyList_SET_ITEM(s.labels.get(), 0, name.release());
  s.columns.push_back(std::move(array));
  return true;
}

// A polars frame, its columns through numpy: 1, 0 (no error) when a column is to be read as
// its to_pandas() shows it, -1 with the error set.
inline int read_polars(PyObject* df, Source& s) {
  s = Source{};
  s.kind = Kind::polars;
  s.data = Ref::borrow(df);
  Ref labels = detail::labels_of(df, true);
  if (!labels) return PyErr_Occurred() ? -1 : 0;
  Py_ssize_t count;
  if (!frame_shape(df, s.rows, count)) return -1;
  FrameColumns data;
  int read = detail::read_polars_columns(df, labels.get(), labels.get(), false, data);
  if (read <= 0) return read;
  s.labels = std::move(labels);
  s.columns = std::move(data.arrays);
  return 1;
}

// The values of a mapping's column as a list (a list itself; tolist() where there is one, so
// that numpy's and pandas' values come as Python's; else list(values)).
inline Ref as_list(PyObject* values) noexcept {
  if (PyList_CheckExact(values)) return Ref::borrow(values);
  Ref tolist;
  if (lookup_attr(values, k.tolist, tolist) < 0) return {};
  Ref out = tolist ? Ref::steal(PyObject_CallNoArgs(tolist.get())) : Ref::steal(PySequence_List(values));
  if (out && !PyList_CheckExact(out.get())) {
    raise_wrong_result("list from tolist()", out.get());
    return {};
  }
  return out;
}

// The items of a mapping as a list of (key, value) pairs: PyMapping_Items, checked, as a Mapping
// of the caller's may give anything from items().
inline Ref mapping_items(PyObject* mapping) noexcept {
  Ref items = Ref::steal(PyMapping_Items(mapping));
  for (Py_ssize_t i = 0; items && i < PyList_GET_SIZE(items.get()); ++i) {
    PyObject* item = PyList_GET_ITEM(items.get(), i);
    if (!PyTuple_Check(item) || PyTuple_GET_SIZE(item) != 2) {
      PyErr_SetString(PyExc_TypeError, "the data's items() must give (key, value) pairs");
      return {};
    }
  }
  return items;
}

// A mapping of column to values, every column as long as the first: a list, or a
// one-dimensional array of numbers kept as it is (its buffer is read).
inline bool read_mapping(PyObject* mapping, Source& s) {
  s = Source{};
  s.kind = Kind::mapping;
  Ref items = mapping_items(mapping);
  s.labels = items ? Ref::steal(PyList_New(PyList_GET_SIZE(items.get()))) : Ref{};
  if (!s.labels) return false;
  for (Py_ssize_t j = 0; j < PyList_GET_SIZE(items.get()); ++j) {
    PyObject* item = PyList_GET_ITEM(items.get(), j);
    PyObject *label = PyTuple_GET_ITEM(item, 0), *values = PyTuple_GET_ITEM(item, 1);
    PyList_SET_ITEM(s.labels.get(), j, Py_NewRef(label));
    if (PyUnicode_Check(values) || PyBytes_Check(values) || !PySequence_Check(values)) {
      Ref got = type_name(values);
      if (got) PyErr_Format(PyExc_TypeError, "data[%R] must be a sequence of values, got %U", label, got.get());
      return false;
    }
    Py_ssize_t rows = PyObject_Length(values);
    if (rows < 0) return false;
    NumberBuffer numbers;
    Ref column = numbers.open(values, rows) ? Ref::borrow(values) : as_list(values);
    if (!column) return false;
    if (j == 0) s.rows = rows;
    if (rows != s.rows) {
      PyErr_Format(PyExc_ValueError, "data's columns differ in length: %R holds %zd values, %R %zd",
                   PyList_GET_ITEM(s.labels.get(), 0), s.rows, label, rows);
      return false;
    }
    s.columns.push_back(std::move(column));
  }
  return true;
}

// 1 when `data` is a dict or another collections.abc.Mapping, 0 when not, -1 on error.
inline int is_mapping(PyObject* data) noexcept {
  if (PyDict_Check(data)) return 1;
  PyObject* mapping = imported(mapping_type, "collections.abc", "Mapping");
  return mapping ? PyObject_IsInstance(data, mapping) : -1;
}

// What a chart's data is: a mapping, a pandas frame or Series, a polars frame or pyarrow Table
// (foreign), or none of these.
enum class DataKind { none, mapping, frame, series, foreign };

// The kind of `data` into `kind`; false with the error set.
inline bool kind_of_data(PyObject* data, DataKind& kind) noexcept {
  kind = DataKind::none;
  if (PyDict_Check(data)) {
    kind = DataKind::mapping;
    return true;
  }
  int pandas = pandas_present();
  if (pandas < 0) return false;
  if (pandas && is_pandas_frame(data)) {
    kind = DataKind::frame;
  } else if (pandas && PyObject_TypeCheck(data, reinterpret_cast<PyTypeObject*>(series_type.get()))) {
    kind = DataKind::series;
  } else if (is_foreign_frame(data)) {
    kind = DataKind::foreign;
  } else {
    int mapping = is_mapping(data);
    if (mapping < 0) return false;
    if (mapping) kind = DataKind::mapping;
  }
  return true;
}

// Data of a kind a chart reads; else the TypeError "Argument 'data' has incorrect type (expected
// a pandas or polars DataFrame, a pandas Series or a mapping, got list)".
inline bool check_data(PyObject* data, const char* param) noexcept {
  DataKind kind;
  if (!kind_of_data(data, kind)) return false;
  if (kind != DataKind::none) return true;
  raise_wrong_type(param, "a pandas or polars DataFrame, a pandas Series or a mapping", data);
  return false;
}

// `data` as a Source, whatever its kind; the TypeError of check_data for any other.
inline bool read_data(PyObject* data, Source& s) {
  DataKind kind;
  if (!kind_of_data(data, kind)) return false;
  switch (kind) {
    case DataKind::mapping:
      return read_mapping(data, s);
    case DataKind::frame:
      return read_frame(data, s);
    case DataKind::series:
      return read_series(data, s);
    case DataKind::foreign: {
      if (!load_pandas()) return false;  // pandas' display options, and to_pandas() where needed
      if (is_polars_frame(data)) {
        int read = read_polars(data, s);
        if (read != 0) return read > 0;
      }
      Ref frame = as_pandas(data);
      return frame && read_frame(frame.get(), s);
    }
    default:
      return check_data(data, "data");
  }
}

// ---- numbers -----------------------------------------------------------------------------------

// One value as a plain number: an int or a float as it is, numpy's scalars and other real
// numbers as int or float, a missing value (None, NaN, NaT, NA) as null; infinities stay, for the
// caller to refuse by name. (Unlike the tables' reading of numbers, which shows infinity as a
// missing value and meets no numpy scalar.) 1 when `value` is a number or missing, 0 when it is
// neither (a str, a bool, a date), -1 with the error set.
inline int number_of(PyObject* value, Ref& out) noexcept {
  out = Ref{};
  if (PyLong_CheckExact(value)) {
    out = Ref::borrow(value);
    return 1;
  }
  if (is_missing(value)) return 1;
  if (PyFloat_CheckExact(value)) {
    out = Ref::borrow(value);
    return 1;
  }
  if (PyBool_Check(value)) return 0;
  if (PyFloat_Check(value)) {
    out = Ref::steal(PyFloat_FromDouble(PyFloat_AS_DOUBLE(value)));
    return out ? 1 : -1;
  }
  if (PyLong_Check(value)) {
    out = Ref::steal(PyNumber_Long(value));
    return out ? 1 : -1;
  }
  PyObject* real = imported(real_type, "numbers", "Real");
  int is_real = real ? PyObject_IsInstance(value, real) : -1;
  if (is_real <= 0) return is_real;
  if (PyIndex_Check(value)) {  // numpy's integers
    Ref index = Ref::steal(PyNumber_Index(value));
    out = index ? Ref::steal(PyNumber_Long(index.get())) : Ref{};
    return out ? 1 : -1;
  }
  double number = PyFloat_AsDouble(value);
  if (number == -1.0 && PyErr_Occurred()) return -1;
  if (std::isnan(number)) return 1;
  out = Ref::steal(PyFloat_FromDouble(number));
  return out ? 1 : -1;
}

// The numbers of a column, one per row (null where missing): 1; 0 (no error) when it holds
// something else (a frame's column of a dtype other than integers and floats, a mapping's column
// of other values or of missing values only); -1 with the error set.
inline int column_numbers(const Source& s, Py_ssize_t j, std::vector<Ref>& out) {
  PyObject* column = s.columns[static_cast<std::size_t>(j)].get();
  Ref dtype;
  if (s.kind != Kind::mapping) {
    dtype = Ref::steal(PyObject_GetAttr(column, k.pandas_dtype));
    Py_UCS4 kind = dtype ? detail::kind_of(dtype.get()) : 0;
    if (!kind) return -1;
    if (kind != 'i' && kind != 'u' && kind != 'f') return 0;
  }
  out.clear();
  out.reserve(static_cast<std::size_t>(s.rows));
  NumberBuffer buffer;
  if (!PyList_CheckExact(column) && buffer.open(column, s.rows)) {
    for (Py_ssize_t i = 0; i < s.rows; ++i) {
      Ref number;
      switch (buffer.type()) {
        case NumberBuffer::Type::real: {
          double real = buffer.real(i);
          if (std::isnan(real)) {  // missing
            out.emplace_back();
            continue;
          }
          number = Ref::steal(PyFloat_FromDouble(real));
          break;
        }
        case NumberBuffer::Type::signed_integer:
          number = Ref::steal(PyLong_FromLongLong(buffer.signed_integer(i)));
          break;
        default:
          number = Ref::steal(PyLong_FromUnsignedLongLong(buffer.unsigned_integer(i)));
      }
      if (!number) return -1;
      out.push_back(std::move(number));
    }
    return 1;
  }
  Ref objects = s.kind == Kind::mapping ? as_list(column) : column_objects(column, dtype.get(), s.rows);
  if (!objects) return -1;
  bool any = false;  // a number, or a float NaN: None alone makes a column of no numbers, as in pandas
  for (Py_ssize_t i = 0; i < s.rows; ++i) {
    PyObject* value = PyList_GET_ITEM(objects.get(), i);
    Ref number;
    int read = number_of(value, number);
    if (read <= 0) return read;
    any = any || number || PyFloat_Check(value);
    out.push_back(std::move(number));
  }
  return any || s.kind != Kind::mapping ? 1 : 0;
}

// ---- texts -------------------------------------------------------------------------------------

// How the categories' texts are read: a missing value as pandas marks it, floats as pandas'
// display options say when `floats` (read only then: pandas.get_option costs microseconds) and
// pandas is loaded, else as its defaults.
inline bool category_reading(ColumnReading& how, bool floats) noexcept {
  how = ColumnReading{};
  return !floats || !pandas_loaded || read_display_options(how.floats);
}

// 1 when the array's dtype is of floats, 0 when not, -1 with the error set.
inline int holds_floats(PyObject* array) noexcept {
  Ref dtype = Ref::steal(PyObject_GetAttr(array, k.pandas_dtype));
  Py_UCS4 kind = dtype ? detail::kind_of(dtype.get()) : 0;
  return kind ? kind == 'f' : -1;
}

// The texts of a list of Python values as pandas shows such a column: naive datetimes as a
// column of datetimes, numbers with a float among them as a column of floats, anything else
// value by value.
inline Ref object_texts(PyObject* values) {
  ColumnReading how;
  Py_ssize_t rows = PyList_GET_SIZE(values);
  Ref cells = Ref::steal(PyList_New(rows));
  if (!cells) return {};
  bool datetimes = false, numbers = true, real = false;
  for (Py_ssize_t i = 0; i < rows; ++i) {
    PyObject* v = PyList_GET_ITEM(values, i);
    if (is_missing(v)) continue;
    datetimes = datetimes || PyDateTime_Check(v);
    real = real || PyFloat_Check(v);
    numbers = numbers && (PyFloat_Check(v) || (PyLong_Check(v) && !PyBool_Check(v)));
  }
  if (!category_reading(how, false)) return {};
  if (datetimes) {
    DatetimeColumn column(rows);
    int read = column.read(values);
    if (read < 0) return {};
    if (read > 0) return column.write(cells.get(), how.missing) ? std::move(cells) : Ref{};
  }
  if (numbers && real) {
    if (!category_reading(how, true)) return {};
    std::vector<double> reals(static_cast<std::size_t>(rows));
    for (Py_ssize_t i = 0; i < rows; ++i) {
      PyObject* v = PyList_GET_ITEM(values, i);
      double number = is_missing(v) ? NAN : PyFloat_AsDouble(v);
      if (number == -1.0 && PyErr_Occurred()) return {};
      reals[static_cast<std::size_t>(i)] = number;
    }
    return how.floats.write(reals, cells.get(), how.missing, values) ? std::move(cells) : Ref{};
  }
  for (Py_ssize_t i = 0; i < rows; ++i) {
    Ref text = cell_text(PyList_GET_ITEM(values, i), how.missing);
    if (!text) return {};
    PyList_SET_ITEM(cells.get(), i, text.release());
  }
  return cells;
}

// The texts of column j as pandas shows the column, a list: 1; 0 (no error) when a polars
// column must be shown as its to_pandas() shows it; -1 with the error set.
inline int column_texts(const Source& s, Py_ssize_t j, Ref& cells) {
  PyObject* column = s.columns[static_cast<std::size_t>(j)].get();
  if (s.kind == Kind::mapping) {
    Ref values = as_list(column);
    cells = values ? object_texts(values.get()) : Ref{};
    return cells ? 1 : -1;
  }
  int floats = holds_floats(column);
  ColumnReading how;
  if (floats < 0 || !category_reading(how, floats)) return -1;
  ShownColumn shown;
  PyObject* frame = s.kind == Kind::frame ? s.data.get() : nullptr;
  int done = detail::column_cells(frame, j, column, s.rows, {}, {}, how, shown);
  if (done > 0) cells = std::move(shown.cells);
  return done;
}

// The texts of the index of a pandas frame or Series (`holder`), one per row, as pandas shows it
// (a MultiIndex's levels joined with " / "), and its name as text (null when it has none).
inline bool index_texts(PyObject* holder, Py_ssize_t rows, Ref& cells, Ref& name) {
  Ref index = Ref::steal(PyObject_GetAttr(holder, k.index));
  Ref levels = index ? Ref::steal(PyObject_GetAttr(index.get(), k.nlevels)) : Ref{};
  if (!levels) return false;
  long count = PyLong_AsLong(levels.get());
  if (count == -1 && PyErr_Occurred()) return false;
  ColumnReading how;
  if (count == 1) {  // most indexes: read as a column is, without a frame of the levels
    Ref array = Ref::steal(PyObject_GetAttr(index.get(), k.pandas_array));
    int floats = array ? holds_floats(array.get()) : -1;
    if (floats < 0 || !category_reading(how, floats)) return false;
    ShownColumn shown;
    int done = detail::column_cells(nullptr, 0, array.get(), rows, {}, {}, how, shown);
    if (done < 0) return false;
    if (done > 0) {
      Ref label = Ref::steal(PyObject_GetAttr(index.get(), k.name));
      if (!label) return false;
      name = label.get() == Py_None ? Ref{} : label_text(label.get());
      cells = std::move(shown.cells);
      return label.get() == Py_None || name;
    }
  }
  ShownTable table;
  if (!category_reading(how, true) || !detail::index_columns(holder, rows, how, table)) return false;
  Py_ssize_t width = static_cast<Py_ssize_t>(table.columns.size());
  auto joined = [&](Py_ssize_t row) -> Ref {  // the levels' texts of a row (the headers for -1)
    Ref parts = Ref::steal(PyTuple_New(width));
    for (Py_ssize_t l = 0; parts && l < width; ++l) {
      const ShownColumn& level = table.columns[static_cast<std::size_t>(l)];
      PyObject* text = row < 0 ? level.header.get() : PyList_GET_ITEM(level.cells.get(), row);
      PyTuple_SET_ITEM(parts.get(), l, Py_NewRef(text));
    }
    return parts ? label_text(parts.get()) : Ref{};
  };
  cells = Ref::steal(PyList_New(rows));
  for (Py_ssize_t i = 0; cells && i < rows; ++i) {
    Ref text = joined(i);
    if (!text) return false;
    PyList_SET_ITEM(cells.get(), i, text.release());
  }
  name = cells ? joined(-1) : Ref{};
  if (!name) return false;
  if (PyUnicode_GET_LENGTH(name.get()) == 0) name = Ref{};
  return true;
}

// The positions of the rows as texts, "0" to "rows - 1": the categories of data without an index,
// as pandas numbers the rows of such a frame.
inline Ref position_texts(Py_ssize_t rows) noexcept {
  Ref cells = Ref::steal(PyList_New(rows));
  for (Py_ssize_t i = 0; cells && i < rows; ++i) {
    Ref text = integer_text(i);
    if (!text) return {};
    PyList_SET_ITEM(cells.get(), i, text.release());
  }
  return cells;
}

}  // namespace vm::chart
