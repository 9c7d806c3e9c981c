// DatePickersMessage: one actions block of date pickers, one per initial date.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "DatePickersMessage",
    .doc =
        "A message of one actions block holding a date picker per date of `initial_dates`\n"
        "(YYYY-MM-DD; Actions.datepickers). Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::initial_dates}}},  // any iterable: Actions checks the dates
    .imports = {{{"blocks", {"Actions"}}}},
    .blocks = vm::returned_list({&Keys::Actions, &Keys::datepickers, {vm::kw(&Keys::initial_dates)}}),
    .build_doc = "One actions block with a date picker per initial date.",
};

}  // namespace

VM_MESSAGE_MODULE(message)
