// Context block elements: small markdown texts and images shown under a message.
#include "velmora/blocks.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

constexpr vm::Params<1> mrkdwn_params{"Context.mrkdwn", {&Keys::value}, 1};
constexpr vm::Params<2> image_url_params{"Context.image_url", {&Keys::value, &Keys::alt_text}, 1};

Ref mrkdwn(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(mrkdwn_params, args, nargs, kwnames, a)) return {};
  return vm::mrkdwn_object(a[0]);
}

Ref image_url(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  if (!vm::bind(image_url_params, args, nargs, kwnames, a) || (a[1] && !vm::check_str(a[1], "alt_text"))) return {};
  return vm::dict({{k.type, k.image}, {k.image_url, a[0]}, {k.alt_text, a[1] ? a[1] : k.image}});
}

vm::Builder builders[] = {
    vm::builder<mrkdwn, "mrkdwn(value)",
                "A markdown text element for a context block: {\"type\": \"mrkdwn\", \"text\": value}.">(),
    vm::builder<image_url, "image_url(value, alt_text='image')",
                "An image element for a context block, showing the image at `value`, described by\n"
                "`alt_text` for screen readers.">(),
};

}  // namespace

VM_BUILDER_MODULE("Context block elements: markdown texts and images.", "Context",
                  "Builders of the elements of a Block Kit context block.", builders, nullptr)
