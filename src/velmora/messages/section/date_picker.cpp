// DatePickerMessage: a section with a date picker.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "DatePickerMessage",
    .doc =
        "DatePickerMessage(text, initial_date, **kwargs)\n--\n\n"
        "A section showing `text` with a date picker set to `initial_date`\n"
        "(YYYY-MM-DD). Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}, {&Keys::initial_date, vm::exact_str}}},
    .base = vm::Base::first_named,
    .imports = {{{"blocks", {"Section"}}}},
    .blocks = vm::returned({&Keys::Section, &Keys::datepicker, {vm::kw(&Keys::text), vm::kw(&Keys::initial_date)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe blocks of Section.datepicker for the current text and date.",
};

}  // namespace

VM_MESSAGE_MODULE("The date picker message.", message)
