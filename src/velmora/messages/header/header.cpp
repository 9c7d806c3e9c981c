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
  Ref header_cls = vm::global(k.Header), divider_cls = vm::global(k.Divider);
  Ref header = vm::get_attr(self, k.header);
  if (!header_cls || !divider_cls || !header) return {};
  Ref blocks = Ref::steal(PyObject_CallMethodOneArg(header_cls.get(), k.plain_text, header.get()));
  if (!blocks) return {};
  Ref divider = vm::get_attr(self, k.divider);
  if (!divider) return {};
  int wanted = PyObject_IsTrue(divider.get());
  if (wanted < 0) return {};
  if (wanted) {
    Ref extra = vm::call_on_class(divider_cls.get(), k.divider);
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
  Ref base = vm::global(k.BaseVelmora);
  if (!base) return -1;
  Ref cls = vm::make_message_class(
      module, "velmora.messages.header.header.HeaderMessage",
      "HeaderMessage(header, divider=True, **kwargs)\n--\n\n"
      "A message of one header text, followed by a divider unless `divider` is false.\n"
      "Other keyword arguments go to BaseVelmora.",
      vm::init_entry<init>, methods, base.get());
  if (!cls) return -1;
  message_class.set(Ref::borrow(cls.get()));
  return vm::add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace

VM_MODULE("The header message.", setup)
