// Context block elements: small markdown texts and images shown under a message.
#include "_core/blocks.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

constexpr vm::Params<1> mrkdwn_params{"Context.mrkdwn", {&Keys::value}, 1};
constexpr vm::Params<1> image_url_params{"Context.image_url", {&Keys::value}, 1};

Ref mrkdwn(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(mrkdwn_params, args, nargs, kwnames, a)) return {};
  return vm::mrkdwn_object(a[0]);
}

Ref image_url(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(image_url_params, args, nargs, kwnames, a)) return {};
  return vm::dict({{k.type, k.image}, {k.image_url, a[0]}, {k.alt_text, k.image}});
}

vm::Builder builders[] = {
    vm::builder<mrkdwn>("mrkdwn",
        "mrkdwn($cls, /, value)\n--\n\n"
        "A markdown text element for a context block: {\"type\": \"mrkdwn\", \"text\": value}."),
    vm::builder<image_url>("image_url",
        "image_url($cls, /, value)\n--\n\n"
        "An image element for a context block, showing the image at `value` (alt text \"image\")."),
};

}  // namespace

VM_BUILDER_MODULE("Context block elements: markdown texts and images.", "Context",
                  "Builders of the elements of a Block Kit context block.", builders, nullptr)
