// Divider blocks: a horizontal rule between blocks.
#include "_core/blocks.hpp"

namespace {

using vm::k;
using vm::Ref;

constexpr vm::Params<0> divider_params{"Divider.divider", {}, 0};

Ref divider(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<0> a;
  if (!vm::bind(divider_params, args, nargs, kwnames, a)) return {};
  return vm::list_of(vm::dict({{k.type, k.divider}}));
}

vm::Builder builders[] = {
    vm::builder<divider>("divider", "divider($cls, /)\n--\n\nA list of one divider block."),
};

}  // namespace

VM_BUILDER_MODULE("Divider blocks.", "Divider",
                  "Builders of Block Kit divider blocks.", builders, nullptr)
