// SimpleTableMessage: a DataFrame as one Block Kit table block, with an optional text above.
#include "_core/compose.hpp"
#include "_core/core.hpp"
#include "_core/frames.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global message_class;
vm::Global index_keyword;  // ("index",)

constexpr vm::Params<3> init_params{"SimpleTableMessage.__init__", {&Keys::df, &Keys::text, &Keys::index}, 1};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  return vm::init_frame_message(message_class.get(), self, args, kwargs, init_params, "text");
}

// Section.mrkdwn(self.text) + Table.simple_table(self.df, index=self.index)
Ref build_blocks(PyObject* self) {
  Ref blocks = vm::empty_list();
  if (!blocks) return {};
  Ref text = vm::get_attr(self, k.text);
  if (!vm::extend_blocks(blocks.get(), vm::call_builder(k.Section, k.mrkdwn, {text.get()}))) return {};
  Ref df = vm::get_attr(self, k.df);
  Ref index = df ? vm::get_attr(self, k.index) : Ref{};
  Ref table = vm::call_builder(k.Table, k.simple_table, {df.get(), index.get()}, index_keyword.get());
  return vm::extend_blocks(blocks.get(), std::move(table)) ? std::move(blocks) : Ref{};
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The text as a markdown section (when not empty), then the table block."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks.table", 3, {"Table"}) || !vm::import_pandas(module) ||
      !vm::import_from(module, "blocks", 3, {"Section"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  index_keyword.set(vm::keyword_tuple({k.index}));
  if (!index_keyword.get()) return -1;
  return vm::add_message_class(
      module, "velmora.messages.table.simple_table.SimpleTableMessage",
      "SimpleTableMessage(df, text=None, index=False, **kwargs)\n--\n\n"
      "A message of the pandas DataFrame `df` as one Block Kit table block (Table.simple_table),\n"
      "with the index as first column when `index` is true, below the markdown `text` when given.\n"
      "Other keyword arguments go to BaseVelmora.",
      vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The table message: a DataFrame as a Block Kit table block.", setup)
