// CheckBoxesMessage: a text, then a group of check boxes (with optional descriptions).
#include "velmora/message.hpp"

constexpr vm::Message message =
    vm::text_then_actions("CheckBoxesMessage",
                          {{{.name = &vm::Keys::options},
                            {.name = &vm::Keys::options_description, .fallback = vm::Default::none},
                            vm::own_str(&vm::Keys::action_id)}},
                          &vm::Keys::checkboxes,
                          "A message of the markdown `text`, then one check box per option (Actions.checkboxes), the\n"
                          "i-th described by the i-th of `options_description` when given, the group's action id\n"
                          "`action_id` when given.",
                          "The text as a markdown section (when not empty), then an actions block of check boxes.");

VM_MESSAGE_MODULE(message)
