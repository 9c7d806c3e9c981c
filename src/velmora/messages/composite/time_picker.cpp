// TimePickerMessage: a text, then a time picker.
#include "velmora/message.hpp"

constexpr vm::Message message = vm::text_then_actions(
    "TimePickerMessage", {{{.name = &vm::Keys::initial_time, .check = vm::exact_str}}}, &vm::Keys::time_picker,
    "A message of the markdown `text`, then a time picker set to `initial_time` (HH:mm, Actions.time_picker).",
    "The text as a markdown section (when not empty), then an actions block of one time picker.");

VM_MESSAGE_MODULE(message)
