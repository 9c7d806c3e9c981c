// StaticSelectMessage: a section with a static select menu.
#include "velmora/message.hpp"

constexpr vm::Message message{
    .name = "StaticSelectMessage",
    .doc =
        "A section with a static select menu of `options`, after the text `text_before_option`\n"
        "(a str or None). Other keyword arguments go to BaseVelmora.",
    .params = {{{.name = &vm::Keys::options},
                {.name = &vm::Keys::text_before_option, .check = vm::str_or_none, .fallback = vm::Default::none}}},
    .stored = {&vm::Keys::text_before_option, &vm::Keys::options},
    .base = vm::Base::replaceable_global,
    // The typing names serve the annotations of the Python reading of this class only.
    .imports = {{{"typing", {"Iterable", "Optional"}, true}, {"blocks", {"Section"}}}},
    .blocks =
        vm::returned_list({&vm::Keys::Section,
                           &vm::Keys::static_select,
                           {vm::kw(&vm::Keys::options), vm::kw_as(&vm::Keys::text, &vm::Keys::text_before_option)}}),
    .build_doc = "The blocks of Section.static_select for the current options and text.",
};

VM_MESSAGE_MODULE(message)
