// velmora.validate's checks of interactive elements: buttons, menus, pickers and inputs, with
// the action ids of a block, which must differ from each other.
#pragma once

#include <cmath>

#include "check_objects.hpp"
#include "check_rich_text.hpp"
#include "dates.hpp"
#include "limits.hpp"

namespace vm::check {

// The action ids met so far in one block. A block holds a few elements: they are compared one by
// one (comparing two str runs no Python code), and only a long list gets a set.
class ActionIds {
 public:
  // Reports `id` (an element's "action_id", or null) when an earlier element of the block has it.
  bool add(Checker& c, PyObject* id) {
    if (!id || !PyUnicode_Check(id)) return true;
    int known = 0;
    if (seen_) {
      known = PySet_Contains(seen_.get(), id);
      if (known < 0 || PySet_Add(seen_.get(), id) < 0) return false;
    } else {
      for (const Ref& other : few_) known = known || PyUnicode_Compare(other.get(), id) == 0;
      if (few_.empty()) few_.reserve(8);
      few_.push_back(Ref::borrow(id));
      if (few_.size() > 32 && !to_set()) return false;
    }
    auto here = c.at(k.action_id);
    return !known || c.report("action_id \"%U\" is already used in this block; each must be unique in its block.", id);
  }

 private:
  bool to_set() {
    seen_ = Ref::steal(PySet_New(nullptr));
    if (!seen_) return false;
    for (const Ref& id : few_) {
      if (PySet_Add(seen_.get(), id.get()) < 0) return false;
    }
    few_.clear();
    return true;
  }

  std::vector<Ref> few_;
  Ref seen_;
};

inline bool placeholder(Checker& c, PyObject* element) {
  return plain(c, element, k.placeholder, limit::placeholder);
}

inline bool clock_value(Checker& c, PyObject* element, PyObject* key, bool (*valid)(PyObject*), const char* wording) {
  Ref value;
  if (!get(element, key, value)) return false;
  if (!value || null(value.get())) return true;
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
    return !dict || (keys(c, group, {&Keys::label, &Keys::options}, "an option group") &&
                     plain(c, group, k.label, 75, true) && options(c, group, 100, "an option group", OptionKind::menu));
  });
}

// "min_value", "max_value" and "initial_value" of a number input: numbers written as strings,
// min <= max.
inline bool number_bounds(Checker& c, PyObject* item) {
  double bounds[2];
  bool given[2] = {false, false};
  for (PyObject* key : {k.min_value, k.max_value, k.initial_value}) {
    Ref value;
    if (!get(item, key, value)) return false;
    if (!value || null(value.get())) continue;
    auto here = c.at(key);
    if (!PyUnicode_Check(value.get())) {
      if (!wrong_type(c, key, "a string", value.get())) return false;
      continue;
    }
    Ref number = Ref::steal(PyFloat_FromString(value.get()));
    if (!number && PyErr_ExceptionMatches(PyExc_ValueError)) PyErr_Clear();
    if (!number && PyErr_Occurred()) return false;
    if (!number || !std::isfinite(PyFloat_AS_DOUBLE(number.get()))) {
      if (!c.report("\"%U\" must be a number written as a string, not \"%U\".", key, value.get())) return false;
    } else if (key != k.initial_value) {
      std::size_t at = key == k.min_value ? 0 : 1;
      bounds[at] = PyFloat_AS_DOUBLE(number.get());
      given[at] = true;
    }
  }
  if (!given[0] || !given[1] || bounds[0] <= bounds[1]) return true;
  auto here = c.at(k.max_value);
  return c.report("\"max_value\" is less than \"min_value\".");
}

// A text input's "min_length" (0 to 3000) and "max_length" (1 to 3000), min <= max.
inline bool length_bounds(Checker& c, PyObject* item) {
  if (!integer(c, item, k.min_length, 0, limit::text_input_length, "0 to 3000") ||
      !integer(c, item, k.max_length, 1, limit::text_input_length, "1 to 3000")) {
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
    return keys(c, config, {&Keys::trigger_actions_on}, "a dispatch configuration") &&
           items(c, config, k.trigger_actions_on, 1, 2, "a dispatch configuration", false, [&](PyObject* event) {
             if (which(event, {k.on_enter_pressed, k.on_character_entered}) >= 0) return true;
             return c.report("A trigger must be \"on_enter_pressed\" or \"on_character_entered\".");
           });
  });
}

// The element types checked here, in the order of element_types.
enum class Element {
  button,
  image,
  static_select,
  multi_static_select,
  external_select,
  multi_external_select,
  users_select,
  multi_users_select,
  conversations_select,
  multi_conversations_select,
  channels_select,
  multi_channels_select,
  overflow,
  radio_buttons,
  checkboxes,
  datepicker,
  timepicker,
  datetimepicker,
  workflow_button,
  icon_button,
  feedback_buttons,
  plain_text_input,
  number_input,
  file_input,
  email_text_input,
  url_text_input,
  rich_text_input,
  other
};

using K = Keys;

// Each element type with the keys it takes besides "type", as Slack's reference gives them.
inline constexpr struct {
  vm::Key type;
  KeySet keys;
} element_types[] = {
    {&K::button,
     {&K::action_id, &K::text, &K::url, &K::value, &K::style, &K::confirm, &K::accessibility_label, &K::agent_prompt,
      &K::agent_prompt_display, &K::visible_to_user_ids}},
    {&K::image, {&K::image_url, &K::slack_file, &K::alt_text}},
    {&K::static_select,
     {&K::action_id, &K::options, &K::option_groups, &K::initial_option, &K::confirm, &K::focus_on_load,
      &K::placeholder}},
    {&K::multi_static_select,
     {&K::action_id, &K::options, &K::option_groups, &K::initial_options, &K::max_selected_items, &K::confirm,
      &K::focus_on_load, &K::placeholder}},
    {&K::external_select,
     {&K::action_id, &K::initial_option, &K::min_query_length, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::multi_external_select,
     {&K::action_id, &K::initial_options, &K::min_query_length, &K::max_selected_items, &K::confirm, &K::focus_on_load,
      &K::placeholder}},
    {&K::users_select, {&K::action_id, &K::initial_user, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::multi_users_select,
     {&K::action_id, &K::initial_users, &K::max_selected_items, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::conversations_select,
     {&K::action_id, &K::initial_conversation, &K::default_to_current_conversation, &K::filter,
      &K::response_url_enabled, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::multi_conversations_select,
     {&K::action_id, &K::initial_conversations, &K::default_to_current_conversation, &K::filter, &K::max_selected_items,
      &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::channels_select,
     {&K::action_id, &K::initial_channel, &K::response_url_enabled, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::multi_channels_select,
     {&K::action_id, &K::initial_channels, &K::max_selected_items, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::overflow, {&K::action_id, &K::options, &K::confirm}},
    {&K::radio_buttons, {&K::action_id, &K::options, &K::initial_option, &K::confirm, &K::focus_on_load}},
    {&K::checkboxes, {&K::action_id, &K::options, &K::initial_options, &K::confirm, &K::focus_on_load}},
    {&K::datepicker, {&K::action_id, &K::initial_date, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::timepicker, {&K::action_id, &K::initial_time, &K::timezone, &K::confirm, &K::focus_on_load, &K::placeholder}},
    {&K::datetimepicker, {&K::action_id, &K::initial_date_time, &K::confirm, &K::focus_on_load}},
    {&K::workflow_button, {&K::action_id, &K::text, &K::workflow, &K::style, &K::accessibility_label}},
    {&K::icon_button,
     {&K::action_id, &K::icon, &K::text, &K::value, &K::confirm, &K::accessibility_label, &K::visible_to_user_ids}},
    {&K::feedback_buttons, {&K::action_id, &K::positive_button, &K::negative_button}},
    {&K::plain_text_input,
     {&K::action_id, &K::initial_value, &K::multiline, &K::min_length, &K::max_length, &K::dispatch_action_config,
      &K::focus_on_load, &K::placeholder}},
    {&K::number_input,
     {&K::action_id, &K::is_decimal_allowed, &K::initial_value, &K::min_value, &K::max_value,
      &K::dispatch_action_config, &K::focus_on_load, &K::placeholder}},
    {&K::file_input, {&K::action_id, &K::filetypes, &K::max_files}},
    {&K::email_text_input,
     {&K::action_id, &K::initial_value, &K::dispatch_action_config, &K::focus_on_load, &K::placeholder}},
    {&K::url_text_input,
     {&K::action_id, &K::initial_value, &K::dispatch_action_config, &K::focus_on_load, &K::placeholder}},
    {&K::rich_text_input,
     {&K::action_id, &K::initial_value, &K::dispatch_action_config, &K::focus_on_load, &K::placeholder, &K::min_lines,
      &K::max_lines}},
};
static_assert(std::size(element_types) == static_cast<std::size_t>(Element::other));

inline Element element_type(PyObject* t) noexcept {
  int i = vm::which_entry(t, element_types, [](const auto& entry) { return k.*entry.type; });
  return i < 0 ? Element::other : static_cast<Element>(i);
}

// The option under "initial_option", or the options under "initial_options" (`many`).
inline bool initial_options(Checker& c, PyObject* item, bool many, OptionKind kind) {
  if (many) {
    return items(c, item, k.initial_options, 0, PY_SSIZE_T_MAX, "an element", false,
                 [&](PyObject* each) { return option(c, each, kind); });
  }
  Ref value;
  if (!get(item, k.initial_option, value)) return false;
  if (!value || null(value.get())) return true;
  auto here = c.at(k.initial_option);
  return option(c, value.get(), kind);
}

// The ids under `key` (users, conversations, channels chosen at first): one string, or a list of
// them (`many`).
inline bool initial_ids(Checker& c, PyObject* item, PyObject* key, bool many) {
  if (!many) return string(c, item, key, 1, PY_SSIZE_T_MAX);
  return items(c, item, key, 0, PY_SSIZE_T_MAX, "an element", false, [&](PyObject* id) {
    if (PyUnicode_Check(id) && PyUnicode_GET_LENGTH(id) > 0) return true;
    return c.report("An id must be a string of at least one character.");
  });
}

// "response_url_enabled", which Slack honours only in an input block of a modal.
inline bool response_url(Checker& c, PyObject* item) {
  Ref value;
  if (!boolean(c, item, k.response_url_enabled) || !get(item, k.response_url_enabled, value)) return false;
  if (value.get() != Py_True || (c.in_input && c.surface == modal)) return true;
  auto here = c.at(k.response_url_enabled);
  return c.report("\"response_url_enabled\" works only in an input block of a modal.");
}

inline bool select_menu(Checker& c, PyObject* item, Element kind) {
  if (!placeholder(c, item)) return false;
  switch (kind) {
    case Element::static_select:
      return static_menu(c, item) && initial_options(c, item, false, OptionKind::menu);
    case Element::multi_static_select:
      return static_menu(c, item) && initial_options(c, item, true, OptionKind::menu) &&
             integer(c, item, k.max_selected_items, 1, LONG_MAX, "1 or more");
    case Element::external_select:
    case Element::multi_external_select:
      if (!integer(c, item, k.min_query_length, 0, LONG_MAX, "0 or more") ||
          !initial_options(c, item, kind == Element::multi_external_select, OptionKind::menu)) {
        return false;
      }
      break;
    case Element::users_select:
    case Element::multi_users_select: {
      bool many = kind == Element::multi_users_select;
      if (!initial_ids(c, item, many ? k.initial_users : k.initial_user, many)) return false;
      break;
    }
    case Element::conversations_select:
    case Element::multi_conversations_select: {
      bool many = kind == Element::multi_conversations_select;
      if (!conversation_filter(c, item) || !boolean(c, item, k.default_to_current_conversation) ||
          !initial_ids(c, item, many ? k.initial_conversations : k.initial_conversation, many) ||
          (!many && !response_url(c, item))) {
        return false;
      }
      break;
    }
    case Element::channels_select:
    case Element::multi_channels_select: {
      bool many = kind == Element::multi_channels_select;
      if (!initial_ids(c, item, many ? k.initial_channels : k.initial_channel, many) ||
          (!many && !response_url(c, item))) {
        return false;
      }
      break;
    }
    default:
      break;
  }
  return integer(c, item, k.max_selected_items, 1, LONG_MAX, "1 or more");
}

// "focus_on_load": true on one element of a view at most.
inline bool focus(Checker& c, PyObject* item) {
  Ref value;
  if (!boolean(c, item, k.focus_on_load) || !get(item, k.focus_on_load, value)) return false;
  if (value.get() != Py_True || ++c.focused == 1) return true;
  auto here = c.at(k.focus_on_load);
  return c.report("Only one element of a view can have \"focus_on_load\": true; this is another.");
}

// One interactive element (an image too) of a section, an actions or an input block; its action
// id goes to `ids` when given, to be told apart from the others of its block.
inline bool element(Checker& c, PyObject* item, ActionIds* ids = nullptr) {
  Ref type;
  if (!typed(c, item, "An element", type)) return false;
  if (!type) return true;
  Element kind = element_type(type.get());
  if (kind == Element::other ? !nulls(c, item)
                             : !keys(c, item, element_types[static_cast<int>(kind)].keys, type_only, type.get())) {
    return false;
  }
  if (kind == Element::image) return image_source(c, item);
  Ref action_id;
  if (!get(item, k.action_id, action_id) || !string_value(c, k.action_id, action_id.get(), 0, limit::action_id) ||
      (ids && !ids->add(c, action_id.get()))) {
    return false;
  }
  if (kind == Element::button && PyDict_GET_SIZE(item) == 2 + (action_id ? 1 : 0)) {
    return plain(c, item, k.text, 75, true);  // the usual button: type, text and action_id alone
  }
  if (!confirm(c, item) || !focus(c, item)) return false;
  switch (kind) {
    case Element::button:
      return button_face(c, item, false) && string(c, item, k.url, 0, 3000) && button_style(c, item) &&
             string(c, item, k.agent_prompt, 1, 4000);
    case Element::static_select:
    case Element::multi_static_select:
    case Element::external_select:
    case Element::multi_external_select:
    case Element::users_select:
    case Element::multi_users_select:
    case Element::conversations_select:
    case Element::multi_conversations_select:
    case Element::channels_select:
    case Element::multi_channels_select:
      return select_menu(c, item, kind);
    case Element::overflow:
      return options(c, item, limit::overflow_options, "an overflow menu", OptionKind::overflow);
    case Element::radio_buttons:
      return options(c, item, limit::choice_options, "a radio button group", OptionKind::choice) &&
             initial_options(c, item, false, OptionKind::choice);
    case Element::checkboxes:
      return options(c, item, limit::choice_options, "a checkbox group", OptionKind::choice) &&
             initial_options(c, item, true, OptionKind::choice);
    case Element::datepicker:
      return placeholder(c, item) &&
             clock_value(c, item, k.initial_date, vm::is_calendar_date, "a real date written YYYY-MM-DD");
    case Element::timepicker:
      return placeholder(c, item) &&
             clock_value(c, item, k.initial_time, vm::is_clock_time, "a 24-hour time written HH:mm") &&
             string(c, item, k.timezone, 1, PY_SSIZE_T_MAX);
    case Element::datetimepicker:
      return integer(c, item, k.initial_date_time, 0, 9999999999L, "Unix seconds of at most 10 digits");
    case Element::workflow_button:
      return button_face(c, item, false) && button_style(c, item) &&
             nested(c, item, k.workflow, "A workflow", true, [&](PyObject* workflow) {
               return keys(c, workflow, {&Keys::trigger}, "a workflow") &&
                      nested(c, workflow, k.trigger, "A workflow trigger", true, [&](PyObject* trigger) {
                        return keys(c, trigger, {&Keys::url, &Keys::customizable_input_parameters},
                                    "a workflow trigger") &&
                               identifier(c, trigger, k.url);
                      });
             });
    case Element::icon_button:
      return identifier(c, item, k.icon) && button_face(c, item, false);
    case Element::feedback_buttons:
      for (PyObject* key : {k.positive_button, k.negative_button}) {
        if (!nested(c, item, key, "A feedback button", true, [&](PyObject* b) {
              return keys(c, b, {&Keys::text, &Keys::value, &Keys::accessibility_label}, "a feedback button") &&
                     button_face(c, b, true);
            })) {
          return false;
        }
      }
      return true;
    case Element::plain_text_input:
      return placeholder(c, item) && length_bounds(c, item) && boolean(c, item, k.multiline) &&
             string(c, item, k.initial_value, 0, limit::text_input_length) && dispatch_config(c, item);
    case Element::number_input: {
      Ref decimal;
      if (!get(item, k.is_decimal_allowed, decimal)) return false;
      if (!decimal && !missing(c, k.is_decimal_allowed)) return false;  // a null one is reported with the keys
      return boolean(c, item, k.is_decimal_allowed) && placeholder(c, item) && number_bounds(c, item) &&
             dispatch_config(c, item);
    }
    case Element::file_input:
      return integer(c, item, k.max_files, 1, limit::max_files, "1 to 10") &&
             items(c, item, k.filetypes, 0, PY_SSIZE_T_MAX, "a file input", false, [&](PyObject* kind_) {
               return PyUnicode_Check(kind_) || c.report("A file type must be a string such as \"pdf\".");
             });
    case Element::email_text_input:
    case Element::url_text_input:
      return placeholder(c, item) && string(c, item, k.initial_value, 0, PY_SSIZE_T_MAX) && dispatch_config(c, item);
    case Element::rich_text_input:
      return placeholder(c, item) && dispatch_config(c, item) &&
             integer(c, item, k.min_lines, 1, LONG_MAX, "1 or more") &&
             integer(c, item, k.max_lines, 1, LONG_MAX, "1 or more") &&
             nested(c, item, k.initial_value, "Rich text", false,
                    [&](PyObject* value) { return rich_text_value(c, value, "Rich text"); });
    default:
      return true;  // element types without published limits: their action_id and confirm are checked
  }
}

// The elements under `key` of a block (`owner`, at most `max`), with unique action ids.
template <class Each>
bool elements(Checker& c, PyObject* block, PyObject* key, Py_ssize_t min, Py_ssize_t max, const char* owner,
              bool required, Each&& each) {
  ActionIds ids;
  return items(c, block, key, min, max, owner, required, [&](PyObject* e) { return each(e, &ids); });
}

}  // namespace vm::check
