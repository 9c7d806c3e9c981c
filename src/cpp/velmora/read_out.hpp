// The pieces of fallback_text's read-out of a message: the text it builds, lookups in blocks
// that never run into a caller's error twice, and the sentences that say what a chart and a
// data table show (a person cannot read their points one by one).
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "keys.hpp"
#include "text.hpp"

namespace vm::read_out {

using Text = std::u32string;

inline void add(Text& out, PyObject* str) {
  vm::Chars s(str);
  for (Py_ssize_t i = 0; i < s.size(); ++i) out.push_back(s[i]);
}

inline void add(Text& out, const char* ascii) {
  for (const char* c = ascii; *c; ++c) out.push_back(static_cast<char32_t>(*c));
}

// The value under `key` of `object` when it is a dict holding one, else null. A lookup may run
// the code of a caller's odd key (an __eq__), which may fail: from then on every lookup finds
// nothing, and fallback_text() raises that error at the end.
inline Ref at(PyObject* object, PyObject* key) noexcept {
  if (!object || !PyDict_Check(object) || PyErr_Occurred()) return {};
  return Ref::borrow(PyDict_GetItemWithError(object, key));
}

// As at(), for a str.
inline Ref str_at(PyObject* object, PyObject* key) noexcept {
  Ref value = at(object, key);
  return value && PyUnicode_Check(value.get()) ? std::move(value) : Ref{};
}

inline bool is(const Ref& value, PyObject* key) noexcept {
  return value && (value.get() == key || (PyUnicode_Check(value.get()) && PyUnicode_Compare(value.get(), key) == 0));
}

// Calls `each` with every item of `list` when it is a list, each held while in use (a lookup in
// an item may change the list, so its size is read at every step).
template <class Each>
void for_each(const Ref& list, Each&& each) {
  for (Py_ssize_t i = 0; list && PyList_Check(list.get()) && i < PyList_GET_SIZE(list.get()); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(list.get(), i));
    each(item.get(), i);
  }
}

// ---- charts and data tables ---------------------------------------------------------------------

// A chart's number as a reader says it: 190, 80.5, 1e+16 (the shortest text that reads back).
inline void add_number(Text& out, PyObject* value) {
  if (PyErr_Occurred()) return;  // a caller's error, raised at the end
  if (PyFloat_Check(value)) {
    char* text = PyOS_double_to_string(PyFloat_AS_DOUBLE(value), 'r', 0, 0, nullptr);
    if (!text) return PyErr_Clear();
    add(out, text);
    PyMem_Free(text);
    return;
  }
  Ref shown = Ref::steal(PyObject_Str(value));
  if (!shown) return PyErr_Clear();  // an int too long to write out: left unsaid
  add(out, shown.get());
}

// The number of a point, when it is one (an int or a float, not a bool) that a double holds.
inline bool number_of(PyObject* value, double& out) {
  if (!value || PyErr_Occurred() || PyBool_Check(value) || !(PyFloat_Check(value) || PyLong_Check(value))) {
    return false;
  }
  out = PyFloat_Check(value) ? PyFloat_AS_DOUBLE(value) : PyLong_AsDouble(value);
  if (out == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    return false;
  }
  return true;
}

// "a", "a and b", "a, b and c": the str items of `names` that `name_of` finds, joined.
template <class NameOf>
std::size_t add_names(Text& out, const Ref& items, NameOf&& name_of) {
  std::vector<Ref> names;
  for_each(items, [&](PyObject* item, Py_ssize_t) {
    if (Ref name = name_of(item)) names.push_back(std::move(name));
  });
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) add(out, i + 1 == names.size() ? " and " : ", ");
    add(out, names[i].get());
  }
  return names.size();
}

// A chart in one sentence: its title, kind, series (or a pie's labels), the categories it spans
// and where its highest value is: "Weekly sign-ups, a line chart of web and mobile from
// 2026-01-05 to 2026-02-09; highest: web at 2026-02-09, 190." A pie: "Platforms, a pie chart of
// web, ios and android; largest: ios, 4.5 (47%)."
inline void add_chart(Text& out, PyObject* block) {
  Ref chart = at(block, k.chart), title = str_at(block, k.title), type = str_at(chart.get(), k.type);
  bool pie = is(type, k.pie), known = pie || is(type, k.line) || is(type, k.bar) || is(type, k.area);
  if (title) {
    add(out, title.get());
    add(out, ", a");
  } else {
    add(out, "A");
  }
  if (known) {
    add(out, is(type, k.area) ? "n " : " ");
    add(out, type.get());
  }
  add(out, " chart");
  Text names;  // " of web and mobile", " from 2026-01-05 to 2026-02-09"
  std::size_t named = 0;
  // the highest value: its number, its series' name and its label
  Ref top, top_series, top_label;
  double highest = 0, total = 0;
  auto consider = [&](PyObject* point, PyObject* series) {
    double number;
    Ref value = at(point, k.value);
    if (!number_of(value.get(), number)) return;
    total += number;
    if (top && number <= highest) return;
    highest = number;
    top = std::move(value);
    top_series = Ref::borrow(series);
    top_label = str_at(point, k.label);
  };
  if (pie) {
    Ref segments = at(chart.get(), k.segments);
    named = add_names(names, segments, [](PyObject* segment) { return str_at(segment, k.label); });
    for_each(segments, [&](PyObject* segment, Py_ssize_t) { consider(segment, nullptr); });
  } else {
    Ref series = at(chart.get(), k.series);
    named = add_names(names, series, [](PyObject* one) { return str_at(one, k.name); });
    Ref categories = at(at(chart.get(), k.axis_config).get(), k.categories);
    Py_ssize_t count = categories && PyList_Check(categories.get()) ? PyList_GET_SIZE(categories.get()) : 0;
    Ref first = count ? Ref::borrow(PyList_GET_ITEM(categories.get(), 0)) : Ref{};
    Ref last = count ? Ref::borrow(PyList_GET_ITEM(categories.get(), count - 1)) : Ref{};
    if (first && PyUnicode_Check(first.get()) && PyUnicode_Check(last.get())) {
      add(names, count > 1 ? " from " : " at ");
      add(names, first.get());
      if (count > 1) {
        add(names, " to ");
        add(names, last.get());
      }
    }
    for_each(series, [&](PyObject* one, Py_ssize_t) {
      Ref name = str_at(one, k.name);
      for_each(at(one, k.data), [&](PyObject* point, Py_ssize_t) { consider(point, name.get()); });
    });
  }
  if (named) add(out, " of ");
  out += names;
  if (top) {
    add(out, pie ? "; largest: " : "; highest: ");
    if (top_series) add(out, top_series.get());
    if (top_label) {
      if (top_series) add(out, " at ");
      add(out, top_label.get());
    }
    add(out, ", ");
    add_number(out, top.get());
    if (pie && total > 0) add(out, (" (" + std::to_string(std::lround(highest / total * 100)) + "%)").c_str());
  }
  out.push_back('.');
}

// A data table by its caption and size: "Sales by region, a table of 250 rows and 4 columns."
inline void add_data_table(Text& out, PyObject* block) {
  Ref caption = str_at(block, k.caption), rows = at(block, k.rows);
  Py_ssize_t count = rows && PyList_Check(rows.get()) ? PyList_GET_SIZE(rows.get()) : 0;
  Ref header = count ? Ref::borrow(PyList_GET_ITEM(rows.get(), 0)) : Ref{};
  Py_ssize_t columns = header && PyList_Check(header.get()) ? PyList_GET_SIZE(header.get()) : 0;
  Py_ssize_t body = count > 0 ? count - 1 : 0;  // the first row is the header
  if (caption) {
    add(out, caption.get());
    add(out, ", a table of ");
  } else {
    add(out, "A table of ");
  }
  add(out, (std::to_string(body) + (body == 1 ? " row and " : " rows and ") + std::to_string(columns) +
            (columns == 1 ? " column." : " columns."))
               .c_str());
}

}  // namespace vm::read_out
