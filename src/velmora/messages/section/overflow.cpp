// OverflowMessage: a section with an overflow menu.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "OverflowMessage",
    .doc =
        "OverflowMessage(text, options, **kwargs)\n--\n\n"
        "A section showing `text` with an overflow menu of `options` (a list).\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}, {&Keys::options, vm::exact_list}}},
    .base = vm::Base::first_named,
    .imports = {{{"blocks", {"Section"}}}},
    .blocks = vm::returned({&Keys::Section, &Keys::overflow, {vm::kw(&Keys::text), vm::kw(&Keys::options)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe blocks of Section.overflow for the current text and options.",
};

}  // namespace

VM_MESSAGE_MODULE("The overflow menu message.", message)
