// Divider blocks: a horizontal rule between blocks.
#include "_core/core.hpp"

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

int setup(PyObject* module) noexcept {
  Ref cls = vm::make_builder_class(module, "velmora.blocks.divider.Divider",
                                   "Builders of Block Kit divider blocks.", builders);
  return vm::add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace

VM_MODULE("Divider blocks.", setup)
