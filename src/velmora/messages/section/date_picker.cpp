// DatePickerMessage: a section with a date picker.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message =
    vm::section_with("DatePickerMessage", {&Keys::initial_date, vm::exact_str}, &Keys::datepicker,
                     "A section showing `text` with a date picker set to `initial_date`\n"
                     "(YYYY-MM-DD). Other keyword arguments go to BaseVelmora.",
                     "The blocks of Section.datepicker for the current text and date.");

}  // namespace

VM_MESSAGE_MODULE(message)
