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

// The cells of a table or a data table: "raw_text" (a text of at least one character),
// "raw_number" (a finite "value" and the "text" that shows it) or "rich_text"; a data table's
// header row (`header`) holds raw_text cells only.
inline bool cell(Checker& c, PyObject* item, bool header = false) {
  Ref type;
  if (!typed(c, item, "A table cell", type)) return false;
  if (!type) return true;
  int kind = which(type.get(), {k.raw_text, k.raw_number, k.rich_text});
  if (header && kind != 0) {
    auto here = c.at(k.type);
    return c.report("A header cell must be \"raw_text\", not \"%U\".", type.get());
  }
  switch (kind) {
    case 0:
      return keys(c, item, {&Keys::text}, type_only, type.get()) && string(c, item, k.text, 1, PY_SSIZE_T_MAX, true);
    case 1:
      return keys(c, item, {&Keys::value, &Keys::text}, type_only, type.get()) && finite_number(c, item, k.value) &&
             string(c, item, k.text, 1, PY_SSIZE_T_MAX, true);
    case 2:
      return rich_text_value(c, item, "A table cell");
    default: {
      auto here = c.at(k.type);
      return c.report("A table cell must be \"raw_text\", \"raw_number\" or \"rich_text\", not \"%U\".", type.get());
    }
  }
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

// The characters of all the cells under `rows` of `block`, reported over `max`; while fitting,
// a block that `split` says fit splits is noted instead.
inline bool cells_within(Checker& c, PyObject* block, Py_ssize_t max, const char* owner, char split = 0) {
  Ref rows;
  if (!get(block, k.rows, rows)) return false;
  Py_ssize_t characters = rows ? cell_characters(rows.get()) : 0;
  if (characters <= max) return characters >= 0;
  if (split && c.fitting && c.depth == 0) {
    c.note(split);
    return true;
  }
  auto here = c.at(k.rows);
  return c.report("The cells hold %zd characters; Slack allows at most %zd in %s.", characters, max, owner);
}

// A table: 1 to 100 rows, at most 10,000 characters in all its cells, "column_settings" of at
// most 20 objects (a column left at its defaults is {}, never null).
inline bool table(Checker& c, PyObject* block) {
  auto setting = [&](PyObject* item) {
    if (null(item)) return c.report("A column setting is null; Slack refuses null here: write {} for the defaults.");
    bool dict;
    if (!object(c, item, "A column setting", dict)) return false;
    if (!dict) return true;
    return keys(c, item, {&Keys::align, &Keys::is_wrapped}, "a column setting") && boolean(c, item, k.is_wrapped) &&
           choice(c, item, k.align, {k.left, k.center, k.right}, "\"left\", \"center\" or \"right\"");
  };
  Py_ssize_t columns;
  return items(c, block, k.rows, 1, split_max(c, limit::table_rows), "a table", true,
               [&](PyObject* r) { return row(c, r, columns); }) &&
         cells_within(c, block, limit::table_characters, "a table", 'T') &&
         items(c, block, k.column_settings, 0, limit::table_columns, "a table", false, setting);
}

// A data table: a "caption", a header row and 1 to 200 rows of equal length, at most 20,000
// characters in all the cells, "page_size" 1 to 100, a "row_header_column_index" within the rows.
// While fitting, one of too many rows or characters is noted for fit to split ('D').
inline bool data_table(Checker& c, PyObject* block) {
  Py_ssize_t width = -1, index = 0;
  if (!string(c, block, k.caption, 1, PY_SSIZE_T_MAX, true) ||
      !note_long(c, block, k.rows, limit::data_table_rows, 'D')) {
    return false;
  }
  bool ok = items(c, block, k.rows, 2, split_max(c, limit::data_table_rows), "a data table", true, [&](PyObject* r) {
    Py_ssize_t columns;
    if (!row(c, r, columns, index++ == 0)) return false;
    if (columns < 0 || width < 0 || columns == width) {
      if (width < 0) width = columns;
      return true;
    }
    return c.report("A data table row holds %zd cells, the first row %zd; all rows must be as long.", columns, width);
  });
  return ok && cells_within(c, block, limit::data_table_characters, "a data table", 'D') &&
         integer(c, block, k.page_size, 1, limit::data_table_page_size, "1 to 100") &&
         integer(c, block, k.row_header_column_index, 0, width > 0 ? static_cast<long>(width) - 1 : 19,
                 "the index of a column");
}

// A message holds one table, data tables counted with tables; a table inside another block (a
// container's) makes that block count as the message's table for fit.
inline bool one_table(Checker& c, Seen& seen) {
  c.note_table();
  return ++seen.tables != limit::tables + 1 ||
         c.report("A message holds at most one table or data table; this is the second.");
}

// The table block; while fitting, one of too many rows or characters is noted to be split.
inline bool table_block(Checker& c, PyObject* item, Seen& seen) {
  return one_table(c, seen) && note_long(c, item, k.rows, limit::table_rows, 'T') && table(c, item);
}

inline bool data_table_block(Checker& c, PyObject* item, Seen& seen) {
  return one_table(c, seen) && data_table(c, item);
}

}  // namespace vm::check
