// StaticSelectMessage: a section with a static select menu.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "StaticSelectMessage",
    .doc = R"(
        A section with a static select menu of `options` (option texts, (text, value) pairs or
        option dicts), after the text `text_before_option` (a str or None); the menu's action id
        `action_id` and its `placeholder` when given.)",
    .params = {{{.name = &vm::Keys::options},
                {.name = &vm::Keys::text_before_option, .check = vm::str_or_none, .fallback = vm::Default::none},
                vm::own_str(&vm::Keys::action_id),
                vm::own_str(&vm::Keys::placeholder)}},
    .stored = {&vm::Keys::text_before_option, &vm::Keys::options, &vm::Keys::action_id, &vm::Keys::placeholder},
    .base = vm::Base::replaceable_global,
    // The typing names serve the annotations of the Python reading of this class only.
    .imports = {{{"typing", {"Iterable", "Optional"}, true}, {"blocks", {"Section"}}}},
    .blocks = vm::returned_list({&vm::Keys::Section,
                                 &vm::Keys::static_select,
                                 {vm::kw(&vm::Keys::options), vm::kw_as(&vm::Keys::text, &vm::Keys::text_before_option),
                                  vm::kw_given(&vm::Keys::action_id), vm::kw_given(&vm::Keys::placeholder)}}),
    .build_doc = "The blocks of Section.static_select for the current options and text.",
};

VM_MESSAGE_MODULE(message)
