// MarkdownMessage: Markdown text, as Slack's own "markdown" block or as native blocks.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "MarkdownMessage",
    .doc = R"(
        A message of the Markdown `text`: one "markdown" block that Slack renders itself, or with
        `native` true, the header, rich-text, table, image and divider blocks of
        velmora.markdown.to_blocks (which needs the markdown extra). Other keyword arguments go
        to BaseVelmora.)",
    .params = {{{.name = &vm::Keys::text, .check = vm::exact_str},
                {.name = &vm::Keys::native, .fallback = vm::Default::false_}}},
    .imports = {{{"blocks.markdown", {"Markdown"}}, {"", {"markdown"}}}},
    // Markdown.markdown(self.text) unless self.native, else markdown.to_blocks(self.text)
    .blocks = vm::concatenated({.owner = &vm::Keys::Markdown,
                                .method = &vm::Keys::markdown,
                                .args = {vm::pos(&vm::Keys::text)},
                                .unless = &vm::Keys::native},
                               {.owner = &vm::Keys::markdown,
                                .method = &vm::Keys::to_blocks,
                                .args = {vm::pos(&vm::Keys::text)},
                                .when = &vm::Keys::native}),
    .build_doc = "One markdown block of the text, or with `native`, the blocks of markdown.to_blocks.",
};

VM_MESSAGE_MODULE("The Markdown message.", message)
