// ChartMessage: one of Slack's native charts (Chart.line, bar, area or pie) of a DataFrame, a
// Series or a mapping, with an optional text above. `kind` names the chart as pandas'
// DataFrame.plot does; for a pie, x and y name the labels and values columns.
#include "velmora/chart_data.hpp"
#include "velmora/limits.hpp"
#include "velmora/message.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref;

// The chart `kind` names: 0 line, 1 bar, 2 area, 3 pie; -1 with a TypeError or ValueError.
int chart_kind(PyObject* kind, const char* param) noexcept {
  if (!vm::check_str(kind, param)) return -1;
  int which = vm::which_key(kind, {k.line, k.bar, k.area, k.pie});
  if (which < 0) {
    PyErr_Format(PyExc_ValueError, "%s must be 'line', 'bar', 'area' or 'pie' (the charts Slack draws), got %R", param,
                 kind);
  }
  return which;
}

bool check_kind(PyObject* kind, const char* param) noexcept {
  return chart_kind(kind, param) >= 0;
}

bool check_title(PyObject* title, const char* param) noexcept {
  return vm::check_str_length(title, param, 1, vm::limit::chart_title);
}

// A pie has no axes: an axis label given for one is refused rather than dropped.
bool no_axis_labels_on_pie(PyObject* kind, PyObject* x_label, PyObject* y_label) noexcept {
  if (!vm::is_key(kind, k.pie) || (x_label == Py_None && y_label == Py_None)) return true;
  PyErr_SetString(PyExc_ValueError, "A pie has no axes: x_label and y_label are for line, bar and area charts");
  return false;
}

bool finish(PyObject* self, PyObject*) {
  Ref kind = vm::get_attr(self, k.kind);
  Ref x_label = kind ? vm::get_attr(self, k.x_label) : Ref{};
  Ref y_label = x_label ? vm::get_attr(self, k.y_label) : Ref{};
  return y_label && no_axis_labels_on_pie(kind.get(), x_label.get(), y_label.get());
}

vm::Global series_keywords;  // ("x", "y", "title", "x_label", "y_label"): Chart.line and its like
vm::Global pie_keywords;     // ("labels", "values", "title"): Chart.pie

// Section.mrkdwn(self.text), then Chart.<kind>(self.data, x=self.x, y=self.y, title=self.title,
// x_label=self.x_label, y_label=self.y_label), or for a pie Chart.pie(self.data, labels=self.x,
// values=self.y, title=self.title); Section and Chart looked up in the module's globals at call time.
Ref build_blocks(PyObject* self) {
  Ref blocks = vm::empty_list();
  Ref text = blocks ? vm::get_attr(self, k.text) : Ref{};
  if (!text || !vm::extend_blocks(blocks.get(), vm::call(vm::global_attr(k.Section, k.mrkdwn).get(), {text.get()}))) {
    return {};
  }
  Ref kind = vm::get_attr(self, k.kind), data = vm::get_attr(self, k.data), x = vm::get_attr(self, k.x),
      y = vm::get_attr(self, k.y), title = vm::get_attr(self, k.title), x_label = vm::get_attr(self, k.x_label),
      y_label = vm::get_attr(self, k.y_label);
  if (!kind || !data || !x || !y || !title || !x_label || !y_label) return {};
  int which = chart_kind(kind.get(), "kind");
  if (which < 0 || !no_axis_labels_on_pie(kind.get(), x_label.get(), y_label.get())) return {};
  Ref chart = vm::global_attr(k.Chart, kind.get());
  Ref part = which == 3
                 ? vm::call(chart.get(), {data.get(), x.get(), y.get(), title.get()}, pie_keywords.get())
                 : vm::call(chart.get(), {data.get(), x.get(), y.get(), title.get(), x_label.get(), y_label.get()},
                            series_keywords.get());
  return vm::extend_blocks(blocks.get(), std::move(part)) ? std::move(blocks) : Ref{};
}

bool setup(PyObject*) {
  PyDateTime_IMPORT;  // chart_data.hpp's, for check_data
  series_keywords.set(Ref::steal(PyTuple_Pack(5, k.x, k.y, k.title, k.x_label, k.y_label)));
  pie_keywords.set(Ref::steal(PyTuple_Pack(3, k.labels, k.values, k.title)));
  return PyDateTimeAPI && series_keywords.get() && pie_keywords.get();
}

constexpr vm::Param none_keyword(vm::Key name, vm::Check check = nullptr) {
  return {.name = name, .check = check, .fallback = vm::Default::none, .keyword_only = true};
}

constexpr vm::Message message{
    .name = "ChartMessage",
    .doc = R"(
        A message of one of Slack's native charts, a Block Kit data_visualization block that the
        client draws, of `data` (a pandas or polars DataFrame, a pandas Series or a mapping), below
        the markdown `text` when given. `kind` names the chart as pandas' DataFrame.plot does:
        "line", "bar", "area" (Chart.line, Chart.bar, Chart.area: `x` the column of categories,
        `y` the columns plotted, `x_label` and `y_label` the axes' labels) or "pie" (Chart.pie: `x`
        the column of labels, `y` the column of values; a pie has no axis labels). `title`, 1 to 50
        characters, is required. Slack's limits are the builders' ValueErrors, raised by
        build_blocks().)",
    .params = {{{.name = &Keys::data, .check = vm::chart::check_data},
                {.name = &Keys::kind, .check = check_kind, .fallback = vm::Default::text, .text = "line"},
                none_keyword(&Keys::x),
                none_keyword(&Keys::y),
                {.name = &Keys::title, .check = check_title, .keyword_only = true},
                none_keyword(&Keys::x_label, vm::str_or_none),
                none_keyword(&Keys::y_label, vm::str_or_none),
                none_keyword(&Keys::text, vm::str_or_none)}},
    .imports = {{{"blocks", {"Section", "Chart"}}}},
    .build_doc = "The text as a markdown section (when not empty), then the chart's block.",
    .shown = {&Keys::data, &Keys::kind, &Keys::title},
    .finish = finish,
    .build = build_blocks,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE("The chart message: a DataFrame, Series or mapping as one of Slack's native charts.", message)
