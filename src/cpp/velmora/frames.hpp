// pandas for the table modules: loaded at module set-up or on first call, with an ImportError
// that names the extra to install when it is missing, the DataFrame argument check, and the
// reading of a frame's columns. A polars DataFrame or a pyarrow Table is taken too (polars' columns are read
// through numpy where they show as their to_pandas() would, anything else as that pandas frame);
// neither library is imported unless such an object is passed.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "args.hpp"
#include "errors.hpp"
#include "module.hpp"

namespace vm {

inline Global dataframe_type;
inline Global pandas_nat, pandas_na;  // pandas.NaT and pandas.NA, missing values
inline Global timestamp_type;         // pandas.Timestamp
inline Global pandas_get_option;      // pandas.get_option, for the display options

// The ImportError "velmora.blocks.table needs pandas: pip install 'velmora[tables]'", chained
// to the ImportError that is set.
[[gnu::cold]] inline void raise_missing_extra(const char* package) noexcept {
  PyObject* cause = PyErr_GetRaisedException();
  PyErr_Format(PyExc_ImportError, "%s needs %s: pip install 'velmora[tables]'", VELMORA_MODULE_NAME, package);
  PyObject* error = PyErr_GetRaisedException();
  PyException_SetContext(error, Py_NewRef(cause));
  PyException_SetCause(error, cause);
  PyErr_SetRaisedException(error);
}

// `from <package> import names` (absolute), with the ImportError above when it fails with one.
inline bool import_extra(PyObject* module, const char* package, std::initializer_list<const char*> names) noexcept {
  if (import_from(module, package, names)) return true;
  if (PyErr_ExceptionMatches(PyExc_ImportError)) raise_missing_extra(package);
  return false;
}

inline bool pandas_loaded = false;  // the slots above are filled

// pandas' DataFrame, NaT, NA, Timestamp and get_option into the slots above, once: at module
// set-up for the table messages, on the first call for the table builders (so that importing
// velmora.blocks does not import pandas). The ImportError above when pandas is missing.
inline bool load_pandas() noexcept {
  if (pandas_loaded) [[likely]]
    return true;
  Ref pandas = Ref::steal(PyImport_ImportModule("pandas"));
  if (!pandas) {
    if (PyErr_ExceptionMatches(PyExc_ImportError)) raise_missing_extra("pandas");
    return false;
  }
  for (auto [slot, name] : {std::pair{&dataframe_type, "DataFrame"},
                            {&pandas_nat, "NaT"},
                            {&pandas_na, "NA"},
                            {&timestamp_type, "Timestamp"},
                            {&pandas_get_option, "get_option"}}) {
    Ref value = Ref::steal(PyObject_GetAttrString(pandas.get(), name));
    if (!value) return false;
    slot->set(std::move(value));
  }
  if (!PyType_Check(dataframe_type.get()) || !PyType_Check(timestamp_type.get())) {
    PyErr_SetString(PyExc_ImportError, "pandas.DataFrame and pandas.Timestamp must be classes");
    return false;
  }
  pandas_loaded = true;
  return true;
}

// Imports pandas' DataFrame into the module's globals, and loads pandas (above).
inline bool import_pandas(PyObject* module) noexcept {
  return import_extra(module, "pandas", {"DataFrame"}) && load_pandas();
}

inline bool is_pandas_frame(PyObject* value) noexcept {
  return PyObject_TypeCheck(value, reinterpret_cast<PyTypeObject*>(dataframe_type.get()));
}

// A polars.DataFrame, told by the name and module of its class, so that polars is not
// imported to ask.
inline bool is_polars_frame(PyObject* value) noexcept {
  if (std::strcmp(Py_TYPE(value)->tp_name, "DataFrame") != 0) return false;
  Ref module = Ref::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__module__"));
  if (!module) {
    PyErr_Clear();
    return false;
  }
  return PyUnicode_Check(module.get()) &&
         PyUnicode_Tailmatch(module.get(), k.polars_prefix, 0, PY_SSIZE_T_MAX, -1) == 1;
}

// A polars.DataFrame or a pyarrow.Table (an extension type: its full name).
inline bool is_foreign_frame(PyObject* value) noexcept {
  return std::strcmp(Py_TYPE(value)->tp_name, "pyarrow.lib.Table") == 0 || is_polars_frame(value);
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

// ---- reading a frame column by column ----------------------------------------------------------
// Each column is read once, in the form the frame stores it: numbers and naive datetimes from the
// buffer of their numpy array, other columns as the Python objects df.to_numpy(dtype=object)
// holds (column_objects). Boxing every datetime as a pandas Timestamp would cost
// more than the rest of the table.

// (rows, columns) of df.shape; false with the error set.
inline bool frame_shape(PyObject* df, Py_ssize_t& rows, Py_ssize_t& columns) noexcept {
  Ref shape = Ref::steal(PyObject_GetAttr(df, k.pandas_shape));
  return shape && PyArg_ParseTuple(shape.get(), "nn;DataFrame.shape must be (rows, columns)", &rows, &columns);
}

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

// frame.iloc[:, j]: column `j` as a Series.
inline Ref column_series(PyObject* frame, Py_ssize_t j) noexcept {
  Ref iloc = Ref::steal(PyObject_GetAttr(frame, k.iloc));
  Ref all = Ref::steal(PySlice_New(nullptr, nullptr, nullptr));
  Ref at = all ? Ref::steal(Py_BuildValue("(On)", all.get(), j)) : Ref{};
  return iloc && at ? Ref::steal(PyObject_GetItem(iloc.get(), at.get())) : Ref{};
}

// Whether `dtype` is pandas' StringDtype (of any storage), told by its class's name.
inline bool is_string_dtype(PyObject* dtype) noexcept {
  return std::strcmp(Py_TYPE(dtype)->tp_name, "StringDtype") == 0;
}

// The values of a pandas string array that pyarrow keeps (StringDtype("pyarrow"), pandas'
// default str when pyarrow is installed) as a list of str, read through the Arrow interface
// at a third of the cost of to_numpy(); a missing value is the dtype's na_value, as
// to_numpy() gives it. 0 (no error) for an array kept otherwise, -1 with the error set.
inline int arrow_strings(PyObject* array, PyObject* dtype, Ref& out) noexcept {
  if (!is_string_dtype(dtype)) return 0;
  Ref storage;
  if (lookup_attr(dtype, k.storage, storage) < 0) return -1;
  if (!storage || !is_key(storage.get(), k.pyarrow)) return 0;
  Ref na_value = Ref::steal(PyObject_GetAttr(dtype, k.na_value));
  Ref arrow = na_value ? Ref::steal(PyObject_CallMethodNoArgs(array, k.dunder_arrow_array)) : Ref{};
  out = arrow ? Ref::steal(PyObject_CallMethodNoArgs(arrow.get(), k.to_pylist)) : Ref{};
  if (!out || !PyList_CheckExact(out.get())) {
    if (out) PyErr_SetString(PyExc_TypeError, "to_pylist() of a string array must give a list");
    return -1;
  }
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(out.get()); ++i) {
    if (PyList_GET_ITEM(out.get(), i) == Py_None) {
      PyList_SET_ITEM(out.get(), i, Py_NewRef(na_value.get()));
      Py_DECREF(Py_None);
    }
  }
  return 1;
}

// The labels of a pandas Index as a list, as its tolist() gives them.
inline Ref index_labels(PyObject* index) noexcept {
  Ref dtype = detail::get(index, k.pandas_dtype), labels;
  if (!dtype) return {};
  if (is_string_dtype(dtype.get())) {  // only then: a MultiIndex has no .array
    Ref array = detail::get(index, k.pandas_array);
    int read = array ? arrow_strings(array.get(), dtype.get(), labels) : -1;
    if (read != 0) return read > 0 ? std::move(labels) : Ref{};
  }
  return detail::call_no_args(index, k.tolist);
}

// The columns of a frame: their labels and, for each, the array holding its values.
struct FrameColumns {
  Ref names;                // a list of the column labels
  std::vector<Ref> arrays;  // a numpy array or a pandas ExtensionArray per column
};

// The column's values as Python objects, `rows` of them, the values df.to_numpy(dtype=object)
// holds: a numpy array's tolist(), a pandas string array's through Arrow or its to_numpy()
// (half the cost of a copy as objects), any other array's astype(object).tolist().
inline Ref column_objects(PyObject* array, PyObject* dtype, Py_ssize_t rows) noexcept {
  Ref objects, values;
  int read = arrow_strings(array, dtype, values);
  if (read < 0) return {};
  if (read == 0) {
    if (PyObject_CheckBuffer(array)) {
      objects = Ref::borrow(array);
    } else if (is_string_dtype(dtype)) {
      objects = Ref::steal(PyObject_CallMethodNoArgs(array, k.to_numpy));
    } else {
      objects = Ref::steal(PyObject_CallMethodOneArg(array, k.astype, reinterpret_cast<PyObject*>(&PyBaseObject_Type)));
    }
    values = detail::call_no_args(objects.get(), k.tolist);
  }
  if (!values || !check_items(values.get(), rows)) return {};
  return values;
}

// The numbers of a one-dimensional numpy array of `rows` items, read through its buffer (no
// Python object per value): floats of 4 or 8 bytes, integers of 1 to 8 bytes in the machine's
// byte order. `open` is false, with no error, for any other array.
class NumberBuffer {
 public:
  enum class Type { none, real, signed_integer, unsigned_integer };

  NumberBuffer() noexcept = default;
  NumberBuffer(const NumberBuffer&) = delete;
  NumberBuffer& operator=(const NumberBuffer&) = delete;
  ~NumberBuffer() {
    if (held_) PyBuffer_Release(&view_);
  }

  bool open(PyObject* array, Py_ssize_t rows) noexcept {
    if (held_ || !PyObject_CheckBuffer(array)) return false;
    if (PyObject_GetBuffer(array, &view_, PyBUF_RECORDS_RO) < 0) {
      PyErr_Clear();  // numpy refuses a buffer for some dtypes: read as objects then
      return false;
    }
    held_ = true;
    if (view_.ndim != 1 || view_.shape[0] != rows || !view_.format) return false;
    const char* f = view_.format;
    if (*f == '@' || *f == '=' || (*f == '<' && std::endian::native == std::endian::little)) ++f;
    if (!f[0] || f[1]) return false;
    Py_ssize_t size = view_.itemsize;
    bool sized = size == 1 || size == 2 || size == 4 || size == 8;
    if (std::strchr("bhilq", f[0])) type_ = sized ? Type::signed_integer : Type::none;
    if (std::strchr("BHILQ", f[0])) type_ = sized ? Type::unsigned_integer : Type::none;
    if ((f[0] == 'd' && size == 8) || (f[0] == 'f' && size == 4)) type_ = Type::real;
    return type_ != Type::none;
  }

  Type type() const noexcept { return type_; }

  double real(Py_ssize_t i) const noexcept {
    const char* at = item(i);
    if (view_.itemsize == 4) return load<float>(at);
    return load<double>(at);
  }
  long long signed_integer(Py_ssize_t i) const noexcept {
    return integer<std::int8_t, std::int16_t, std::int32_t, std::int64_t>(i);
  }
  unsigned long long unsigned_integer(Py_ssize_t i) const noexcept {
    return integer<std::uint8_t, std::uint16_t, std::uint32_t, std::uint64_t>(i);
  }

 private:
  const char* item(Py_ssize_t i) const noexcept {
    return static_cast<const char*>(view_.buf) + i * (view_.strides ? view_.strides[0] : view_.itemsize);
  }
  // Item i, of the one of the four types that has the buffer's item size.
  template <class I1, class I2, class I4, class I8>
  I8 integer(Py_ssize_t i) const noexcept {
    const char* at = item(i);
    switch (view_.itemsize) {
      case 1:
        return load<I1>(at);
      case 2:
        return load<I2>(at);
      case 4:
        return load<I4>(at);
      default:
        return load<I8>(at);
    }
  }
  template <class T>
  static T load(const char* at) noexcept {
    T value;
    std::memcpy(&value, at, sizeof value);  // a strided view need not be aligned
    return value;
  }

  Py_buffer view_{};
  bool held_ = false;
  Type type_ = Type::none;
};

namespace detail {

// The arrays of the columns, read from the blocks pandas keeps them in (df._mgr.blocks: each
// block's `values`, a 2-D array whose rows are its columns or a 1-D extension array of one
// column, and `mgr_locs`, their positions): what DataFrame._get_column_array gives for each
// column (block.iget), with a Python call per block rather than per column. 1 when every column
// is found once, 0 (no error) when the frame keeps its data otherwise, -1 with the error set.
inline int block_arrays(PyObject* df, Py_ssize_t count, std::vector<Ref>& out) {
  Ref manager, blocks;
  if (lookup_attr(df, k.pandas_manager, manager) <= 0 || lookup_attr(manager.get(), k.blocks, blocks) <= 0 ||
      !PyTuple_Check(blocks.get())) {
    PyErr_Clear();
    return 0;
  }
  out.clear();
  out.resize(static_cast<std::size_t>(count));
  for (Py_ssize_t b = 0; b < PyTuple_GET_SIZE(blocks.get()); ++b) {
    PyObject* block = PyTuple_GET_ITEM(blocks.get(), b);
    Ref values = get(block, k.values);
    Ref places = get(get(block, k.mgr_locs).get(), k.as_array);
    Ref dimensions = get(values.get(), k.ndim);
    if (!dimensions || !places) return -1;
    long ndim = PyLong_AsLong(dimensions.get());
    Py_ssize_t n = PyObject_Length(places.get());
    if ((ndim == -1 || n < 0) && PyErr_Occurred()) return -1;
    NumberBuffer positions;
    if ((ndim != 1 && ndim != 2) || (ndim == 1 && n != 1) || !positions.open(places.get(), n) ||
        positions.type() != NumberBuffer::Type::signed_integer) {
      return 0;
    }
    for (Py_ssize_t i = 0; i < n; ++i) {
      long long at = positions.signed_integer(i);
      if (at < 0 || at >= count || out[static_cast<std::size_t>(at)]) return 0;
      Ref array = ndim == 1 ? Ref::borrow(values.get()) : Ref::steal(PySequence_GetItem(values.get(), i));
      if (!array) return -1;
      out[static_cast<std::size_t>(at)] = std::move(array);
    }
  }
  for (const Ref& array : out) {
    if (!array) return 0;
  }
  return 1;
}

}  // namespace detail

// pandas: the array each column is stored in, as DataFrame._get_column_array gives it (no Series
// is made, nor a reference of the frame's data recorded), read block by block where pandas keeps
// blocks; df.iloc[:, j].array where the method is missing.
inline bool read_columns(PyObject* df, Py_ssize_t count, FrameColumns& out) {
  Ref labels = detail::get(df, k.pandas_columns);
  out.names = labels ? index_labels(labels.get()) : Ref{};
  if (!out.names || !check_items(out.names.get(), count)) return false;
  int read = detail::block_arrays(df, count, out.arrays);
  if (read != 0) return read > 0;
  out.arrays.clear();
  Ref getter;
  int found = lookup_attr(df, k.get_column_array, getter);
  if (found < 0) return false;
  out.arrays.reserve(static_cast<std::size_t>(count));
  for (Py_ssize_t j = 0; j < count; ++j) {
    Ref array;
    if (found) {
      Ref position = Ref::steal(PyLong_FromSsize_t(j));
      array = position ? Ref::steal(PyObject_CallOneArg(getter.get(), position.get())) : Ref{};
    } else {
      array = detail::get(column_series(df, j).get(), k.pandas_array);
    }
    if (!array) return false;
    out.arrays.push_back(std::move(array));
  }
  return true;
}

}  // namespace vm
