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
inline Global dtype_keyword;          // ("dtype",), for df.to_numpy(dtype=object)
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
  return dtype_keyword.get() != nullptr;
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
// One call per part (df.to_numpy(dtype=object).tolist() for the values) rather than a pandas
// access per cell, which would cost far more than the cell itself.

// (rows, columns) of df.shape; false with the error set.
inline bool frame_shape(PyObject* df, Py_ssize_t& rows, Py_ssize_t& columns) noexcept {
  Ref shape = Ref::steal(PyObject_GetAttr(df, k.pandas_shape));
  return shape && PyArg_ParseTuple(shape.get(), "nn;DataFrame.shape must be (rows, columns)", &rows, &columns);
}

struct FrameData {
  Ref names;         // df.columns.tolist()
  Ref dtypes;        // df.dtypes.tolist()
  Ref values;        // df.to_numpy(dtype=object).tolist(): one list per row
  Ref index_values;  // df.index.tolist(), when asked for
  Ref index_name;    // df.index.name
  Ref index_dtype;   // df.index.dtype
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

// Reads the column names and dtypes, the values (each row checked to hold `columns` items) and, when
// `with_index`, the index of a frame of the given shape.
inline bool read_frame(PyObject* df, Py_ssize_t rows, Py_ssize_t columns, bool with_index, FrameData& out) noexcept {
  out.names = detail::call_no_args(detail::get(df, k.pandas_columns).get(), k.tolist);
  out.dtypes = detail::call_no_args(detail::get(df, k.pandas_dtypes).get(), k.tolist);
  PyObject* args[] = {df, reinterpret_cast<PyObject*>(&PyBaseObject_Type)};
  Ref matrix = Ref::steal(PyObject_VectorcallMethod(k.to_numpy, args, 1, dtype_keyword.get()));
  out.values = detail::call_no_args(matrix.get(), k.tolist);
  if (!out.names || !out.dtypes || !out.values || !check_items(out.names.get(), columns) ||
      !check_items(out.dtypes.get(), columns) || !check_items(out.values.get(), rows)) {
    return false;
  }
  for (Py_ssize_t i = 0; i < rows; ++i) {
    if (!check_items(PyList_GET_ITEM(out.values.get(), i), columns)) return false;
  }
  if (!with_index) return true;
  Ref index = detail::get(df, k.index);
  out.index_values = detail::call_no_args(index.get(), k.tolist);
  out.index_name = detail::get(index.get(), k.pandas_name);
  out.index_dtype = detail::get(index.get(), k.pandas_dtype);
  return out.index_values && out.index_name && out.index_dtype && check_items(out.index_values.get(), rows);
}

}  // namespace vm
