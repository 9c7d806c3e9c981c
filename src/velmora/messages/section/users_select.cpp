// UsersSelectMessage: a section with a users select menu.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

constexpr vm::Params<1> init_params{"UsersSelectMessage.__init__", {&Keys::text}, 1};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<1> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest) || !vm::check_str(a[0], "text")) return -1;
  if (vm::call_init_of(vm::global(k.BaseVelmora).get(), self, rest.get()) < 0) return -1;
  return vm::set_attr(self, k.text, a[0]) ? 0 : -1;
}

// Section.users_select(self.text): the one argument goes by position.
Ref build_blocks(PyObject* self) {
  return vm::check_list_result(vm::call_with_attrs(vm::global_attr(k.Section, k.users_select), self, {k.text}));
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The blocks of Section.users_select for the current text."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Section"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  return vm::add_message_class(module, "velmora.messages.section.users_select.UsersSelectMessage",
                               "UsersSelectMessage(text, **kwargs)\n--\n\n"
                               "A section showing `text` with a menu to pick a user.\n"
                               "Other keyword arguments go to BaseVelmora.",
                               vm::init_entry<init>, methods)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The users select message.", setup)
