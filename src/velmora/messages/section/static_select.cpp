// StaticSelectMessage: a section with a static select menu.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global call_names;  // ("options", "text")

constexpr vm::Params<2> init_params{"StaticSelectMessage.__init__",
                                    {&Keys::options, &Keys::text_before_option}, 1};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<2> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest)) return -1;
  PyObject* text = a[1] ? a[1] : Py_None;
  if (!vm::check_str(text, "text_before_option", /*none_ok=*/true)) return -1;
  if (vm::call_init_of(vm::global(k.BaseVelmora).get(), self, rest.get()) < 0) return -1;
  return vm::set_attrs(self, {{k.text_before_option, text}, {k.options, a[0]}}) ? 0 : -1;
}

// Section.static_select(options=self.options, text=self.text_before_option)
Ref build_blocks(PyObject* self) {
  return vm::check_list_result(vm::call_with_attrs(vm::global_attr(k.Section, k.static_select), self,
                                                   {k.options, k.text_before_option}, call_names.get()));
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The blocks of Section.static_select for the current options and text."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  // The typing names serve the annotations of the Python reading of this class only.
  if (!vm::import_from(module, "typing", 0, {"Iterable", "Optional"}) ||
      !vm::import_from(module, "blocks", 3, {"Section"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  call_names.set(vm::names({k.options, k.text}));
  if (!call_names.get()) return -1;
  return vm::add_message_class(
             module, "velmora.messages.section.static_select.StaticSelectMessage",
             "StaticSelectMessage(options, text_before_option=None, **kwargs)\n--\n\n"
             "A section with a static select menu of `options`, after the text `text_before_option`\n"
             "(a str or None). Other keyword arguments go to BaseVelmora.",
             vm::init_entry<init>, methods)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The static select message.", setup)
