// Preformatted text: a "rich_text" block holding one "rich_text_preformatted" element.
#include "_core/blocks.hpp"
#include "_core/rich_text.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

constexpr vm::Params<2> text_params{"Preformatted.text", {&Keys::text, &Keys::block_id}, 1, 1};

// [{"type": "rich_text", "elements": [{"type": "rich_text_preformatted",
//   "elements": [{"type": "text", "text": text}]}]}], or [] for an empty text.
Ref text(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(text_params, args, nargs, kwnames, a) || !vm::check_str(a[0], "text") ||
      !vm::check_block_id(a[1], has_id)) {
    return {};
  }
  if (PyUnicode_GET_LENGTH(a[0]) == 0) return vm::empty_list();
  return vm::with_block_id(
      vm::list_of(vm::holding(k.rich_text, vm::holding(k.rich_text_preformatted, vm::text_element(a[0])))), a[1],
      has_id);
}

vm::Builder builders[] = {
    vm::builder<text>("text",
                      "text($cls, /, text, *, block_id=None)\n--\n\n"
                      "A rich-text block showing `text` preformatted (monospaced, as typed); [] when `text` is empty."),
};

bool prepare(PyObject*, vm::Decorators&) noexcept {
  return vm::ready_rich_text();
}

}  // namespace

VM_BUILDER_MODULE("Preformatted text as a Block Kit rich-text block.", "Preformatted",
                  "Builders of preformatted rich-text blocks.", builders, prepare)
