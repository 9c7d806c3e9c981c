// Docstrings with a text signature, composed at compile time.
//
// CPython reads a builtin's parameters from the first line of its docstring,
// "name($cls, /, text, *, block_id=None)\n--\n\n": that line gives `__text_signature__`,
// `inspect.signature` and help(). Declarations write the signature as Python callers see it,
// "Section.plain_text(text, *, block_id=None)", and the doc text; the name and the full
// docstring are derived here (and the parameter list that binds a call, by vm::params in
// args.hpp), so that nothing is written twice.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vm {

// A string literal as a template argument: vm::builder<f, "f(text)", "Doc.">.
template <std::size_t N>
struct Literal {
  char chars[N]{};
  constexpr Literal(const char (&text)[N]) noexcept {  // implicit, as the literal is written
    for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
  }
  constexpr std::string_view view() const noexcept { return {chars, N - 1}; }
};

// Writes text at compile time; with no buffer it only counts, so that a text can be sized
// first and written second by the same function (see composed()).
struct TextWriter {
  char* out = nullptr;
  std::size_t size = 0;

  constexpr void put(std::string_view text) noexcept {
    for (char c : text) {
      if (out) out[size] = c;
      ++size;
    }
  }
};

// The NUL-terminated text that `Write` writes, as a constant array.
template <void (*Write)(TextWriter&)>
constexpr auto composed() {
  constexpr std::size_t size = [] {
    TextWriter counter;
    Write(counter);
    return counter.size;
  }();
  std::array<char, size + 1> text{};
  TextWriter writer{text.data()};
  Write(writer);
  return text;
}

constexpr bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The position of the first `c` in `text`, or its size. (A loop rather than string_view::find,
// which GCC cannot evaluate on a template argument's characters under -fsanitize=undefined.)
constexpr std::size_t index_of(std::string_view text, char c) noexcept {
  std::size_t i = 0;
  while (i < text.size() && text[i] != c) ++i;
  return i;
}

// The parameters of `params` ("a, b='x, y', *, c=(1, 2)") one by one: `each(part)` for the
// text between two commas outside quotes and brackets, without its spaces.
template <class Each>
constexpr void each_param(std::string_view params, Each&& each) {
  char quote = 0;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= params.size(); ++i) {
    char c = i < params.size() ? params[i] : ',';
    if (quote) {
      if (c == '\\') {
        ++i;
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    depth += (c == '(' || c == '[' || c == '{') - (c == ')' || c == ']' || c == '}');
    if (c != ',' || depth != 0) continue;
    std::string_view part = params.substr(start, i - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty()) each(part);
    start = i + 1;
  }
}

// What stands between the parentheses of "name(params)".
constexpr std::string_view params_text(std::string_view signature) {
  std::size_t open = index_of(signature, '(');
  return signature.substr(open + 1, signature.size() - open - 2);
}

// The name a signature gives: "static_select" for "Section.static_select(options)" (whose
// callable is shown as Section.static_select in call errors), "escape" for "escape(text)".
constexpr std::string_view shown_name(std::string_view signature) {
  std::string_view name = signature.substr(0, index_of(signature, '('));
  std::size_t dot = name.size();
  while (dot > 0 && name[dot - 1] != '.') --dot;
  return name.substr(dot);
}

namespace detail {

// Whether `params` ("a, b, /" or "a, *, b='/'") has a positional-only marker of its own.
constexpr bool has_own_slash(std::string_view params) {
  bool found = false;
  each_param(params, [&](std::string_view part) { found = found || part == "/"; });
  return found;
}

constexpr bool well_formed(std::string_view signature) {
  std::size_t open = index_of(signature, '(');
  return open != 0 && open != signature.size() && signature.back() == ')';
}

}  // namespace detail

// "name(<receiver>, /, params)\n--\n\n" for `signature` "name(params)" (or "Class.name(params)");
// where the parameters hold a "/" of their own, none is added.
constexpr void put_signature_line(TextWriter& w, std::string_view receiver, std::string_view signature) {
  std::string_view params = params_text(signature);
  w.put(shown_name(signature));
  w.put("(");
  w.put(receiver);
  w.put(params.empty() ? ", /" : (detail::has_own_slash(params) ? ", " : ", /, "));
  w.put(params);
  w.put(")\n--\n\n");
}

// Writes a doc text. One written as a raw string starting on a line of its own,
//   R"(
//       First line.
//       Second line.)"
// loses that first line break and the indentation its lines share, as Python's inspect.cleandoc
// would take them off; any other text is written as it stands.
constexpr void put_doc_text(TextWriter& w, std::string_view text) {
  if (text.empty() || text.front() != '\n') {
    w.put(text);
    return;
  }
  text.remove_prefix(1);
  std::size_t indent = text.size();
  for (std::string_view rest = text; !rest.empty();) {
    std::size_t end = index_of(rest, '\n');
    std::string_view line = rest.substr(0, end);
    std::size_t spaces = 0;
    while (spaces < line.size() && line[spaces] == ' ') ++spaces;
    if (spaces < line.size() && spaces < indent) indent = spaces;
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
  }
  for (std::string_view rest = text; !rest.empty();) {
    std::size_t end = index_of(rest, '\n');
    std::string_view line = rest.substr(0, end);
    w.put(line.substr(line.size() < indent ? line.size() : indent));
    if (end < rest.size()) w.put("\n");
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
  }
}

// The docstring of a callable declared as `Signature` ("name(params)" or "Class.name(params)")
// and `Text`, opening with its signature line for `Receiver` ("$cls", "$module" or "$self"), and
// its name.
template <Literal Receiver, Literal Signature, Literal Text>
struct Documented {
  static_assert(detail::well_formed(Signature.view()), "a signature reads name(parameters)");

  static constexpr void write(TextWriter& w) {
    put_signature_line(w, Receiver.view(), Signature.view());
    put_doc_text(w, Text.view());
  }
  static constexpr void write_name(TextWriter& w) { w.put(shown_name(Signature.view())); }

  static constexpr auto doc = composed<write>();
  static constexpr auto name = composed<write_name>();
};

}  // namespace vm
