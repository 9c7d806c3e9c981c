// Markdown blocks: standard Markdown that Slack renders itself.
#include "velmora/blocks.hpp"

namespace {

using vm::k, vm::Ref;

// {"type": "markdown", "text": text}, of any length: velmora.fit cuts a long one into messages
// that Slack takes, and velmora.validate reports it.
Ref markdown(PyObject* text) noexcept {
  return vm::dict({{k.type, k.markdown}, {k.text, text}});
}

vm::Builder builders[] = {
    vm::text_builder<markdown, "Markdown.markdown(text, *, block_id=None)",
                     R"(
                     A list of one markdown block {"type": "markdown", "text": text} (then "block_id" when
                     given): standard Markdown (headings, **bold**, [links](url), tables) that Slack renders
                     itself. [] for an empty text. Slack takes at most 12,000 characters in the markdown blocks
                     of a message: velmora.fit cuts a longer text into several messages at paragraph breaks.)">(),
};

}  // namespace

VM_BUILDER_MODULE("Markdown blocks: standard Markdown rendered by Slack.", "Markdown",
                  "Builders of Block Kit markdown blocks.", builders, nullptr)
