// SimpleTableMessage: a DataFrame as one Block Kit table block, with an optional text above.
#include "velmora/table_message.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref;

bool import_table(PyObject* module) noexcept {
  if (!vm::import_from_package(module, "blocks.table", {"Table"}) || !vm::import_pandas(module)) return false;
  PyDateTime_IMPORT;
  return PyDateTimeAPI != nullptr;
}

// Section.mrkdwn(self.text), then Table.simple_table(self.df, index=self.index, <option>=...)
// with the options that are not None, both looked up in the module's globals at call time.
Ref build_blocks(PyObject* self) noexcept {
  Ref blocks = vm::empty_list();
  Ref text = vm::get_attr(self, k.text);
  if (!blocks || !text ||
      !vm::extend_blocks(blocks.get(), vm::call(vm::global_attr(k.Section, k.mrkdwn).get(), {text.get()}))) {
    return {};
  }
  Ref table = vm::global_attr(k.Table, k.simple_table);
  Ref df = table ? vm::get_attr(self, k.df) : Ref{};
  Ref index = df ? vm::get_attr(self, k.index) : Ref{};
  vm::HeldOptions held;
  if (!index || !held.read(self)) return {};
  PyObject* args[2 + vm::table_option_count] = {df.get(), index.get()};
  Ref kwnames = Ref::steal(PyList_New(0));
  if (!kwnames || PyList_Append(kwnames.get(), k.index) < 0) return {};
  std::size_t count = 2;
  for (std::size_t i = 0; i < held.values.size(); ++i) {
    if (held.values[i].get() == Py_None) continue;
    if (PyList_Append(kwnames.get(), k.*vm::table_option_keys[i]) < 0) return {};
    args[count++] = held.values[i].get();
  }
  Ref names = Ref::steal(PyList_AsTuple(kwnames.get()));
  if (!names) return {};
  Ref part = Ref::steal(PyObject_Vectorcall(table.get(), args, 1, names.get()));
  return vm::extend_blocks(blocks.get(), std::move(part)) ? std::move(blocks) : Ref{};
}

constexpr vm::Message message = vm::table_message(
    "SimpleTableMessage", &Keys::text,
    "A message of the DataFrame `df` (pandas, polars or a pyarrow Table) as one Block Kit\n"
    "table block (Table.simple_table, which takes the same options), with the index first\n"
    "when `index` is true, below the markdown `text` when given. A frame of more than 99 rows\n"
    "makes one long table: payloads() and send(fit=True) split it into messages of one table\n"
    "of 100 rows each, the header row repeated; payload(strict=True) refuses it.",
    "The text as a markdown section (when not empty), then the table block.", build_blocks, import_table);

}  // namespace

VM_MESSAGE_MODULE("The table message: a DataFrame as a Block Kit table block.", message)
