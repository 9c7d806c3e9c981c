// CheckBoxesMessage: a text, then a group of check boxes (with optional descriptions).
#include "_core/message.hpp"

namespace {

using vm::Keys;

constexpr vm::Message message{
    .name = "CheckBoxesMessage",
    .doc =
        "CheckBoxesMessage(text, options, options_description=None, **kwargs)\n--\n\n"
        "A message of the markdown `text`, then one check box per option (Actions.checkboxes), the\n"
        "i-th described by the i-th of `options_description` when given. Other keyword arguments\n"
        "go to BaseVelmora.",
    .params = {{{&Keys::text, vm::exact_str},
                {&Keys::options},
                {&Keys::options_description, nullptr, vm::Default::none}}},
    .imports = {{{"blocks", {"Section", "Actions"}}}},
    .blocks = vm::text_then(
        {&Keys::Actions, &Keys::checkboxes, {vm::kw(&Keys::options), vm::kw(&Keys::options_description)}}),
    .build_doc =
        "build_blocks($self, /)\n--\n\n"
        "The text as a markdown section (when not empty), then an actions block of check boxes.",
};

}  // namespace

VM_MESSAGE_MODULE("The check boxes message.", message)
