// Rich-text pieces shared by the table, preformatted and rich-text builders:
//   {"type": "text", "text": ..., "style": {"bold": True, ...}}      an inline element
//   {"type": "rich_text_section" | "rich_text_preformatted" | "rich_text_quote" | "rich_text",
//    "elements": [...]}                                                 a container
//   {"type": "rich_text_list", "style": ..., "elements": [sections]}   a list
// Two-key dicts are built (cheaper than copying a template and replacing a value: about 75
// instructions less by callgrind); larger constant shapes are copies of templates, made by
// ready_rich_text() at module set-up.
#pragma once

#include "build.hpp"
#include "errors.hpp"

namespace vm {

// The style flags of an inline element; "style" holds the true ones, in this order.
struct Style {
  bool bold = false, italic = false, strike = false, code = false, underline = false;
  unsigned bits() const noexcept {
    return (bold ? 1u : 0u) | (italic ? 2u : 0u) | (strike ? 4u : 0u) | (code ? 8u : 0u) | (underline ? 16u : 0u);
  }
};

struct RichTextTemplates {
  Template list;        // {"type": "rich_text_list", "style": None, "elements": None}
  Template styles[32];  // {"bold": True, ...} for each set of flags, by Style::bits()
};
inline RichTextTemplates rich;

inline bool ready_rich_text() noexcept {
  for (unsigned bits = 0; bits < 32; ++bits) {
    auto on = [bits](unsigned bit) { return (bits & bit) != 0; };
    if (!rich.styles[bits].set(dict({{k.bold, Py_True, on(1)},
                                     {k.italic, Py_True, on(2)},
                                     {k.strike, Py_True, on(4)},
                                     {k.code, Py_True, on(8)},
                                     {k.underline, Py_True, on(16)}}))) {
      return false;
    }
  }
  return rich.list.set(dict({{k.type, k.rich_text_list}, {k.style, Py_None}, {k.elements, Py_None}}));
}

// {"type": type, key: value} (a null value propagates a failure).
inline Ref typed(PyObject* type, PyObject* key, PyObject* value) noexcept {
  return dict({{k.type, type}, {key, value}});
}

// Sets out[key] = value when `when` (a null `out` propagates a failure).
inline Ref with(Ref out, PyObject* key, PyObject* value, bool when = true) noexcept {
  if (!out || !when) return out;
  if (!value || PyDict_SetItem(out.get(), key, value) < 0) return {};
  return out;
}

// ---- inline elements --------------------------------------------------------------------------

// `element` with "style": {"bold": True, ...} added when a flag is set.
inline Ref styled(Ref element, const Style& s) noexcept {
  unsigned bits = s.bits();
  if (!element || bits == 0) return element;
  Ref style = rich.styles[bits].copy();
  return style ? with(std::move(element), k.style, style.get()) : Ref{};
}

// {"type": "text", "text": text}, with "style": {"bold": True} when `bold`.
inline Ref text_element(PyObject* text, bool bold = false) noexcept {
  return styled(typed(k.text, k.text, text), Style{.bold = bold});
}

[[gnu::cold, gnu::noinline]] inline Ref raise_empty_text() noexcept {
  return raise_value_error("text must not be empty: Slack shows no empty rich-text element");
}

// One inline element given by a caller: a str stands for {"type": "text", "text": str} (an
// empty one is a ValueError), a dict is the element itself, placed as it is; anything else is
// the incorrect-type TypeError naming `param`.
inline Ref inline_element(PyObject* item, const char* param) noexcept {
  if (PyUnicode_CheckExact(item)) [[likely]] {
    return PyUnicode_GET_LENGTH(item) ? typed(k.text, k.text, item) : raise_empty_text();
  }
  if (PyDict_CheckExact(item)) return Ref::borrow(item);
  raise_wrong_type(param, "str or dict", item);
  return {};
}

// A new list of the inline elements for items[0..count) (a call's own arguments).
inline Ref inline_elements(PyObject* const* items, Py_ssize_t count, const char* param) noexcept {
  Ref out = Ref::steal(PyList_New(count));
  if (!out) return {};
  for (Py_ssize_t i = 0; i < count; ++i) {
    Ref element = inline_element(items[i], param);
    if (!element) return {};
    PyList_SET_ITEM(out.get(), i, element.release());
  }
  return out;
}

// The same for the items of a caller's list, each held while it is read (the list may change
// under a collection's finalisers, so its size is read again at every step).
inline Ref inline_elements(PyObject* list, const char* param) noexcept {
  Ref out = empty_list();
  if (!out) return {};
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(list, i));
    if (!append(out.get(), inline_element(item.get(), param))) return {};
  }
  return out;
}

// ---- containers ----------------------------------------------------------------------------------

// {"type": type, "elements": [element]}
inline Ref holding(PyObject* type, Ref element) noexcept {
  Ref elements = list_of(std::move(element));
  return elements ? typed(type, k.elements, elements.get()) : Ref{};
}

// {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [text]}]}
inline Ref rich_text_cell(PyObject* text, bool bold = false) noexcept {
  return holding(k.rich_text, holding(k.rich_text_section, text_element(text, bold)));
}

}  // namespace vm
