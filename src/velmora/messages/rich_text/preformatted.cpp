// PreformattedMessage: a text shown preformatted, in one rich-text block.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "PreformattedMessage",
    .doc =
        "PreformattedMessage(text, **kwargs)\n--\n\n"
        "A message showing `text` preformatted (monospaced, as typed) in one rich-text block.\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}}},
    .imports = {{{"blocks.preformatted", {"Preformatted"}}}},
    .blocks = vm::returned_list({&Keys::Preformatted, &Keys::text, {vm::pos(&Keys::text)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe text as one preformatted rich-text block.",
};

}  // namespace

VM_MESSAGE_MODULE("The preformatted message: text shown as typed, in a rich-text block.", message)
