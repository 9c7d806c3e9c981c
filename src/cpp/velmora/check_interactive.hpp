// velmora.validate's checks of the blocks that hold interactive elements: actions, input,
// context_actions and auth_provider (the elements themselves are in check_elements.hpp).
#pragma once

#include "check_elements.hpp"
#include "check_message.hpp"

namespace vm::check {

// An actions block: 1 to 25 elements with unique action ids.
inline bool actions(Checker& c, PyObject* item) {
  if (!note_long(c, item, k.elements, limit::actions, 's')) return false;
  return elements(c, item, k.elements, 1, split_max(c, limit::actions), "an actions block", true,
                  [&](PyObject* e, ActionIds* ids) { return element(c, e, ids); });
}

// The element types an input block takes: menus, pickers, choices and inputs, not buttons,
// overflow menus or images.
inline bool input_element(Element kind) noexcept {
  switch (kind) {
    case Element::button:
    case Element::image:
    case Element::overflow:
    case Element::workflow_button:
    case Element::icon_button:
    case Element::feedback_buttons:
      return false;
    default:
      return true;
  }
}

// An input: "label" (plain text, 2000), one "element" an input takes, "hint" (2000), "optional"
// and "dispatch_action" (never with a file input).
inline bool input(Checker& c, PyObject* item) {
  if (!plain(c, item, k.label, limit::input_label, true) || !plain(c, item, k.hint, limit::input_label) ||
      !boolean(c, item, k.optional) || !boolean(c, item, k.dispatch_action)) {
    return false;
  }
  return nested(c, item, k.element, "An element", true, [&](PyObject* e) {
    c.in_input = true;
    bool checked = element(c, e);
    c.in_input = false;
    if (!checked) return false;
    PyObject* type = PyDict_GetItemWithError(e, k.type);
    if (!type || !PyUnicode_Check(type)) return !PyErr_Occurred();
    Ref held = Ref::borrow(type);
    Element kind = element_type(held.get());
    if (!input_element(kind)) {
      auto here = c.at(k.type);
      return c.report("An input block's element is a menu, a picker, a choice or an input, not \"%U\".", held.get());
    }
    int dispatch = kind == Element::file_input ? has(item, k.dispatch_action) : 0;
    if (dispatch <= 0) return dispatch == 0;
    return c.report("A file input cannot dispatch actions; leave out the input's \"dispatch_action\".");
  });
}

// A context_actions block: 1 to 5 feedback buttons and icon buttons.
inline bool context_actions(Checker& c, PyObject* item) {
  return elements(c, item, k.elements, 1, 5, "a context_actions block", true, [&](PyObject* e, ActionIds* ids) {
    Ref inner;
    if (!typed(c, e, "An element", inner)) return false;
    if (!inner) return true;
    if (is(inner.get(), k.feedback_buttons) || is(inner.get(), k.icon_button)) return element(c, e, ids);
    auto here = c.at(k.type);
    return c.report("A context_actions block holds only \"feedback_buttons\" and \"icon_button\", not \"%U\".",
                    inner.get());
  });
}

// An auth_provider block: "value" 1 to 150, "name" 75, an overflow menu as its only accessory.
inline bool auth_provider(Checker& c, PyObject* item) {
  return string(c, item, k.value, 1, 150, true) && string(c, item, k.name, 1, 75) &&
         nested(c, item, k.accessory, "An element", false, [&](PyObject* e) {
           PyObject* type = PyDict_GetItemWithError(e, k.type);
           if (!type && PyErr_Occurred()) return false;
           if (!type || is(type, k.overflow)) return element(c, e);
           return c.report("An auth_provider block takes only an overflow menu as its accessory.");
         });
}

}  // namespace vm::check
