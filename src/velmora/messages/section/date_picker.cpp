// DatePickerMessage: a section with a date picker.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global call_names;  // ("text", "initial_date")

constexpr vm::Params<2> init_params{"DatePickerMessage.__init__", {&Keys::text, &Keys::initial_date}, 2};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<2> a;
  Ref rest;
  if (!vm::bind_init(init_params, args, kwargs, a, rest) || !vm::check_str(a[0], "text") ||
      !vm::check_str(a[1], "initial_date")) {
    return -1;
  }
  if (vm::call_init_of(vm::global(k.BaseVelmora).get(), self, rest.get()) < 0) return -1;
  return vm::set_attrs(self, {{k.text, a[0]}, {k.initial_date, a[1]}}) ? 0 : -1;
}

// Section.datepicker(text=self.text, initial_date=self.initial_date), returned unchecked.
Ref build_blocks(PyObject* self) {
  return vm::call_with_attrs(vm::global_attr(k.Section, k.datepicker), self, {k.text, k.initial_date},
                             call_names.get());
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The blocks of Section.datepicker for the current text and date."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Section"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  call_names.set(vm::names({k.text, k.initial_date}));
  if (!call_names.get()) return -1;
  return vm::add_message_class(module, "velmora.messages.section.date_picker.DatePickerMessage",
                               "DatePickerMessage(text, initial_date, **kwargs)\n--\n\n"
                               "A section showing `text` with a date picker set to `initial_date`\n"
                               "(YYYY-MM-DD). Other keyword arguments go to BaseVelmora.",
                               vm::init_entry<init>, methods)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The date picker message.", setup)
