// Markdown blocks: standard Markdown that Slack renders itself.
#include "velmora/blocks.hpp"

namespace {

using vm::k;
using vm::Ref;

// Slack's limit for the text of a message's markdown blocks, summed over all of them.
constexpr Py_ssize_t max_markdown = 12000;

// {"type": "markdown", "text": text}
Ref markdown(PyObject* text) noexcept {
  Py_ssize_t length = PyUnicode_GET_LENGTH(text);
  if (length > max_markdown) {
    PyErr_Format(PyExc_ValueError,
                 "text has %zd characters; Slack takes at most 12,000 in the markdown blocks of a message", length);
    return {};
  }
  return vm::dict({{k.type, k.markdown}, {k.text, text}});
}

vm::Builder builders[] = {
    vm::builder<vm::text_block<"Markdown.markdown", markdown>, "markdown(text, *, block_id=None)",
                "A list of one markdown block {\"type\": \"markdown\", \"text\": text} (then \"block_id\" when\n"
                "given): standard Markdown (headings, **bold**, [links](url), tables) that Slack renders\n"
                "itself. [] for an empty text; ValueError over 12,000 characters, Slack's limit for all\n"
                "the markdown blocks of a message together.">(),
};

}  // namespace

VM_BUILDER_MODULE("Markdown blocks: standard Markdown rendered by Slack.", "Markdown",
                  "Builders of Block Kit markdown blocks.", builders, nullptr)
