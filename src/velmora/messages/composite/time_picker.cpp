// TimePickerMessage: a text, then a time picker.
#include "_core/compose.hpp"
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global message_class;
vm::Global builder_keywords;  // ("initial_time",)

constexpr vm::Params<2> init_params{
    "TimePickerMessage.__init__", {&Keys::text, &Keys::initial_time}, 2};

bool check(const vm::Bound<2>& a) noexcept {
  return vm::check_str(a[0], "text") && vm::check_str(a[1], "initial_time");
}

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  return vm::init_stored(message_class.get(), self, args, kwargs, init_params, {nullptr, nullptr}, check);
}

// Section.mrkdwn(self.text) + Actions.time_picker(initial_time=...)
Ref build_blocks(PyObject* self) {
  return vm::text_then(self, k.Actions, k.time_picker, builder_keywords.get());
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The text as a markdown section (when not empty), then an actions block of one time picker."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Section", "Actions"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  builder_keywords.set(vm::keyword_tuple({k.initial_time}));
  if (!builder_keywords.get()) return -1;
  return vm::add_message_class(
      module, "velmora.messages.composite.time_picker.TimePickerMessage",
      "TimePickerMessage(text, initial_time, **kwargs)\n--\n\n"
      "A message of the markdown `text`, then a time picker set to `initial_time` (HH:mm, Actions.time_picker).\n"
      "Other keyword arguments go to BaseVelmora.",
      vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The time picker message.", setup)
