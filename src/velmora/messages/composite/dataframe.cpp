// DataFrameMessage: a DataFrame as a text table (tabulate) in code blocks of markdown sections.
// Cells show what pandas shows (vm::frame_text), missing values as empty cells.
//
// A section holds at most 3000 characters, so a longer table is split between rows over
// several sections, each a complete code block that repeats the header lines.
#include "velmora/limits.hpp"
#include "velmora/table_message.hpp"
#include "velmora/text.hpp"

#include <algorithm>
#include <vector>

namespace {

using vm::k, vm::Keys, vm::Ref;

constexpr Py_ssize_t section_limit = vm::limit::section_text;
constexpr Py_ssize_t fence_size = 8;  // "```\n" before the table, "\n```" after

constexpr Py_ssize_t wrap_width = 30;  // characters of a line of a cell that wraps

vm::Global tabulate_keywords;  // ("headers", "tablefmt", "disable_numparse", "colalign")

// The number of header lines: up to and including the first line of dashes (and spaces).
Py_ssize_t header_size(PyObject* lines) noexcept {
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(lines); ++i) {
    PyObject* line = PyList_GET_ITEM(lines, i);
    Py_ssize_t length = PyUnicode_GET_LENGTH(line);
    bool rule = true, dash = false;
    for (Py_ssize_t j = 0; rule && j < length; ++j) {
      Py_UCS4 c = PyUnicode_READ_CHAR(line, j);
      dash = dash || c == '-';
      rule = c == '-' || c == ' ';
    }
    if (rule && dash) return i + 1;
  }
  return 0;
}

// The rendered table: its lines, how many of them are the header, and how many lines each
// row takes (tabulate spreads a cell holding newlines over several lines).
struct Rendered {
  Ref lines;
  Py_ssize_t header = 0;
  std::vector<Py_ssize_t> heights;
};

// A cell's text as the code block holds it: no two backticks side by side (a zero-width space
// between them, which takes no width), so that no "```" in a cell ends the block; in a column
// that wraps, each line wrapped at `wrap_width` characters (textwrap.fill).
Ref block_text(PyObject* text, bool wrap) {
  Ref out = Ref::borrow(text);
  for (int pass = 0; pass < 2 && out; ++pass) {  // "````" becomes "`\u200b``\u200b`" on the first pass
    if (PyUnicode_Find(out.get(), k.backticks, 0, PY_SSIZE_T_MAX, 1) == -1) break;
    out = Ref::steal(PyUnicode_Replace(out.get(), k.backticks, k.split_backticks, -1));
  }
  if (!out || !wrap || PyUnicode_GET_LENGTH(out.get()) <= wrap_width) return out;
  Ref lines = Ref::steal(PyUnicode_Split(out.get(), k.newline, -1));
  Ref fill = lines ? vm::global(k.fill) : Ref{};
  Ref width = fill ? Ref::steal(PyLong_FromSsize_t(wrap_width)) : Ref{};
  if (!width) return {};
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(lines.get()); ++i) {
    Ref filled = vm::call(fill.get(), {PyList_GET_ITEM(lines.get(), i), width.get()});
    if (!filled || PyList_SetItem(lines.get(), i, filled.release()) < 0) return {};
  }
  return Ref::steal(PyUnicode_Join(k.newline, lines.get()));
}

// The rows handed to tabulate, one list of cell texts per row, noting the number of lines of
// each row (tabulate spreads a cell holding newlines over several lines).
Ref table_rows(const vm::ShownTable& table, std::vector<Py_ssize_t>& heights) {
  Ref rows = Ref::steal(PyList_New(table.rows));
  if (!rows) return {};
  Py_ssize_t width = static_cast<Py_ssize_t>(table.columns.size());
  for (Py_ssize_t i = 0; i < table.rows; ++i) {
    Ref row = Ref::steal(PyList_New(width));
    if (!row) return {};
    Py_ssize_t height = 1;
    for (Py_ssize_t j = 0; j < width; ++j) {
      const vm::ShownColumn& column = table.columns[static_cast<std::size_t>(j)];
      Ref text = block_text(PyList_GET_ITEM(column.cells.get(), i), column.wrap);
      if (!text) return {};
      Py_ssize_t breaks = PyUnicode_Count(text.get(), k.newline, 0, PY_SSIZE_T_MAX);
      if (breaks < 0) return {};
      height = std::max(height, breaks + 1);
      PyList_SET_ITEM(row.get(), j, text.release());
    }
    PyList_SET_ITEM(rows.get(), i, row.release());
    heights.push_back(height);
  }
  return rows;
}

// tabulate(rows, headers=[...], tablefmt="simple", disable_numparse=True, colalign=[...]) of
// the texts pandas shows, in lines, each escaped for Slack. tabulate measures widths with
// wcwidth, so wide characters and emoji keep the columns in line.
bool render(PyObject* self, Rendered& out) {
  Ref df = vm::get_attr(self, k.df);
  Ref index = df ? vm::get_attr(self, k.index) : Ref{};
  vm::HeldOptions held;
  if (!index || !held.read(self)) return false;
  int show = PyObject_IsTrue(index.get());
  if (show < 0) return false;
  Ref tabulate = vm::global(k.tabulate);
  vm::ShownTable table;
  if (!tabulate || !vm::frame_text(df.get(), show, held.options(), table, vm::empty_cell())) return false;
  Ref rows = table_rows(table, out.heights);
  Ref headers = rows ? Ref::steal(PyList_New(0)) : Ref{};
  Ref aligns = headers ? Ref::steal(PyList_New(0)) : Ref{};
  if (!aligns) return false;
  for (const vm::ShownColumn& column : table.columns) {
    if (!vm::append(headers.get(), block_text(column.header.get(), false)) ||
        PyList_Append(aligns.get(), column.align) < 0) {
      return false;
    }
  }
  PyObject* args[] = {rows.get(), headers.get(), k.simple, Py_True, aligns.get()};
  Ref text = Ref::steal(PyObject_Vectorcall(tabulate.get(), args, 1, tabulate_keywords.get()));
  if (!text) return false;
  if (!PyUnicode_Check(text.get())) {
    vm::raise_wrong_result("str", text.get());
    return false;
  }
  Ref escaped = vm::escaped(text.get());
  out.lines = escaped ? Ref::steal(PyUnicode_Split(escaped.get(), k.newline, -1)) : Ref{};
  if (!out.lines) return false;
  out.header = header_size(out.lines.get());
  Py_ssize_t body = PyList_GET_SIZE(out.lines.get()) - out.header, counted = 0;
  for (Py_ssize_t height : out.heights) counted += height;
  if (counted != body) out.heights.assign(static_cast<std::size_t>(body), 1);  // unforeseen layout: split by lines
  if (table.omitted) {  // a last line, as pandas says how many rows it left out
    Ref note = vm::omitted_rows_text(table.omitted);
    if (!note || PyList_Append(out.lines.get(), note.get()) < 0) return false;
    out.heights.push_back(1);
  }
  return true;
}

// "```\n" + the header lines and lines[start:stop] joined by newlines + "\n```"
Ref code_block(PyObject* lines, Py_ssize_t header, Py_ssize_t start, Py_ssize_t stop) {
  Ref part = Ref::steal(PyList_GetSlice(lines, 0, header));
  Ref body = Ref::steal(PyList_GetSlice(lines, start, stop));
  if (!part || !body || PyList_SetSlice(part.get(), header, header, body.get()) < 0) return {};
  Ref joined = Ref::steal(PyUnicode_Join(k.newline, part.get()));
  if (!joined) return {};
  return Ref::steal(PyUnicode_FromFormat("```\n%U\n```", joined.get()));
}

[[gnu::cold]] Ref too_wide(Py_ssize_t row, Py_ssize_t size) noexcept {
  if (row < 0) {
    PyErr_Format(PyExc_ValueError,
                 "The table's header takes %zd characters in a code block; a section holds at most "
                 "%zd. Select fewer or narrower columns.",
                 size, section_limit);
  } else {
    PyErr_Format(PyExc_ValueError,
                 "Row %zd of the table takes %zd characters in a code block with the header; a "
                 "section holds at most %zd. Select fewer or narrower columns.",
                 row, size, section_limit);
  }
  return {};
}

// Section.mrkdwn(title) when there is a title, then Section.mrkdwn(code block) per part.
Ref build_blocks(PyObject* self) {
  Ref blocks = vm::empty_list();
  Ref title = vm::get_attr(self, k.title);
  if (!blocks || !title) return {};
  if (title.get() != Py_None &&
      !vm::extend_blocks(blocks.get(), vm::call(vm::global_attr(k.Section, k.mrkdwn).get(), {title.get()}))) {
    return {};
  }
  Rendered table;
  if (!render(self, table)) return {};
  PyObject* lines = table.lines.get();
  Py_ssize_t header = table.header;
  // A part of n lines takes fence_size + their lengths + (n - 1) newlines.
  auto length = [lines](Py_ssize_t i) { return PyUnicode_GET_LENGTH(PyList_GET_ITEM(lines, i)); };
  Py_ssize_t header_chars = fence_size;
  for (Py_ssize_t i = 0; i < header; ++i) header_chars += length(i) + (i > 0 ? 1 : 0);
  if (header_chars > section_limit) return too_wide(-1, header_chars);
  std::size_t row = 0, rows = table.heights.size();
  Py_ssize_t start = header;
  do {  // at least one part, even for a table without rows
    Py_ssize_t stop = start, size = header_chars;
    std::size_t first_row = row;
    while (row < rows) {  // whole rows while they fit
      Py_ssize_t next = size;
      for (Py_ssize_t i = stop; i < stop + table.heights[row]; ++i) next += length(i) + (i > 0 ? 1 : 0);
      if (next > section_limit) break;
      size = next;
      stop += table.heights[row++];
    }
    if (row == first_row && row < rows) {
      Py_ssize_t alone = size;
      for (Py_ssize_t i = stop; i < stop + table.heights[row]; ++i) alone += length(i) + (i > 0 ? 1 : 0);
      return too_wide(static_cast<Py_ssize_t>(row) + 1, alone);
    }
    Ref text = code_block(lines, header, start, stop);
    if (!text || !vm::extend_blocks(blocks.get(), vm::call(vm::global_attr(k.Section, k.mrkdwn).get(), {text.get()})))
      return {};
    start = stop;
  } while (row < rows);
  return blocks;
}

bool setup(PyObject* module) noexcept {
  if (!vm::import_pandas(module) || !vm::import_extra(module, "tabulate", {"tabulate"}) ||
      !vm::import_extra(module, "wcwidth", {"wcswidth"}) || !vm::import_from(module, "textwrap", {"fill"})) {
    return false;
  }
  PyDateTime_IMPORT;
  if (!PyDateTimeAPI) return false;
  tabulate_keywords.set(vm::names({k.headers, k.tablefmt, k.disable_numparse, k.colalign}));
  return tabulate_keywords.get() != nullptr;
}

constexpr vm::Message message =
    vm::table_message("DataFrameMessage", &Keys::title,
                      "A message of the DataFrame `df` (pandas, polars or a pyarrow Table) as a text table in a\n"
                      "code block of a markdown section, with the index levels first when `index` is true, below\n"
                      "the markdown `title` when given. Cells show what print(df) shows, and take the options of\n"
                      "Table.simple_table; a column in `wrap` wraps at 30 characters. Widths are measured with\n"
                      "wcwidth (wide characters and emoji line up); \"&\", \"<\" and \">\" are escaped, and no\n"
                      "\"```\" in a cell ends the block. A table longer than a section (3000 characters) is split\n"
                      "between rows over several sections, each a complete code block repeating the header;\n"
                      "payloads() and send(fit=True) spread more than 50 of them over several messages.",
                      "The title section (when given), then the table in code blocks of at most\n"
                      "3000 characters each, split between rows, each repeating the header.",
                      build_blocks, setup);

}  // namespace

VM_MESSAGE_MODULE("The DataFrame message: a DataFrame as a text table in code blocks.", message)
