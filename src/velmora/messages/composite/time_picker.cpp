// TimePickerMessage: a text, then a time picker.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "TimePickerMessage",
    .doc =
        "TimePickerMessage(text, initial_time, **kwargs)\n--\n\n"
        "A message of the markdown `text`, then a time picker set to `initial_time` (HH:mm, Actions.time_picker).\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}, {&Keys::initial_time, vm::exact_str}}},
    .imports = {{{"blocks", {"Section", "Actions"}}}},
    .blocks = vm::text_then({&Keys::Actions, &Keys::time_picker, {vm::kw(&Keys::initial_time)}}),
    .build_doc =
        "build_blocks($self, /)\n--\n\n"
        "The text as a markdown section (when not empty), then an actions block of one time picker.",
};

}  // namespace

VM_MESSAGE_MODULE("The time picker message.", message)
