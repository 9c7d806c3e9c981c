// velmora.validate's checks of tables: the table block (one per message) and the data table,
// their rows and cells.
#pragma once

#include "check_message.hpp"
#include "check_rich_text.hpp"

namespace vm::check {

// The characters a table's cells show, for the limit on all of them: the "text" of raw cells and
// of every element of rich-text cells, down to rich text's own depth. -1 with the error set.
inline Py_ssize_t cell_characters(PyObject* value, int depth = 0) noexcept {
  Py_ssize_t total = 0;
  if (depth > 8) return 0;
  if (PyDict_Check(value)) {
    PyObject* text = PyDict_GetItemWithError(value, k.text);
    if (!text && PyErr_Occurred()) return -1;
    if (text && PyUnicode_Check(text)) total += PyUnicode_GET_LENGTH(text);
    Ref inner = Ref::borrow(PyDict_GetItemWithError(value, k.elements));
    if (!inner && PyErr_Occurred()) return -1;
    Py_ssize_t more = inner ? cell_characters(inner.get(), depth + 1) : 0;
    return more < 0 ? -1 : total + more;
  }
  if (!PyList_Check(value)) return 0;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(value); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(value, i));
    Py_ssize_t more = cell_characters(item.get(), depth + 1);
    if (more < 0) return -1;
    total += more;
  }
  return total;
}

// The cells of a table ("raw_text" or "rich_text"; slack_sdk also sends "raw_number") or of a data
// table (also "raw_number"); `header` refuses rich text, as a data table's header row does.
inline bool cell(Checker& c, PyObject* item, bool header = false) {
  Ref type;
  if (!typed(c, item, "A table cell", type)) return false;
  if (!type) return true;
  switch (which(type.get(), {k.raw_text, k.raw_number, k.rich_text})) {
    case 0:
      return string(c, item, k.text, 1, PY_SSIZE_T_MAX, true);
    case 1:
      return string(c, item, k.text, 1, PY_SSIZE_T_MAX);
    case 2:
      if (!header) return rich_text(c, item);
      break;
    default: {
      auto here = c.at(k.type);
      return c.report("A table cell must be \"raw_text\", \"raw_number\" or \"rich_text\", not \"%U\".", type.get());
    }
  }
  auto here = c.at(k.type);
  return c.report("A header cell must be \"raw_text\" or \"raw_number\", not \"rich_text\".");
}

// A row of 1 to 20 cells; `columns` receives its length (-1 when it is not a list).
inline bool row(Checker& c, PyObject* item, Py_ssize_t& columns, bool header = false) {
  columns = -1;
  if (!PyList_Check(item)) {
    Ref got = vm::type_name(item);
    return got && c.report("A table row must be a list of cells, not %U.", got.get());
  }
  Py_ssize_t count = columns = PyList_GET_SIZE(item);
  if (count > limit::table_columns &&
      !c.report("A table row holds %zd cells; Slack allows at most %zd.", count, limit::table_columns)) {
    return false;
  }
  if (count == 0 && !c.report("A table row holds no cells; it needs at least 1.")) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(item); ++i) {
    Ref each = Ref::borrow(PyList_GET_ITEM(item, i));
    auto step = c.at(i);
    if (!cell(c, each.get(), header)) return false;
  }
  return true;
}

// A table: 1 to 100 rows, "column_settings" of at most 20.
inline bool table(Checker& c, PyObject* block) {
  auto setting = [&](PyObject* item) {
    if (item == Py_None) return true;  // a column left at its defaults
    bool dict;
    if (!object(c, item, "A column setting", dict)) return false;
    if (!dict) return true;
    return boolean(c, item, k.is_wrapped) &&
           choice(c, item, k.align, {k.left, k.center, k.right}, "\"left\", \"center\" or \"right\"");
  };
  Py_ssize_t columns;
  return items(c, block, k.rows, 1, split_max(c, limit::table_rows), "a table", true,
               [&](PyObject* r) { return row(c, r, columns); }) &&
         items(c, block, k.column_settings, 0, limit::table_columns, "a table", false, setting);
}

// A data table: a "caption", a header row and 1 to 100 rows of equal length, at most 10,000
// characters in all the cells, "page_size" 1 to 100, a "row_header_column_index" within the rows.
inline bool data_table(Checker& c, PyObject* block) {
  Ref caption;
  if (!get(block, k.caption, caption)) return false;
  if (!caption && !missing(c, k.caption)) return false;
  Py_ssize_t width = -1, index = 0;
  bool ok = items(c, block, k.rows, 2, 101, "a data table", true, [&](PyObject* r) {
    Py_ssize_t columns;
    if (!row(c, r, columns, index++ == 0)) return false;
    if (columns < 0 || width < 0 || columns == width) {
      if (width < 0) width = columns;
      return true;
    }
    return c.report("A data table row holds %zd cells, the first row %zd; all rows must be as long.", columns, width);
  });
  if (!ok) return false;
  Ref rows;
  if (!get(block, k.rows, rows)) return false;
  Py_ssize_t characters = rows ? cell_characters(rows.get()) : 0;
  if (characters < 0) return false;
  if (characters > 10000) {
    auto here = c.at(k.rows);
    if (!c.report("The cells hold %zd characters; Slack allows at most 10,000 in a data table.", characters)) {
      return false;
    }
  }
  return integer(c, block, k.page_size, 1, limit::data_table_page_size, "1 to 100") &&
         integer(c, block, k.row_header_column_index, 0, width > 0 ? static_cast<long>(width) - 1 : 19,
                 "the index of a column");
}

// The table block: at most one per message; a table inside another block (a container's)
// makes that block count as the message's table for fit.
inline bool table_block(Checker& c, PyObject* item, Seen& seen) {
  c.note_table();
  if (!note_long(c, item, k.rows, limit::table_rows, 'T')) return false;
  if (++seen.tables == 2 && !c.report("A message holds at most one table; this is the second.")) return false;
  return table(c, item);
}

}  // namespace vm::check
