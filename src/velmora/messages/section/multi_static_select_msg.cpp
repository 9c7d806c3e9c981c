// MultiStaticSelectMessage: a section with a multi-select menu.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "MultiStaticSelectMessage",
    .doc = R"(
        A section with a multi-select menu of `options` (as in StaticSelectMessage), after the
        text `text_before_option`; the menu's action id `action_id` and its `placeholder` when
        given.)",
    .params = {{{.name = &vm::Keys::text_before_option, .check = vm::exact_str},
                {.name = &vm::Keys::options},
                vm::own_str(&vm::Keys::action_id),
                vm::own_str(&vm::Keys::placeholder)}},
    .base = vm::Base::replaceable_global,
    // The typing name serves the annotations of the Python reading of this class only.
    .imports = {{{"typing", {"Iterable"}, true}, {"blocks", {"Section"}}}},
    .blocks = vm::returned_list({&vm::Keys::Section,
                                 &vm::Keys::multi_static_select,
                                 {vm::kw_as(&vm::Keys::text, &vm::Keys::text_before_option), vm::kw(&vm::Keys::options),
                                  vm::kw_given(&vm::Keys::action_id), vm::kw_given(&vm::Keys::placeholder)}}),
    .build_doc = "The blocks of Section.multi_static_select for the current text and options.",
};

VM_MESSAGE_MODULE("The multi-select message.", message)
