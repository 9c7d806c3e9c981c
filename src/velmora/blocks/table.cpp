// Table blocks: a pandas DataFrame as one Block Kit "table" block of rich-text cells.
// The frame is read in bulk (vm::read_frame) and every cell is then made here.
#include "_core/blocks.hpp"
#include "_core/frames.hpp"
#include "_core/rich_text.hpp"

#include <datetime.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// Slack's limits for a table block.
constexpr Py_ssize_t max_rows = 100;  // the header row counts
constexpr Py_ssize_t max_columns = 20;

// ---- cell texts ----------------------------------------------------------------------------

Ref ascii(const char* begin, const char* end) noexcept {
  return Ref::steal(PyUnicode_FromStringAndSize(begin, end - begin));
}

// A float as Python writes it, but with at most 15 significant digits, so that binary
// noise (0.1 + 0.2 -> 0.30000000000000004) does not show: "0.3", "2.0", "1e+16", "inf".
Ref float_text(double value) noexcept {
  char buffer[40];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer) - 2, value, std::chars_format::general, 15);
  if (ec != std::errc{}) {  // not expected with 38 characters; str() then
    Ref number = Ref::steal(PyFloat_FromDouble(value));
    return number ? Ref::steal(PyObject_Str(number.get())) : Ref{};
  }
  bool plain = std::isfinite(value);
  for (const char* c = buffer; plain && c < end; ++c) plain = *c != '.' && *c != 'e';
  if (plain) {  // an integral value keeps its ".0", as str(2.0) does
    *end++ = '.';
    *end++ = '0';
  }
  return ascii(buffer, end);
}

// str() of a naive datetime.datetime or pandas.Timestamp without nanoseconds, written here:
// str(Timestamp) costs some microseconds, a good part of a table of dates.
// "2024-01-02 03:04:05", with ".ffffff" when there are microseconds. Null without an error
// when the value needs str() after all (a time zone, nanoseconds, another subclass).
Ref datetime_text(PyObject* value) noexcept {
  if (!PyDateTime_CheckExact(value) && !Py_IS_TYPE(value, reinterpret_cast<PyTypeObject*>(vm::timestamp_type.get()))) {
    return {};
  }
  if (PyDateTime_DATE_GET_TZINFO(value) != Py_None) return {};
  if (!PyDateTime_CheckExact(value)) {
    Ref nanosecond = Ref::steal(PyObject_GetAttr(value, k.nanosecond));
    if (!nanosecond) {
      PyErr_Clear();
      return {};
    }
    if (!PyLong_CheckExact(nanosecond.get()) || PyLong_AsLong(nanosecond.get()) != 0) return {};
  }
  char buffer[40];
  int micro = PyDateTime_DATE_GET_MICROSECOND(value);
  int length = std::snprintf(
      buffer, sizeof(buffer), micro ? "%04d-%02d-%02d %02d:%02d:%02d.%06d" : "%04d-%02d-%02d %02d:%02d:%02d",
      PyDateTime_GET_YEAR(value), PyDateTime_GET_MONTH(value), PyDateTime_GET_DAY(value),
      PyDateTime_DATE_GET_HOUR(value), PyDateTime_DATE_GET_MINUTE(value), PyDateTime_DATE_GET_SECOND(value), micro);
  return ascii(buffer, buffer + length);
}

// The text shown for one value: "" when missing, readable numbers, str() of anything else.
Ref cell_text(PyObject* value) noexcept {
  if (PyUnicode_CheckExact(value)) return Ref::borrow(value);
  if (vm::is_missing(value)) return Ref::borrow(k.empty);
  if (PyFloat_Check(value)) return float_text(PyFloat_AS_DOUBLE(value));
  if (PyLong_CheckExact(value)) {
    int overflow = 0;
    long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (!overflow) {
      char buffer[24];
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), number);
      (void)ec;  // 24 bytes always hold a 64-bit decimal
      return ascii(buffer, end);
    }
  }
  if (PyDateTime_Check(value)) {
    Ref text = datetime_text(value);
    if (text) return text;
  }
  return Ref::steal(PyObject_Str(value));
}

// A new list of `count` cells, one per item of `values` (a list of at least `count` items),
// after `lead` (the index value, or null).
Ref row_of(PyObject* lead, PyObject* values, Py_ssize_t count, bool bold) noexcept {
  Py_ssize_t width = count + (lead ? 1 : 0), at = 0;
  Ref row = Ref::steal(PyList_New(width));
  if (!row) return {};
  if (lead) {
    Ref cell = vm::rich_text_cell(cell_text(lead).get(), bold);
    if (!cell) return {};
    PyList_SET_ITEM(row.get(), at++, cell.release());
  }
  for (Py_ssize_t j = 0; j < count; ++j) {
    // cell_text may run Python code (str() of an object): hold the value meanwhile.
    Ref value = Ref::borrow(PyList_GET_ITEM(values, j));
    Ref cell = vm::rich_text_cell(cell_text(value.get()).get(), bold);
    if (!cell) return {};
    PyList_SET_ITEM(row.get(), at++, cell.release());
  }
  return row;
}

// ---- reading the frame ---------------------------------------------------------------------

// {"align": "right"} for a numeric dtype, {"align": "left"} otherwise.
Ref column_setting(PyObject* dtype) noexcept {
  int numeric = vm::is_numeric_dtype(dtype);
  if (numeric < 0) return {};
  return vm::dict({{k.align, numeric ? k.right : k.left}});
}

[[gnu::cold]] Ref too_big(Py_ssize_t rows, Py_ssize_t columns, bool index) noexcept {
  if (rows + 1 > max_rows) {
    PyErr_Format(PyExc_ValueError,
                 "Table has %zd rows with the header; Slack allows at most %zd. "
                 "Pass at most %zd rows, e.g. df.head(%zd), and send the rest in another message.",
                 rows + 1, max_rows, max_rows - 1, max_rows - 1);
  } else {
    Py_ssize_t keep = max_columns - (index ? 1 : 0);
    PyErr_Format(PyExc_ValueError,
                 "Table has %zd columns%s; Slack allows at most %zd cells per row. "
                 "Pass at most %zd columns, e.g. df.iloc[:, :%zd]%s.",
                 columns, index ? " with the index" : "", max_columns, keep, keep,
                 index ? ", or leave out the index" : "");
  }
  return {};
}

// ---- the builder ---------------------------------------------------------------------------

constexpr vm::Params<3> simple_table_params{"Table.simple_table", {&Keys::df, &Keys::index, &Keys::block_id}, 1, 2};

Ref simple_table(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<3> a;
  bool has_id;
  if (!vm::bind(simple_table_params, args, nargs, kwnames, a) || !vm::check_frame(a[0], "df") ||
      !vm::check_block_id(a[2], has_id)) {
    return {};
  }
  PyObject* df = a[0];
  int with_index = a[1] ? PyObject_IsTrue(a[1]) : 0;
  if (with_index < 0) return {};

  Py_ssize_t rows, columns;
  if (!vm::frame_shape(df, rows, columns)) return {};
  if (columns == 0) return vm::raise_value_error("DataFrame has no columns: a table needs at least one column");
  if (rows + 1 > max_rows || columns + with_index > max_columns) {
    return too_big(rows, columns + with_index, with_index);
  }
  vm::FrameData frame;
  if (!vm::read_frame(df, rows, columns, with_index, frame)) return {};

  Ref settings = Ref::steal(PyList_New(0));
  if (!settings) return {};
  if (with_index && !vm::append(settings.get(), column_setting(frame.index_dtype.get()))) return {};
  for (Py_ssize_t j = 0; j < columns; ++j) {
    if (!vm::append(settings.get(), column_setting(PyList_GET_ITEM(frame.dtypes.get(), j)))) return {};
  }

  Ref out_rows = Ref::steal(PyList_New(rows + 1));
  if (!out_rows) return {};
  PyObject* index_header = with_index ? frame.index_name.get() : nullptr;
  Ref header = row_of(index_header, frame.names.get(), columns, /*bold=*/true);
  if (!header) return {};
  PyList_SET_ITEM(out_rows.get(), 0, header.release());
  for (Py_ssize_t i = 0; i < rows; ++i) {
    PyObject* lead = with_index ? PyList_GET_ITEM(frame.index_values.get(), i) : nullptr;
    Ref row = row_of(lead, PyList_GET_ITEM(frame.values.get(), i), columns, false);
    if (!row) return {};
    PyList_SET_ITEM(out_rows.get(), i + 1, row.release());
  }
  return vm::list_of(vm::dict(
      {{k.type, k.table}, {k.column_settings, settings.get()}, {k.rows, out_rows.get()}, {k.block_id, a[2], has_id}}));
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<simple_table>(
        "simple_table",
        "simple_table($cls, /, df, index=False, *, block_id=None)\n--\n\n"
        "One Block Kit table block showing the pandas DataFrame `df`: a bold header row of the\n"
        "column names, then one row per DataFrame row (with the index first when `index` is true).\n"
        "Missing values (None, NaN, NaT, NA) are empty cells; numeric columns are right-aligned.\n"
        "ValueError when the table would exceed Slack's 100 rows (header included) or 20 columns."),
};

bool prepare(PyObject* module, vm::Decorators&) noexcept {
  if (!vm::import_pandas(module) || !vm::ready_rich_text()) return false;
  PyDateTime_IMPORT;
  return PyDateTimeAPI != nullptr;
}

}  // namespace

VM_BUILDER_MODULE("Table blocks: a pandas DataFrame as one Block Kit table block.", "Table",
                  "Builders of Block Kit table blocks from pandas DataFrames.", builders, prepare)
