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

// An input: "label" (plain text, 2000), one "element", "hint" (2000), "optional" and
// "dispatch_action" (never with a file input).
inline bool input(Checker& c, PyObject* item) {
  if (!plain(c, item, k.label, 2000, true) || !plain(c, item, k.hint, 2000) || !boolean(c, item, k.optional) ||
      !boolean(c, item, k.dispatch_action)) {
    return false;
  }
  return nested(c, item, k.element, "An element", true, [&](PyObject* e) {
    if (!element(c, e)) return false;
    PyObject* type = PyDict_GetItemWithError(e, k.type);
    int dispatch = type && element_type(type) == Element::file_input ? has(item, k.dispatch_action) : 0;
    if (dispatch <= 0) return dispatch == 0 && !PyErr_Occurred();
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
