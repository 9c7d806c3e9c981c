// RadioButtonsMessage: a text, then a group of radio buttons.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "RadioButtonsMessage",
    .doc =
        "RadioButtonsMessage(text, options, **kwargs)\n--\n\n"
        "A message of the markdown `text`, then one radio button per option (Actions.radio_buttons).\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}, {&Keys::options}}},
    .imports = {{{"blocks", {"Section", "Actions"}}}},
    .blocks = vm::text_then({&Keys::Actions, &Keys::radio_buttons, {vm::kw(&Keys::options)}}),
    .build_doc =
        "build_blocks($self, /)\n--\n\n"
        "The text as a markdown section (when not empty), then an actions block of radio buttons.",
};

}  // namespace

VM_MESSAGE_MODULE("The radio buttons message.", message)
