// RichTextMessage: one rich-text block of sections, lists, quotes and code.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "RichTextMessage",
    .doc =
        "RichTextMessage(*parts, **kwargs)\n--\n\n"
        "A message of one rich-text block holding `parts` (RichText.block): RichText sections,\n"
        "lists, quotes and preformatted code, a str standing for a section of that text.\n"
        "Other keyword arguments go to BaseVelmora.",
    .star = &Keys::parts,
    .imports = {{{"blocks.rich_text", {"RichText"}}}},
    .blocks = vm::returned_list({&Keys::RichText, &Keys::block, {vm::star(&Keys::parts)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe rich-text block of RichText.block(*parts).",
    .shown = {&Keys::parts},
};

}  // namespace

VM_MESSAGE_MODULE("The rich-text message.", message)
