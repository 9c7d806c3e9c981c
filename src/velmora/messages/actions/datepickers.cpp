// DatePickersMessage: one actions block of date pickers, one per initial date.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "DatePickersMessage",
    .doc =
        "DatePickersMessage(initial_dates, **kwargs)\n--\n\n"
        "A message of one actions block holding a date picker per date of `initial_dates`\n"
        "(YYYY-MM-DD; Actions.datepickers). Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::initial_dates}}},  // any iterable: Actions checks the dates
    .imports = {{{"blocks", {"Actions"}}}},
    .blocks = vm::returned_list({&Keys::Actions, &Keys::datepickers, {vm::kw(&Keys::initial_dates)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nOne actions block with a date picker per initial date.",
};

}  // namespace

VM_MESSAGE_MODULE("The date pickers message.", message)
