// Preformatted text: a "rich_text" block holding one "rich_text_preformatted" element.
#include "velmora/blocks.hpp"
#include "velmora/rich_text.hpp"

namespace {

using vm::k, vm::Ref;

// {"type": "rich_text", "elements": [{"type": "rich_text_preformatted",
//   "elements": [{"type": "text", "text": text}]}]}
Ref preformatted(PyObject* text) noexcept {
  return vm::holding(k.rich_text, vm::holding(k.rich_text_preformatted, vm::text_element(text)));
}

vm::Builder builders[] = {
    vm::text_builder<
        preformatted, "Preformatted.text(text, *, block_id=None)",
        "A rich-text block showing `text` preformatted (monospaced, as typed); [] when `text` is empty.">(),
};

bool prepare(PyObject*, vm::Decorators&) noexcept {
  return vm::ready_rich_text();
}

}  // namespace

VM_BUILDER_MODULE("Preformatted text as a Block Kit rich-text block.", "Preformatted",
                  "Builders of preformatted rich-text blocks.", builders, prepare)
