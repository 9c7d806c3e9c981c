// DatePickersMessage: one actions block of date pickers, one per initial date.
#include "_core/compose.hpp"
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global message_class;
vm::Global builder_keywords;  // ("initial_dates",)

constexpr vm::Params<1> init_params{"DatePickersMessage.__init__", {&Keys::initial_dates}, 1};

bool check(const vm::Bound<1>&) noexcept { return true; }  // any iterable: Actions checks the dates

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  return vm::init_stored(message_class.get(), self, args, kwargs, init_params, {nullptr}, check);
}

// Actions.datepickers(initial_dates=self.initial_dates), which must give a list (or None).
Ref build_blocks(PyObject* self) {
  return vm::check_list_result(vm::call_with_attributes(self, k.Actions, k.datepickers, builder_keywords.get()));
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\nOne actions block with a date picker per initial date."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Actions"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  builder_keywords.set(vm::keyword_tuple({k.initial_dates}));
  if (!builder_keywords.get()) return -1;
  return vm::add_message_class(
      module, "velmora.messages.actions.datepickers.DatePickersMessage",
      "DatePickersMessage(initial_dates, **kwargs)\n--\n\n"
      "A message of one actions block holding a date picker per date of `initial_dates`\n"
      "(YYYY-MM-DD; Actions.datepickers). Other keyword arguments go to BaseVelmora.",
      vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The date pickers message.", setup)
