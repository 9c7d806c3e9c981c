// How much text a block holds (text_characters), as counted against the guard for Slack's
// msg_blocks_too_long (vm::limit::block_text): the characters of every str under a "text" key, at any depth (text
// objects, rich-text elements, markdown, button labels), except in tables and data tables,
// whose cells have limits of their own, and in what a message does not show until clicked (the
// options of a menu, a confirmation dialog). fit keeps each message within the guard, and
// validate reports a message over it, both with this one count.
#pragma once

#include "keys.hpp"

namespace vm {

namespace detail {

// Objects looked at, at most: Block Kit is never deeper, and a structure that shares its lists
// many times over (a list holding itself) cannot keep the count going for ever.
constexpr int text_depth = 16;
constexpr Py_ssize_t text_objects = 1 << 20;

// Whether `key` is the str `name` (interned: JSON keys are compared by value too).
inline bool is(PyObject* key, PyObject* name) noexcept {
  return key == name || (PyUnicode_Check(key) && PyUnicode_GET_LENGTH(key) == PyUnicode_GET_LENGTH(name) &&
                         PyUnicode_Compare(key, name) == 0);
}

inline Py_ssize_t text_in(PyObject* value, int depth, Py_ssize_t& objects) noexcept;

// A dict: the length of a str under "text", and what its other values hold; 0 for a table.
// Nothing here runs a caller's code (keys are compared as str only), so nothing can fail.
inline Py_ssize_t text_in_dict(PyObject* dict, int depth, Py_ssize_t& objects) noexcept {
  Py_ssize_t pos = 0, total = 0;
  PyObject *key, *value;
  while (PyDict_Next(dict, &pos, &key, &value)) {
    if (PyUnicode_Check(value)) {
      if (is(key, k.text)) {
        total += PyUnicode_GET_LENGTH(value);
      } else if (is(key, k.type) && (is(value, k.table) || is(value, k.data_table))) {
        return 0;
      }
    } else if (!is(key, k.options) && !is(key, k.option_groups) && !is(key, k.confirm)) {
      total += text_in(value, depth + 1, objects);
    }
  }
  return total;
}

inline Py_ssize_t text_in(PyObject* value, int depth, Py_ssize_t& objects) noexcept {
  bool dict = PyDict_Check(value);
  if ((!dict && !PyList_Check(value)) || depth > text_depth || ++objects > text_objects) return 0;
  if (dict) return text_in_dict(value, depth, objects);
  Py_ssize_t total = 0;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(value); ++i) total += text_in(PyList_GET_ITEM(value, i), depth, objects);
  return total;
}

}  // namespace detail

// The characters of text that `value` (a block, or any part of one; may be null) holds.
inline Py_ssize_t text_characters(PyObject* value) noexcept {
  Py_ssize_t objects = 0;
  return value ? detail::text_in(value, 0, objects) : 0;
}

}  // namespace vm
