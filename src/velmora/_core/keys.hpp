// Interned keys: one object per literal, so dict stores and lookups compare by identity.
#pragma once

#include "ref.hpp"

namespace vm {

struct Keys {
#define VM_KEY(name, text) PyObject* name = nullptr;
#include "keys.def"
#undef VM_KEY
};

// Filled at module set-up; interned strings are immortal, so the slots never need releasing.
inline Keys k;

inline bool intern_keys() noexcept {
#define VM_KEY(name, text)                                         \
  if (!k.name && !(k.name = PyUnicode_InternFromString(text))) { \
    return false;                                                  \
  }
#include "keys.def"
#undef VM_KEY
  return true;
}

}  // namespace vm
