// MultiStaticSelectMessage: a section with a multi-select menu.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global call_names;  // ("text", "options")

constexpr vm::Params<2> init_params{"MultiStaticSelectMessage.__init__",
                                    {&Keys::text_before_option, &Keys::options}, 2};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<2> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest) || !vm::check_str(a[0], "text_before_option")) {
    return -1;
  }
  if (vm::call_init_of(vm::global(k.BaseVelmora).get(), self, rest.get()) < 0) return -1;
  return vm::set_attrs(self, {{k.text_before_option, a[0]}, {k.options, a[1]}}) ? 0 : -1;
}

// Section.multi_static_select(text=self.text_before_option, options=self.options)
Ref build_blocks(PyObject* self) {
  return vm::check_list_result(vm::call_with_attrs(vm::global_attr(k.Section, k.multi_static_select),
                                                   self, {k.text_before_option, k.options},
                                                   call_names.get()));
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The blocks of Section.multi_static_select for the current text and options."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  // The typing names serve the annotations of the Python reading of this class only.
  if (!vm::import_from(module, "typing", 0, {"Iterable"}) ||
      !vm::import_from(module, "blocks", 3, {"Section"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  call_names.set(vm::names({k.text, k.options}));
  if (!call_names.get()) return -1;
  return vm::add_message_class(
             module, "velmora.messages.section.multi_static_select_msg.MultiStaticSelectMessage",
             "MultiStaticSelectMessage(text_before_option, options, **kwargs)\n--\n\n"
             "A section with a multi-select menu of `options`, after the text `text_before_option`.\n"
             "Other keyword arguments go to BaseVelmora.",
             vm::init_entry<init>, methods)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The multi-select message.", setup)
