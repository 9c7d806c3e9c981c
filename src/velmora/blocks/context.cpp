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

constexpr vm::Params<1> block_params{"Context.block", {&Keys::block_id}, 0, 0, true};

// An element of a context block: a str is a markdown text, a dict is used as it is.
Ref block_element(PyObject* element) {
  return vm::str_or_dict(element, "elements", vm::mrkdwn_object);
}

Ref block(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  bool has_id;
  if (!vm::bind(block_params, args, nargs, kwnames, a) || !vm::check_block_id(a[0], has_id)) return {};
  if (nargs == 0) return vm::raise_value_error("a context block needs at least one element");
  return vm::block_of(k.context, args, nargs, block_element, a[0], has_id);
}

vm::Builder builders[] = {
    vm::builder<mrkdwn, "mrkdwn(value)",
                "A markdown text element for a context block: {\"type\": \"mrkdwn\", \"text\": value}.">(),
    vm::builder<image_url, "image_url(value, alt_text='image')",
                "An image element for a context block, showing the image at `value`, described by\n"
                "`alt_text` for screen readers.">(),
    vm::builder<block, "block(*elements, block_id=None)",
                "A list of one context block {\"type\": \"context\", \"elements\": [...]} holding the\n"
                "elements in order: a str stands for Context.mrkdwn(str), a dict (Context.image_url(...))\n"
                "is used as it is; \"block_id\" last when given.">(),
};

}  // namespace

VM_BUILDER_MODULE("Context blocks and their elements: markdown texts and images.", "Context",
                  "Builders of Block Kit context blocks and their elements.", builders, nullptr)
