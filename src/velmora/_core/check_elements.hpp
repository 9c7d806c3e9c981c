// velmora.validate's checks of interactive elements: buttons, menus, pickers and inputs, with
// the action ids of a block, which must differ from each other.
#pragma once

#include <cmath>

#include "check.hpp"
#include "dates.hpp"

namespace vm::check {

// The action ids met so far in one block (a set made on first need).
class ActionIds {
 public:
  // Reports `id` (the element's "action_id") when an earlier element of the block has it.
  bool add(Checker& c, PyObject* element) {
    Ref id;
    if (!get(element, k.action_id, id)) return false;
    if (!id || !PyUnicode_Check(id.get())) return true;
    if (!seen_ && !(seen_ = Ref::steal(PySet_New(nullptr)))) return false;
    int known = PySet_Contains(seen_.get(), id.get());
    if (known < 0 || PySet_Add(seen_.get(), id.get()) < 0) return false;
    auto here = c.at(k.action_id);
    return !known || c.report("action_id \"%U\" is already used in this block; each must be unique in its block.",
                              id.get());
  }

 private:
  Ref seen_;
};

inline bool placeholder(Checker& c, PyObject* element) { return plain(c, element, k.placeholder, 150); }

inline bool clock_value(Checker& c, PyObject* element, PyObject* key, bool (*valid)(PyObject*),
                        const char* wording) {
  Ref value;
  if (!get(element, key, value)) return false;
  if (!value) return true;
  auto here = c.at(key);
  if (!PyUnicode_Check(value.get())) return wrong_type(c, key, "a string", value.get());
  return valid(value.get()) || c.report("\"%U\" must be %s, not \"%U\".", key, wording, value.get());
}

// "text" (plain, 75), "value" (2000) and "accessibility_label" (75) of a button of any kind.
inline bool button_face(Checker& c, PyObject* button, bool value_required) {
  return plain(c, button, k.text, 75, true) && string(c, button, k.value, 0, 2000, value_required) &&
         string(c, button, k.accessibility_label, 1, 75);
}

inline bool button_style(Checker& c, PyObject* element) {
  return choice(c, element, k.style, {k.primary, k.danger}, "\"primary\" or \"danger\"");
}

// A select menu of static options: "options" or "option_groups", exactly one.
inline bool static_menu(Checker& c, PyObject* item) {
  int listed = has(item, k.options), grouped = has(item, k.option_groups);
  if (listed < 0 || grouped < 0) return false;
  if (listed && grouped) {
    auto here = c.at(k.option_groups);
    return c.report("A select menu takes \"options\" or \"option_groups\", not both.");
  }
  if (!grouped) return options(c, item, 100, "a select menu", OptionKind::menu);
  return items(c, item, k.option_groups, 1, 100, "a select menu", true, [&](PyObject* group) {
    bool dict;
    if (!object(c, group, "An option group", dict)) return false;
    return !dict || (plain(c, group, k.label, 75, true) &&
                     options(c, group, 100, "an option group", OptionKind::menu));
  });
}

// "min_value" and "max_value" of a number input: numbers written as strings, min <= max.
inline bool number_bounds(Checker& c, PyObject* item) {
  double bounds[2];
  bool given[2] = {false, false};
  int i = 0;
  for (PyObject* key : {k.min_value, k.max_value}) {
    Ref value;
    if (!get(item, key, value)) return false;
    if (value) {
      auto here = c.at(key);
      if (!PyUnicode_Check(value.get())) {
        if (!wrong_type(c, key, "a string", value.get())) return false;
      } else {
        Ref number = Ref::steal(PyFloat_FromString(value.get()));
        if (!number && PyErr_ExceptionMatches(PyExc_ValueError)) PyErr_Clear();
        if (!number && PyErr_Occurred()) return false;
        if (number && std::isfinite(PyFloat_AS_DOUBLE(number.get()))) {
          bounds[i] = PyFloat_AS_DOUBLE(number.get());
          given[i] = true;
        } else if (!c.report("\"%U\" must be a number written as a string, not \"%U\".", key, value.get())) {
          return false;
        }
      }
    }
    ++i;
  }
  if (!given[0] || !given[1] || bounds[0] <= bounds[1]) return true;
  auto here = c.at(k.max_value);
  return c.report("\"max_value\" is less than \"min_value\".");
}

// A text input's "min_length" (0 to 3000) and "max_length" (1 to 3000), min <= max.
inline bool length_bounds(Checker& c, PyObject* item) {
  if (!integer(c, item, k.min_length, 0, 3000, "0 to 3000") || !integer(c, item, k.max_length, 1, 3000, "1 to 3000")) {
    return false;
  }
  Ref low, high;
  if (!get(item, k.min_length, low) || !get(item, k.max_length, high)) return false;
  if (!low || !high || !PyLong_Check(low.get()) || !PyLong_Check(high.get())) return true;
  int order = PyObject_RichCompareBool(low.get(), high.get(), Py_LE);
  if (order < 0) return false;
  auto here = c.at(k.max_length);
  return order || c.report("\"max_length\" is less than \"min_length\".");
}

// "dispatch_action_config": "trigger_actions_on" of on_enter_pressed and on_character_entered.
inline bool dispatch_config(Checker& c, PyObject* item) {
  return nested(c, item, k.dispatch_action_config, "A dispatch configuration", false, [&](PyObject* config) {
    return items(c, config, k.trigger_actions_on, 1, 2, "a dispatch configuration", false, [&](PyObject* event) {
      if (which(event, {k.on_enter_pressed, k.on_character_entered}) >= 0) return true;
      return c.report("A trigger must be \"on_enter_pressed\" or \"on_character_entered\".");
    });
  });
}

// One interactive element (an image too) of a section, an actions or an input block.
inline bool element(Checker& c, PyObject* item) {
  Ref type;
  if (!typed(c, item, "An element", type)) return false;
  if (!type) return true;
  PyObject* t = type.get();
  if (is(t, k.image)) return image_source(c, item);
  if (!string(c, item, k.action_id, 0, 255) || !confirm(c, item) || !boolean(c, item, k.focus_on_load)) return false;
  if (is(t, k.button)) {
    return button_face(c, item, false) && string(c, item, k.url, 0, 3000) && button_style(c, item);
  }
  switch (which(t, {k.static_select, k.multi_static_select, k.external_select, k.multi_external_select,
                    k.users_select, k.multi_users_select, k.conversations_select, k.multi_conversations_select,
                    k.channels_select, k.multi_channels_select})) {
    case -1:
      break;
    case 0:
      return placeholder(c, item) && static_menu(c, item);
    case 1:
      return placeholder(c, item) && static_menu(c, item) &&
             integer(c, item, k.max_selected_items, 1, LONG_MAX, "1 or more");
    case 2:
    case 3:
      return placeholder(c, item) && integer(c, item, k.min_query_length, 0, LONG_MAX, "0 or more") &&
             integer(c, item, k.max_selected_items, 1, LONG_MAX, "1 or more");
    case 6:
    case 7:
      if (!conversation_filter(c, item) || !boolean(c, item, k.default_to_current_conversation)) return false;
      [[fallthrough]];
    default:
      return placeholder(c, item) && integer(c, item, k.max_selected_items, 1, LONG_MAX, "1 or more");
  }
  if (is(t, k.overflow)) return options(c, item, 5, "an overflow menu", OptionKind::overflow);
  if (is(t, k.radio_buttons)) return options(c, item, 10, "a radio button group", OptionKind::choice);
  if (is(t, k.checkboxes)) return options(c, item, 10, "a checkbox group", OptionKind::choice);
  if (is(t, k.datepicker)) {
    return placeholder(c, item) &&
           clock_value(c, item, k.initial_date, vm::is_calendar_date, "a real date written YYYY-MM-DD");
  }
  if (is(t, k.timepicker)) {
    return placeholder(c, item) &&
           clock_value(c, item, k.initial_time, vm::is_clock_time, "a 24-hour time written HH:mm") &&
           string(c, item, k.timezone, 1, PY_SSIZE_T_MAX);
  }
  if (is(t, k.datetimepicker)) {
    return integer(c, item, k.initial_date_time, 0, 9999999999L, "Unix seconds of at most 10 digits");
  }
  if (is(t, k.workflow_button)) {
    return button_face(c, item, false) && button_style(c, item) &&
           nested(c, item, k.workflow, "A workflow", true, [&](PyObject* workflow) {
             return nested(c, workflow, k.trigger, "A workflow trigger", true,
                           [&](PyObject* trigger) { return identifier(c, trigger, k.url); });
           });
  }
  if (is(t, k.icon_button)) return identifier(c, item, k.icon) && button_face(c, item, false);
  if (is(t, k.feedback_buttons)) {
    for (PyObject* key : {k.positive_button, k.negative_button}) {
      if (!nested(c, item, key, "A feedback button", true, [&](PyObject* b) { return button_face(c, b, true); })) {
        return false;
      }
    }
    return true;
  }
  if (is(t, k.plain_text_input)) {
    return placeholder(c, item) && length_bounds(c, item) && boolean(c, item, k.multiline) &&
           dispatch_config(c, item);
  }
  if (is(t, k.number_input)) {
    Ref decimal;
    if (!get(item, k.is_decimal_allowed, decimal)) return false;
    if (!decimal && !missing(c, k.is_decimal_allowed)) return false;
    return boolean(c, item, k.is_decimal_allowed) && placeholder(c, item) && number_bounds(c, item) &&
           dispatch_config(c, item);
  }
  if (is(t, k.file_input)) {
    return integer(c, item, k.max_files, 1, 10, "1 to 10") &&
           items(c, item, k.filetypes, 0, PY_SSIZE_T_MAX, "a file input", false, [&](PyObject* kind) {
             return PyUnicode_Check(kind) || c.report("A file type must be a string such as \"pdf\".");
           });
  }
  if (is(t, k.email_text_input) || is(t, k.url_text_input) || is(t, k.rich_text_input)) {
    return placeholder(c, item) && dispatch_config(c, item);
  }
  return true;  // element types without published limits: their action_id and confirm are checked
}

// The elements under `key` of a block (`owner`, at most `max`), with unique action ids.
template <class Each>
bool elements(Checker& c, PyObject* block, PyObject* key, Py_ssize_t min, Py_ssize_t max, const char* owner,
              bool required, Each&& each) {
  ActionIds ids;
  return items(c, block, key, min, max, owner, required, [&](PyObject* e) {
    return each(e) && (!PyDict_Check(e) || ids.add(c, e));
  });
}

}  // namespace vm::check
