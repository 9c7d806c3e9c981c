// The parts of a block that velmora.fit splits: copies of the block with some values replaced,
// their block ids, and the grouping of a block's items (fields, elements, rows) into parts that
// each stay within a count and a number of characters.
#pragma once

#include "block_text.hpp"
#include "keys.hpp"
#include "limits.hpp"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace vm {

// The first part of a split block keeps its block_id; each later part gets "<id>-2", "<id>-3",
// ..., cut to Slack's 255 characters and never one the message already uses.
class Ids {
 public:
  explicit Ids(PyObject* blocks) noexcept : blocks_(blocks) {}

  // A new id for part `number` (2 and up) of the block whose id is `base`.
  Ref derived(PyObject* base, Py_ssize_t number) noexcept {
    if (!used_ && !collect()) return {};
    for (Py_ssize_t n = number;; ++n) {
      Ref suffix = Ref::steal(PyUnicode_FromFormat("-%zd", n));
      if (!suffix) return {};
      Py_ssize_t keep = std::min(PyUnicode_GET_LENGTH(base), limit::block_id - PyUnicode_GET_LENGTH(suffix.get()));
      Ref head = Ref::steal(PyUnicode_Substring(base, 0, keep));
      Ref id = head ? Ref::steal(PyUnicode_Concat(head.get(), suffix.get())) : Ref{};
      if (!id) return {};
      int taken = PySet_Contains(used_.get(), id.get());
      if (taken < 0) return {};
      if (!taken) return PySet_Add(used_.get(), id.get()) == 0 ? std::move(id) : Ref{};
    }
  }

 private:
  bool collect() noexcept {
    used_ = Ref::steal(PySet_New(nullptr));
    if (!used_) return false;
    // A lookup may run a caller's odd key and change the list: each block is held, the size re-read.
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(blocks_); ++i) {
      Ref block = Ref::borrow(PyList_GET_ITEM(blocks_, i));
      Ref id = Ref::borrow(PyDict_Check(block.get()) ? PyDict_GetItemWithError(block.get(), k.block_id) : nullptr);
      if (PyErr_Occurred()) return false;
      if (id && PyUnicode_Check(id.get()) && PySet_Add(used_.get(), id.get()) < 0) return false;
    }
    return true;
  }

  PyObject* blocks_;
  Ref used_;
};

// What a part of a split block holds in place of the original's values: a key maps to its new
// value, or is left out when the value is null.
struct Change {
  PyObject* key;
  PyObject* value;
};

// Whether `key`, a key of a caller's dict, is the interned `name` (JSON keys are not interned).
inline bool same_key(PyObject* key, PyObject* name) noexcept {
  return key == name || (PyUnicode_Check(key) && PyUnicode_Compare(key, name) == 0);
}

// A new dict with the keys of `block` in their order, each changed as `changes` say; with
// `number` above 1 (and `ids`), the block id of that part.
inline Ref part(PyObject* block, std::initializer_list<Change> changes, Py_ssize_t number = 1,
                Ids* ids = nullptr) noexcept {
  Ref id;
  if (number > 1 && ids) {
    Ref original = Ref::borrow(PyDict_GetItemWithError(block, k.block_id));
    if (original && PyUnicode_Check(original.get())) id = ids->derived(original.get(), number);
    if (PyErr_Occurred()) return {};
  }
  Ref out = Ref::steal(PyDict_New());
  if (!out) return {};
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(block, &pos, &key, &value)) {
    Ref name = Ref::borrow(key), held = Ref::borrow(value);
    for (const Change& change : changes) {
      if (same_key(key, change.key)) held = Ref::borrow(change.value);
    }
    if (id && same_key(key, k.block_id)) held = Ref::borrow(id.get());
    if (held && PyDict_SetItem(out.get(), name.get(), held.get()) < 0) return {};
  }
  return out;
}

// Appends `item` (a new reference) to `out`; false with the error set.
inline bool put(PyObject* out, Ref item) noexcept {
  return item && PyList_Append(out, item.get()) == 0;
}

// One of the items a split spreads over parts, with the characters of text it holds.
struct Piece {
  Ref item;
  Py_ssize_t text = 0;
};

// The items of `list` as pieces.
inline void pieces_of(PyObject* list, std::vector<Piece>& out) {
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
    PyObject* item = PyList_GET_ITEM(list, i);
    out.push_back({Ref::borrow(item), text_characters(item)});
  }
}

// Hands `make(list, first, characters)` the pieces in new lists of at most `count` items and
// `text` characters (a piece of more characters than that alone), in order, with the index of
// each list's first piece and the characters it holds; false when `make` fails.
template <class Make>
bool group(const std::vector<Piece>& pieces, Py_ssize_t count, Py_ssize_t text, Make&& make) {
  std::size_t start = 0;
  Py_ssize_t characters = 0;
  for (std::size_t i = 0; i <= pieces.size(); ++i) {
    bool full = i == pieces.size() || static_cast<Py_ssize_t>(i - start) == count ||
                (i > start && characters + pieces[i].text > text);
    if (full && i > start) {
      Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(i - start)));
      if (!list) return false;
      for (std::size_t j = start; j < i; ++j) {
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(j - start), Ref::borrow(pieces[j].item.get()).release());
      }
      if (!make(list.get(), start, characters)) return false;
      start = i;
      characters = 0;
    }
    if (i < pieces.size()) characters += pieces[i].text;
  }
  return true;
}

}  // namespace vm
