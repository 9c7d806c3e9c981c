// The table options of the two table messages (SimpleTableMessage, DataFrameMessage): keyword
// arguments of their own, checked when the message is made and kept as attributes.
#pragma once

#include <array>

#include "frame_text.hpp"
#include "message.hpp"
#include "table_options.hpp"

namespace vm {

// The message's `consume` hook: takes the option keywords out of `given` into attributes
// (None when not given), after checking them; the rest goes to the base. Internal linkage, so
// that its address is a constant the message declaration can test (`if constexpr`) in every build.
[[maybe_unused]] static Ref take_table_options(PyObject* self, PyObject* given) noexcept {
  Ref rest = Ref::steal(PyDict_Copy(given));
  if (!rest) return {};
  std::array<PyObject*, table_option_count> values{};
  for (std::size_t i = 0; i < table_option_keys.size(); ++i) {
    PyObject* name = k.*table_option_keys[i];
    PyObject* value = PyDict_GetItemWithError(given, name);
    if (!value && PyErr_Occurred()) return {};
    values[i] = value ? value : Py_None;
    if (value && PyDict_DelItem(rest.get(), name) < 0) return {};
  }
  if (!check_table_options(TableOptions::from(values.data()))) return {};
  for (std::size_t i = 0; i < table_option_keys.size(); ++i) {
    if (!set_attr(self, k.*table_option_keys[i], values[i])) return {};
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
// arguments: the declaration both table messages share.
constexpr Message table_message(const char* name, Key label, const char* doc, const char* build_doc,
                                Ref (*build)(PyObject*) noexcept, bool (*setup)(PyObject*) noexcept) {
  return {.name = name,
          .doc = doc,
          .params = {{{.name = &Keys::df, .check = check_frame},
                      {.name = label, .check = str_or_none, .fallback = Default::none},
                      {.name = &Keys::index, .fallback = Default::false_}}},
          .imports = {{{"blocks", {"Section"}}}},
          .build_doc = build_doc,
          .consume = take_table_options,
          .build = build,
          .setup = setup};
}

}  // namespace vm
