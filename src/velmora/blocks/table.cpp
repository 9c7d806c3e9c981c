// Table blocks: a pandas DataFrame as one Block Kit "table" block of rich-text cells.
//
// The frame is read in bulk (df.to_numpy(dtype=object).tolist(), one call) and every cell
// is then made here; a per-cell pandas access would cost far more than the cell itself.
#include "_core/compose.hpp"
#include "_core/core.hpp"
#include "_core/frames.hpp"
#include "_core/rich_text.hpp"

#include <charconv>
#include <cmath>

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// Slack's limits for a table block.
constexpr Py_ssize_t max_rows = 100;  // the header row counts
constexpr Py_ssize_t max_columns = 20;

vm::Global pandas_nat, pandas_na;  // pandas.NaT and pandas.NA, missing values
vm::Global dtype_keyword;          // ("dtype",), for df.to_numpy(dtype=object)

// ---- cell texts ----------------------------------------------------------------------------

Ref ascii(const char* begin, const char* end) noexcept {
  return Ref::steal(PyUnicode_FromStringAndSize(begin, end - begin));
}

// A float as Python writes it, but with at most 15 significant digits, so that binary
// noise (0.1 + 0.2 -> 0.30000000000000004) does not show: "0.3", "2.0", "1e+16", "inf".
Ref float_text(double value) noexcept {
  char buffer[40];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer) - 2, value,
                                 std::chars_format::general, 15);
  if (ec != std::errc{}) return Ref::steal(PyObject_Str(PyFloat_FromDouble(value)));
  bool plain = std::isfinite(value);
  for (const char* c = buffer; plain && c < end; ++c) plain = *c != '.' && *c != 'e';
  if (plain) {  // an integral value keeps its ".0", as str(2.0) does
    *end++ = '.';
    *end++ = '0';
  }
  return ascii(buffer, end);
}

bool is_missing(PyObject* value) noexcept {
  return value == Py_None || value == pandas_nat.get() || value == pandas_na.get() ||
         (PyFloat_Check(value) && std::isnan(PyFloat_AS_DOUBLE(value)));
}

// The text shown for one value: "" when missing, readable numbers, str() of anything else.
Ref cell_text(PyObject* value) noexcept {
  if (PyUnicode_CheckExact(value)) return Ref::borrow(value);
  if (is_missing(value)) return Ref::borrow(k.empty);
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

Ref call_method(PyObject* obj, PyObject* name) noexcept {
  return Ref::steal(PyObject_CallMethodNoArgs(obj, name));
}

Ref attr(PyObject* obj, PyObject* name) noexcept {
  return obj ? Ref::steal(PyObject_GetAttr(obj, name)) : Ref{};
}

// A list of exactly `count` items (pandas' tolist should never give anything else).
bool check_items(PyObject* items, Py_ssize_t count) noexcept {
  if (PyList_CheckExact(items) && PyList_GET_SIZE(items) == count) return true;
  PyErr_SetString(PyExc_ValueError, "the DataFrame did not give one value per row and column");
  return false;
}

// {"align": "right"} for a numeric dtype (kind i, u, f or c), {"align": "left"} otherwise.
Ref column_setting(PyObject* dtype) noexcept {
  Ref kind = attr(dtype, k.pandas_kind);
  if (!kind) return {};
  bool numeric = PyUnicode_Check(kind.get()) && PyUnicode_GET_LENGTH(kind.get()) == 1 &&
                 PyUnicode_FindChar(k.numeric_kinds, PyUnicode_READ_CHAR(kind.get(), 0), 0, 4, 1) >= 0;
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

constexpr vm::Params<2> simple_table_params{"Table.simple_table", {&Keys::df, &Keys::index}, 1};

Ref simple_table(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  if (!vm::bind(simple_table_params, args, nargs, kwnames, a) || !vm::check_frame(a[0], "df")) return {};
  PyObject* df = a[0];
  int with_index = a[1] ? PyObject_IsTrue(a[1]) : 0;
  if (with_index < 0) return {};

  Ref shape = attr(df, k.pandas_shape);
  if (!shape) return {};
  Py_ssize_t rows, columns;
  if (!PyArg_ParseTuple(shape.get(), "nn;DataFrame.shape must be (rows, columns)", &rows, &columns)) return {};
  if (columns == 0) return vm::raise_value_error("DataFrame has no columns: a table needs at least one column");
  if (rows + 1 > max_rows || columns + with_index > max_columns) {
    return too_big(rows, columns + with_index, with_index);
  }

  Ref names = call_method(attr(df, k.pandas_columns).get(), k.tolist);
  Ref dtypes = call_method(attr(df, k.pandas_dtypes).get(), k.tolist);
  PyObject* object_type = reinterpret_cast<PyObject*>(&PyBaseObject_Type);
  PyObject* to_numpy_args[] = {df, object_type};
  Ref matrix = Ref::steal(PyObject_VectorcallMethod(k.to_numpy, to_numpy_args, 1, dtype_keyword.get()));
  Ref values = call_method(matrix.get(), k.tolist);
  if (!names || !dtypes || !values || !check_items(names.get(), columns) ||
      !check_items(dtypes.get(), columns) || !check_items(values.get(), rows)) {
    return {};
  }
  Ref index, index_values, index_name, index_dtype;
  if (with_index) {
    index = attr(df, k.index);
    index_values = call_method(index.get(), k.tolist);
    index_name = attr(index.get(), k.pandas_name);
    index_dtype = attr(index.get(), k.pandas_dtype);
    if (!index_values || !index_name || !index_dtype || !check_items(index_values.get(), rows)) return {};
  }

  Ref settings = Ref::steal(PyList_New(0));
  if (!settings) return {};
  if (with_index && !vm::append(settings.get(), column_setting(index_dtype.get()))) return {};
  for (Py_ssize_t j = 0; j < columns; ++j) {
    if (!vm::append(settings.get(), column_setting(PyList_GET_ITEM(dtypes.get(), j)))) return {};
  }

  Ref out_rows = Ref::steal(PyList_New(rows + 1));
  if (!out_rows) return {};
  PyObject* index_header = with_index ? (index_name.get() == Py_None ? k.empty : index_name.get()) : nullptr;
  Ref header = row_of(index_header, names.get(), columns, /*bold=*/true);
  if (!header) return {};
  PyList_SET_ITEM(out_rows.get(), 0, header.release());
  for (Py_ssize_t i = 0; i < rows; ++i) {
    PyObject* line = PyList_GET_ITEM(values.get(), i);
    if (!check_items(line, columns)) return {};
    Ref row = row_of(with_index ? PyList_GET_ITEM(index_values.get(), i) : nullptr, line, columns, false);
    if (!row) return {};
    PyList_SET_ITEM(out_rows.get(), i + 1, row.release());
  }
  return vm::list_of(vm::dict({{k.type, k.table}, {k.column_settings, settings.get()}, {k.rows, out_rows.get()}}));
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<simple_table>("simple_table",
        "simple_table($cls, /, df, index=False)\n--\n\n"
        "One Block Kit table block showing the pandas DataFrame `df`: a bold header row of the\n"
        "column names, then one row per DataFrame row (with the index first when `index` is true).\n"
        "Missing values (None, NaN, NaT, NA) are empty cells; numeric columns are right-aligned.\n"
        "ValueError when the table would exceed Slack's 100 rows (header included) or 20 columns."),
};

int setup(PyObject* module) noexcept {
  if (!vm::import_pandas(module) || !vm::ready_rich_text()) return -1;
  Ref pandas = Ref::steal(PyImport_ImportModule("pandas"));
  if (!pandas) return -1;
  pandas_nat.set(Ref::steal(PyObject_GetAttrString(pandas.get(), "NaT")));
  pandas_na.set(Ref::steal(PyObject_GetAttrString(pandas.get(), "NA")));
  dtype_keyword.set(vm::keyword_tuple({k.pandas_dtype}));
  if (!pandas_nat.get() || !pandas_na.get() || !dtype_keyword.get()) return -1;
  Ref cls = vm::make_builder_class(module, "velmora.blocks.table.Table",
                                   "Builders of Block Kit table blocks from pandas DataFrames.", builders);
  return vm::add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace

VM_MODULE("Table blocks: a pandas DataFrame as one Block Kit table block.", setup)
