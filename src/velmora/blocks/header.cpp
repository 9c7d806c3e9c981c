// Header blocks: a large plain-text title.
#include "velmora/blocks.hpp"

namespace {

using vm::k, vm::Ref;

// {"type": "header", "text": <plain text>}
Ref header(PyObject* text) noexcept {
  Ref text_object = vm::plain_text_object(text);
  return vm::dict({{k.type, k.header}, {k.text, text_object.get()}});
}

vm::Builder builders[] = {
    vm::text_builder<header, "Header.plain_text(text, *, block_id=None)",
                     "A header block showing `text` (emoji on); [] when `text` is empty.">(),
};

}  // namespace

VM_BUILDER_MODULE("Header blocks.", "Header", "Builders of Block Kit header blocks.", builders, nullptr)
