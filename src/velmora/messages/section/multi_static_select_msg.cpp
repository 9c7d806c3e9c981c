// MultiStaticSelectMessage: a section with a multi-select menu.
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "MultiStaticSelectMessage",
    .doc =
        "MultiStaticSelectMessage(text_before_option, options, **kwargs)\n--\n\n"
        "A section with a multi-select menu of `options`, after the text `text_before_option`.\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::text_before_option, vm::exact_str}, {&Keys::options}}},
    .base = vm::Base::first_named,
    // The typing name serves the annotations of the Python reading of this class only.
    .imports = {{{"typing", {"Iterable"}, true}, {"blocks", {"Section"}}}},
    .blocks = vm::returned_list({&Keys::Section,
                                 &Keys::multi_static_select,
                                 {vm::kw_as(&Keys::text, &Keys::text_before_option), vm::kw(&Keys::options)}}),
    .build_doc =
        "build_blocks($self, /)\n--\n\nThe blocks of Section.multi_static_select for the current text and options.",
};

}  // namespace

VM_MESSAGE_MODULE("The multi-select message.", message)
