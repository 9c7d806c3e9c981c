// The table messages' keyword-only parameters: the table options, declared from their one
// table (VM_TABLE_OPTIONS), each with its check, kept as attributes.
#pragma once

#include <array>

#include "frame_text.hpp"
#include "message.hpp"
#include "table_options.hpp"

namespace vm {

// The table options as keyword-only parameters (None when not given), in order: all of them,
// and those of every table (the ones a data table takes).
inline constexpr std::array<Param, table_option_count> table_option_params{{
#define VM_TABLE_OPTION_PARAM_DECL(key, spelt, type, tables, checked) \
  {.name = &Keys::key, .check = (checked), .fallback = Default::none, .keyword_only = true},
    VM_TABLE_OPTIONS(VM_TABLE_OPTION_PARAM_DECL)
#undef VM_TABLE_OPTION_PARAM_DECL
}};

inline constexpr std::array<Param, table_cell_option_keys.size()> table_cell_option_params{{
#define VM_TABLE_CELL_PARAM_DECL(key, spelt, type, tables, checked) \
  VM_TABLE_OPTION_IF_##tables(                                      \
      {.name = &Keys::key, .check = (checked), .fallback = Default::none, .keyword_only = true}, )
    VM_TABLE_OPTIONS(VM_TABLE_CELL_PARAM_DECL)
#undef VM_TABLE_CELL_PARAM_DECL
}};

// The options as a message holds them: its attributes, held while it builds.
struct HeldOptions {
  std::array<Ref, table_option_count> values;

  bool read(PyObject* self) noexcept {
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i] = get_attr(self, k.*table_option_keys[i]);
      if (!values[i]) return false;
    }
    return true;
  }
  TableOptions options() const noexcept {
    std::array<PyObject*, table_option_count> borrowed;
    for (std::size_t i = 0; i < values.size(); ++i) borrowed[i] = values[i].get();
    return TableOptions::from(borrowed.data());
  }
};

// A message of the DataFrame `df` below an optional markdown `label` (exactly a str, or None),
// with the index levels first when `index` is true, and the table options as keyword-only
// parameters: the declaration both table messages share.
constexpr Message table_message(const char* name, Key label, const char* doc, const char* build_doc,
                                Ref (*build)(PyObject*), bool (*setup)(PyObject*)) {
  Message m{.name = name,
            .doc = doc,
            .params = {{{&Keys::df, check_frame},
                        {label, str_or_none, Default::none},
                        {&Keys::index, nullptr, Default::false_}}},
            .imports = {{{"blocks", {"Section"}}}},
            .build_doc = build_doc,
            .shown = {&Keys::df, label, &Keys::index},  // the repr and __match_args__ leave the options out
            .build = build,
            .setup = setup};
  std::size_t n = 3;
  for (const Param& option : table_option_params) m.params[n++] = option;
  return m;
}

}  // namespace vm
