// velmora.validate's view of a whole message: what one block's check must know of the blocks
// before it (block ids, the blocks Slack allows once per message, the markdown so far), and
// the notes fit takes from the check of each top-level block.
#pragma once

#include "check.hpp"
#include "limits.hpp"

namespace vm::check {

struct Seen {
  Ref block_ids = Ref::steal(PySet_New(nullptr));
  Py_ssize_t tables = 0;  // tables and data tables
  Py_ssize_t plans = 0;
  Py_ssize_t charts = 0;    // data_visualization blocks
  Py_ssize_t markdown = 0;  // characters in the markdown blocks so far
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

}  // namespace vm::check
