// SimpleTableMessage: a DataFrame as one Block Kit table block, with an optional text above.
#include "_core/frames.hpp"
#include "_core/message.hpp"

namespace {

using vm::Keys;

bool import_table(PyObject* module) noexcept {
  return vm::import_from_package(module, "blocks.table", {"Table"}) && vm::import_pandas(module);
}

constexpr vm::Message message{
    .name = "SimpleTableMessage",
    .doc =
        "SimpleTableMessage(df, text=None, index=False, **kwargs)\n--\n\n"
        "A message of the pandas DataFrame `df` as one Block Kit table block (Table.simple_table),\n"
        "with the index as first column when `index` is true, below the markdown `text` when given.\n"
        "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::df, vm::check_frame},
                {&Keys::text, vm::str_or_none, vm::Default::none},
                {&Keys::index, nullptr, vm::Default::false_}}},
    .imports = {{{"blocks", {"Section"}}}},
    .blocks = vm::text_then({&Keys::Table, &Keys::simple_table, {vm::pos(&Keys::df), vm::kw(&Keys::index)}}),
    .build_doc =
        "build_blocks($self, /)\n--\n\n"
        "The text as a markdown section (when not empty), then the table block.",
    .setup = import_table,
};

}  // namespace

VM_MESSAGE_MODULE("The table message: a DataFrame as a Block Kit table block.", message)
