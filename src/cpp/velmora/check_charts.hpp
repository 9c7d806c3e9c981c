// velmora.validate's checks of charts: the data_visualization block, a pie of segments or a
// bar, area or line chart of series over the categories of its axis. At most two per message.
#pragma once

#include "check_message.hpp"

namespace vm::check {

// A point of a series or a segment of a pie (`what`, `owner`): a "label" of 1 to 20 characters
// and its "value".
inline bool labelled(Checker& c, PyObject* point, bool positive, const char* what, const char* owner) {
  bool dict;
  if (!object(c, point, what, dict)) return false;
  return !dict ||
         (keys(c, point, {&Keys::label, &Keys::value}, owner) &&
          string(c, point, k.label, 1, limit::chart_label, true) && finite_number(c, point, k.value, positive));
}

// The categories of an axis: 1 to 20 unique strings of 1 to 20 characters, gathered in `seen`.
inline bool categories(Checker& c, PyObject* axis, PyObject* seen) {
  return items(c, axis, k.categories, 1, limit::chart_categories, "an axis", true, [&](PyObject* category) {
    if (!PyUnicode_Check(category)) {
      Ref got = vm::type_name(category);
      return got && c.report("A category must be a string, not %U.", got.get());
    }
    Py_ssize_t length = PyUnicode_GET_LENGTH(category);
    if (length == 0 || length > limit::chart_label) {
      return c.report("A category holds %zd characters; Slack takes 1 to %zd.", length, limit::chart_label);
    }
    int known = PySet_Contains(seen, category);
    if (known < 0 || PySet_Add(seen, category) < 0) return false;
    return !known || c.report("Category \"%U\" is already on the axis; each must be unique.", category);
  });
}

// A series: a "name" of 1 to 20 characters and exactly one point per category of the axis
// (`axis`, or null when the axis could not be read), none outside them.
inline bool series(Checker& c, PyObject* one, PyObject* axis) {
  bool dict;
  if (!object(c, one, "A series", dict)) return false;
  if (!dict) return true;
  Ref labels = Ref::steal(PySet_New(nullptr));
  if (!labels || !keys(c, one, {&Keys::name, &Keys::data}, "a series") ||
      !string(c, one, k.name, 1, limit::chart_label, true)) {
    return false;
  }
  bool ok = items(c, one, k.data, 1, limit::chart_categories, "a series", true, [&](PyObject* point) {
    if (!labelled(c, point, false, "A point", "a point")) return false;
    Ref label = Ref::borrow(PyDict_Check(point) ? PyDict_GetItemWithError(point, k.label) : nullptr);
    if (!label || !PyUnicode_Check(label.get()) || !axis) return !PyErr_Occurred();
    auto here = c.at(k.label);
    int on_axis = PySet_Contains(axis, label.get());
    if (on_axis <= 0) return on_axis == 0 && c.report("\"%U\" is not one of the axis's categories.", label.get());
    int known = PySet_Contains(labels.get(), label.get());
    if (known < 0 || PySet_Add(labels.get(), label.get()) < 0) return false;
    return !known ||
           c.report("The series has a point for \"%U\" already; each category takes exactly one.", label.get());
  });
  if (!ok || !axis) return ok;
  // `labels` holds the categories the series has a point for.
  Py_ssize_t covered = PySet_GET_SIZE(labels.get()), wanted = PySet_GET_SIZE(axis);
  if (covered == wanted) return true;
  auto here = c.at(k.data);
  return c.report("The series has points for %zd of the %zd categories; it needs one for each.", covered, wanted);
}

// A chart: a pie of 1 to 12 "segments" (values over 0), or a bar, area or line chart of 1 to 12
// "series" over the categories of its "axis_config" ("x_label" and "y_label" of 50 at most).
inline bool chart(Checker& c, PyObject* item) {
  Ref type;
  if (!typed(c, item, "A chart", type)) return false;
  if (!type) return true;
  int kind = which(type.get(), {k.pie, k.bar, k.area, k.line});
  if (kind < 0) {
    auto here = c.at(k.type);
    return c.report("A chart must be \"pie\", \"bar\", \"area\" or \"line\", not \"%U\".", type.get());
  }
  if (kind == 0) {
    return keys(c, item, {&Keys::segments}, type_only, type.get()) &&
           items(c, item, k.segments, 1, limit::chart_series, "a pie", true,
                 [&](PyObject* segment) { return labelled(c, segment, true, "A segment", "a segment"); });
  }
  Ref axis = Ref::steal(PySet_New(nullptr));
  bool axis_read = false;
  if (!axis || !keys(c, item, {&Keys::series, &Keys::axis_config}, type_only, type.get()) ||
      !nested(c, item, k.axis_config, "An axis", true, [&](PyObject* config) {
        if (!keys(c, config, {&Keys::categories, &Keys::x_label, &Keys::y_label}, "an axis")) return false;
        Py_ssize_t before = c.found();
        if (!categories(c, config, axis.get())) return false;
        axis_read = c.found() == before;  // series are read against the categories only when sound
        return string(c, config, k.x_label, 1, limit::chart_axis_label) &&
               string(c, config, k.y_label, 1, limit::chart_axis_label);
      })) {
    return false;
  }
  return items(c, item, k.series, 1, limit::chart_series, "a chart", true,
               [&](PyObject* one) { return series(c, one, axis_read ? axis.get() : nullptr); });
}

// A data_visualization block: a "title" string of at most 50 characters and its "chart". A
// message holds two at most.
inline bool data_visualization(Checker& c, PyObject* item, Seen& seen) {
  c.note('c');
  if (++seen.charts == limit::charts + 1 &&
      !c.report("A message holds at most %zd data_visualization blocks; this is the third.", limit::charts)) {
    return false;
  }
  return string(c, item, k.title, 1, limit::chart_title, true) &&
         nested(c, item, k.chart, "A chart", true, [&](PyObject* value) { return chart(c, value); });
}

}  // namespace vm::check
