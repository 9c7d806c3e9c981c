// Header blocks: a large plain-text title.
#include "_core/blocks.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

constexpr vm::Params<2> plain_text_params{"Header.plain_text", {&Keys::text, &Keys::block_id}, 1, 1};

Ref plain_text(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(plain_text_params, args, nargs, kwnames, a) || !vm::check_str(a[0], "text") ||
      !vm::check_block_id(a[1], has_id)) {
    return {};
  }
  if (PyUnicode_GET_LENGTH(a[0]) == 0) return vm::empty_list();
  Ref text = vm::plain_text_object(a[0]);
  return vm::list_of(vm::dict({{k.type, k.header}, {k.text, text.get()}, {k.block_id, a[1], has_id}}));
}

vm::Builder builders[] = {
    vm::builder<plain_text>("plain_text",
                            "plain_text($cls, /, text, *, block_id=None)\n--\n\n"
                            "A header block showing `text` (emoji on); [] when `text` is empty."),
};

}  // namespace

VM_BUILDER_MODULE("Header blocks.", "Header", "Builders of Block Kit header blocks.", builders, nullptr)
