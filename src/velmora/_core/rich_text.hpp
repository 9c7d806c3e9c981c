// Rich-text pieces shared by the table and preformatted builders:
//   {"type": "text", "text": ...}, optionally with "style": {"bold": True}
//   {"type": "rich_text_section" | "rich_text_preformatted" | "rich_text", "elements": [one]}
// Each is a fresh copy of a template dict (cheaper than building it key by key); the
// templates are made by ready_rich_text() at module set-up.
#pragma once

#include "build.hpp"

namespace vm {

struct RichTextTemplates {
  Template text;          // {"type": "text", "text": ""}
  Template section;       // {"type": "rich_text_section", "elements": None}
  Template preformatted;  // {"type": "rich_text_preformatted", "elements": None}
  Template block;         // {"type": "rich_text", "elements": None}
};
inline RichTextTemplates rich;

inline bool ready_rich_text() noexcept {
  return rich.text.set(dict({{k.type, k.text}, {k.text, k.empty}})) &&
         rich.section.set(dict({{k.type, k.rich_text_section}, {k.elements, Py_None}})) &&
         rich.preformatted.set(dict({{k.type, k.rich_text_preformatted}, {k.elements, Py_None}})) &&
         rich.block.set(dict({{k.type, k.rich_text}, {k.elements, Py_None}}));
}

// {"type": "text", "text": text}, with "style": {"bold": True} when `bold`.
inline Ref text_element(PyObject* text, bool bold = false) noexcept {
  Ref out = rich.text.with(k.text, text);
  if (!out || !bold) return out;
  Ref style = dict({{k.bold, Py_True}});
  if (!style || PyDict_SetItem(out.get(), k.style, style.get()) < 0) return {};
  return out;
}

// A copy of `tpl` whose "elements" is a new list holding `element`.
inline Ref holding(const Template& tpl, Ref element) noexcept {
  Ref elements = list_of(std::move(element));
  return elements ? tpl.with(k.elements, elements.get()) : Ref{};
}

// {"type": "rich_text", "elements": [{"type": "rich_text_section", "elements": [text]}]}
inline Ref rich_text_cell(PyObject* text, bool bold = false) noexcept {
  return holding(rich.block, holding(rich.section, text_element(text, bold)));
}

}  // namespace vm
