// UsersSelectMessage: a section with a users select menu.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "UsersSelectMessage",
    .doc =
        "UsersSelectMessage(text, **kwargs)\n--\n\n"
        "A section showing `text` with a menu to pick a user.\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}}},
    .base = vm::Base::first_named,
    .imports = {{{"blocks", {"Section"}}}},
    .blocks = vm::returned_list({&Keys::Section, &Keys::users_select, {vm::pos(&Keys::text)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe blocks of Section.users_select for the current text.",
};

}  // namespace

VM_MESSAGE_MODULE("The users select message.", message)
