// Chart blocks: Slack's native charts ("data_visualization" blocks, drawn by the client: no image,
// no plotting library), a line, bar, area or pie chart of a pandas or polars DataFrame, a pandas
// Series or a mapping of column to values (vm::chart reads them). Categories show as pandas shows
// them; values are plain ints and floats. Every limit of Slack's is checked here, with a
// ValueError that says what to do.
#include "velmora/blocks.hpp"
#include "velmora/chart_data.hpp"
#include "velmora/limits.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref, vm::chart::Kind, vm::chart::Source;

constexpr Py_ssize_t max_categories = vm::limit::chart_categories;
constexpr Py_ssize_t max_series = vm::limit::chart_series;
constexpr Py_ssize_t label_limit = vm::limit::chart_label;

// ---- what a chart shows ----------------------------------------------------------------------

// The categories (or a pie's labels) as texts, what they are (x_label's default: the index's
// name or the x column's label; null when unnamed), and per series its name and a number per
// category (null where missing). A pie is one series.
struct Plot {
  Ref categories;
  Ref x_name;
  std::vector<Ref> names;
  std::vector<std::vector<Ref>> values;
};

// The position of the column labelled `label` (compared with ==), or -1 with the KeyError
// "y: the data has no column 'wbe'".
Py_ssize_t find_column(const Source& s, PyObject* label, const char* param) {
  for (Py_ssize_t j = 0; j < PyList_GET_SIZE(s.labels.get()); ++j) {
    int same = PyObject_RichCompareBool(PyList_GET_ITEM(s.labels.get(), j), label, Py_EQ);
    if (same < 0) return -1;
    if (same) return j;
  }
  Ref message = Ref::steal(PyUnicode_FromFormat("%s: the data has no column %R", param, label));
  if (message) PyErr_SetObject(PyExc_KeyError, message.get());
  return -1;
}

[[gnu::cold]] int not_numbers(PyObject* label, const char* param) noexcept {
  PyErr_Format(PyExc_ValueError, "%s: column %R holds no numbers; a chart plots columns of ints or floats", param,
               label);
  return -1;
}

[[gnu::cold]] int raise_series_count(Py_ssize_t count, bool named) noexcept {
  PyErr_Format(PyExc_ValueError,
               named ? "A chart shows at most %zd series; y names %zd columns. Pass at most %zd."
                     : "A chart shows at most %zd series; the data has %zd columns of numbers. Pass at most %zd "
                       "of them as y=[...].",
               max_series, count, max_series);
  return -1;
}

[[gnu::cold]] int raise_not_frame(const char* params) noexcept {
  PyErr_Format(PyExc_ValueError, "%s name the columns of a DataFrame or mapping; a Series is plotted as it is", params);
  return -1;
}

[[gnu::cold]] int no_rows() noexcept {
  PyErr_SetString(PyExc_ValueError, "The data has no rows: a chart needs at least one category");
  return -1;
}

// The categories: the x column, else the index, else the rows' positions. 1, 0 when a polars
// frame is to be read as its to_pandas(), -1.
int read_categories(const Source& s, Py_ssize_t x, Plot& out) {
  if (x >= 0) {
    int done = vm::chart::column_texts(s, x, out.categories);
    if (done <= 0) return done;
    out.x_name = vm::label_text(PyList_GET_ITEM(s.labels.get(), x));
    return out.x_name ? 1 : -1;
  }
  if (s.kind == Kind::frame || s.kind == Kind::series) {
    return vm::chart::index_texts(s.data.get(), s.rows, out.categories, out.x_name) ? 1 : -1;
  }
  out.categories = vm::chart::position_texts(s.rows);
  return out.categories ? 1 : -1;
}

// The series' names: their columns' labels as text.
bool name_series(const Source& s, const std::vector<Py_ssize_t>& columns, Plot& out) {
  for (Py_ssize_t j : columns) {
    PyObject* label = PyList_GET_ITEM(s.labels.get(), j);
    Ref name = s.kind == Kind::series && label == Py_None ? vm::integer_text(0) : vm::label_text(label);
    if (!name) return false;
    out.names.push_back(std::move(name));
  }
  return true;
}

// A line, bar or area chart's data: the columns `y` names (a label, or a list of them; None:
// every column of numbers but x) over the categories of `x`. 1, 0 when a polars frame is to be
// read as its to_pandas(), -1.
int read_lines(const Source& s, PyObject* x, PyObject* y, Plot& out) {
  if (s.rows == 0) return no_rows();
  if (s.kind == Kind::series && (x != Py_None || y != Py_None)) return raise_not_frame("x and y");
  Py_ssize_t at = -1;
  if (x != Py_None && (at = find_column(s, x, "x")) < 0) return -1;
  std::vector<Py_ssize_t> columns;
  if (y == Py_None) {
    for (Py_ssize_t j = 0; j < PyList_GET_SIZE(s.labels.get()); ++j) {
      std::vector<Ref> numbers;
      int read = j == at ? 0 : vm::chart::column_numbers(s, j, numbers);
      if (read < 0) return -1;
      if (read == 0) continue;
      columns.push_back(j);
      out.values.push_back(std::move(numbers));
    }
    if (columns.empty()) {
      PyErr_SetString(PyExc_ValueError,
                      "The data has no column of numbers to plot; convert the columns first (pd.to_numeric)");
      return -1;
    }
    if (static_cast<Py_ssize_t>(columns.size()) > max_series) return raise_series_count(columns.size(), false);
  } else {
    // several labels: a list, or any other collection of them (df.columns[1:]) but a tuple, which
    // is one label, as pandas indexing reads it (a MultiIndex column)
    bool several = PyList_Check(y) ||
                   (!PyUnicode_Check(y) && !PyBytes_Check(y) && !PyTuple_Check(y) && Py_TYPE(y)->tp_iter != nullptr);
    Ref labels = several ? Ref::steal(PySequence_List(y)) : Ref{};
    if (several && !labels) return -1;
    Py_ssize_t count = several ? PyList_GET_SIZE(labels.get()) : 1;
    if (count == 0) {
      PyErr_SetString(PyExc_ValueError, "y names no column");
      return -1;
    }
    if (count > max_series) return raise_series_count(count, true);
    for (Py_ssize_t i = 0; i < count; ++i) {
      PyObject* label = several ? PyList_GET_ITEM(labels.get(), i) : y;
      Py_ssize_t j = find_column(s, label, "y");
      if (j < 0) return -1;
      std::vector<Ref> numbers;
      int read = vm::chart::column_numbers(s, j, numbers);
      if (read <= 0) return read < 0 ? -1 : not_numbers(label, "y");
      columns.push_back(j);
      out.values.push_back(std::move(numbers));
    }
  }
  return name_series(s, columns, out) ? read_categories(s, at, out) : -1;
}

// A pie's data: the labels (the `labels` column, else the index or the rows' positions) and the
// numbers of the `values` column (None: the one column of numbers). 1, 0 when a polars frame is
// to be read as its to_pandas(), -1.
int read_pie(const Source& s, PyObject* labels, PyObject* values, Plot& out) {
  if (s.rows == 0) return no_rows();
  if (s.kind == Kind::series && (labels != Py_None || values != Py_None)) return raise_not_frame("labels and values");
  Py_ssize_t at = -1, column = -1;
  if (labels != Py_None && (at = find_column(s, labels, "labels")) < 0) return -1;
  std::vector<Ref> numbers;
  if (values != Py_None) {
    if ((column = find_column(s, values, "values")) < 0) return -1;
    int read = vm::chart::column_numbers(s, column, numbers);
    if (read <= 0) return read < 0 ? -1 : not_numbers(values, "values");
  } else {
    for (Py_ssize_t j = 0; j < PyList_GET_SIZE(s.labels.get()); ++j) {
      std::vector<Ref> found;
      int read = j == at ? 0 : vm::chart::column_numbers(s, j, found);
      if (read < 0) return -1;
      if (read == 0) continue;
      if (column >= 0) {
        PyErr_Format(PyExc_ValueError, "The data has several columns of numbers (%R, %R, ...); name one: values=%R",
                     PyList_GET_ITEM(s.labels.get(), column), PyList_GET_ITEM(s.labels.get(), j),
                     PyList_GET_ITEM(s.labels.get(), column));
        return -1;
      }
      column = j;
      numbers = std::move(found);
    }
    if (column < 0) {
      PyErr_SetString(PyExc_ValueError, "The data has no column of numbers for the pie's values");
      return -1;
    }
  }
  out.values.push_back(std::move(numbers));
  Ref name = Ref::borrow(k.values);
  out.names.push_back(std::move(name));
  return read_categories(s, at, out);
}

// A mapping of label to value as a pie's data.
bool read_pie_mapping(PyObject* mapping, Plot& out) {
  Ref items = vm::chart::mapping_items(mapping);
  Ref keys = items ? Ref::steal(PyList_New(PyList_GET_SIZE(items.get()))) : Ref{};
  if (!keys) return false;
  std::vector<Ref> numbers;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
    PyObject* item = PyList_GET_ITEM(items.get(), i);
    PyObject *label = PyTuple_GET_ITEM(item, 0), *value = PyTuple_GET_ITEM(item, 1);
    PyList_SET_ITEM(keys.get(), i, Py_NewRef(label));
    Ref number;
    int read = vm::chart::number_of(value, number);
    if (read < 0) return false;
    if (read == 0) {
      Ref got = vm::type_name(value);
      if (got) {
        PyErr_Format(PyExc_TypeError,
                     "data[%R] must be a number, got %U (a mapping of columns needs labels= and values=)", label,
                     got.get());
      }
      return false;
    }
    numbers.push_back(std::move(number));
  }
  out.categories = vm::chart::object_texts(keys.get());
  out.values.push_back(std::move(numbers));
  out.names.push_back(Ref::borrow(k.values));
  return static_cast<bool>(out.categories);
}

// Reads `data` into `out` with `read` (read_lines or read_pie), a polars frame that needs it
// again as its to_pandas().
template <class Read>
bool read_plot(PyObject* data, Plot& out, Read&& read) {
  Source s;
  if (!vm::chart::read_data(data, s)) return false;
  int done = read(s, out);
  if (done == 0 && !PyErr_Occurred() && s.kind == Kind::polars) {
    out = Plot{};
    Ref frame = vm::as_pandas(data);
    done = frame && vm::chart::read_frame(frame.get(), s) ? read(s, out) : -1;
  }
  if (done == 0 && !PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "chart data left unread");
  return done > 0;
}

// ---- Slack's limits --------------------------------------------------------------------------

// `text` as Slack shows it in `limit` characters: itself, or its first limit - 1 and "…". An
// empty text (Slack refuses one) shows as a space.
Ref shortened(PyObject* text, Py_ssize_t limit) noexcept {
  Py_ssize_t size = PyUnicode_GET_LENGTH(text);
  if (size == 0) return Ref::borrow(k.space);
  if (size <= limit) return Ref::borrow(text);
  Ref head = Ref::steal(PyUnicode_Substring(text, 0, limit - 1));
  return head ? Ref::steal(PyUnicode_Concat(head.get(), k.ellipsis_mark)) : Ref{};
}

// The texts of `full` at `rows` as Slack shows them (shortened), all different: a ValueError
// names two that are the same, or that become so. `what` is "Categories", "Series names"...
Ref distinct_labels(PyObject* full, const std::vector<Py_ssize_t>& rows, const char* what) {
  Py_ssize_t count = static_cast<Py_ssize_t>(rows.size());
  Ref shown = Ref::steal(PyList_New(count));
  if (!shown) return {};
  for (Py_ssize_t i = 0; i < count; ++i) {
    Ref text = shortened(PyList_GET_ITEM(full, rows[static_cast<std::size_t>(i)]), label_limit);
    if (!text) return {};
    PyList_SET_ITEM(shown.get(), i, text.release());
  }
  Ref unique = Ref::steal(PySet_New(shown.get()));
  if (!unique) return {};
  if (PySet_GET_SIZE(unique.get()) == count) return shown;
  for (Py_ssize_t i = 0; i < count; ++i) {
    for (Py_ssize_t j = i + 1; j < count; ++j) {
      if (PyUnicode_Compare(PyList_GET_ITEM(shown.get(), i), PyList_GET_ITEM(shown.get(), j)) != 0) continue;
      PyObject* a = PyList_GET_ITEM(full, rows[static_cast<std::size_t>(i)]);
      PyObject* b = PyList_GET_ITEM(full, rows[static_cast<std::size_t>(j)]);
      if (PyUnicode_Compare(a, b) == 0) {
        PyErr_Format(PyExc_ValueError, "%s must be unique: %R comes twice (aggregate the data first)", what, a);
      } else {
        PyErr_Format(PyExc_ValueError,
                     "%s %R and %R both show as %R (Slack shows %zd characters); make them differ in their "
                     "first %zd",
                     what, a, b, PyList_GET_ITEM(shown.get(), i), label_limit, label_limit - 1);
      }
      return {};
    }
  }
  return shown;
}

[[gnu::cold]] bool raise_categories(Py_ssize_t count, bool dropna) noexcept {
  PyErr_Format(PyExc_ValueError,
               "A chart shows at most %zd categories; the data has %zd%s. Take the last %zd rows "
               "(df.tail(%zd)) or fewer, coarser ones (df.resample(\"W\").sum())",
               max_categories, count, dropna ? " with a value in every series" : "", max_categories, max_categories);
  return false;
}

[[gnu::cold]] bool raise_missing(const Plot& p, std::size_t series, PyObject* category, bool pie) noexcept {
  if (pie) {
    PyErr_Format(PyExc_ValueError, "The value for %R is missing; a pie needs a number for every label", category);
  } else {
    PyErr_Format(PyExc_ValueError,
                 "Series %R has no value for %R; pass dropna=True to leave out the categories with a missing "
                 "value, or fill them first (e.g. df.fillna(0))",
                 p.names[series].get(), category);
  }
  return false;
}

// The rows a chart keeps: every row, or with `dropna` those where no series misses a value; a
// ValueError for a missing value otherwise, for a number that is not finite, and for a count of
// categories (or a pie's segments) Slack does not take.
bool kept_rows(const Plot& p, bool dropna, bool pie, std::vector<Py_ssize_t>& kept) {
  Py_ssize_t rows = PyList_GET_SIZE(p.categories.get());
  if (!dropna && !pie && rows > max_categories) return raise_categories(rows, false);
  for (Py_ssize_t i = 0; i < rows; ++i) {
    bool missing = false;
    PyObject* category = PyList_GET_ITEM(p.categories.get(), i);
    for (std::size_t n = 0; n < p.values.size(); ++n) {
      PyObject* value = p.values[n][static_cast<std::size_t>(i)].get();
      if (!value) {
        if (!dropna) return raise_missing(p, n, category, pie);
        missing = true;
      } else if (PyFloat_CheckExact(value) && !std::isfinite(PyFloat_AS_DOUBLE(value))) {
        if (pie) {
          PyErr_Format(PyExc_ValueError, "The value for %R is %R; Slack's charts take finite numbers only", category,
                       value);
        } else {
          PyErr_Format(PyExc_ValueError, "Series %R has %R for %R; Slack's charts take finite numbers only",
                       p.names[n].get(), value, category);
        }
        return false;
      }
    }
    if (!missing) kept.push_back(i);
  }
  Py_ssize_t count = static_cast<Py_ssize_t>(kept.size());
  if (count == 0) {
    if (!rows) return no_rows();
    PyErr_SetString(PyExc_ValueError, "Every category has a missing value: dropna=True left nothing to plot");
    return false;
  }
  if (pie && count > max_series) {
    PyErr_Format(PyExc_ValueError,
                 "A pie shows at most %zd segments; the data has %zd. Keep the %zd largest and sum the rest as one "
                 "\"Other\" segment",
                 max_series, count, max_series - 1);
    return false;
  }
  return pie || count <= max_categories || raise_categories(count, true);
}

// ---- the block -------------------------------------------------------------------------------

// A checked text parameter: a str of 1 to `limit` characters (`title`), or None for the
// default, "" for none (x_label, y_label).
bool check_label(PyObject* value, const char* param, Py_ssize_t limit) noexcept {
  if (value == Py_None || (PyUnicode_Check(value) && PyUnicode_GET_LENGTH(value) == 0)) return true;
  return vm::check_str_length(value, param, 1, limit);
}

// [{"label": shown[i], "value": values[kept[i]]}, ...]
Ref points(PyObject* shown, const std::vector<Ref>& values, const std::vector<Py_ssize_t>& kept) {
  Py_ssize_t count = static_cast<Py_ssize_t>(kept.size());
  Ref out = Ref::steal(PyList_New(count));
  for (Py_ssize_t i = 0; out && i < count; ++i) {
    PyObject* value = values[static_cast<std::size_t>(kept[static_cast<std::size_t>(i)])].get();
    Ref point = vm::dict({{k.label, PyList_GET_ITEM(shown, i)}, {k.value, value}});
    if (!point) return {};
    PyList_SET_ITEM(out.get(), i, point.release());
  }
  return out;
}

// {"type": "data_visualization", "title": title, "chart": chart}, "block_id" last when given.
Ref chart_block(PyObject* title, Ref chart, PyObject* block_id, bool has_id) {
  return vm::list_of(vm::dict(
      {{k.type, k.data_visualization}, {k.title, title}, {k.chart, chart.get()}, {k.block_id, block_id, has_id}}));
}

// x_label: the caller's ("" for none), else the categories' name, shortened to Slack's limit.
Ref axis_label(PyObject* given, PyObject* derived) noexcept {
  if (given != Py_None) return PyUnicode_GET_LENGTH(given) ? Ref::borrow(given) : Ref{};
  if (!derived) return {};
  return shortened(derived, vm::limit::chart_axis_label);
}

// line(data, *, x=None, y=None, title, x_label=None, y_label=None, dropna=False, block_id=None)
template <vm::Key Type>
Ref series_chart(PyObject*, vm::Bound<8>& a) {
  for (PyObject*& given : a) given = given ? given : Py_None;
  PyObject *data = a[0], *x = a[1], *y = a[2], *title = a[3], *x_label = a[4], *y_label = a[5], *block_id = a[7];
  bool has_id;
  int dropna = PyObject_IsTrue(a[6]);
  if (!vm::check_str_length(title, "title", 1, vm::limit::chart_title) ||
      !check_label(x_label, "x_label", vm::limit::chart_axis_label) ||
      !check_label(y_label, "y_label", vm::limit::chart_axis_label) || dropna < 0 ||
      !vm::check_block_id(block_id, has_id)) {
    return {};
  }
  Plot plot;
  if (!read_plot(data, plot, [&](const Source& s, Plot& out) { return read_lines(s, x, y, out); })) return {};
  std::vector<Py_ssize_t> kept, all;
  if (!kept_rows(plot, dropna, false, kept)) return {};
  Ref categories = distinct_labels(plot.categories.get(), kept, "Categories");
  Ref names = Ref::steal(PyList_New(0));
  if (!categories || !names) return {};
  for (std::size_t n = 0; n < plot.names.size(); ++n) {
    if (PyList_Append(names.get(), plot.names[n].get()) < 0) return {};
    all.push_back(static_cast<Py_ssize_t>(n));
  }
  names = distinct_labels(names.get(), all, "Series names");
  Ref series = names ? Ref::steal(PyList_New(static_cast<Py_ssize_t>(all.size()))) : Ref{};
  if (!series) return {};
  for (std::size_t n = 0; n < all.size(); ++n) {
    Ref points_of = points(categories.get(), plot.values[n], kept);
    Ref one = vm::dict({{k.name, PyList_GET_ITEM(names.get(), n)}, {k.data, points_of.get()}});
    if (!one) return {};
    PyList_SET_ITEM(series.get(), static_cast<Py_ssize_t>(n), one.release());
  }
  Ref x_text = axis_label(x_label, plot.x_name.get());
  Ref y_text = axis_label(y_label, nullptr);
  if (PyErr_Occurred()) return {};
  Ref axis = vm::dict({{k.categories, categories.get()},
                       {k.x_label, x_text.get(), static_cast<bool>(x_text)},
                       {k.y_label, y_text.get(), static_cast<bool>(y_text)}});
  Ref chart = vm::dict({{k.type, k.*Type}, {k.series, series.get()}, {k.axis_config, axis.get()}});
  return chart_block(title, std::move(chart), block_id, has_id);
}

// pie(data, *, labels=None, values=None, title, block_id=None)
Ref pie(PyObject*, vm::Bound<5>& a) {
  for (PyObject*& given : a) given = given ? given : Py_None;
  PyObject *data = a[0], *labels = a[1], *values = a[2], *title = a[3], *block_id = a[4];
  bool has_id;
  if (!vm::check_str_length(title, "title", 1, vm::limit::chart_title) || !vm::check_block_id(block_id, has_id)) {
    return {};
  }
  Plot plot;
  bool columns = labels != Py_None || values != Py_None;
  int mapping = columns ? 0 : vm::chart::is_mapping(data);  // of label to value
  if (mapping < 0) return {};
  bool read = mapping
                  ? read_pie_mapping(data, plot)
                  : read_plot(data, plot, [&](const Source& s, Plot& out) { return read_pie(s, labels, values, out); });
  std::vector<Py_ssize_t> kept;
  if (!read || !kept_rows(plot, false, true, kept)) return {};
  Ref zero = Ref::steal(PyLong_FromLong(0));
  if (!zero) return {};
  for (Py_ssize_t i : kept) {
    PyObject* value = plot.values[0][static_cast<std::size_t>(i)].get();
    int positive = PyObject_RichCompareBool(value, zero.get(), Py_GT);
    if (positive < 0) return {};
    if (!positive) {
      PyErr_Format(PyExc_ValueError, "A pie's values must be positive; %R is %R",
                   PyList_GET_ITEM(plot.categories.get(), i), value);
      return {};
    }
  }
  Ref shown = distinct_labels(plot.categories.get(), kept, "Pie labels");
  Ref segments = shown ? points(shown.get(), plot.values[0], kept) : Ref{};
  Ref chart = vm::dict({{k.type, k.pie}, {k.segments, segments.get()}});
  return chart_block(title, std::move(chart), block_id, has_id);
}

// ---- the class -------------------------------------------------------------------------------

#define VM_SERIES_CHART_DOC(kind, drawn)                                                           \
  "One Block Kit data_visualization block: a " kind                                                \
  " chart that Slack's client draws, of `data`:\n"                                                 \
  "a pandas or polars DataFrame, a pandas Series or a mapping of column to values.\n\n"            \
  "x: the column of categories (default: the index, or the rows' positions for data without\n"     \
  "one), shown as pandas shows them (dates as 2026-01-05); y: a column, or a list of them, each\n" \
  "one series " drawn                                                                              \
  " (default: every column of numbers). x_label defaults to the name of the\n"                     \
  "index or of x (\"\" for none). Values are plain ints and floats.\n\n"                           \
  "Slack's limits, each a ValueError that says what to do: 1 to 20 categories, 1 to 12 series,\n"  \
  "a title of 1 to 50 characters; a missing value unless dropna=True, which leaves out its\n"      \
  "category; labels and series names over 20 characters are shortened with \"…\" (ValueError\n"  \
  "when two become the same). TypeError for data of another kind."

vm::Builder builders[] = {
    vm::builder<series_chart<&Keys::line>,
                "Chart.line(data, *, x=None, y=None, title, x_label=None, y_label=None, dropna=False, block_id=None)",
                VM_SERIES_CHART_DOC("line", "drawn as a line")>(),
    vm::builder<series_chart<&Keys::bar>,
                "Chart.bar(data, *, x=None, y=None, title, x_label=None, y_label=None, dropna=False, block_id=None)",
                VM_SERIES_CHART_DOC("bar", "of bars, grouped by category")>(),
    vm::builder<series_chart<&Keys::area>,
                "Chart.area(data, *, x=None, y=None, title, x_label=None, y_label=None, dropna=False, block_id=None)",
                VM_SERIES_CHART_DOC("area", "drawn as a filled area")>(),
    vm::builder<pie, "Chart.pie(data, *, labels=None, values=None, title, block_id=None)",
                R"(
                One Block Kit data_visualization block: a pie chart that Slack's client draws, of `data`:
                a pandas Series (its index gives the labels), a mapping of label to value, or a DataFrame
                (pandas or polars) or mapping of columns, whose `labels` column (default: the index)
                labels the segments and whose `values` column (default: its one column of numbers) sizes
                them. Labels show as pandas shows them.

                Slack's limits, each a ValueError that says what to do: 1 to 12 segments, every value a
                positive number, a title of 1 to 50 characters; labels over 20 characters are shortened
                with "…" (ValueError when two become the same). TypeError for data of another kind.)">(),
};

bool prepare(PyObject*, vm::Decorators&) noexcept {
  PyDateTime_IMPORT;
  return PyDateTimeAPI != nullptr;
}

}  // namespace

VM_BUILDER_MODULE("Chart blocks: Slack's native line, bar, area and pie charts of DataFrames and mappings.", "Chart",
                  "Builders of Block Kit data_visualization blocks (Slack's native charts).", builders, prepare)
