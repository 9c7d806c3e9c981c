// ButtonMessage: one or more buttons given as numbered keyword arguments
// (button_1_text, button_1_style, button_1_value, button_1_url, button_2_text, ...).
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "_core/message.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global section_names;  // ("text", "button")
vm::Global actions_names;  // ("buttons",)

// ---- button numbers ------------------------------------------------------------------------

// Natural order: numbers of ASCII digits only come first, by value (ties by the string:
// "01" before "1"), then every other number in string order. "2" precedes "10".
struct NumberKey {
  PyObject* number;
  bool numeric;
  std::string_view digits;  // without leading zeros
};

NumberKey number_key(PyObject* number) {
  Py_ssize_t length = PyUnicode_GET_LENGTH(number);
  if (!PyUnicode_IS_ASCII(number) || length == 0) return {number, false, {}};
  std::string_view text(static_cast<const char*>(PyUnicode_DATA(number)), static_cast<std::size_t>(length));
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return {number, false, {}};
  }
  std::size_t first = std::min(text.find_first_not_of('0'), text.size());
  return {number, true, text.substr(first)};
}

bool number_before(const NumberKey& a, const NumberKey& b) {
  if (a.numeric != b.numeric) return a.numeric;
  if (a.numeric && a.digits.size() != b.digits.size()) return a.digits.size() < b.digits.size();
  if (a.numeric && a.digits != b.digits) return a.digits < b.digits;
  return PyUnicode_Compare(a.number, b.number) < 0;  // exact str objects: never fails
}

// ---- the constructor -----------------------------------------------------------------------

// What the keywords button_N_text, _style, _value, _url and _action_id give for one number N:
// values borrowed from the call's keywords, nullptr where absent.
struct Button {
  NumberKey key;
  PyObject* text = nullptr;
  PyObject* style = nullptr;
  PyObject* value = nullptr;
  PyObject* url = nullptr;
  PyObject* action_id = nullptr;
};

// The field of `button` that the keyword `name` fills when its suffix, from `start` to its end,
// is one of the five; nullptr for another suffix. Compared in place: nothing is made.
PyObject** field_for(Button& button, PyObject* name, Py_ssize_t start) {
  Py_ssize_t length = PyUnicode_GET_LENGTH(name) - start;
  for (auto [suffix, field] :
       {std::pair{k.text, &button.text}, std::pair{k.style, &button.style}, std::pair{k.value, &button.value},
        std::pair{k.url, &button.url}, std::pair{k.action_id, &button.action_id}}) {
    if (PyUnicode_GET_LENGTH(suffix) == length &&
        PyUnicode_Tailmatch(name, suffix, start, PY_SSIZE_T_MAX, 1) == 1) {  // exact str objects: never fails
      return field;
    }
  }
  return nullptr;
}

// The button numbered `number`, added at the end of `found` when new; `index` maps each
// number to its position (and keeps the number strings alive).
Button* button_for(std::vector<Button>& found, PyObject* index, PyObject* number) {
  PyObject* at = PyDict_GetItemWithError(index, number);
  if (at) return &found[PyLong_AsSize_t(at)];
  if (PyErr_Occurred()) return nullptr;
  Ref position = Ref::steal(PyLong_FromSize_t(found.size()));
  if (!position || PyDict_SetItem(index, number, position.get()) < 0) return nullptr;
  found.push_back({number_key(number)});
  return &found.back();
}

// A truthy value, or nullptr; -1 in `status` on error.
PyObject* if_truthy(PyObject* value, int& status) {
  status = value ? PyObject_IsTrue(value) : 0;
  return status > 0 ? value : nullptr;
}

// {"text": ..., "style": ..., "value": ..., "url": ..., "action_id": ...}, each key only under its
// condition.
Ref make_button(const Button& button) {
  if (!button.text) {
    PyErr_Format(PyExc_ValueError, "Button %U is missing required 'text' (use button_%U_text)", button.key.number,
                 button.key.number);
    return {};
  }
  int status = 0;
  PyObject* style = if_truthy(button.style, status);
  if (status < 0) return {};
  if (style) {  // only the two styles Slack knows; any other is dropped
    int known = vm::is_button_style(style);
    if (known < 0) return {};
    if (!known) style = nullptr;
  }
  PyObject* value = if_truthy(button.value, status);
  if (status < 0) return {};
  PyObject* url = if_truthy(button.url, status);
  if (status < 0) return {};
  PyObject* action_id = if_truthy(button.action_id, status);
  if (status < 0) return {};
  return vm::dict({{k.text, button.text},
                   {k.style, style, style != nullptr},
                   {k.value, value, value != nullptr},
                   {k.url, url, url != nullptr},
                   {k.action_id, action_id, action_id != nullptr}});
}

// Takes every button_* keyword out of `given` and sets self.buttons; the rest goes to the base.
Ref take_buttons(PyObject* self, PyObject* given) noexcept {
  // Every button_* keyword is ours; a name of three parts, button_N_suffix, gives button N its
  // suffix's field, and button_N_action_id its action id (button_extra and button_1_alt_text
  // define nothing).
  Ref rest = Ref::steal(PyDict_New()), index = Ref::steal(PyDict_New());
  if (!rest || !index) return {};
  std::vector<Button> found;
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
    Py_ssize_t end = PyUnicode_FindChar(name, '_', prefix, length, 1);
    if (end == -2) return {};
    if (end < 0) continue;
    Py_ssize_t more = PyUnicode_FindChar(name, '_', end + 1, length, 1);
    if (more == -2) return {};
    bool action_id = more >= 0 && PyUnicode_GET_LENGTH(k.action_id) == length - end - 1 &&
                     PyUnicode_Tailmatch(name, k.action_id, end + 1, length, 1) == 1;
    if (more >= 0 && !action_id) continue;
    Ref number = Ref::steal(PyUnicode_Substring(name, prefix, end));
    Button* button = number ? button_for(found, index.get(), number.get()) : nullptr;
    if (!button) return {};
    if (PyObject** field = field_for(*button, name, end + 1)) *field = value;
  }
  if (found.empty()) {
    PyErr_SetString(PyExc_ValueError,
                    "At least one button must be provided (use button_1_text and related parameters)");
    return {};
  }
  std::sort(found.begin(), found.end(), [](const Button& x, const Button& y) { return number_before(x.key, y.key); });

  // Buttons made before a failure stay in self.buttons.
  Ref buttons = vm::empty_list();
  if (!vm::set_attr(self, k.buttons, buttons.get())) return {};
  for (const Button& button : found) {
    if (!vm::append(buttons.get(), make_button(button))) return {};
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

// Module __getattr__: `logger` on first access.
Ref module_getattr(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  if (nargs != 1 || kwnames) {
    PyErr_SetString(PyExc_TypeError, "__getattr__() takes exactly one positional argument");
    return {};
  }
  if (PyUnicode_Check(args[0]) && PyUnicode_Compare(args[0], k.logger) == 0) return module_logger();
  PyErr_Format(PyExc_AttributeError, "module '%s' has no attribute '%S'", VELMORA_MODULE_NAME, args[0]);
  return {};
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
Ref build_blocks(PyObject* self) noexcept {
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

PyMethodDef functions[] = {
    vm::function<module_getattr, "__getattr__(name, /)", "The module's `logger`, made on first use.">(), vm::table_end};

bool setup(PyObject* module) noexcept {
  section_names.set(vm::names({k.text, k.button}));
  actions_names.set(vm::names({k.buttons}));
  return section_names.get() && actions_names.get() && PyModule_AddFunctions(module, functions) == 0;
}

// Every button_* keyword is consumed: the base runs last, with the others.
constexpr vm::Message message{
    .name = "ButtonMessage",
    .doc =
        "One or more buttons from numbered keyword arguments: button_N_text\n"
        "(required), button_N_style (\"primary\" or \"danger\"), button_N_value,\n"
        "button_N_url, button_N_action_id (default \"action-button-<i>\"). Buttons are\n"
        "ordered by number (2 before 10). Keyword\n"
        "arguments not starting with button_ go to BaseVelmora.",
    .params = {{{&Keys::text, vm::str_or_none, vm::Default::none}}},
    .base = vm::Base::last,
    .imports = {{{"blocks", {"Actions", "Section"}}}},
    .build_doc =
        "A section with a button beside `text` when there is one button and a text;\n"
        "otherwise an actions block of all the buttons.",
    .shown = {&Keys::text, &Keys::buttons},
    .consume = take_buttons,
    .build = build_blocks,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE(message)
