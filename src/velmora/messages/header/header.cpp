// HeaderMessage: a header text, optionally followed by a divider.
#include "velmora/message.hpp"

// The base runs first so that our `header` replaces any the base sets.
constexpr vm::Message message{
    .name = "HeaderMessage",
    .doc = "A message of one header text, followed by a divider unless `divider` is false.",
    .params = {{{.name = &vm::Keys::header, .check = vm::exact_str},
                {.name = &vm::Keys::divider, .fallback = vm::Default::true_}}},
    .imports = {{{"blocks.header", {"Header"}}, {"blocks.divider", {"Divider"}}}},
    // Header.plain_text(self.header), extended by Divider.divider() when self.divider
    .blocks = vm::extended({&vm::Keys::Header, &vm::Keys::plain_text, {vm::pos(&vm::Keys::header)}},
                           {.owner = &vm::Keys::Divider, .method = &vm::Keys::divider, .when = &vm::Keys::divider}),
    .build_doc = "The header block, then a divider when `divider` is true.",
};

VM_MESSAGE_MODULE(message)
