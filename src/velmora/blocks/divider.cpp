// Divider blocks: a horizontal rule between blocks.
#include "velmora/blocks.hpp"

namespace {

using vm::k, vm::Ref;

Ref divider(PyObject*, vm::Bound<1>& a) {
  bool has_id;
  if (!vm::check_block_id(a[0], has_id)) return {};
  return vm::list_of(vm::dict({{k.type, k.divider}, {k.block_id, a[0], has_id}}));
}

vm::Builder builders[] = {
    vm::builder<divider, "Divider.divider(*, block_id=None)",
                R"(A list of one divider block (with "block_id" when given).)">(),
};

}  // namespace

VM_BUILDER_MODULE("Divider blocks.", "Divider", "Builders of Block Kit divider blocks.", builders, nullptr)
