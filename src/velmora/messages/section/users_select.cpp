// UsersSelectMessage: a section with a users select menu.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "UsersSelectMessage",
    .doc = "UsersSelectMessage(text, **kwargs)\n--\n\n"
           "A section showing `text` with a menu to pick a user.\n"
           "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str}}},
    .base = vm::Base::first_named,
    .imports = {{{"blocks", {"Section"}}}},
    // Section.users_select(self.text): the one argument goes by position
    .calls = {{{&Keys::Section, &Keys::users_select, {{{&Keys::text}}}}}},
    .list_result = true,
    .build_doc = "build_blocks($self, /)\n--\n\nThe blocks of Section.users_select for the current text.",
};

}  // namespace

VM_MESSAGE_MODULE("The users select message.", message)
