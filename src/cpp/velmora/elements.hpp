// Interactive elements shared by the Actions blocks and the Section accessories:
// buttons, date and time pickers, option objects and choice groups.
#pragma once

#include "build.hpp"
#include "builders.hpp"
#include "errors.hpp"
#include "limits.hpp"
#include "module.hpp"

namespace vm {

// ---- reading the caller's values ----------------------------------------------------------

// mapping.get(key): a dict is read directly, any other mapping through its own get().
inline Ref mapping_get(PyObject* mapping, PyObject* key) noexcept {
  if (PyDict_CheckExact(mapping)) {
    PyObject* found = PyDict_GetItemWithError(mapping, key);
    if (found || PyErr_Occurred()) return Ref::borrow(found);
    return Ref::borrow(Py_None);
  }
  PyObject* args[] = {mapping, key};
  return Ref::steal(PyObject_VectorcallMethod(k.get, args, 2 | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// mapping.get(key, default), with the default made by `make_default()` only when a dict
// lacks the key (any other mapping gets it up front, as Python would pass it).
template <class MakeDefault>
Ref mapping_get_or(PyObject* mapping, PyObject* key, MakeDefault make_default) noexcept {
  if (PyDict_CheckExact(mapping)) {
    PyObject* found = PyDict_GetItemWithError(mapping, key);
    if (found) return Ref::borrow(found);
    if (PyErr_Occurred()) return {};
    return make_default();
  }
  Ref fallback = make_default();
  if (!fallback) return {};
  PyObject* args[] = {mapping, key, fallback.get()};
  return Ref::steal(PyObject_VectorcallMethod(k.get, args, 3 | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// payload[0]["elements"]: the element list of an actions payload.
inline Ref elements_of(PyObject* payload) noexcept {
  Ref block = Ref::steal(PySequence_GetItem(payload, 0));
  if (!block) return {};
  return Ref::steal(PyObject_GetItem(block.get(), k.elements));
}

// elements.append(item), taking ownership of item (null propagates a failure).
inline bool append_element(PyObject* elements, Ref item) noexcept {
  if (!item) return false;
  if (PyList_CheckExact(elements)) return PyList_Append(elements, item.get()) == 0;
  return Ref::steal(PyObject_CallMethodOneArg(elements, k.append, item.get())) ? true : false;
}

// ---- templates ------------------------------------------------------------------------------

// Constant placeholders, built at module set-up and copied per element.
inline Template date_placeholder;
inline Template time_placeholder;

inline bool init_element_templates() noexcept {
  return date_placeholder.set(plain_text_object(k.select_a_date)) &&
         time_placeholder.set(plain_text_object(k.select_time));
}

// ---- buttons --------------------------------------------------------------------------------

[[gnu::cold, gnu::noinline]] inline void raise_bad_style(PyObject* style) noexcept {
  PyErr_Format(PyExc_ValueError, "button style must be \"primary\" or \"danger\", got %.200R", style);
}

// The button element for the input button dict at position i:
// {"type": "button", "text": {"type": "plain_text", "text": button["text"]},
//  "action_id": button["action_id"] when truthy, else "action-button-<i>", "style" (when truthy),
//  "value" (the given one when the key is present, else "button_value-<i>"), "url" (when truthy)}.
// With `slack_rules`, a truthy style other than "primary" or "danger" is a ValueError, and a
// "value" of None or "" is left out (Slack refuses both; slack_sdk drops them too).
inline Ref button_element(PyObject* button, Py_ssize_t i, bool slack_rules = false) noexcept {
  Ref text = Ref::steal(PyObject_GetItem(button, k.text));
  if (!text) return {};
  Ref text_object = dict({{k.type, k.plain_text}, {k.text, text.get()}});
  Ref action_id = mapping_get(button, k.action_id);
  if (!text_object || !action_id) return {};
  int own_id = PyObject_IsTrue(action_id.get());
  if (own_id < 0) return {};
  if (!own_id) action_id = button_action_ids(i);
  Ref style = mapping_get(button, k.style);
  if (!action_id || !style) return {};
  int has_style = PyObject_IsTrue(style.get());
  if (has_style < 0) return {};
  if (has_style && slack_rules) {
    int known = is_button_style(style.get());
    if (known < 0) return {};
    if (!known) {
      raise_bad_style(style.get());
      return {};
    }
  }
  Ref value = mapping_get_or(button, k.value, [i] { return button_values(i); });
  if (!value) return {};
  bool keep_value = !slack_rules || (value.get() != Py_None &&
                                     !(PyUnicode_Check(value.get()) && PyUnicode_GET_LENGTH(value.get()) == 0));
  Ref url = mapping_get(button, k.url);
  if (!url) return {};
  int has_url = PyObject_IsTrue(url.get());
  if (has_url < 0) return {};
  return dict({{k.type, k.button},
               {k.text, text_object.get()},
               {k.action_id, action_id.get()},
               {k.style, style.get(), has_style != 0},
               {k.value, value.get(), keep_value},
               {k.url, url.get(), has_url != 0}});
}

// ---- pickers --------------------------------------------------------------------------------

// {"type": type, <value_key>: value, "placeholder": <copy of placeholder>, "action_id": id}
inline Ref picker_element(PyObject* type, PyObject* value_key, PyObject* value, const Template& placeholder,
                          PyObject* action_id) noexcept {
  Ref text = placeholder.copy();
  return dict({{k.type, type}, {value_key, value}, {k.placeholder, text.get()}, {k.action_id, action_id}});
}

// {"type": "datepicker", "initial_date": date, "placeholder": "Select a date", "action_id": id}
inline Ref datepicker_element(PyObject* date, PyObject* action_id) noexcept {
  return picker_element(k.datepicker, k.initial_date, date, date_placeholder, action_id);
}

// {"type": "timepicker", "initial_time": time, "placeholder": "Select time", "action_id": id}
inline Ref timepicker_element(PyObject* time, PyObject* action_id) noexcept {
  return picker_element(k.timepicker, k.initial_time, time, time_placeholder, action_id);
}

// ---- options --------------------------------------------------------------------------------

// The text object of an option: plain text (selects, overflow menus) or markdown (choices).
enum class OptionText { plain, mrkdwn };

// How one element reads its options. Each item is an option dict (used as it is), a (text,
// value) pair, or anything else, whose str() is the text. The value of such a text is
// "value-<i>" (the menus of sections and actions blocks), or the text itself with
// `text_values` (inputs: a submission then reads back as what the user chose).
struct OptionRules {
  const char* element;       // "static_select", for messages
  Py_ssize_t max_count = 0;  // 1 to max_count options; 0 leaves the count unchecked
  Py_ssize_t max_text = 0;   // 1 to max_text characters of text; 0 leaves texts unchecked
  OptionText text = OptionText::plain;
  bool text_values = false;
  bool copy_dicts = false;  // option dicts are copied (descriptions are then set on them)
};

[[gnu::cold, gnu::noinline]] inline void raise_option_count(const OptionRules& rules, Py_ssize_t count) noexcept {
  PyErr_Format(PyExc_ValueError, "%s takes 1 to %zd options, got %zd", rules.element, rules.max_count, count);
}

[[gnu::cold, gnu::noinline]] inline void raise_option_text(const OptionRules& rules, Py_ssize_t i,
                                                           PyObject* text) noexcept {
  PyErr_Format(PyExc_ValueError, "%s option %zd has %zd characters; an option text holds 1 to %zd", rules.element, i,
               PyUnicode_GET_LENGTH(text), rules.max_text);
}

[[gnu::cold, gnu::noinline]] inline bool raise_bad_pair(const OptionRules& rules, Py_ssize_t i,
                                                        PyObject* pair) noexcept {
  if (PyTuple_GET_SIZE(pair) != 2) {
    PyErr_Format(PyExc_ValueError, "%s option %zd is a tuple of %zd items; a (text, value) pair holds 2", rules.element,
                 i, PyTuple_GET_SIZE(pair));
    return false;
  }
  Ref text = type_name(PyTuple_GET_ITEM(pair, 0)), value = type_name(PyTuple_GET_ITEM(pair, 1));
  if (!text || !value) return false;
  if (!PyUnicode_Check(PyTuple_GET_ITEM(pair, 1)) || !PyUnicode_Check(PyTuple_GET_ITEM(pair, 0))) {
    PyErr_Format(PyExc_TypeError, "%s option %zd: a (text, value) pair holds two str, got (%U, %U)", rules.element, i,
                 text.get(), value.get());
  } else {
    PyErr_Format(PyExc_ValueError, "%s option %zd has a value of %zd characters; an option value holds 1 to %zd",
                 rules.element, i, PyUnicode_GET_LENGTH(PyTuple_GET_ITEM(pair, 1)), limit::option_value);
  }
  return false;
}

[[gnu::cold, gnu::noinline]] inline Ref raise_options_str() noexcept {
  PyErr_SetString(PyExc_TypeError, "options must be an iterable of option texts (a list, say), not a single str");
  return {};
}

// The option made of `item`, the i-th of the options (see OptionRules).
inline Ref option_of(PyObject* item, Py_ssize_t i, const OptionRules& rules) noexcept {
  if (PyDict_Check(item)) return rules.copy_dicts ? Ref::steal(PyDict_Copy(item)) : Ref::borrow(item);
  Ref text, value;
  if (PyTuple_Check(item)) {
    if (PyTuple_GET_SIZE(item) != 2 || !PyUnicode_Check(PyTuple_GET_ITEM(item, 0)) ||
        !PyUnicode_Check(PyTuple_GET_ITEM(item, 1))) {
      raise_bad_pair(rules, i, item);
      return {};
    }
    text = Ref::borrow(PyTuple_GET_ITEM(item, 0));
    value = Ref::borrow(PyTuple_GET_ITEM(item, 1));
    Py_ssize_t length = PyUnicode_GET_LENGTH(value.get());
    if (length < 1 || length > limit::option_value) {
      raise_bad_pair(rules, i, item);
      return {};
    }
  } else {
    text = Ref::steal(PyObject_Str(item));
    if (!text) return {};
    value = rules.text_values ? Ref::borrow(text.get()) : option_values(i);
    if (!value) return {};
  }
  if (rules.max_text > 0) {
    Py_ssize_t length = PyUnicode_GET_LENGTH(text.get());
    if (length < 1 || length > rules.max_text) {
      raise_option_text(rules, i, text.get());
      return {};
    }
  }
  Ref text_object = rules.text == OptionText::plain ? plain_text_object(text.get()) : mrkdwn_object(text.get());
  return dict({{k.text, text_object.get()}, {k.value, value.get()}});
}

// One option per item of `options` (any iterable but a str, read once), in order.
inline Ref option_list(PyObject* options, const OptionRules& rules) noexcept {
  if (PyUnicode_Check(options)) return raise_options_str();
  Ref items = Ref::steal(PySequence_Fast(options, "options must be an iterable of option texts"));
  if (!items) return {};
  Py_ssize_t count = PySequence_Fast_GET_SIZE(items.get());
  if (rules.max_count > 0 && (count < 1 || count > rules.max_count)) {
    raise_option_count(rules, count);
    return {};
  }
  Ref out = Ref::steal(PyList_New(0));
  if (!out) return {};
  // str() may run the caller's code, which may change a list: re-read its size each time.
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(items.get()); ++i) {
    Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(items.get(), i));
    if (!append(out.get(), option_of(item.get(), i, rules))) return {};
  }
  return out;
}

[[gnu::cold, gnu::noinline]] inline void raise_extra_description(Py_ssize_t options) noexcept {
  PyErr_Format(PyExc_IndexError, "options_description has more descriptions than there are options (%zd)", options);
}

// Whether `descriptions` (null: not given) holds descriptions to add: 1, 0, or -1 on error.
inline int has_descriptions(PyObject* descriptions) noexcept {
  return descriptions ? PyObject_IsTrue(descriptions) : 0;
}

// Adds {"type": "mrkdwn", "text": description} as "description" of option i for the i-th
// item of `descriptions` (any iterable, which has_descriptions() found true); more
// descriptions than options is an IndexError.
inline bool add_descriptions(PyObject* option_list, PyObject* descriptions) noexcept {
  Ref iterator = Ref::steal(PyObject_GetIter(descriptions));
  if (!iterator) return false;
  Py_ssize_t count = PyList_GET_SIZE(option_list);
  for (Py_ssize_t i = 0;; ++i) {
    Ref description = Ref::steal(PyIter_Next(iterator.get()));
    if (!description) return !PyErr_Occurred();
    if (i >= count) {
      raise_extra_description(count);
      return false;
    }
    Ref text_object = mrkdwn_object(description.get());
    if (!text_object || PyDict_SetItem(PyList_GET_ITEM(option_list, i), k.description, text_object.get()) < 0) {
      return false;
    }
  }
}

// One option per item of `options`, then the descriptions when `descriptions` holds any (the
// options' own dicts are then copied, never changed).
inline Ref described_options(PyObject* options, OptionRules rules, PyObject* descriptions) noexcept {
  int described = has_descriptions(descriptions);
  if (described < 0) return {};
  rules.copy_dicts = described != 0;
  Ref list = option_list(options, rules);
  if (!list || (described && !add_descriptions(list.get(), descriptions))) return {};
  return list;
}

// {"type": type, "options": options, "action_id": id}; no "action_id" when `action_id` is null.
inline Ref choice_element(PyObject* type, PyObject* options, PyObject* action_id = nullptr) noexcept {
  return dict({{k.type, type}, {k.options, options}, {k.action_id, action_id, action_id != nullptr}});
}

// ---- the options chosen at first --------------------------------------------------------------

[[gnu::cold, gnu::noinline]] inline void raise_not_an_option(const char* param, PyObject* wanted) noexcept {
  PyErr_Format(PyExc_ValueError, "%s %.200R is not one of the options", param, wanted);
}

// What names an option: the value of a (text, value) pair or of an option dict, else str(wanted).
inline Ref option_key(PyObject* wanted) noexcept {
  if (PyTuple_Check(wanted) && PyTuple_GET_SIZE(wanted) == 2) return Ref::borrow(PyTuple_GET_ITEM(wanted, 1));
  if (PyDict_Check(wanted)) return mapping_get(wanted, k.value);
  return Ref::steal(PyObject_Str(wanted));
}

// The option of `options` (a list that option_list made) that `wanted` names: the option whose
// value is its key (see option_key), else, for a str, the option whose text it is. Null with a
// ValueError naming `param` when none is.
inline Ref chosen_option(PyObject* options, PyObject* wanted, const char* param) noexcept {
  Ref key = option_key(wanted);
  if (!key) return {};
  for (PyObject* field : {k.value, k.text}) {
    if (field == k.text && !PyUnicode_Check(wanted)) break;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(options); ++i) {
      Ref option = Ref::borrow(PyList_GET_ITEM(options, i));
      Ref found = Ref::borrow(PyDict_GetItemWithError(option.get(), field));
      if (found && field == k.text && PyDict_Check(found.get())) {
        found = Ref::borrow(PyDict_GetItemWithError(found.get(), k.text));
      }
      if (!found && PyErr_Occurred()) return {};
      int same = found ? PyObject_RichCompareBool(found.get(), key.get(), Py_EQ) : 0;
      if (same < 0) return {};
      if (same) return option;
    }
  }
  raise_not_an_option(param, wanted);
  return {};
}

// The options of `options` that the items of `wanted` (an iterable but a str) name, in their
// order; an empty list for none.
inline Ref chosen_options(PyObject* options, PyObject* wanted, const char* param) noexcept {
  if (PyUnicode_Check(wanted)) {
    PyErr_Format(PyExc_TypeError, "%s must be an iterable of options, not a single str", param);
    return {};
  }
  Ref items = Ref::steal(PyObject_GetIter(wanted));
  Ref out = items ? empty_list() : Ref{};
  if (!out) return {};
  while (Ref item = Ref::steal(PyIter_Next(items.get()))) {
    if (!append(out.get(), chosen_option(options, item.get(), param))) return {};
  }
  return PyErr_Occurred() ? Ref{} : std::move(out);
}

// ---- the choices' own action id and placeholder ---------------------------------------------

// The action_id a caller gave (exactly a str of 1 to 255 characters), or `fallback` for None or
// no argument; null with the error set.
inline PyObject* own_action_id(PyObject* given, PyObject* fallback) noexcept {
  if (!given || given == Py_None) return fallback;
  return check_str_length(given, "action_id", 1, limit::action_id) ? given : nullptr;
}

// The placeholder text object of the text a caller gave (exactly a str of 1 to 150 characters),
// or of `fallback` for None or no argument; `out` stays null when neither gives a text.
inline bool own_placeholder(PyObject* given, PyObject* fallback, Ref& out) noexcept {
  PyObject* text = given && given != Py_None ? given : fallback;
  if (text && text == given && !check_str_length(given, "placeholder", 1, limit::placeholder)) return false;
  if (text) out = plain_text_object(text);
  return !text || out;
}

// ---- validation helpers ------------------------------------------------------------------

// `from ..utils import is_valid_date_fmt, validate_options, validate_initial_time` for a module
// of velmora.blocks, and the two decorators for make_builder_class (borrowed from its globals).
inline bool import_validators(PyObject* module, Decorators& out) noexcept {
  if (!import_from_package(module, "utils", {"is_valid_date_fmt", "validate_options", "validate_initial_time"})) {
    return false;
  }
  out.validate_options = PyDict_GetItemWithError(module_globals.get(), k.validate_options);
  out.validate_initial_time = PyDict_GetItemWithError(module_globals.get(), k.validate_initial_time);
  return out.validate_options && out.validate_initial_time;
}

// The set-up of a module whose builders make elements: the validators and the templates.
inline bool prepare_element_builders(PyObject* module, Decorators& decorators) noexcept {
  return import_validators(module, decorators) && init_element_templates();
}

// is_valid_date_fmt(date), looked up in the module's globals at call time; its result is ignored.
inline bool check_date(PyObject* date) noexcept {
  Ref check = global(k.is_valid_date_fmt);
  return check && Ref::steal(PyObject_CallOneArg(check.get(), date));
}

}  // namespace vm
