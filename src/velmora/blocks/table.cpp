// Table blocks: a DataFrame as one Block Kit "table" block of rich-text cells. The cells'
// texts are those pandas shows (vm::frame_text); every cell is then made here. pandas is
// imported on the first call, not when the module is.
#include "velmora/blocks.hpp"
#include "velmora/frame_text.hpp"
#include "velmora/limits.hpp"
#include "velmora/rich_text.hpp"

namespace {

using vm::k, vm::Ref;

// Slack's limit of cells per row. A table of more than 100 rows (the header counts) is built
// whole: velmora.fit splits it into tables that each repeat the header row.
constexpr Py_ssize_t max_columns = vm::limit::table_columns;

// pandas and datetime's C API, loaded by the first call of a builder.
bool load() noexcept {
  if (!vm::load_pandas()) return false;
  if (!PyDateTimeAPI) PyDateTime_IMPORT;
  return PyDateTimeAPI != nullptr;
}

// ---- the block ------------------------------------------------------------------------------

// A cell's text as Slack takes it: never empty (Slack refuses a text of no characters, and the
// whole message with it), an empty text shows as one space.
PyObject* shown_text(PyObject* text) noexcept {
  return PyUnicode_GET_LENGTH(text) ? text : k.space;
}

// A new list of one cell per column, `cell(column, j)` making each.
template <class Cell>
Ref row_of(const vm::ShownTable& table, Cell&& cell) noexcept {
  Py_ssize_t width = static_cast<Py_ssize_t>(table.columns.size());
  Ref out = Ref::steal(PyList_New(width));
  if (!out) return {};
  for (Py_ssize_t j = 0; j < width; ++j) {
    Ref made = cell(table.columns[static_cast<std::size_t>(j)], j);
    if (!made) return {};
    PyList_SET_ITEM(out.get(), j, made.release());
  }
  return out;
}

// A new list of the header row, then each row: `row(i)` makes row i, the header for -1.
template <class Row>
Ref rows_of(const vm::ShownTable& table, Row&& row) noexcept {
  Ref rows = Ref::steal(PyList_New(table.rows + 1));
  if (!rows) return {};
  for (Py_ssize_t i = -1; i < table.rows; ++i) {
    Ref made = row(i);
    if (!made) return {};
    PyList_SET_ITEM(rows.get(), i + 1, made.release());
  }
  return rows;
}

// One row of rich-text cells: the header in bold when `row` is negative, else row `row`.
Ref table_row(const vm::ShownTable& table, Py_ssize_t row) noexcept {
  return row_of(table, [row](const vm::ShownColumn& column, Py_ssize_t) {
    PyObject* text = row < 0 ? column.header.get() : PyList_GET_ITEM(column.cells.get(), row);
    return vm::rich_text_cell(shown_text(text), row < 0);
  });
}

// The row below the rows max_rows kept, in italics: "… 95 more rows", then "…" in every other
// column, as pandas marks the rows it leaves out.
Ref omitted_row(const vm::ShownTable& table) noexcept {
  Ref note = vm::omitted_rows_text(table.omitted);
  if (!note) return {};
  return row_of(table, [&note](const vm::ShownColumn&, Py_ssize_t j) {
    Ref element = vm::styled(vm::typed(k.text, k.text, j == 0 ? note.get() : k.ellipsis_mark), {.italic = true});
    return vm::holding(k.rich_text, vm::holding(k.rich_text_section, std::move(element)));
  });
}

// {"align": ...}, with "is_wrapped": True for a column that wraps.
Ref column_setting(const vm::ShownColumn& column) noexcept {
  return vm::dict({{k.align, column.align}, {k.is_wrapped, Py_True, column.wrap}});
}

// ValueError: the `what` ("Table", "Data table") has more columns than a row takes.
[[gnu::cold]] Ref too_wide(const char* what, Py_ssize_t columns, Py_ssize_t index_columns) noexcept {
  Py_ssize_t keep = max_columns - index_columns;
  if (keep < 1) {
    PyErr_Format(PyExc_ValueError,
                 "%s has %zd columns with the index; Slack allows at most %zd cells per row. "
                 "Leave out the index.",
                 what, columns, max_columns);
    return {};
  }
  PyErr_Format(PyExc_ValueError,
               "%s has %zd columns%s; Slack allows at most %zd cells per row. "
               "Pass at most %zd columns, e.g. columns=df.columns[:%zd]%s.",
               what, columns, index_columns ? " with the index" : "", max_columns, keep, keep,
               index_columns ? ", or leave out the index" : "");
  return {};
}

// ---- the builder ---------------------------------------------------------------------------

// df, index, block_id, then the table options in their order (as vm::TableOptions::from reads
// them, and as VM_TABLE_OPTION_SIGNATURE writes them in the signature below).
Ref simple_table(PyObject*, vm::Bound<3 + vm::table_option_count>& a) {
  bool has_id;
  if (!load() || !vm::check_frame(a[0], "df") || !vm::check_block_id(a[2], has_id)) {
    return {};
  }
  int with_index = a[1] ? PyObject_IsTrue(a[1]) : 0;
  if (with_index < 0) return {};
  vm::ShownTable table;
  if (!vm::frame_text(a[0], with_index, vm::TableOptions::from(&a[3]), table, vm::empty_cell())) return {};
  Py_ssize_t columns = static_cast<Py_ssize_t>(table.columns.size());
  if (columns > max_columns) return too_wide("Table", columns, table.index_columns);

  Ref settings = row_of(table, [](const vm::ShownColumn& column, Py_ssize_t) { return column_setting(column); });
  Ref rows = settings ? rows_of(table, [&table](Py_ssize_t i) { return table_row(table, i); }) : Ref{};
  if (!rows) return {};
  if (table.omitted && !vm::append(rows.get(), omitted_row(table))) return {};
  return vm::list_of(vm::dict(
      {{k.type, k.table}, {k.column_settings, settings.get()}, {k.rows, rows.get()}, {k.block_id, a[2], has_id}}));
}

// ---- data tables ------------------------------------------------------------------------------

vm::Template raw_number_template;  // {"type": "raw_number", "value": None, "text": None}

// A cell of a data table: {"type": "raw_number", "value": number, "text": text} for a number
// (the client sorts a column of them by value), else {"type": "raw_text", "text": text}; the
// text never empty.
Ref data_cell(PyObject* text, PyObject* number) noexcept {
  if (!number || number == Py_None) return vm::dict({{k.type, k.raw_text}, {k.text, shown_text(text)}});
  Ref cell = raw_number_template.copy();
  if (!cell || PyDict_SetItem(cell.get(), k.value, number) < 0 ||
      PyDict_SetItem(cell.get(), k.text, shown_text(text)) < 0) {
    return {};
  }
  return cell;
}

// Row `row` of a data table's cells, the header row (raw text only) when `row` is negative.
Ref data_row(const vm::ShownTable& table, Py_ssize_t row) noexcept {
  return row_of(table, [row](const vm::ShownColumn& column, Py_ssize_t) {
    if (row < 0) return data_cell(column.header.get(), nullptr);
    return data_cell(PyList_GET_ITEM(column.cells.get(), row),
                     column.numbers ? PyList_GET_ITEM(column.numbers.get(), row) : nullptr);
  });
}

// df, caption, page_size, index, the options of every table in their order (as
// vm::TableOptions::from_cells reads them, and as VM_TABLE_CELL_SIGNATURE writes them), block_id.
Ref data_table(PyObject*, vm::Bound<5 + vm::table_cell_option_keys.size()>& a) {
  bool has_id;
  PyObject* block_id = a.back();
  if (!load() || !vm::check_frame(a[0], "df") || !vm::check_caption(a[1], "caption") ||
      !vm::check_page_size(a[2] ? a[2] : Py_None, "page_size") || !vm::check_block_id(block_id, has_id)) {
    return {};
  }
  int with_index = a[3] ? PyObject_IsTrue(a[3]) : 0;
  if (with_index < 0) return {};
  vm::ShownTable table;
  if (!vm::frame_text(a[0], with_index, vm::TableOptions::from_cells(&a[4]), table, vm::Missing{}, true)) return {};
  Py_ssize_t columns = static_cast<Py_ssize_t>(table.columns.size());
  if (columns > max_columns) return too_wide("Data table", columns, table.index_columns);
  Ref rows = rows_of(table, [&table](Py_ssize_t i) { return data_row(table, i); });
  if (!rows) return {};
  bool paged = a[2] && a[2] != Py_None;
  return vm::list_of(vm::dict({{k.type, k.data_table},
                               {k.caption, a[1]},
                               {k.rows, rows.get()},
                               {k.page_size, a[2], paged},
                               {k.block_id, block_id, has_id}}));
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<simple_table, "Table.simple_table(df, index=False, *, block_id=None" VM_TABLE_OPTION_SIGNATURE ")",
                R"(
                One Block Kit table block showing the DataFrame `df` (pandas, polars or a pyarrow Table):
                a bold header row of the column names, then one row per DataFrame row, with the index
                levels first when `index` is true. Cells show what print(df) shows: dates without
                midnight times, floats to pandas' display.precision with trailing zeros trimmed per
                column, MultiIndex labels joined with " / ". Missing values, and empty texts, show as
                an empty-looking cell (a space: Slack refuses a cell of no characters); numeric columns
                are right-aligned.

                formatters: {column: format} where a format is a str ("{:,.2f}", ",.2f" or printf's
                "%.1f%%") or a callable returning a str; float_format: the same, for every float column;
                columns: the columns to show, in order; align: {column: "left" | "center" | "right"};
                wrap: the columns whose cells wrap; max_rows: show the first max_rows rows, then a row
                saying how many were left out ("… 95 more rows"); na_rep: the text of a missing value.

                A table of more than 99 rows is built whole: velmora.fit (and a message's payloads())
                splits it into tables of 100 rows that repeat the header. ValueError over 20 columns.)">(),
    vm::builder<data_table,
                "Table.data_table(df, *, caption, page_size=None, index=False" VM_TABLE_CELL_SIGNATURE
                ", block_id=None)",
                R"(
                One Block Kit data_table block showing the DataFrame `df` (pandas, polars or a pyarrow
                Table), which Slack's client pages, sorts and filters: `caption` above it, `page_size` rows
                a page (1 to 100; Slack shows 5 when it is None). The header row holds the column names,
                with the index levels first when `index` is true. A number of a numeric column is a
                raw_number cell (its `value` the number, its `text` what Table.simple_table shows, so that
                the client sorts the column by value); every other cell is a raw_text cell of the text
                Table.simple_table shows, a missing value as pandas shows it ("NaN", "NaT", "<NA>",
                "None") unless na_rep says otherwise. formatters, float_format, columns and na_rep are
                the options of Table.simple_table.

                Every row is built: velmora.validate flags a data table past Slack's limits of rows and
                characters. ValueError over 20 columns.)">(),
};

// pandas and datetime's C API are loaded on the first call (see load), so that importing
// velmora.blocks imports neither.
bool prepare(PyObject*, vm::Decorators&) noexcept {
  if (!vm::ready_rich_text() ||
      !raw_number_template.set(vm::dict({{k.type, k.raw_number}, {k.value, Py_None}, {k.text, Py_None}}))) {
    return false;
  }
  return true;
}

}  // namespace

VM_BUILDER_MODULE("Table blocks: a DataFrame as one Block Kit table or data_table block.", "Table",
                  "Builders of Block Kit table and data_table blocks from DataFrames.", builders, prepare)
