// DatePickersMessage: one actions block of date pickers, one per initial date.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "DatePickersMessage",
    .doc = "DatePickersMessage(initial_dates, **kwargs)\n--\n\n"
           "A message of one actions block holding a date picker per date of `initial_dates`\n"
           "(YYYY-MM-DD; Actions.datepickers). Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::initial_dates}}},  // any iterable: Actions checks the dates
    .imports = {{{"blocks", {"Actions"}}}},
    // Actions.datepickers(initial_dates=self.initial_dates), which must give a list (or None)
    .calls = {{{&Keys::Actions, &Keys::datepickers, {{{&Keys::initial_dates, &Keys::initial_dates}}}}}},
    .list_result = true,
    .build_doc = "build_blocks($self, /)\n--\n\nOne actions block with a date picker per initial date.",
};

}  // namespace

VM_MESSAGE_MODULE("The date pickers message.", message)
