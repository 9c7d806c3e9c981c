// PreformattedMessage: a text shown preformatted, in one rich-text block.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "PreformattedMessage",
    .doc = "A message showing `text` preformatted (monospaced, as typed) in one rich-text block.",
    .params = {{{.name = &vm::Keys::text, .check = vm::exact_str}}},
    .imports = {{{"blocks.preformatted", {"Preformatted"}}}},
    .blocks = vm::returned_list({&vm::Keys::Preformatted, &vm::Keys::text, {vm::pos(&vm::Keys::text)}}),
    .build_doc = "The text as one preformatted rich-text block.",
};

VM_MESSAGE_MODULE("The preformatted message: text shown as typed, in a rich-text block.", message)
