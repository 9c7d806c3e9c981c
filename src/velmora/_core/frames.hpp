// pandas for the table modules: imported at module set-up, with an ImportError that names
// the extra to install when it is missing, and the DataFrame argument check. A polars
// DataFrame or a pyarrow Table is taken too, and read as the pandas frame its to_pandas()
// gives; neither library is imported unless such an object is passed.
#pragma once

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "args.hpp"
#include "errors.hpp"
#include "module.hpp"

namespace vm {

inline Global dataframe_type;
inline Global pandas_nat, pandas_na;  // pandas.NaT and pandas.NA, missing values
inline Global timestamp_type;         // pandas.Timestamp
inline Global dtype_keyword;          // ("dtype",), for series.to_numpy(dtype=object)
inline Global copy_keyword;           // ("copy",), for series.to_numpy(copy=True)
inline Global pandas_get_option;      // pandas.get_option, for the display options

// `from <package> import names` (absolute); when that fails with an ImportError, an
// ImportError "velmora.blocks.table needs pandas: pip install 'velmora[tables]'" chained
// to the original one.
inline bool import_extra(PyObject* module, const char* package, std::initializer_list<const char*> names) noexcept {
  if (import_from(module, package, names)) return true;
  if (!PyErr_ExceptionMatches(PyExc_ImportError)) return false;
  PyObject* cause = PyErr_GetRaisedException();
  PyErr_Format(PyExc_ImportError, "%s needs %s: pip install 'velmora[tables]'", VELMORA_MODULE_NAME, package);
  PyObject* error = PyErr_GetRaisedException();
  PyException_SetContext(error, Py_NewRef(cause));
  PyException_SetCause(error, cause);
  PyErr_SetRaisedException(error);
  return false;
}

// Imports pandas' DataFrame into the module's globals and keeps the class for checks.
inline bool import_pandas(PyObject* module) noexcept {
  if (!import_extra(module, "pandas", {"DataFrame"})) return false;
  Ref frame = global(k.DataFrame);
  if (!frame) return false;
  if (!PyType_Check(frame.get())) {
    PyErr_SetString(PyExc_ImportError, "pandas.DataFrame is not a class");
    return false;
  }
  dataframe_type.set(std::move(frame));
  Ref pandas = Ref::steal(PyImport_ImportModule("pandas"));
  if (!pandas) return false;
  for (auto [slot, name] : {std::pair{&pandas_nat, "NaT"},
                            {&pandas_na, "NA"},
                            {&timestamp_type, "Timestamp"},
                            {&pandas_get_option, "get_option"}}) {
    slot->set(Ref::steal(PyObject_GetAttrString(pandas.get(), name)));
    if (!slot->get()) return false;
  }
  dtype_keyword.set(Ref::steal(PyTuple_Pack(1, k.pandas_dtype)));
  copy_keyword.set(Ref::steal(PyTuple_Pack(1, k.copy)));
  return dtype_keyword.get() && copy_keyword.get();
}

inline bool is_pandas_frame(PyObject* value) noexcept {
  return PyObject_TypeCheck(value, reinterpret_cast<PyTypeObject*>(dataframe_type.get()));
}

// A polars.DataFrame or a pyarrow.Table, told by the name and module of its class, so that
// neither library is imported to ask.
inline bool is_foreign_frame(PyObject* value) noexcept {
  const char* name = Py_TYPE(value)->tp_name;  // "pyarrow.lib.Table" (an extension type), "DataFrame"
  if (std::strcmp(name, "pyarrow.lib.Table") == 0) return true;
  if (std::strcmp(name, "DataFrame") != 0) return false;
  Ref module = Ref::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__module__"));
  if (!module) {
    PyErr_Clear();
    return false;
  }
  return PyUnicode_Check(module.get()) &&
         PyUnicode_Tailmatch(module.get(), k.polars_prefix, 0, PY_SSIZE_T_MAX, -1) == 1;
}

// A pandas DataFrame (subclasses too), a polars DataFrame or a pyarrow Table, else the
// incorrect-type TypeError naming `param`.
inline bool check_frame(PyObject* value, const char* param) noexcept {
  if (is_pandas_frame(value) || is_foreign_frame(value)) [[likely]] {
    return true;
  }
  raise_wrong_type(param, "DataFrame", value);
  return false;
}

// The pandas frame to read for `value` (checked by check_frame): itself, or its to_pandas().
inline Ref as_pandas(PyObject* value) noexcept {
  if (is_pandas_frame(value)) return Ref::borrow(value);
  Ref frame = call_method(value, k.to_pandas);
  if (frame && !is_pandas_frame(frame.get())) {
    raise_wrong_result("pandas DataFrame", frame.get());
    return {};
  }
  return frame;
}

// None, NaN (any float), pandas.NaT or pandas.NA.
inline bool is_missing(PyObject* value) noexcept {
  return value == Py_None || value == pandas_nat.get() || value == pandas_na.get() ||
         (PyFloat_Check(value) && std::isnan(PyFloat_AS_DOUBLE(value)));
}

// 1 when `dtype` is numeric (kind i, u, f or c; bool is not), 0 when not, -1 with the error set.
inline int is_numeric_dtype(PyObject* dtype) noexcept {
  Ref kind = Ref::steal(PyObject_GetAttr(dtype, k.pandas_kind));
  if (!kind) return -1;
  return PyUnicode_Check(kind.get()) && PyUnicode_GET_LENGTH(kind.get()) == 1 &&
         PyUnicode_FindChar(k.numeric_kinds, PyUnicode_READ_CHAR(kind.get(), 0), 0, 4, 1) >= 0;
}

// ---- reading a frame in bulk ---------------------------------------------------------------
// One call per column (its Series, then its numpy array or its values as objects) rather than
// a pandas access per cell, which would cost far more than the cell itself.

// (rows, columns) of df.shape; false with the error set.
inline bool frame_shape(PyObject* df, Py_ssize_t& rows, Py_ssize_t& columns) noexcept {
  Ref shape = Ref::steal(PyObject_GetAttr(df, k.pandas_shape));
  return shape && PyArg_ParseTuple(shape.get(), "nn;DataFrame.shape must be (rows, columns)", &rows, &columns);
}

struct FrameData {
  Ref names;   // df.columns.tolist()
  Ref dtypes;  // df.dtypes.tolist()
  Ref series;  // [column for _, column in df.items()]: one Series per column
};

namespace detail {

inline Ref call_no_args(PyObject* obj, PyObject* name) noexcept {
  return obj ? Ref::steal(PyObject_CallMethodNoArgs(obj, name)) : Ref{};
}

inline Ref get(PyObject* obj, PyObject* name) noexcept {
  return obj ? Ref::steal(PyObject_GetAttr(obj, name)) : Ref{};
}

}  // namespace detail

// A list of exactly `count` items (pandas' tolist should never give anything else).
inline bool check_items(PyObject* items, Py_ssize_t count) noexcept {
  if (PyList_CheckExact(items) && PyList_GET_SIZE(items) == count) return true;
  PyErr_SetString(PyExc_ValueError, "the DataFrame did not give one value per row and column");
  return false;
}

// Reads the column names, dtypes and Series of a frame of `columns` columns.
inline bool read_frame(PyObject* df, Py_ssize_t columns, FrameData& out) noexcept {
  out.names = detail::call_no_args(detail::get(df, k.pandas_columns).get(), k.tolist);
  out.dtypes = detail::call_no_args(detail::get(df, k.pandas_dtypes).get(), k.tolist);
  Ref items = detail::call_no_args(df, k.items);
  Ref iterator = items ? Ref::steal(PyObject_GetIter(items.get())) : Ref{};
  out.series = iterator ? Ref::steal(PyList_New(0)) : Ref{};
  if (!out.series) return false;
  while (Ref pair = Ref::steal(PyIter_Next(iterator.get()))) {
    if (!PyTuple_Check(pair.get()) || PyTuple_GET_SIZE(pair.get()) != 2) {
      raise_wrong_result("(label, Series) from DataFrame.items()", pair.get());
      return false;
    }
    if (PyList_Append(out.series.get(), PyTuple_GET_ITEM(pair.get(), 1)) < 0) return false;
  }
  return !PyErr_Occurred() && out.names && out.dtypes && check_items(out.names.get(), columns) &&
         check_items(out.dtypes.get(), columns) && check_items(out.series.get(), columns);
}

// series.to_numpy(copy=True): a column's values as a numpy array of their own. A copy rather
// than a view of the frame's block, which pandas would track (its copy-on-write references).
inline Ref column_array(PyObject* series) noexcept {
  PyObject* args[] = {series, Py_True};
  return Ref::steal(PyObject_VectorcallMethod(k.to_numpy, args, 1, copy_keyword.get()));
}

// series.to_numpy(dtype=object).tolist(): a column's values as Python objects, `rows` of them.
inline Ref column_objects(PyObject* series, Py_ssize_t rows) noexcept {
  PyObject* args[] = {series, reinterpret_cast<PyObject*>(&PyBaseObject_Type)};
  Ref array = Ref::steal(PyObject_VectorcallMethod(k.to_numpy, args, 1, dtype_keyword.get()));
  Ref values = detail::call_no_args(array.get(), k.tolist);
  if (values && !check_items(values.get(), rows)) return {};
  return values;
}

// Calls `each(value)` for the items of a 1-d buffer of `rows` numbers (a numpy array of floats
// or integers), converted to double when `as_double`, else to long long or unsigned long long;
// `each` returns false with the error set to stop. 1 when done, -1 with the error set, 0 (no
// error) when `array` has no such buffer: the caller then reads the values as objects.
template <class Each>
int each_number(PyObject* array, Py_ssize_t rows, bool as_double, Each&& each) noexcept {
  if (!PyObject_CheckBuffer(array)) return 0;
  Py_buffer view;
  if (PyObject_GetBuffer(array, &view, PyBUF_RECORDS_RO) < 0) {
    if (!PyErr_ExceptionMatches(PyExc_BufferError)) return -1;
    PyErr_Clear();
    return 0;
  }
  struct Release {
    Py_buffer* view;
    ~Release() { PyBuffer_Release(view); }
  } release{&view};
  if (view.ndim != 1 || view.shape[0] != rows || !view.format || !view.format[0] || view.format[1]) return 0;
  const char* base = static_cast<const char*>(view.buf);
  auto read = [&]<class T, class As>() -> int {
    if (view.itemsize != static_cast<Py_ssize_t>(sizeof(T))) return 0;
    for (Py_ssize_t i = 0; i < rows; ++i) {
      T value;
      std::memcpy(&value, base + i * view.strides[0], sizeof(T));
      if (!each(static_cast<As>(value))) return -1;
    }
    return 1;
  };
  using Signed = long long;
  using Unsigned = unsigned long long;
  switch (view.format[0]) {
    case 'd':
      return as_double ? read.template operator()<double, double>() : 0;
    case 'f':
      return as_double ? read.template operator()<float, double>() : 0;
    case 'b':
      return as_double ? 0 : read.template operator()<signed char, Signed>();
    case 'h':
      return as_double ? 0 : read.template operator()<short, Signed>();
    case 'i':
      return as_double ? 0 : read.template operator()<int, Signed>();
    case 'l':
      return as_double ? 0 : read.template operator()<long, Signed>();
    case 'q':
      return as_double ? 0 : read.template operator()<long long, Signed>();
    case 'B':
      return as_double ? 0 : read.template operator()<unsigned char, Unsigned>();
    case 'H':
      return as_double ? 0 : read.template operator()<unsigned short, Unsigned>();
    case 'I':
      return as_double ? 0 : read.template operator()<unsigned int, Unsigned>();
    case 'L':
      return as_double ? 0 : read.template operator()<unsigned long, Unsigned>();
    case 'Q':
      return as_double ? 0 : read.template operator()<unsigned long long, Unsigned>();
    default:
      return 0;
  }
}

}  // namespace vm
