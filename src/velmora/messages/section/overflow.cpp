// OverflowMessage: a section with an overflow menu.
#include "velmora/message.hpp"

constexpr vm::Message message =
    vm::section_with("OverflowMessage", {.name = &vm::Keys::options, .check = vm::exact_list}, &vm::Keys::overflow,
                     "A section showing `text` with an overflow menu of `options` (a list).\n"
                     "Other keyword arguments go to BaseVelmora.",
                     "The blocks of Section.overflow for the current text and options.");

VM_MESSAGE_MODULE("The overflow menu message.", message)
