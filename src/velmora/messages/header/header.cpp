// HeaderMessage: a header text, optionally followed by a divider.
#include "_core/message.hpp"

namespace {

using vm::Keys;

// The base runs first so that our `header` replaces any the base sets.
constexpr vm::Message message{
    .name = "HeaderMessage",
    .doc =
        "HeaderMessage(header, divider=True, **kwargs)\n--\n\n"
        "A message of one header text, followed by a divider unless `divider` is false.\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::header, vm::exact_str}, {&Keys::divider, nullptr, vm::Default::true_}}},
    .imports = {{{"blocks.header", {"Header"}}, {"blocks.divider", {"Divider"}}}},
    // Header.plain_text(self.header), extended by Divider.divider() when self.divider
    .blocks = vm::extended({&Keys::Header, &Keys::plain_text, {vm::pos(&Keys::header)}},
                           {&Keys::Divider, &Keys::divider, {}, &Keys::divider}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe header block, then a divider when `divider` is true.",
};

}  // namespace

VM_MESSAGE_MODULE("The header message.", message)
