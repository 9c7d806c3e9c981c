// Table blocks: a DataFrame as one Block Kit "table" block of rich-text cells. The cells'
// texts are those pandas shows (vm::frame_text); every cell is then made here. pandas is
// imported on the first call, not when the module is.
#include "velmora/blocks.hpp"
#include "velmora/frame_text.hpp"
#include "velmora/limits.hpp"
#include "velmora/rich_text.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// Slack's limit of cells per row. A table of more than 100 rows (the header counts) is built
// whole: velmora.fit splits it into tables that each repeat the header row.
constexpr Py_ssize_t max_columns = vm::limit::table_columns;

// ---- the block ------------------------------------------------------------------------------

// A cell's text as Slack takes it: never empty (Slack refuses a text of no characters, and the
// whole message with it), an empty text shows as one space.
PyObject* shown_text(PyObject* text) noexcept {
  return PyUnicode_GET_LENGTH(text) ? text : k.space;
}

// One row of rich-text cells: the header when `row` is negative, else row `row`.
Ref row_of(const vm::ShownTable& table, Py_ssize_t row) noexcept {
  Py_ssize_t width = static_cast<Py_ssize_t>(table.columns.size());
  Ref out = Ref::steal(PyList_New(width));
  if (!out) return {};
  for (Py_ssize_t j = 0; j < width; ++j) {
    const vm::ShownColumn& column = table.columns[static_cast<std::size_t>(j)];
    PyObject* text = row < 0 ? column.header.get() : PyList_GET_ITEM(column.cells.get(), row);
    Ref cell = vm::rich_text_cell(shown_text(text), row < 0);
    if (!cell) return {};
    PyList_SET_ITEM(out.get(), j, cell.release());
  }
  return out;
}

// The row below the rows max_rows kept, in italics: "… 95 more rows", then "…" in every other
// column, as pandas marks the rows it leaves out.
Ref omitted_row(const vm::ShownTable& table) noexcept {
  Py_ssize_t width = static_cast<Py_ssize_t>(table.columns.size());
  Ref note = vm::omitted_rows_text(table.omitted);
  Ref out = note ? Ref::steal(PyList_New(width)) : Ref{};
  if (!out) return {};
  for (Py_ssize_t j = 0; j < width; ++j) {
    PyObject* text = j == 0 ? note.get() : k.ellipsis_mark;
    Ref element = vm::styled(vm::typed(k.text, k.text, text), {.italic = true});
    Ref cell = vm::holding(k.rich_text, vm::holding(k.rich_text_section, std::move(element)));
    if (!cell) return {};
    PyList_SET_ITEM(out.get(), j, cell.release());
  }
  return out;
}

// {"align": ...}, with "is_wrapped": True for a column that wraps.
Ref column_setting(const vm::ShownColumn& column) noexcept {
  return vm::dict({{k.align, column.align}, {k.is_wrapped, Py_True, column.wrap}});
}

[[gnu::cold]] Ref too_wide(Py_ssize_t columns, Py_ssize_t index_columns) noexcept {
  Py_ssize_t keep = max_columns - index_columns;
  if (keep < 1) {
    PyErr_Format(PyExc_ValueError,
                 "Table has %zd columns with the index; Slack allows at most %zd cells per row. "
                 "Leave out the index.",
                 columns, max_columns);
    return {};
  }
  PyErr_Format(PyExc_ValueError,
               "Table has %zd columns%s; Slack allows at most %zd cells per row. "
               "Pass at most %zd columns, e.g. columns=df.columns[:%zd]%s.",
               columns, index_columns ? " with the index" : "", max_columns, keep, keep,
               index_columns ? ", or leave out the index" : "");
  return {};
}

// ---- the builder ---------------------------------------------------------------------------

// df, index, block_id, then the table options in their order (as vm::TableOptions::from reads
// them, and as VM_TABLE_OPTION_SIGNATURE writes them in the signature below).
Ref simple_table(PyObject*, vm::Bound<3 + vm::table_option_count>& a) {
  bool has_id;
  if (!vm::load_pandas() || !vm::check_frame(a[0], "df") || !vm::check_block_id(a[2], has_id)) {
    return {};
  }
  int with_index = a[1] ? PyObject_IsTrue(a[1]) : 0;
  if (with_index < 0) return {};
  vm::ShownTable table;
  if (!vm::frame_text(a[0], with_index, vm::TableOptions::from(&a[3]), table, vm::empty_cell())) return {};
  Py_ssize_t columns = static_cast<Py_ssize_t>(table.columns.size());
  if (columns > max_columns) return too_wide(columns, table.index_columns);

  Ref settings = Ref::steal(PyList_New(columns));
  if (!settings) return {};
  for (Py_ssize_t j = 0; j < columns; ++j) {
    Ref setting = column_setting(table.columns[static_cast<std::size_t>(j)]);
    if (!setting) return {};
    PyList_SET_ITEM(settings.get(), j, setting.release());
  }
  Ref rows = Ref::steal(PyList_New(table.rows + 1));
  if (!rows) return {};
  for (Py_ssize_t i = -1; i < table.rows; ++i) {
    Ref row = row_of(table, i);
    if (!row) return {};
    PyList_SET_ITEM(rows.get(), i + 1, row.release());
  }
  if (table.omitted && !vm::append(rows.get(), omitted_row(table))) return {};
  return vm::list_of(vm::dict(
      {{k.type, k.table}, {k.column_settings, settings.get()}, {k.rows, rows.get()}, {k.block_id, a[2], has_id}}));
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<simple_table, "Table.simple_table(df, index=False, *, block_id=None" VM_TABLE_OPTION_SIGNATURE ")",
                "One Block Kit table block showing the DataFrame `df` (pandas, polars or a pyarrow Table):\n"
                "a bold header row of the column names, then one row per DataFrame row, with the index\n"
                "levels first when `index` is true. Cells show what print(df) shows: dates without\n"
                "midnight times, floats to pandas' display.precision with trailing zeros trimmed per\n"
                "column, MultiIndex labels joined with \" / \". Missing values, and empty texts, show as\n"
                "an empty-looking cell (a space: Slack refuses a cell of no characters); numeric columns\n"
                "are right-aligned.\n\n"
                "formatters: {column: format} where a format is a str (\"{:,.2f}\", \",.2f\" or printf's\n"
                "\"%.1f%%\") or a callable returning a str; float_format: the same, for every float column;\n"
                "columns: the columns to show, in order; align: {column: \"left\" | \"center\" | \"right\"};\n"
                "wrap: the columns whose cells wrap; max_rows: show the first max_rows rows, then a row\n"
                "saying how many were left out (\"… 95 more rows\"); na_rep: the text of a missing value.\n\n"
                "A table of more than 99 rows is built whole: velmora.fit (and a message's payloads())\n"
                "splits it into tables of 100 rows that repeat the header. ValueError over 20 columns.">(),
};

// pandas is loaded on the first call (vm::load_pandas), so that importing velmora.blocks does not
// import it.
bool prepare(PyObject*, vm::Decorators&) noexcept {
  if (!vm::ready_rich_text()) return false;
  PyDateTime_IMPORT;
  return PyDateTimeAPI != nullptr;
}

}  // namespace

VM_BUILDER_MODULE("Table blocks: a DataFrame as one Block Kit table block.", "Table",
                  "Builders of Block Kit table blocks from pandas DataFrames.", builders, prepare)
