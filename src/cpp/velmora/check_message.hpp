// velmora.validate's view of a whole message: what one block's check must know of the blocks
// before it (block ids, the blocks Slack allows once per message, the markdown so far), and
// the notes fit takes from the check of each top-level block.
#pragma once

#include "block_text.hpp"
#include "check.hpp"
#include "limits.hpp"

namespace vm::check {

struct Seen {
  Ref block_ids = Ref::steal(PySet_New(nullptr));
  Py_ssize_t tables = 0;  // tables and data tables
  Py_ssize_t plans = 0;
  Py_ssize_t charts = 0;    // data_visualization blocks
  Py_ssize_t markdown = 0;  // characters in the markdown blocks so far
  Py_ssize_t text = 0;      // characters of text in the blocks so far (text_characters)
};

// A block's "block_id": at most 255 characters, unique in the message.
inline bool block_id(Checker& c, PyObject* block, Seen& seen) {
  Ref id;
  if (!get(block, k.block_id, id) || !string_value(c, k.block_id, id.get(), 0, limit::block_id)) return false;
  if (!id || !PyUnicode_Check(id.get())) return true;
  int known = PySet_Contains(seen.block_ids.get(), id.get());
  if (known < 0 || PySet_Add(seen.block_ids.get(), id.get()) < 0) return false;
  auto here = c.at(k.block_id);
  return !known || c.report("block_id \"%U\" is already used by an earlier block; each must be unique.", id.get());
}

// While fitting, notes a block whose list under `key` is longer than `max` for splitting.
inline bool note_long(Checker& c, PyObject* item, PyObject* key, Py_ssize_t max, char what) {
  if (!c.fitting || c.depth > 0) return true;
  PyObject* list = PyDict_GetItemWithError(item, key);
  if (list && PyList_Check(list) && PyList_GET_SIZE(list) > max) c.note(what);
  return !PyErr_Occurred();
}

// The text of the blocks so far against the guard for Slack's msg_blocks_too_long (see
// limits.def), reported once, at the block that goes over it. While fitting, each block may go
// to a message of its own: only a block over the guard alone that fit cannot split is reported.
inline bool text_guard(Checker& c, PyObject* block, Seen& seen) {
  if (c.fitting) {
    Ref type = Ref::borrow(PyDict_Check(block) ? PyDict_GetItemWithError(block, k.type) : nullptr);
    if (PyErr_Occurred()) return false;
    if (type && which(type.get(), {k.section, k.actions, k.context, k.rich_text, k.markdown}) >= 0) return true;
  }
  bool over_before = seen.text > limit::block_text;
  seen.text += text_characters(block);
  if (over_before || seen.text <= limit::block_text || seen.markdown > limit::markdown) return true;
  static_assert(limit::block_text % 1000 == 0, "the messages write the guard in thousands");
  if (c.fitting) {
    return c.report(
        "This block holds %zd characters of text; fit keeps a message within %zd,000 (a guard for Slack's "
        "msg_blocks_too_long) and cannot split this kind of block.",
        seen.text, limit::block_text / 1000);
  }
  return c.report(
      "The blocks hold %zd characters of text up to here; keep a message within %zd,000 (Slack refuses "
      "more with msg_blocks_too_long), or let velmora.fit split it.",
      seen.text, limit::block_text / 1000);
}

}  // namespace vm::check
