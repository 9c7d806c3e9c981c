// velmora.validate's checks of the blocks that show text: section, header, context, markdown
// and divider.
#pragma once

#include "check_elements.hpp"
#include "check_message.hpp"
#include "cuts.hpp"

namespace vm::check {

// A section's text object: its text of 3000 characters, or of any length that can be cut into
// parts of 3000 while fitting (an entity or escape longer than that cannot).
inline bool section_text(Checker& c, PyObject* object) {
  auto here = c.at(k.text);
  if (!text_value(c, object, split_max(c, limit::section_text), false)) return false;
  Ref text = Ref::borrow(c.fitting && PyDict_Check(object) ? PyDict_GetItemWithError(object, k.text) : nullptr);
  if (!text || !PyUnicode_Check(text.get()) || PyUnicode_GET_LENGTH(text.get()) <= limit::section_text) {
    return !PyErr_Occurred();
  }
  c.note('s');
  Py_ssize_t start = vm::unsplittable_at(vm::Chars(text.get()), limit::section_text);
  if (start < 0) return true;
  auto inner = c.at(k.text);
  return c.report(
      "\"text\" holds an entity or escape of more than 3000 characters at %zd; it cannot be cut "
      "into sections.",
      start);
}

// A section: "text" or "fields" (10, of 2000 characters each), an "accessory", "expand".
inline bool section(Checker& c, PyObject* item) {
  Ref text, fields;
  if (!get(item, k.text, text) || !get(item, k.fields, fields)) return false;
  if (!text && !fields && !c.report("A section needs \"text\" or \"fields\".")) return false;
  if (text && !section_text(c, text.get())) return false;
  if (!items(c, item, k.fields, 1, split_max(c, limit::fields), "a section", false,
             [&](PyObject* field) { return text_value(c, field, limit::field_text, false); })) {
    return false;
  }
  if (fields && PyList_Check(fields.get()) && PyList_GET_SIZE(fields.get()) > limit::fields) c.note('s');
  // The usual section holds its type, text and perhaps a block_id: nothing else to look up.
  Py_ssize_t others = PyDict_GET_SIZE(item) - 1 - (text ? 1 : 0) - (fields ? 1 : 0);
  int has_id = others > 0 ? has(item, k.block_id) : 0;
  if (has_id < 0) return false;
  Ref accessory;
  if (others - has_id <= 0) return true;
  if (!boolean(c, item, k.expand) || !get(item, k.accessory, accessory)) return false;
  if (!accessory) return true;
  auto here = c.at(k.accessory);
  return element(c, accessory.get());
}

// A header: plain text of at most 150 characters, a "level" of 1 to 4.
inline bool header(Checker& c, PyObject* item) {
  return text_object(c, item, k.text, limit::header_text, true, true) &&
         integer(c, item, k.level, 1, limit::header_level, "1 to 4");
}

// A context block: 1 to 10 text objects and images.
inline bool context(Checker& c, PyObject* item) {
  if (!note_long(c, item, k.elements, limit::context, 's')) return false;
  return items(c, item, k.elements, 1, split_max(c, limit::context), "a context block", true, [&](PyObject* e) {
    Ref inner;
    if (!typed(c, e, "A context element", inner)) return false;
    if (!inner) return true;
    switch (which(inner.get(), {k.mrkdwn, k.plain_text, k.image})) {
      case 0:
      case 1:
        return typed_text(c, e, inner.get(), 3000, false);
      case 2:
        return element(c, e);
      default: {
        auto here = c.at(k.type);
        return c.report("A context block holds only text objects and images, not \"%U\".", inner.get());
      }
    }
  });
}

// A markdown block: its "text", counted with the markdown blocks before it against 12,000 (fit
// cuts a longer one).
inline bool markdown(Checker& c, PyObject* block, Seen& seen) {
  c.note('m');
  Ref text;
  if (!string(c, block, k.text, 1, PY_SSIZE_T_MAX, true) || !get(block, k.text, text)) return false;
  if (!text || !PyUnicode_Check(text.get()) || c.fitting) return true;
  bool over_before = seen.markdown > limit::markdown;
  seen.markdown += PyUnicode_GET_LENGTH(text.get());
  if (over_before || seen.markdown <= limit::markdown) return true;
  auto here = c.at(k.text);
  return c.report(
      "The markdown blocks hold %zd characters up to here; Slack allows at most 12,000 in all "
      "the markdown blocks of a message.",
      seen.markdown);
}

// A divider holds nothing but its block_id, checked for every block.
inline bool divider(Checker&, PyObject*) {
  return true;
}

}  // namespace vm::check
