// Markdown blocks: standard Markdown that Slack renders itself.
#include "_core/blocks.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// Slack's limit for the text of a message's markdown blocks, summed over all of them.
constexpr Py_ssize_t max_markdown = 12000;

constexpr vm::Params<2> markdown_params{"Markdown.markdown", {&Keys::text, &Keys::block_id}, 1, 1};

Ref markdown(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(markdown_params, args, nargs, kwnames, a) || !vm::check_str(a[0], "text") ||
      !vm::check_block_id(a[1], has_id)) {
    return {};
  }
  Py_ssize_t length = PyUnicode_GET_LENGTH(a[0]);
  if (length == 0) return vm::empty_list();
  if (length > max_markdown) {
    PyErr_Format(PyExc_ValueError,
                 "text has %zd characters; Slack takes at most 12,000 in the markdown blocks of a message", length);
    return {};
  }
  return vm::list_of(vm::dict({{k.type, k.markdown}, {k.text, a[0]}, {k.block_id, a[1], has_id}}));
}

vm::Builder builders[] = {
    vm::builder<markdown>(
        "markdown",
        "markdown($cls, /, text, *, block_id=None)\n--\n\n"
        "A list of one markdown block {\"type\": \"markdown\", \"text\": text} (then \"block_id\" when\n"
        "given): standard Markdown (headings, **bold**, [links](url), tables) that Slack renders\n"
        "itself. [] for an empty text; ValueError over 12,000 characters, Slack's limit for all\n"
        "the markdown blocks of a message together."),
};

}  // namespace

VM_BUILDER_MODULE("Markdown blocks: standard Markdown rendered by Slack.", "Markdown",
                  "Builders of Block Kit markdown blocks.", builders, nullptr)
