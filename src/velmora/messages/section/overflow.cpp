// OverflowMessage: a section with an overflow menu.
#include "velmora/message.hpp"

constexpr vm::Message message = vm::section_with(
    "OverflowMessage", {.name = &vm::Keys::options, .check = vm::exact_list}, &vm::Keys::overflow,
    "A section showing `text` with an overflow menu of `options` (a list of option texts,\n"
    "(text, value) pairs or option dicts), the menu's action id `action_id` when given.",
    "The blocks of Section.overflow for the current text and options.", {{vm::own_str(&vm::Keys::action_id)}});

VM_MESSAGE_MODULE("The overflow menu message.", message)
