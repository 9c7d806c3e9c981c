// ButtonMessage: one or more buttons given as numbered keyword arguments
// (button_1_text, button_1_style, button_1_value, button_1_url, button_2_text, ...).
#include <algorithm>
#include <utility>
#include <vector>

#include "velmora/message.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref;

vm::Global section_names;  // ("text", "button")
vm::Global actions_names;  // ("buttons",)

// ---- button numbers ------------------------------------------------------------------------

// The N of a keyword button_N_..., read in place in the keyword's name: nothing is made.
struct Number {
  PyObject* name;
  Py_ssize_t start, length;
  int kind;
  const void* data;
  bool numeric = false;  // ASCII digits only
  Py_ssize_t zeros = 0;  // leading zeros, when numeric

  Number(PyObject* name, Py_ssize_t start, Py_ssize_t length)
      : name(name), start(start), length(length), kind(PyUnicode_KIND(name)), data(PyUnicode_DATA(name)) {
    numeric = length > 0;
    for (Py_ssize_t i = 0; numeric && i < length; ++i) numeric = at(i) >= '0' && at(i) <= '9';
    while (numeric && zeros < length && at(zeros) == '0') ++zeros;
  }
  Py_UCS4 at(Py_ssize_t i) const { return PyUnicode_READ(kind, data, start + i); }
  Ref text() const { return Ref::steal(PyUnicode_Substring(name, start, start + length)); }
};

// <0, 0 or >0 as the characters of `a` from `a_from` sort before, as or after those of `b`
// from `b_from` (code point order, as str comparison).
int compare(const Number& a, Py_ssize_t a_from, const Number& b, Py_ssize_t b_from) {
  Py_ssize_t n = std::min(a.length - a_from, b.length - b_from);
  for (Py_ssize_t i = 0; i < n; ++i) {
    Py_UCS4 x = a.at(a_from + i), y = b.at(b_from + i);
    if (x != y) return x < y ? -1 : 1;
  }
  Py_ssize_t rest = (a.length - a_from) - (b.length - b_from);
  return rest < 0 ? -1 : rest > 0 ? 1 : 0;
}

// Natural order: numbers of ASCII digits only come first, by value (ties by the string:
// "01" before "1"), then every other number in string order. "2" precedes "10".
bool number_before(const Number& a, const Number& b) {
  if (a.numeric != b.numeric) return a.numeric;
  if (a.numeric) {
    if (a.length - a.zeros != b.length - b.zeros) return a.length - a.zeros < b.length - b.zeros;
    if (int by_value = compare(a, a.zeros, b, b.zeros)) return by_value < 0;
  }
  return compare(a, 0, b, 0) < 0;
}

// ---- the constructor -----------------------------------------------------------------------

// The fields of a button, one per suffix of its keywords.
enum Field : unsigned char { text_field, style_field, value_field, url_field, action_id_field, field_count };

// One keyword button_N_<suffix>: the button, the field (field_count for a suffix that fills
// none) and the value, borrowed from the call's keywords.
struct Given {
  Number number;
  Field field;
  PyObject* value;
};

// The field that the keyword `name` fills when its suffix, from `start` to its end, is one of
// the five; field_count for another suffix. Compared in place: nothing is made.
Field field_of(PyObject* name, Py_ssize_t start) {
  Py_ssize_t length = PyUnicode_GET_LENGTH(name) - start;
  PyObject* suffixes[] = {k.text, k.style, k.value, k.url, k.action_id};
  for (int field = 0; field < field_count; ++field) {
    if (PyUnicode_GET_LENGTH(suffixes[field]) == length &&
        PyUnicode_Tailmatch(name, suffixes[field], start, PY_SSIZE_T_MAX, 1) == 1) {  // exact str objects: never fails
      return static_cast<Field>(field);
    }
  }
  return field_count;
}

// A truthy value, or nullptr; -1 in `status` on error.
PyObject* if_truthy(PyObject* value, int& status) {
  status = value ? PyObject_IsTrue(value) : 0;
  return status > 0 ? value : nullptr;
}

// {"text": ..., "style": ..., "value": ..., "url": ..., "action_id": ...} of the button
// `number` from its fields (nullptr where absent), each key only under its condition.
Ref make_button(const Number& number, PyObject* const (&fields)[field_count]) {
  if (!fields[text_field]) {
    Ref shown = number.text();
    if (shown) {
      PyErr_Format(PyExc_ValueError, "Button %U is missing required 'text' (use button_%U_text)", shown.get(),
                   shown.get());
    }
    return {};
  }
  int status = 0;
  PyObject* style = if_truthy(fields[style_field], status);
  if (status < 0) return {};
  if (style) {  // only the two styles Slack knows; any other is dropped
    int known = vm::is_button_style(style);
    if (known < 0) return {};
    if (!known) style = nullptr;
  }
  PyObject* value = if_truthy(fields[value_field], status);
  if (status < 0) return {};
  PyObject* url = if_truthy(fields[url_field], status);
  if (status < 0) return {};
  PyObject* action_id = if_truthy(fields[action_id_field], status);
  if (status < 0) return {};
  return vm::dict({{k.text, fields[text_field]},
                   {k.style, style, style != nullptr},
                   {k.value, value, value != nullptr},
                   {k.url, url, url != nullptr},
                   {k.action_id, action_id, action_id != nullptr}});
}

// The position of the first "_" in `name` from `from` on, or -1.
Py_ssize_t underscore_from(PyObject* name, Py_ssize_t from) {
  int kind = PyUnicode_KIND(name);
  const void* data = PyUnicode_DATA(name);
  for (Py_ssize_t i = from; i < PyUnicode_GET_LENGTH(name); ++i) {
    if (PyUnicode_READ(kind, data, i) == '_') return i;
  }
  return -1;
}

// Takes every button_* keyword out of `given` and sets self.buttons; the rest goes to the base.
Ref take_buttons(PyObject* self, PyObject* given) {
  // Every button_* keyword is ours; a name of three parts, button_N_suffix, gives button N its
  // suffix's field, and button_N_action_id its action id (button_extra and button_1_alt_text
  // define nothing).
  Ref rest = Ref::steal(PyDict_New());
  if (!rest) return {};
  std::vector<Given> found;
  found.reserve(static_cast<std::size_t>(PyDict_GET_SIZE(given)));
  Py_ssize_t pos = 0;
  PyObject *name, *value;
  while (PyDict_Next(given, &pos, &name, &value)) {
    if (!vm::starts_with(name, k.button_prefix)) {
      if (PyDict_SetItem(rest.get(), name, value) < 0) return {};
      continue;
    }
    // button_N_suffix: N runs up to the next "_", and the suffix is the rest, which holds no
    // further "_" but in action_id.
    Py_ssize_t length = PyUnicode_GET_LENGTH(name), prefix = PyUnicode_GET_LENGTH(k.button_prefix);
    Py_ssize_t end = underscore_from(name, prefix);
    if (end < 0) continue;
    Py_ssize_t more = underscore_from(name, end + 1);
    bool action_id = more >= 0 && PyUnicode_GET_LENGTH(k.action_id) == length - end - 1 &&
                     PyUnicode_Tailmatch(name, k.action_id, end + 1, length, 1) == 1;
    if (more >= 0 && !action_id) continue;
    found.push_back({Number(name, prefix, end - prefix), field_of(name, end + 1), value});
  }
  if (found.empty()) {
    PyErr_SetString(PyExc_ValueError,
                    "At least one button must be provided (use button_1_text and related parameters)");
    return {};
  }
  // In button order, which puts the keywords of each button side by side.
  std::sort(found.begin(), found.end(),
            [](const Given& x, const Given& y) { return number_before(x.number, y.number); });

  // Buttons made before a failure stay in self.buttons.
  Ref buttons = vm::empty_list();
  if (!vm::set_attr(self, k.buttons, buttons.get())) return {};
  for (auto first = found.begin(); first != found.end();) {
    PyObject* fields[field_count] = {};
    auto next = first;
    for (; next != found.end() && compare(next->number, 0, first->number, 0) == 0; ++next) {
      if (next->field != field_count) fields[next->field] = next->value;
    }
    if (!vm::append(buttons.get(), make_button(first->number, fields))) return {};
    first = next;
  }
  return rest;
}

// ---- building ------------------------------------------------------------------------------

// The global `logger`, made on first need: importing logging costs several ms, which a module
// that only builds messages should not pay on import. Once made, it is an ordinary global
// (looked up at call time, so a replaced one is used).
Ref module_logger() {
  PyObject* found = PyDict_GetItemWithError(vm::module_globals.get(), k.logger);
  if (found) return Ref::borrow(found);
  if (PyErr_Occurred()) return {};
  Ref logging = Ref::steal(PyImport_ImportModule("logging"));
  Ref logger = logging ? Ref::steal(PyObject_CallMethod(logging.get(), "getLogger", "s", VELMORA_MODULE_NAME)) : Ref();
  if (!logger || PyDict_SetItem(vm::module_globals.get(), k.logger, logger.get()) < 0) return {};
  return logger;
}

// `logger` for the module's __getattr__.
Ref made_logger(PyObject* name) {
  return PyUnicode_Compare(name, k.logger) == 0 ? module_logger() : Ref{};
}

[[gnu::cold]] bool warn_text_ignored(Py_ssize_t count) {
  Ref logger = module_logger();
  Ref message = Ref::steal(PyUnicode_FromFormat(
      "Multiple buttons detected (count: %zd). When using multiple buttons, Actions.buttons() method "
      "will be used. The top-level 'text' parameter will be ignored as it's not supported for "
      "multi-button layouts.",
      count));
  return logger && message && Ref::steal(PyObject_CallMethodOneArg(logger.get(), k.warning, message.get()));
}

// Section.button(text=..., button=...) for one button beside a text; Actions.buttons(buttons=...)
// otherwise, with a warning when a text is thereby dropped.
Ref build_blocks(PyObject* self) {
  Ref text = vm::get_attr(self, k.text);
  if (!text) return {};
  Ref buttons = vm::get_attr(self, k.buttons);
  if (!buttons) return {};
  if (text.get() != Py_None) {
    Py_ssize_t count = PyObject_Size(buttons.get());
    if (count < 0) return {};
    if (count == 1) {
      Ref section_button = vm::global_attr(k.Section, k.button);
      Ref zero = Ref::steal(PyLong_FromLong(0));  // self.buttons[0], whatever the container
      Ref button = section_button && zero ? Ref::steal(PyObject_GetItem(buttons.get(), zero.get())) : Ref();
      return vm::check_list_result(vm::call(section_button.get(), {text.get(), button.get()}, section_names.get()));
    }
    if (!warn_text_ignored(count)) return {};
  }
  return vm::check_list_result(
      vm::call(vm::global_attr(k.Actions, k.buttons).get(), {buttons.get()}, actions_names.get()));
}

PyMethodDef functions[] = {vm::module_getattr<made_logger, "The module's `logger`, made on first use.">(),
                           vm::table_end};

bool setup(PyObject* module) {
  section_names.set(vm::names({k.text, k.button}));
  actions_names.set(vm::names({k.buttons}));
  return section_names.get() && actions_names.get() && PyModule_AddFunctions(module, functions) == 0;
}

// Every button_* keyword is consumed: the base runs last, with the others.
constexpr vm::Message message{
    .name = "ButtonMessage",
    .doc = R"(
        One or more buttons from numbered keyword arguments: button_N_text
        (required), button_N_style ("primary" or "danger"), button_N_value,
        button_N_url, button_N_action_id (default "action-button-<i>"). Buttons are
        ordered by number (2 before 10). Keyword
        arguments not starting with button_ go to BaseVelmora.)",
    .params = {{{.name = &Keys::text, .check = vm::str_or_none, .fallback = vm::Default::none}}},
    .base = vm::Base::base_reads_attributes,
    .imports = {{{"blocks", {"Actions", "Section"}}}},
    .build_doc = R"(
        A section with a button beside `text` when there is one button and a text;
        otherwise an actions block of all the buttons.)",
    .shown = {&Keys::text, &Keys::buttons},
    .consume = take_buttons,
    .build = build_blocks,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE(message)
