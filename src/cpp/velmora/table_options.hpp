// The table options: the keyword arguments with which a caller chooses what a table of a frame
// shows. Every fact about them (name, order, type in the stubs, which tables take them) is in
// VM_TABLE_OPTIONS; the binding of the builders, the message attributes, the signatures in the
// docstrings and (checked by a test) the stubs all follow it.
#pragma once

#include <array>
#include <cstddef>

#include "args.hpp"
#include "errors.hpp"

// X(key, name, "type in the stubs", tables): `key` the member of vm::Keys spelling `name`;
// `tables` is `every` for an option of every table of a frame, `fixed` for one of the tables laid
// out by velmora (the table block and the text table), not of the data table, which Slack's
// client pages, sorts and lays out itself.
#define VM_TABLE_OPTIONS(X)                                                           \
  X(formatters, formatters, "Mapping[Any, str | Callable[[Any], str]] | None", every) \
  X(float_format, float_format, "str | Callable[[Any], str] | None", every)           \
  X(pandas_columns, columns, "Iterable[Any] | None", every)                           \
  X(align, align, "Mapping[Any, Literal['left', 'center', 'right']] | None", fixed)   \
  X(wrap, wrap, "Iterable[Any] | None", fixed)                                        \
  X(max_rows, max_rows, "int | None", fixed)                                          \
  X(na_rep, na_rep, "str | None", every)

// The options' keyword parameters as a signature shows them: ", formatters=None, ..." for every
// option (VM_TABLE_OPTION_SIGNATURE) or the options of every table (VM_TABLE_CELL_SIGNATURE).
#define VM_TABLE_OPTION_PARAM(key, name, type, tables) ", " #name "=None"
#define VM_TABLE_OPTION_SIGNATURE VM_TABLE_OPTIONS(VM_TABLE_OPTION_PARAM)
#define VM_TABLE_OPTION_IF_every(...) __VA_ARGS__
#define VM_TABLE_OPTION_IF_fixed(...)
#define VM_TABLE_CELL_PARAM(key, name, type, tables) VM_TABLE_OPTION_IF_##tables(", " #name "=None")
#define VM_TABLE_CELL_SIGNATURE VM_TABLE_OPTIONS(VM_TABLE_CELL_PARAM)

namespace vm {

// The options' keys, in order: all of them, and those of every table.
#define VM_TABLE_OPTION_KEY(key, name, type, tables) &Keys::key,
inline constexpr std::array table_option_keys{VM_TABLE_OPTIONS(VM_TABLE_OPTION_KEY)};
#undef VM_TABLE_OPTION_KEY
inline constexpr std::size_t table_option_count = table_option_keys.size();
#define VM_TABLE_CELL_KEY(key, name, type, tables) VM_TABLE_OPTION_IF_##tables(&Keys::key, )
inline constexpr std::array table_cell_option_keys{VM_TABLE_OPTIONS(VM_TABLE_CELL_KEY)};
#undef VM_TABLE_CELL_KEY

// The options, borrowed from the call; null or None when not given.
struct TableOptions {
#define VM_TABLE_OPTION_FIELD(key, name, type, tables) PyObject* name = nullptr;
  VM_TABLE_OPTIONS(VM_TABLE_OPTION_FIELD)
#undef VM_TABLE_OPTION_FIELD

  // The options from their values in the order of table_option_keys.
  static TableOptions from(PyObject* const* values) noexcept {
    TableOptions o;
    std::size_t i = 0;
#define VM_TABLE_OPTION_READ(key, name, type, tables) o.name = values[i++];
    VM_TABLE_OPTIONS(VM_TABLE_OPTION_READ)
#undef VM_TABLE_OPTION_READ
    return o;
  }
  // The options of every table from their values in the order of table_cell_option_keys (the
  // others left out).
  static TableOptions from_cells(PyObject* const* values) noexcept {
    TableOptions o;
    std::size_t i = 0;
#define VM_TABLE_CELL_READ(key, name, type, tables) VM_TABLE_OPTION_IF_##tables(o.name = values[i++];)
    VM_TABLE_OPTIONS(VM_TABLE_CELL_READ)
#undef VM_TABLE_CELL_READ
    return o;
  }
};

// A parameter list of `head`, then `options` and `tail` (keyword-only): the binding of a builder
// that takes table options.
template <std::size_t H, std::size_t T, std::size_t O>
constexpr auto table_params(const char* func, std::array<Key, H> head, const std::array<Key, O>& options,
                            std::array<Key, T> tail, std::size_t required, std::size_t positional) {
  Params<H + O + T> params{func, {}, required, positional};
  std::size_t n = 0;
  for (Key key : head) params.names[n++] = key;
  for (Key key : options) params.names[n++] = key;
  for (Key key : tail) params.names[n++] = key;
  return params;
}

inline PyObject* given(PyObject* option) noexcept {
  return option && option != Py_None ? option : nullptr;
}

[[gnu::cold]] inline bool raise_option(PyObject* type, const char* format, PyObject* value) noexcept {
  Ref got = type_name(value);
  if (got) PyErr_Format(type, format, got.get());
  return false;
}

// A formatter: a str (a format string with "{", a printf-style format, a format spec; see
// vm::Formatter) or a callable.
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
  if (PyObject* na_rep = given(o.na_rep); na_rep && !PyUnicode_Check(na_rep)) {
    return raise_option(PyExc_TypeError, "na_rep must be a str, got %U", na_rep);
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

// The keys of formatters and align, and the labels of wrap, must name columns of `labels`.
inline bool check_option_labels(PyObject* labels, const TableOptions& o, PyObject* wrapped) noexcept {
  PyObject *formatters = given(o.formatters), *align = given(o.align);
  return (!formatters || check_known(labels, formatters, "formatters")) &&
         (!align || check_known(labels, align, "align")) && (!wrapped || check_known(labels, wrapped, "wrap"));
}

}  // namespace vm
