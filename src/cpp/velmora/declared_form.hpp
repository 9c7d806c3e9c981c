// What the message engine reads off a declaration (declare.hpp) at compile time: how many
// parameters and which are positional, the checks that the declaration reads as a Python
// signature, and the docstrings it derives (the class's signature line, build_blocks', the
// module's).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <tuple>

#include "declare.hpp"
#include "signature.hpp"

namespace vm::detail {

template <std::size_t N>
constexpr std::size_t count_set(const std::array<Key, N>& keys) {
  std::size_t n = 0;
  while (n < N && keys[n]) ++n;
  return n;
}

template <const Message& M>
constexpr std::size_t param_count() {
  std::size_t n = 0;
  while (n < M.params.size() && M.params[n].name) ++n;
  return n;
}

// How many parameters may be given by position: those before the first keyword-only one.
template <const Message& M>
constexpr std::size_t positional_count() {
  std::size_t n = 0;
  while (n < param_count<M>() && !M.params[n].keyword_only) ++n;
  return n;
}

// Whether the parameters read as a Python signature may: the keyword-only ones after all the
// positional ones, and no positional one without a default after one with a default.
template <const Message& M>
constexpr bool keyword_only_last() {
  for (std::size_t i = positional_count<M>(); i < param_count<M>(); ++i) {
    if (!M.params[i].keyword_only) return false;
  }
  return true;
}

template <const Message& M>
constexpr bool defaults_last() {
  for (std::size_t i = 1; i < positional_count<M>(); ++i) {
    if (M.params[i].fallback == Default::required && M.params[i - 1].fallback != Default::required) return false;
  }
  return true;
}

// "DatePickerMessage.__init__", for CPython's call errors.
template <const Message& M>
constexpr auto init_name() {
  std::array<char, 80> out{};
  std::size_t n = 0;
  for (const char* c = M.name; *c && n < 68; ++c) out[n++] = *c;
  for (const char* c = ".__init__"; *c; ++c) out[n++] = *c;
  return out;
}

// A str default shows as its repr, 'line', which needs no escape: printable ASCII without a
// quote or a backslash.
constexpr bool plain_text_default(const char* text) {
  for (const char* c = text; *c; ++c) {
    if (*c < ' ' || *c > '~' || *c == '\'' || *c == '\\') return false;
  }
  return true;
}

// Whether every parameter has its str when, and only when, its default is one, and that str
// shows as written.
template <const Message& M>
constexpr bool text_defaults_well_formed() {
  for (const Param& p : M.params) {
    if ((p.fallback == Default::text) != (p.text != nullptr)) return false;
    if (p.text && !plain_text_default(p.text)) return false;
  }
  return true;
}

constexpr void put_param(TextWriter& w, const Param& p) {
  w.put(key_text(p.name));
  if (p.fallback == Default::text) {
    w.put("='");
    w.put(p.text);
    w.put("', ");
    return;
  }
  w.put(p.fallback == Default::none     ? "=None, "
        : p.fallback == Default::true_  ? "=True, "
        : p.fallback == Default::false_ ? "=False, "
                                        : ", ");
}

// Whether `text` holds `part` anywhere.
constexpr bool mentions(std::string_view text, std::string_view part) {
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (text.substr(i, part.size()) == part) return true;
  }
  return false;
}

// The class docstring: "DatePickerMessage(text, initial_date, **kwargs)\n--\n\n", made from the
// parameters (the positional ones, *args or a bare *, the keyword-only ones), then `doc` (see
// put_doc_text), then where the **kwargs go, unless `doc` says so itself by naming BaseVelmora.
// A `doc` that opens with the class's own signature line is taken as written.
template <const Message& M>
constexpr void write_class_doc(TextWriter& w) {
  constexpr std::size_t positional = positional_count<M>();
  std::string_view name = M.name, doc = M.doc;
  if (starts_with(doc, name) && starts_with(doc.substr(name.size()), "(")) return w.put(doc);
  w.put(name);
  w.put("(");
  for (std::size_t i = 0; i < positional; ++i) put_param(w, M.params[i]);
  if constexpr (M.star != nullptr) {
    w.put("*");
    w.put(key_text(M.star));
    w.put(", ");
  } else if (positional < param_count<M>()) {
    w.put("*, ");
  }
  for (std::size_t i = positional; i < param_count<M>(); ++i) put_param(w, M.params[i]);
  w.put("**kwargs)\n--\n\n");
  put_doc_text(w, doc);
  if (!mentions(doc, "BaseVelmora")) w.put("\nOther keyword arguments go to BaseVelmora.");
}

// build_blocks' docstring: its signature line, then `build_doc` (taken as written when it opens
// with one).
template <const Message& M>
constexpr void write_build_doc(TextWriter& w) {
  std::string_view doc = M.build_doc;
  if (!starts_with(doc, "build_blocks(")) put_signature_line(w, "$self", "build_blocks()");
  put_doc_text(w, doc);
}

// The module's docstring, from the class name: "The date picker message." for DatePickerMessage.
template <const Message& M>
constexpr void write_module_doc(TextWriter& w) {
  std::string_view name = M.name;
  if (name.ends_with("Message")) name.remove_suffix(7);
  w.put("The");
  for (char c : name) {
    bool upper = c >= 'A' && c <= 'Z';
    if (upper) w.put(" ");
    char lower = upper ? static_cast<char>(c - 'A' + 'a') : c;
    w.put({&lower, 1});
  }
  w.put(" message.");
}

inline constexpr std::size_t max_args = std::tuple_size_v<decltype(Call::args)>;

// A call's arguments: the positional ones, then the keywords; a star argument alone.
template <const Message& M>
constexpr bool calls_well_formed() {
  for (const Call& c : M.blocks.calls) {
    bool keywords = false;
    for (std::size_t i = 0; i < c.args.size(); ++i) {
      const Arg& arg = c.args[i];
      if (!arg.attr) continue;
      if (arg.star && (i != 0 || c.args[1].attr)) return false;
      if ((keywords && !arg.keyword) || (arg.unless_none && !arg.keyword)) return false;
      keywords = keywords || arg.keyword;
    }
  }
  return true;
}

}  // namespace vm::detail
