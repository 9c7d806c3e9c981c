// DatePickersMessage: one actions block of date pickers, one per initial date.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "DatePickersMessage",
    .doc = R"(
        A message of one actions block holding a date picker per date of `initial_dates`
        (YYYY-MM-DD; Actions.datepickers).)",
    .params = {{{.name = &vm::Keys::initial_dates}}},  // any iterable: Actions checks the dates
    .imports = {{{"blocks", {"Actions"}}}},
    .blocks = vm::returned_list({&vm::Keys::Actions, &vm::Keys::datepickers, {vm::kw(&vm::Keys::initial_dates)}}),
    .build_doc = "One actions block with a date picker per initial date.",
};

VM_MESSAGE_MODULE(message)
