// UsersSelectMessage: a section with a users select menu.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "UsersSelectMessage",
    .doc = "A section showing `text` with a menu to pick a user.",
    .params = {{{.name = &vm::Keys::text, .check = vm::exact_str}}},
    .base = vm::Base::replaceable_global,
    .imports = {{{"blocks", {"Section"}}}},
    .blocks = vm::returned_list({&vm::Keys::Section, &vm::Keys::users_select, {vm::pos(&vm::Keys::text)}}),
    .build_doc = "The blocks of Section.users_select for the current text.",
};

VM_MESSAGE_MODULE(message)
