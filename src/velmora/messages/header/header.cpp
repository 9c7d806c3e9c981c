// HeaderMessage: a header text, optionally followed by a divider.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global message_class;

constexpr vm::Params<2> init_params{"HeaderMessage.__init__", {&Keys::header, &Keys::divider}, 1};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<2> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest) || !vm::check_str(a[0], "header")) return -1;
  PyObject* divider = a[1] ? a[1] : Py_True;
  // The base runs first so that our `header` replaces any the base sets.
  if (vm::call_base_init(message_class.get(), self, rest.get()) < 0) return -1;
  return vm::set_attr(self, k.header, a[0]) && vm::set_attr(self, k.divider, divider) ? 0 : -1;
}

Ref build_blocks(PyObject* self) {
  Ref blocks = vm::call_with_attrs(vm::global_attr(k.Header, k.plain_text), self, {k.header});
  if (!blocks) return {};
  Ref divider = vm::get_attr(self, k.divider);
  if (!divider) return {};
  int wanted = PyObject_IsTrue(divider.get());
  if (wanted < 0) return {};
  if (wanted) {
    // Divider is looked up only when a divider is wanted, as the Python reading would.
    Ref extra = vm::call(vm::global_attr(k.Divider, k.divider).get(), {});
    if (!extra) return {};
    if (!Ref::steal(PyObject_CallMethodOneArg(blocks.get(), k.extend, extra.get()))) return {};
  }
  return vm::check_list_result(std::move(blocks));
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\nThe header block, then a divider when `divider` is true."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks.header", 3, {"Header"}) ||
      !vm::import_from(module, "blocks.divider", 3, {"Divider"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  return vm::add_message_class(module, "velmora.messages.header.header.HeaderMessage",
                               "HeaderMessage(header, divider=True, **kwargs)\n--\n\n"
                               "A message of one header text, followed by a divider unless `divider` is false.\n"
                               "Other keyword arguments go to BaseVelmora.",
                               vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The header message.", setup)
