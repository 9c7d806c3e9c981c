// Context block elements: small markdown texts and images shown under a message.
#include "velmora/blocks.hpp"

namespace {

using vm::k, vm::Ref;

Ref mrkdwn(PyObject*, vm::Bound<1>& a) {
  return vm::mrkdwn_object(a[0]);
}

Ref image_url(PyObject*, vm::Bound<2>& a) {
  if (a[1] && !vm::check_str(a[1], "alt_text")) return {};
  return vm::dict({{k.type, k.image}, {k.image_url, a[0]}, {k.alt_text, a[1] ? a[1] : k.image}});
}

// An element of a context block: a str is a markdown text, a dict is used as it is.
Ref block_element(PyObject* element) {
  return vm::str_or_dict(element, "elements", vm::mrkdwn_object);
}

Ref block(PyObject*, vm::Bound<1>& a, vm::Extra elements) {
  return vm::block_of(k.context, a[0], elements, block_element, "a context block needs at least one element");
}

vm::Builder builders[] = {
    vm::builder<mrkdwn, "Context.mrkdwn(value)",
                R"(A markdown text element for a context block: {"type": "mrkdwn", "text": value}.)">(),
    vm::builder<image_url, "Context.image_url(value, alt_text='image')",
                R"(
                An image element for a context block, showing the image at `value`, described by
                `alt_text` for screen readers.)">(),
    vm::builder<block, "Context.block(*elements, block_id=None)",
                R"(
                A list of one context block {"type": "context", "elements": [...]} holding the
                elements in order: a str stands for Context.mrkdwn(str), a dict (Context.image_url(...))
                is used as it is; "block_id" last when given.)">(),
};

}  // namespace

VM_BUILDER_MODULE("Context blocks and their elements: markdown texts and images.", "Context",
                  "Builders of Block Kit context blocks and their elements.", builders, nullptr)
