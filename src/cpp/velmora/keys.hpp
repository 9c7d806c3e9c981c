// Interned keys: one object per literal, so dict stores and lookups compare by identity.
#pragma once

#include <initializer_list>
#include <string_view>

#include "ref.hpp"

namespace vm {

struct Keys {
#define VM_KEY(name, text) PyObject* name = nullptr;
#include "keys.def"
#undef VM_KEY
};

// The text of a key, at compile time: key_text(&Keys::initial_date) is "initial_date".
constexpr const char* key_text(PyObject* Keys::*key) noexcept {
#define VM_KEY(name, text) \
  if (key == &Keys::name) return text;
#include "keys.def"
#undef VM_KEY
  return "";
}

// The key whose text is `text`, at compile time (null for none): key_named("block_id") is
// &Keys::block_id.
constexpr PyObject* Keys::*key_named(std::string_view text) noexcept {
#define VM_KEY(name, str) \
  if (text == str) return &Keys::name;
#include "keys.def"
#undef VM_KEY
  return nullptr;
}

// Filled at module set-up; interned strings are immortal, so the slots never need releasing.
inline Keys k;

inline bool intern_keys() noexcept {
#define VM_KEY(name, text)                                       \
  if (!k.name && !(k.name = PyUnicode_InternFromString(text))) { \
    return false;                                                \
  }
#include "keys.def"
#undef VM_KEY
  return true;
}

// Whether `value` is the str `key`: by identity first (our builders use the interned keys, and
// so do string literals in Python code), by value second (strings read from JSON).
inline bool is_key(PyObject* value, PyObject* key) noexcept {
  return value == key || (PyUnicode_Check(value) && PyUnicode_Compare(value, key) == 0);
}

// The position of `value` among the keys of `entries` (`key_of(entry)` gives each), or -1:
// identity is tried on all of them before any comparison of characters, so that a dispatch
// over many types stays cheap.
template <class Entries, class KeyOf>
int which_entry(PyObject* value, const Entries& entries, KeyOf key_of) noexcept {
  int i = 0;
  for (const auto& entry : entries) {
    if (value == key_of(entry)) return i;
    ++i;
  }
  if (!PyUnicode_Check(value)) return -1;
  i = 0;
  for (const auto& entry : entries) {
    if (PyUnicode_Compare(value, key_of(entry)) == 0) return i;
    ++i;
  }
  return -1;
}

// The position of `value` among `keys`, or -1 (see which_entry).
inline int which_key(PyObject* value, std::initializer_list<PyObject*> keys) noexcept {
  return which_entry(value, keys, [](PyObject* key) { return key; });
}

}  // namespace vm
