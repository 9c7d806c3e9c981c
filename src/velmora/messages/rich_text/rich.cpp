// RichTextMessage: one rich-text block of sections, lists, quotes and code.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "RichTextMessage",
    .doc = R"(
        A message of one rich-text block holding `parts` (RichText.block): RichText sections,
        lists, quotes and preformatted code, a str standing for a section of that text.)",
    .star = &vm::Keys::parts,
    .imports = {{{"blocks.rich_text", {"RichText"}}}},
    .blocks = vm::returned_list({&vm::Keys::RichText, &vm::Keys::block, {vm::star(&vm::Keys::parts)}}),
    .build_doc = "The rich-text block of RichText.block(*parts).",
    .shown = {&vm::Keys::parts},
};

VM_MESSAGE_MODULE("The rich-text message.", message)
