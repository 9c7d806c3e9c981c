// The interned keys: one table of every key's slot and text, filled by one loop (an unrolled
// call per key made each module's set-up code about 20 KB).
#include "keys.hpp"

namespace vm {

namespace {

struct KeyText {
  PyObject* Keys::*key;
  const char* text;
};

constexpr KeyText key_texts[] = {
#define VM_KEY(name, text) {&Keys::name, text},
#include "keys.def"
#undef VM_KEY
};

}  // namespace

bool intern_keys() noexcept {
  for (const KeyText& entry : key_texts) {
    PyObject*& slot = k.*entry.key;
    if (!slot && !(slot = PyUnicode_InternFromString(entry.text))) return false;
  }
  return true;
}

}  // namespace vm
