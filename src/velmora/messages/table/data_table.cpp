// DataTableMessage: a DataFrame as one Block Kit data_table block (Table.data_table), which
// Slack's client pages, sorts and filters, with an optional text above.
#include "velmora/table_message.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// caption (required), page_size, index and text, then the options of every table: keyword-only.
constexpr auto keywords = [] {
  constexpr std::array<vm::Keyword, 4> head{{{&Keys::caption, vm::check_caption, vm::Default::required},
                                             {&Keys::page_size, vm::check_page_size},
                                             {&Keys::index, nullptr, vm::Default::false_},
                                             {&Keys::text, vm::str_or_none}}};
  vm::Keywords<head.size() + vm::table_cell_option_keywords.size()> out{"DataTableMessage.__init__", {}};
  std::size_t n = 0;
  for (const vm::Keyword& p : head) out.list[n++] = p;
  for (const vm::Keyword& p : vm::table_cell_option_keywords) out.list[n++] = p;
  return out;
}();

vm::Global table_keywords;  // the keywords but text, as the names of Table.data_table's keyword arguments

// Section.mrkdwn(self.text), then Table.data_table(self.df, caption=self.caption, ...) with every
// keyword the message holds but text, both looked up in the module's globals at call time.
Ref build_blocks(PyObject* self) {
  Ref blocks = vm::empty_list();
  Ref text = blocks ? vm::get_attr(self, k.text) : Ref{};
  if (!text || !vm::extend_blocks(blocks.get(), vm::call(vm::global_attr(k.Section, k.mrkdwn).get(), {text.get()}))) {
    return {};
  }
  Ref table = vm::global_attr(k.Table, k.data_table);
  Ref df = table ? vm::get_attr(self, k.df) : Ref{};
  if (!df) return {};
  PyObject* names = table_keywords.get();
  std::array<Ref, keywords.list.size()> held;
  PyObject* args[1 + keywords.list.size()] = {df.get()};
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(names); ++i) {
    held[static_cast<std::size_t>(i)] = vm::get_attr(self, PyTuple_GET_ITEM(names, i));
    if (!held[static_cast<std::size_t>(i)]) return {};
    args[i + 1] = held[static_cast<std::size_t>(i)].get();
  }
  Ref part = Ref::steal(PyObject_Vectorcall(table.get(), args, 1, names));
  return vm::extend_blocks(blocks.get(), std::move(part)) ? std::move(blocks) : Ref{};
}

bool setup(PyObject*) {
  if (!vm::load_pandas()) return false;
  Ref names = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(keywords.list.size() - 1)));
  if (!names) return false;
  Py_ssize_t j = 0;
  for (const vm::Keyword& p : keywords.list) {
    if (p.name != &Keys::text) PyTuple_SET_ITEM(names.get(), j++, Py_NewRef(k.*p.name));
  }
  table_keywords.set(std::move(names));
  return true;
}

constexpr vm::Message message{
    .name = "DataTableMessage",
    .doc = "DataTableMessage(df, *, caption, page_size=None, index=False, text=None" VM_TABLE_CELL_SIGNATURE
           ", **kwargs)\n--\n\n"
           "A message of the DataFrame `df` (pandas, polars or a pyarrow Table) as one Block Kit\n"
           "data_table block (Table.data_table, which takes the same keywords), which Slack's client\n"
           "pages, sorts and filters: `caption` above it, `page_size` rows a page, the index first when\n"
           "`index` is true; below the markdown `text` when given. Every row is built: past Slack's\n"
           "limits (200 rows under the header, 20,000 characters) payload(strict=True) refuses the\n"
           "table, and payloads() and send(fit=True) split it into data tables of the same caption,\n"
           "each opening with the header row, one per message.\n"
           "Other keyword arguments go to BaseVelmora.",
    .params = {{{&Keys::df, vm::check_frame}}},
    .imports = {{{"blocks", {"Section", "Table"}}}},
    .build_doc = "The text as a markdown section (when not empty), then the data table block.",
    .shown = {&Keys::df, &Keys::caption, &Keys::text},
    .consume = vm::take_keywords<keywords>,
    .build = build_blocks,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE("The data table message: a DataFrame as a Block Kit data_table block.", message)
