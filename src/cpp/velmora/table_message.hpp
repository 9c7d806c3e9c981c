// The table messages' keyword-only parameters (the table options; a data table's caption and
// page size): keyword arguments of their own, checked when the message is made and kept as
// attributes.
#pragma once

#include <array>

#include "frame_text.hpp"
#include "message.hpp"
#include "table_options.hpp"

namespace vm {

// A keyword-only parameter a table message reads itself: its check (of None too, when it is
// optional) and its default.
struct Keyword {
  Key name;
  Check check = nullptr;
  Default fallback = Default::none;
};

// The keyword-only parameters of `func` ("DataTableMessage.__init__") that it reads itself.
template <std::size_t N>
struct Keywords {
  const char* func;
  std::array<Keyword, N> list;
};

// The table options as keyword-only parameters, in order.
inline constexpr std::array<Keyword, table_option_count> table_option_keywords{{
#define VM_TABLE_OPTION_KEYWORD(key, name, type, tables, check) {&Keys::key, check, Default::none},
    VM_TABLE_OPTIONS(VM_TABLE_OPTION_KEYWORD)
#undef VM_TABLE_OPTION_KEYWORD
}};

// The options of every table (those a data table takes) as keyword-only parameters, in order.
inline constexpr std::array<Keyword, table_cell_option_keys.size()> table_cell_option_keywords{{
#define VM_TABLE_CELL_KEYWORD(key, name, type, tables, check) \
  VM_TABLE_OPTION_IF_##tables({&Keys::key, check, Default::none}, )
    VM_TABLE_OPTIONS(VM_TABLE_CELL_KEYWORD)
#undef VM_TABLE_CELL_KEYWORD
}};

[[gnu::cold]] inline void raise_missing_keyword(const char* func, Key name) noexcept {
  PyErr_Format(PyExc_TypeError, "%s() missing 1 required keyword-only argument: '%s'", func, key_text(name));
}

// A message's `consume` hook: takes the keywords `K` lists out of `given` into attributes (their
// default when not given), after checking them all; the rest goes to the base.
template <const auto& K>
Ref take_keywords(PyObject* self, PyObject* given) {
  constexpr std::size_t n = K.list.size();
  Ref rest = Ref::steal(PyDict_Copy(given));
  if (!rest) return {};
  std::array<Ref, n> values;
  for (std::size_t i = 0; i < n; ++i) {
    const Keyword& p = K.list[i];
    PyObject* value = PyDict_GetItemWithError(given, k.*p.name);
    if (!value && PyErr_Occurred()) return {};
    if (!value && p.fallback == Default::required) {
      raise_missing_keyword(K.func, p.name);
      return {};
    }
    values[i] = Ref::borrow(value ? value : detail::default_value(p.fallback));
    if (value && PyDict_DelItem(rest.get(), k.*p.name) < 0) return {};
  }
  for (std::size_t i = 0; i < n; ++i) {
    const Keyword& p = K.list[i];
    if (p.check && !p.check(values[i].get(), key_text(p.name))) return {};
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!set_attr(self, k.*K.list[i].name, values[i].get())) return {};
  }
  return rest;
}

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
  for (const Keyword& option : table_option_keywords) m.params[n++] = {option.name, option.check, Default::none, true};
  return m;
}

}  // namespace vm
