// PreformattedMessage: a text shown preformatted, in one rich-text block.
#include "_core/compose.hpp"
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global message_class;

constexpr vm::Params<1> init_params{"PreformattedMessage.__init__", {&Keys::text}, 1};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<1> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest) || !vm::check_str(a[0], "text")) return -1;
  if (vm::call_base_init(message_class.get(), self, rest.get()) < 0) return -1;
  return vm::set_attr(self, k.text, a[0]) ? 0 : -1;
}

// Preformatted.text(self.text), which must give a list (or None).
Ref build_blocks(PyObject* self) {
  Ref text = vm::get_attr(self, k.text);
  return vm::check_list_result(vm::call_builder(k.Preformatted, k.text, {text.get()}));
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\nThe text as one preformatted rich-text block."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks.preformatted", 3, {"Preformatted"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  return vm::add_message_class(
      module, "velmora.messages.rich_text.preformatted.PreformattedMessage",
      "PreformattedMessage(text, **kwargs)\n--\n\n"
      "A message showing `text` preformatted (monospaced, as typed) in one rich-text block.\n"
      "Other keyword arguments go to BaseVelmora.",
      vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The preformatted message: text shown as typed, in a rich-text block.", setup)
