// velmora._limits: Slack's limits as named constants (BLOCKS, SECTION_TEXT, ...) for velmora's
// Python parts, from the same table the C++ modules read (velmora/limits.def).
#include "velmora/limits.hpp"
#include "velmora/module.hpp"

namespace {

struct Named {
  const char* name;
  Py_ssize_t value;
};

constexpr Named limits[] = {
#define VM_LIMIT(name, value, what) {#name, value},
#include "velmora/limits.def"
#undef VM_LIMIT
};

// Each limit under its name in capitals: vm::limit::section_text is SECTION_TEXT.
int setup(PyObject* module) noexcept {
  for (const Named& limit : limits) {
    vm::Ref name = vm::Ref::steal(PyUnicode_FromString(limit.name));
    vm::Ref upper = name ? vm::Ref::steal(PyObject_CallMethod(name.get(), "upper", nullptr)) : vm::Ref{};
    vm::Ref value = upper ? vm::Ref::steal(PyLong_FromSsize_t(limit.value)) : vm::Ref{};
    if (!value || PyObject_SetAttr(module, upper.get(), value.get()) < 0) return -1;
  }
  return 0;
}

}  // namespace

VM_MODULE("Slack's limits for a message and its parts, as velmora meets them.", setup)
