// StaticSelectMessage: a section with a static select menu.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "StaticSelectMessage",
    .doc =
        "StaticSelectMessage(options, text_before_option=None, **kwargs)\n--\n\n"
        "A section with a static select menu of `options`, after the text `text_before_option`\n"
        "(a str or None). Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::options}, {&Keys::text_before_option, vm::str_or_none, vm::Default::none}}},
    .stored = {&Keys::text_before_option, &Keys::options},
    .base = vm::Base::first_named,
    // The typing names serve the annotations of the Python reading of this class only.
    .imports = {{{"typing", {"Iterable", "Optional"}, true}, {"blocks", {"Section"}}}},
    .blocks = vm::returned_list({&Keys::Section,
                                 &Keys::static_select,
                                 {vm::kw(&Keys::options), vm::kw_as(&Keys::text, &Keys::text_before_option)}}),
    .build_doc = "build_blocks($self, /)\n--\n\nThe blocks of Section.static_select for the current options and text.",
};

}  // namespace

VM_MESSAGE_MODULE("The static select message.", message)
