// RadioButtonsMessage: a text, then a group of radio buttons.
#include "velmora/message.hpp"

constexpr vm::Message message = vm::text_then_actions(
    "RadioButtonsMessage", {{{.name = &vm::Keys::options}, vm::own_str(&vm::Keys::action_id)}},
    &vm::Keys::radio_buttons,
    "A message of the markdown `text`, then one radio button per option (Actions.radio_buttons),\n"
    "the group's action id `action_id` when given.",
    "The text as a markdown section (when not empty), then an actions block of radio buttons.");

VM_MESSAGE_MODULE(message)
