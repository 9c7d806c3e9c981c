// DataTableMessage: a DataFrame as one Block Kit data_table block (Table.data_table), which
// Slack's client pages, sorts and filters, with an optional text above.
#include "velmora/table_message.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref;

// df; then, keyword-only, caption (required), page_size, index, text and the options of every
// table.
constexpr auto params = [] {
  std::array<vm::Param, vm::max_params> out{{
      {.name = &Keys::df, .check = vm::check_frame},
      {.name = &Keys::caption, .check = vm::check_caption, .keyword_only = true},
      {.name = &Keys::page_size, .check = vm::check_page_size, .fallback = vm::Default::none, .keyword_only = true},
      {.name = &Keys::index, .fallback = vm::Default::false_, .keyword_only = true},
      {.name = &Keys::text, .check = vm::str_or_none, .fallback = vm::Default::none, .keyword_only = true},
  }};
  std::size_t n = 5;
  for (const vm::Param& option : vm::table_cell_option_params) out[n++] = option;
  return out;
}();
constexpr std::size_t param_count = 5 + vm::table_cell_option_params.size();
constexpr std::size_t passed_count = param_count - 2;  // to Table.data_table by keyword: all but df and text

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
  std::array<Ref, passed_count> held;
  PyObject* args[1 + passed_count] = {df.get()};
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
  Ref names = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(passed_count)));
  if (!names) return false;
  Py_ssize_t j = 0;
  for (std::size_t i = 1; i < param_count; ++i) {
    if (params[i].name != &Keys::text) PyTuple_SET_ITEM(names.get(), j++, Py_NewRef(k.*params[i].name));
  }
  table_keywords.set(std::move(names));
  return true;
}

constexpr vm::Message message{
    .name = "DataTableMessage",
    .doc = R"(
        A message of the DataFrame `df` (pandas, polars or a pyarrow Table) as one Block Kit
        data_table block (Table.data_table, which takes the same keywords), which Slack's client
        pages, sorts and filters: `caption` above it, `page_size` rows a page, the index first when
        `index` is true; below the markdown `text` when given. Every row is built: past Slack's
        limits (200 rows under the header, 20,000 characters) payload(strict=True) refuses the
        table, and payloads() and send(fit=True) split it into data tables of the same caption,
        each opening with the header row, one per message.)",
    .params = params,
    .imports = {{{"blocks", {"Section", "Table"}}}},
    .build_doc = "The text as a markdown section (when not empty), then the data table block.",
    .shown = {&Keys::df, &Keys::caption, &Keys::text},
    .build = build_blocks,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE("The data table message: a DataFrame as a Block Kit data_table block.", message)
