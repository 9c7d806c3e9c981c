// MarkdownMessage: Markdown text, as Slack's own "markdown" block or as native blocks.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "MarkdownMessage",
    .doc =
        "A message of the Markdown `text`: one \"markdown\" block that Slack renders itself, or with\n"
        "`native` true, the header, rich-text, table, image and divider blocks of\n"
        "velmora.markdown.to_blocks (which needs the markdown extra). Other keyword arguments go\n"
        "to BaseVelmora.",
    .params = {{{&vm::Keys::text, vm::exact_str}, {&vm::Keys::native, nullptr, vm::Default::false_}}},
    .imports = {{{"blocks.markdown", {"Markdown"}}, {"", {"markdown"}}}},
    // Markdown.markdown(self.text) unless self.native, else markdown.to_blocks(self.text)
    .blocks = {{vm::Call{&vm::Keys::Markdown, &vm::Keys::markdown, {vm::pos(&vm::Keys::text)}, &vm::Keys::native, true},
                vm::Call{&vm::Keys::markdown, &vm::Keys::to_blocks, {vm::pos(&vm::Keys::text)}, &vm::Keys::native}},
               vm::Join::concat},
    .build_doc = "One markdown block of the text, or with `native`, the blocks of markdown.to_blocks.",
};

VM_MESSAGE_MODULE("The Markdown message.", message)
