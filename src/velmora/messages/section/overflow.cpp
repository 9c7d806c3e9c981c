// OverflowMessage: a section with an overflow menu.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global call_names;  // ("text", "options")

constexpr vm::Params<2> init_params{"OverflowMessage.__init__", {&Keys::text, &Keys::options}, 2};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<2> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest) || !vm::check_str(a[0], "text") ||
      !vm::check_list(a[1], "options")) {
    return -1;
  }
  if (vm::call_init_of(vm::global(k.BaseVelmora).get(), self, rest.get()) < 0) return -1;
  return vm::set_attrs(self, {{k.text, a[0]}, {k.options, a[1]}}) ? 0 : -1;
}

// Section.overflow(text=self.text, options=self.options), returned unchecked.
Ref build_blocks(PyObject* self) {
  return vm::call_with_attrs(vm::global_attr(k.Section, k.overflow), self, {k.text, k.options},
                             call_names.get());
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The blocks of Section.overflow for the current text and options."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Section"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  call_names.set(vm::names({k.text, k.options}));
  if (!call_names.get()) return -1;
  return vm::add_message_class(module, "velmora.messages.section.overflow.OverflowMessage",
                               "OverflowMessage(text, options, **kwargs)\n--\n\n"
                               "A section showing `text` with an overflow menu of `options` (a list).\n"
                               "Other keyword arguments go to BaseVelmora.",
                               vm::init_entry<init>, methods)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The overflow menu message.", setup)
