// DataFrameMessage: a DataFrame as a text table (tabulate) in code blocks of markdown sections.
// Missing values show as empty cells; text columns are never read as numbers.
//
// A section holds at most 3000 characters, so a longer table is split between rows over
// several sections, each a complete code block that repeats the header lines.
#include "_core/frames.hpp"
#include "_core/message.hpp"

#include <algorithm>
#include <vector>

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

constexpr Py_ssize_t section_limit = 3000;  // characters of a section's text
constexpr Py_ssize_t fence_size = 8;        // "```\n" before the table, "\n```" after

vm::Global tabulate_keywords;  // ("headers", "tablefmt", "floatfmt", "disable_numparse")

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

// The rows handed to tabulate: the frame's values (with the index value first when `index`),
// missing values replaced by None, which tabulate shows as an empty cell. Notes the number of
// lines of each row.
bool blank_rows(const vm::FrameData& frame, bool index, std::vector<Py_ssize_t>& heights) {
  PyObject* rows = frame.values.get();
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(rows); ++i) {
    PyObject* row = PyList_GET_ITEM(rows, i);
    if (index && PyList_Insert(row, 0, PyList_GET_ITEM(frame.index_values.get(), i)) < 0) return false;
    Py_ssize_t height = 1;
    for (Py_ssize_t j = 0; j < PyList_GET_SIZE(row); ++j) {
      PyObject* value = PyList_GET_ITEM(row, j);
      if (vm::is_missing(value)) {
        if (PyList_SetItem(row, j, Py_NewRef(Py_None)) < 0) return false;
      } else if (PyUnicode_Check(value)) {
        Py_ssize_t breaks = PyUnicode_Count(value, k.newline, 0, PY_SSIZE_T_MAX);
        if (breaks < 0) return false;
        height = std::max(height, breaks + 1);
      }
    }
    heights.push_back(height);
  }
  return true;
}

// The positions of the columns that are not of a numeric dtype: tabulate must not read their
// text as numbers (a code "007" stays "007"); numeric columns are aligned as numbers.
Ref text_columns(const vm::FrameData& frame, bool index) {
  Ref positions = vm::empty_list();
  if (!positions) return {};
  Py_ssize_t offset = index ? 1 : 0;
  for (Py_ssize_t j = -offset; j < PyList_GET_SIZE(frame.dtypes.get()); ++j) {
    PyObject* dtype = j < 0 ? frame.index_dtype.get() : PyList_GET_ITEM(frame.dtypes.get(), j);
    int numeric = vm::is_numeric_dtype(dtype);
    if (numeric < 0) return {};
    if (!numeric && !vm::append(positions.get(), Ref::steal(PyLong_FromSsize_t(j + offset)))) return {};
  }
  return positions;
}

// tabulate(rows, headers=[...], tablefmt="simple", floatfmt=".15g", disable_numparse=[text
// columns]), in lines. Floats keep 15 significant digits (tabulate's default keeps 6).
bool render(PyObject* df, PyObject* index, Rendered& out) {
  int show = PyObject_IsTrue(index);
  if (show < 0) return false;
  Ref tabulate = vm::global(k.tabulate);
  Py_ssize_t rows, columns;
  if (!tabulate || !vm::frame_shape(df, rows, columns)) return false;
  if (columns == 0) {
    vm::raise_value_error("DataFrame has no columns: a table needs at least one column");
    return false;
  }
  vm::FrameData frame;
  if (!vm::read_frame(df, rows, columns, show, frame) || !blank_rows(frame, show, out.heights)) return false;
  Ref headers = Ref::steal(PyList_GetSlice(frame.names.get(), 0, columns));
  if (!headers) return false;
  if (show &&
      PyList_Insert(headers.get(), 0, vm::is_missing(frame.index_name.get()) ? k.empty : frame.index_name.get()) < 0) {
    return false;
  }
  Ref numparse_off = text_columns(frame, show);
  if (!numparse_off) return false;
  PyObject* args[] = {frame.values.get(), headers.get(), k.simple, k.float_digits, numparse_off.get()};
  Ref text = Ref::steal(PyObject_Vectorcall(tabulate.get(), args, 1, tabulate_keywords.get()));
  if (!text) return false;
  if (!PyUnicode_Check(text.get())) {
    vm::raise_wrong_result("str", text.get());
    return false;
  }
  out.lines = Ref::steal(PyUnicode_Split(text.get(), k.newline, -1));
  if (!out.lines) return false;
  out.header = header_size(out.lines.get());
  Py_ssize_t body = PyList_GET_SIZE(out.lines.get()) - out.header, counted = 0;
  for (Py_ssize_t height : out.heights) counted += height;
  if (counted != body) out.heights.assign(static_cast<std::size_t>(body), 1);  // unforeseen layout: split by lines
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
Ref build_blocks(PyObject* self) noexcept {
  Ref blocks = vm::empty_list();
  Ref title = vm::get_attr(self, k.title);
  if (!blocks || !title) return {};
  if (title.get() != Py_None &&
      !vm::extend_blocks(blocks.get(), vm::call(vm::global_attr(k.Section, k.mrkdwn).get(), {title.get()}))) {
    return {};
  }
  Ref df = vm::get_attr(self, k.df);
  Ref index = df ? vm::get_attr(self, k.index) : Ref{};
  Rendered table;
  if (!index || !render(df.get(), index.get(), table)) return {};
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
  if (!vm::import_pandas(module) || !vm::import_extra(module, "tabulate", {"tabulate"})) return false;
  tabulate_keywords.set(vm::names({k.headers, k.tablefmt, k.floatfmt, k.disable_numparse}));
  return tabulate_keywords.get() != nullptr;
}

constexpr vm::Message message{
    .name = "DataFrameMessage",
    .doc =
        "DataFrameMessage(df, title=None, index=False, **kwargs)\n--\n\n"
        "A message of the pandas DataFrame `df` as a text table (tabulate) in a code block of a\n"
        "markdown section, with the index when `index` is true, below the markdown `title` when\n"
        "given. A table longer than a section (3000 characters) is split between rows over several\n"
        "sections, each a complete code block repeating the header. Other keyword arguments go to\n"
        "BaseVelmora.",
    .params = {{{&Keys::df, vm::check_frame},
                {&Keys::title, vm::str_or_none, vm::Default::none},
                {&Keys::index, nullptr, vm::Default::false_}}},
    .imports = {{{"blocks", {"Section"}}}},
    .build_doc =
        "build_blocks($self, /)\n--\n\n"
        "The title section (when given), then the table in code blocks of at most\n"
        "3000 characters each, split between rows, each repeating the header.",
    .build = build_blocks,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE("The DataFrame message: a DataFrame as a text table in code blocks.", message)
