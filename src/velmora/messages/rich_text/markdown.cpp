// MarkdownMessage: Markdown text, as Slack's own "markdown" block or as native blocks.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "MarkdownMessage",
    .doc =
        "MarkdownMessage(text, native=False, **kwargs)\n--\n\n"
        "A message of the Markdown `text`: one \"markdown\" block that Slack renders itself, or with\n"
        "`native` true, the header, rich-text, table, image and divider blocks of\n"
        "velmora.markdown.to_blocks (which needs the markdown extra). Other keyword arguments go\n"
        "to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}, {&Keys::native, nullptr, vm::Default::false_}}},
    .imports = {{{"blocks.markdown", {"Markdown"}}, {"", {"markdown"}}}},
    // Markdown.markdown(self.text) unless self.native, else markdown.to_blocks(self.text)
    .blocks = {{vm::Call{&Keys::Markdown, &Keys::markdown, {vm::pos(&Keys::text)}, &Keys::native, true},
                vm::Call{&Keys::markdown, &Keys::to_blocks, {vm::pos(&Keys::text)}, &Keys::native}},
               vm::Join::concat},
    .build_doc =
        "build_blocks($self, /)\n--\n\n"
        "One markdown block of the text, or with `native`, the blocks of markdown.to_blocks.",
};

}  // namespace

VM_MESSAGE_MODULE("The Markdown message.", message)
