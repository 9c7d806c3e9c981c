// The table options: the keyword arguments with which a caller chooses what a table of a frame
// shows. Every fact about them (name, order, type in the stubs, which tables take them) is in
// VM_TABLE_OPTIONS; the binding of the builders, the message attributes, the signatures in the
// docstrings and (checked by a test) the stubs all follow it.
#pragma once

#include <array>
#include <cstddef>

#include "args.hpp"
#include "errors.hpp"
#include "keys.hpp"
#include "limits.hpp"

// X(key, name, "type in the stubs", tables, check): `key` the member of vm::Keys spelling `name`;
// `tables` is `every` for an option of every table of a frame, `fixed` for one of the tables laid
// out by velmora (the table block and the text table), not of the data table, which Slack's
// client pages, sorts and lays out itself; `check(value, name)` the check of its value (None is
// always taken: the option left out).
#define VM_TABLE_OPTIONS(X)                                                                             \
  X(formatters, formatters, "Mapping[Any, str | Callable[[Any], str]] | None", every, check_formatters) \
  X(float_format, float_format, "str | Callable[[Any], str] | None", every, check_float_format)         \
  X(pandas_columns, columns, "Iterable[Any] | None", every, check_column_labels)                        \
  X(align, align, "Mapping[Any, Literal['left', 'center', 'right']] | None", fixed, check_align)        \
  X(wrap, wrap, "Iterable[Any] | None", fixed, check_column_labels)                                     \
  X(max_rows, max_rows, "int | None", fixed, check_max_rows)                                            \
  X(na_rep, na_rep, "str | None", every, check_na_rep)

// The options' keyword parameters as a signature shows them: ", formatters=None, ..." for every
// option (VM_TABLE_OPTION_SIGNATURE) or the options of every table (VM_TABLE_CELL_SIGNATURE).
#define VM_TABLE_OPTION_PARAM(key, name, type, tables, check) ", " #name "=None"
#define VM_TABLE_OPTION_SIGNATURE VM_TABLE_OPTIONS(VM_TABLE_OPTION_PARAM)
#define VM_TABLE_OPTION_IF_every(...) __VA_ARGS__
#define VM_TABLE_OPTION_IF_fixed(...)
#define VM_TABLE_CELL_PARAM(key, name, type, tables, check) VM_TABLE_OPTION_IF_##tables(", " #name "=None")
#define VM_TABLE_CELL_SIGNATURE VM_TABLE_OPTIONS(VM_TABLE_CELL_PARAM)

namespace vm {

// The options' keys, in order: all of them, and those of every table.
#define VM_TABLE_OPTION_KEY(key, name, type, tables, check) &Keys::key,
inline constexpr std::array table_option_keys{VM_TABLE_OPTIONS(VM_TABLE_OPTION_KEY)};
#undef VM_TABLE_OPTION_KEY
inline constexpr std::size_t table_option_count = table_option_keys.size();
#define VM_TABLE_CELL_KEY(key, name, type, tables, check) VM_TABLE_OPTION_IF_##tables(&Keys::key, )
inline constexpr std::array table_cell_option_keys{VM_TABLE_OPTIONS(VM_TABLE_CELL_KEY)};
#undef VM_TABLE_CELL_KEY

// The options, borrowed from the call; null or None when not given.
struct TableOptions {
#define VM_TABLE_OPTION_FIELD(key, name, type, tables, check) PyObject* name = nullptr;
  VM_TABLE_OPTIONS(VM_TABLE_OPTION_FIELD)
#undef VM_TABLE_OPTION_FIELD

  // The options from their values in the order of table_option_keys.
  static TableOptions from(PyObject* const* values) noexcept {
    TableOptions o;
    std::size_t i = 0;
#define VM_TABLE_OPTION_READ(key, name, type, tables, check) o.name = values[i++];
    VM_TABLE_OPTIONS(VM_TABLE_OPTION_READ)
#undef VM_TABLE_OPTION_READ
    return o;
  }
  // The options of every table from their values in the order of table_cell_option_keys (the
  // others left out).
  static TableOptions from_cells(PyObject* const* values) noexcept {
    TableOptions o;
    std::size_t i = 0;
#define VM_TABLE_CELL_READ(key, name, type, tables, check) VM_TABLE_OPTION_IF_##tables(o.name = values[i++];)
    VM_TABLE_OPTIONS(VM_TABLE_CELL_READ)
#undef VM_TABLE_CELL_READ
    return o;
  }
};

inline PyObject* given(PyObject* option) noexcept {
  return option && option != Py_None ? option : nullptr;
}

// A formatter: a str (a format string with "{", a printf-style format, a format spec; see
// vm::Formatter) or a callable.
inline bool check_formatter(PyObject* value, const char* what) noexcept {
  if (PyUnicode_Check(value) || PyCallable_Check(value)) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a format string or a callable, got %U", what, got.get());
  return false;
}

inline bool check_mapping(PyObject* value, const char* param) noexcept {
  if (PyDict_Check(value)) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a dict of column labels, got %U", param, got.get());
  return false;
}

// Each value of the caller's dict `dict` passes `check(key, value)`. Key and value are held
// while they are checked: their __repr__ or __eq__ may change the dict.
template <class Check>
bool check_each(PyObject* dict, Check&& check) noexcept {
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(dict, &pos, &key, &value)) {
    Ref held_key = Ref::borrow(key), held_value = Ref::borrow(value);
    if (!check(held_key.get(), held_value.get())) return false;
  }
  return true;
}

// formatters: {column: formatter}.
inline bool check_formatters(PyObject* value, const char* param) noexcept {
  if (value == Py_None) return true;
  return check_mapping(value, param) && check_each(value, [param](PyObject* key, PyObject* formatter) {
           Ref what = Ref::steal(PyUnicode_FromFormat("%s[%R]", param, key));
           const char* text = what ? PyUnicode_AsUTF8(what.get()) : nullptr;
           return text && check_formatter(formatter, text);
         });
}

// float_format: one formatter.
inline bool check_float_format(PyObject* value, const char* param) noexcept {
  return value == Py_None || check_formatter(value, param);
}

// columns, wrap: a collection of column labels, anything iterable but a str or bytes.
inline bool check_column_labels(PyObject* value, const char* param) noexcept {
  if (value == Py_None || (!PyUnicode_Check(value) && !PyBytes_Check(value) && Py_TYPE(value)->tp_iter)) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a list of column labels, got %U", param, got.get());
  return false;
}

// align: {column: "left" | "center" | "right"}.
inline bool check_align(PyObject* value, const char* param) noexcept {
  if (value == Py_None) return true;
  return check_mapping(value, param) && check_each(value, [param](PyObject* key, PyObject* side) {
           int known = PyUnicode_Check(side) ? which_key(side, {k.left, k.center, k.right}) : -1;
           if (known >= 0) return true;
           if (!PyErr_Occurred()) {
             PyErr_Format(PyExc_ValueError, "%s[%R] must be 'left', 'center' or 'right', got %.200R", param, key, side);
           }
           return false;
         });
}

// max_rows: an int of 0 or more.
inline bool check_max_rows(PyObject* value, const char* param) noexcept {
  if (value == Py_None) return true;
  if (!PyLong_Check(value) || PyBool_Check(value)) {
    Ref got = type_name(value);
    if (got) PyErr_Format(PyExc_TypeError, "%s must be an int, got %U", param, got.get());
    return false;
  }
  if (PyLong_AsSsize_t(value) >= 0) return true;
  if (!PyErr_Occurred()) PyErr_Format(PyExc_ValueError, "%s must not be negative", param);
  return false;
}

// na_rep: the text of a missing value.
inline bool check_na_rep(PyObject* value, const char* param) noexcept {
  if (value == Py_None || PyUnicode_Check(value)) return true;
  Ref got = type_name(value);
  if (got) PyErr_Format(PyExc_TypeError, "%s must be a str, got %U", param, got.get());
  return false;
}

// ---- a data table's own parameters --------------------------------------------------------------

// caption: a str of at least one character (Slack requires one).
inline bool check_caption(PyObject* value, const char* param) noexcept {
  if (!check_str(value, param)) return false;
  if (PyUnicode_GET_LENGTH(value)) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must not be empty: Slack shows it above the table", param);
  return false;
}

// page_size: None, or an int of 1 to 100 (the rows on a page; Slack's default is 5).
inline bool check_page_size(PyObject* value, const char* param) noexcept {
  if (value == Py_None) return true;
  if (!PyLong_Check(value) || PyBool_Check(value)) {
    raise_wrong_type(param, "int", value);
    return false;
  }
  int overflow = 0;
  long long rows = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (rows == -1 && !overflow && PyErr_Occurred()) return false;
  if (!overflow && rows >= 1 && rows <= limit::data_table_page_size) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must be 1 to %zd, got %R", param, limit::data_table_page_size, value);
  return false;
}

// Every option of its type, the values of `formatters` and `align` too, in the order of the
// options: TypeError or ValueError naming it.
inline bool check_table_options(const TableOptions& o) noexcept {
#define VM_TABLE_OPTION_CHECK(key, name, type, tables, check) \
  if (!check(o.name ? o.name : Py_None, #name)) return false;
  VM_TABLE_OPTIONS(VM_TABLE_OPTION_CHECK)
#undef VM_TABLE_OPTION_CHECK
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
