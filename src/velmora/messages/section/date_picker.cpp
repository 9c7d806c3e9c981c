// DatePickerMessage: a section with a date picker.
#include "velmora/message.hpp"

constexpr vm::Message message = vm::section_with(
    "DatePickerMessage", {.name = &vm::Keys::initial_date, .check = vm::exact_str}, &vm::Keys::datepicker,
    "A section showing `text` with a date picker set to `initial_date`\n"
    "(YYYY-MM-DD).",
    "The blocks of Section.datepicker for the current text and date.");

VM_MESSAGE_MODULE(message)
