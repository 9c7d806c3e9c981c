// A DataFrame's cells as text, column by column, as pandas shows the frame (print(df),
// DataFrame.to_string()), with the table options: the texts the table blocks and the text table
// show. The index levels become leading columns, MultiIndex column labels are joined with " / ",
// missing values (None, NaN, NaT, NA) show as the table asks. A polars frame is read natively where its
// columns show as its to_pandas() would, anything else through that pandas frame.
#pragma once

#include <cstring>
#include <vector>

#include "column_text.hpp"
#include "table_options.hpp"

namespace vm {

namespace detail {

// index.to_frame(index=False): the index levels as the columns of a new frame.
inline Ref levels_frame(PyObject* index) noexcept {
  Ref keywords = names({k.index});
  PyObject* args[] = {index, Py_False};
  return keywords ? Ref::steal(
                        PyObject_VectorcallMethod(k.to_frame, args, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, keywords.get()))
                  : Ref{};
}

// The index as leading columns: one per level, headed by the level's name.
inline bool index_columns(PyObject* df, Py_ssize_t rows, const ColumnReading& how, ShownTable& out) {
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
    column.header = cell_text(PyList_GET_ITEM(levels.get(), j), empty_cell());
    if (!column.header ||
        column_cells(frame.get(), j, data.arrays[static_cast<std::size_t>(j)].get(), rows, {}, {}, how, column) <= 0) {
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

// Whether a polars column of text holds a null, which its numpy form keeps as None where pandas'
// text dtype has its own missing value (NaN in pandas 3): 1, 0, -1 with the error set.
inline int text_with_nulls(PyObject* column, PyObject* dtype) noexcept {
  const char* name = Py_TYPE(dtype)->tp_name;
  if (std::strcmp(name, "String") != 0 && std::strcmp(name, "Utf8") != 0) return 0;
  Ref nulls = call_method(column, k.null_count);
  if (!nulls) return -1;
  int truth = PyObject_IsTrue(nulls.get());
  return truth;
}

// The columns of a polars DataFrame named by the list `labels`, as numpy arrays: 1 when read,
// 0 (no error) when a column is of a dtype to read through to_pandas() (with `marks`, pandas'
// marks of missing values shown, a text column with nulls too), -1 with the error set.
inline int read_polars_columns(PyObject* df, PyObject* all, PyObject* labels, bool marks, FrameColumns& out) {
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
    if (marks) {
      int nulls = text_with_nulls(column, dtype.get());
      if (nulls) return nulls < 0 ? -1 : 0;
    }
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

// The shown columns of `data` (of the pandas frame `frame`, null for a polars frame), with the
// options: 1, -1 with the error set, 0 (no error) when a column needs pandas' own text.
inline int shown_columns(PyObject* frame, const FrameColumns& data, Py_ssize_t rows, const TableOptions& o,
                         PyObject* wrapped, const ColumnReading& how, ShownTable& out) {
  PyObject *formatters = given(o.formatters), *align = given(o.align);
  for (std::size_t j = 0; j < data.arrays.size(); ++j) {
    PyObject* label = PyList_GET_ITEM(data.names.get(), static_cast<Py_ssize_t>(j));
    PyObject* formatter = formatters ? PyDict_GetItemWithError(formatters, label) : nullptr;
    PyObject* side = align ? PyDict_GetItemWithError(align, label) : nullptr;
    if (PyErr_Occurred()) return -1;
    ShownColumn column;
    column.header = label_text(label);
    if (!column.header) return -1;
    int done = column_cells(frame, static_cast<Py_ssize_t>(j), data.arrays[j].get(), rows, Formatter(formatter),
                            Formatter(given(o.float_format)), how, column);
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
  PyErr_SetString(PyExc_ValueError, "DataFrame has no columns: a table needs at least one column");
  return false;
}

// A polars frame read natively (no to_pandas()): 1, -1 with the error set, 0 (no error) when it
// is to be read as its to_pandas() (a column that needs pandas' text, a selection of labels
// polars does not name alike).
inline int polars_text(PyObject* df, const TableOptions& o, PyObject* wrapped, const ColumnReading& how,
                       ShownTable& out) {
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
  Py_ssize_t all = rows;
  if (PyObject* most = given(o.max_rows)) {
    if (PyLong_AsSsize_t(most) < rows) {
      frame = Ref::steal(PyObject_CallMethodOneArg(df, k.head, most));
      if (!frame || !frame_shape(frame.get(), rows, count)) return -1;
    }
  }
  FrameColumns data;
  int read = read_polars_columns(frame.get(), labels.get(), shown.get(), !how.missing.text, data);
  if (read <= 0) return read;
  out.rows = rows;
  out.omitted = all - rows;
  return shown_columns(nullptr, data, rows, o, wrapped, how, out);
}

}  // namespace detail

// "… 95 more rows" ("… 1 more row"): what a table shows below the rows max_rows kept.
inline Ref omitted_rows_text(Py_ssize_t omitted) noexcept {
  return Ref::steal(PyUnicode_FromFormat("%U %zd more row%s", k.ellipsis_mark, omitted, omitted == 1 ? "" : "s"));
}

// The cells of the frame `value` (pandas, polars or pyarrow; checked by check_frame) as they
// are shown: the index levels first when `with_index`, then the columns `options` select.
// A missing value shows as `missing` says (in the columns, as na_rep says when given); with
// `numbers`, the numbers of numeric columns are kept too. ValueError when no column is left.
inline bool frame_text(PyObject* value, bool with_index, const TableOptions& o, ShownTable& out, Missing missing,
                       bool numbers = false) {
  if (!check_table_options(o)) return false;
  PyObject* wrap = given(o.wrap);
  Ref wrapped = wrap ? Ref::steal(PySet_New(wrap)) : Ref{};
  if (wrap && !wrapped) return false;
  ColumnReading index{.floats = {}, .missing = missing, .numbers = numbers};
  if (!read_display_options(index.floats)) return false;
  ColumnReading columns = index;
  if (PyObject* na_rep = given(o.na_rep)) columns.missing.text = na_rep;
  if (is_polars_frame(value) && !with_index && !given(o.formatters)) {
    int done = detail::polars_text(value, o, wrapped.get(), columns, out);
    if (done) return done > 0;
    out = ShownTable{};
  }
  Ref df = as_pandas(value);
  if (!df) return false;
  if (given(o.formatters) || given(o.align) || wrap) {
    Ref labels = detail::labels_of(df.get(), false);
    if (!labels || !check_option_labels(labels.get(), o, wrapped.get())) return false;
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
      out.omitted = rows - keep;
      rows = keep;
    }
  }
  out.rows = rows;
  if (with_index && !detail::index_columns(df.get(), rows, index, out)) return false;
  FrameColumns data;
  if (!read_columns(df.get(), count, data)) return false;
  return detail::shown_columns(df.get(), data, rows, o, wrapped.get(), columns, out) > 0;
}

}  // namespace vm
