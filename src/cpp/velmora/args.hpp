// Argument binding for METH_FASTCALL | METH_KEYWORDS builders and for tp_init, with
// CPython's usual call errors. Parameters are matched by identity of the interned
// name first, by value second.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "keys.hpp"
#include "signature.hpp"

namespace vm {

using Key = PyObject* Keys::*;

// A parameter list: `func` names the callable in messages ("Section.plain_text"),
// and the first `required` parameters have no default. Only the first `positional` may be
// given by position (the rest are keyword-only); with `star`, positional arguments beyond
// them are the callable's own `*args`, left in the vector for it to read. A keyword-only
// parameter without a default that follows one with a default (`f(a, *, b=None, c)`) has its
// bit in `required_keywords` (bit i for names[i]).
template <std::size_t N>
struct Params {
  static_assert(N <= 64, "at most 64 parameters");
  const char* func;
  std::array<Key, N> names;
  std::size_t required;
  std::size_t positional = N;
  bool star = false;
  std::uint64_t required_keywords = 0;

  constexpr bool is_required(std::size_t i) const noexcept {
    return i < required || ((required_keywords >> i) & 1U) != 0;
  }
};

// Bound values, borrowed from the call; nullptr where a parameter was not given.
template <std::size_t N>
using Bound = std::array<PyObject*, N>;

namespace detail {

template <std::size_t N>
Py_ssize_t find_param(const Params<N>& params, PyObject* name) noexcept {
  for (std::size_t i = 0; i < N; ++i) {
    if (k.*params.names[i] == name) return static_cast<Py_ssize_t>(i);
  }
  // The names are interned: an interned name that is none of them equals none of them.
  if (PyUnicode_CheckExact(name) && PyUnicode_CHECK_INTERNED(name)) return -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (PyUnicode_Compare(k.*params.names[i], name) == 0) return static_cast<Py_ssize_t>(i);
  }
  return -1;
}

// CPython's call errors, in its words (args.cpp).
[[gnu::cold]] void raise_too_many(const char* func, std::size_t max, std::size_t required, Py_ssize_t given) noexcept;
// "f() missing 2 required positional arguments: 'a' and 'b'" (or "keyword-only" arguments).
[[gnu::cold]] void raise_missing(const char* func, PyObject* const* names, std::size_t count,
                                 const char* kind = "positional") noexcept;
[[gnu::cold]] void raise_unexpected(const char* func, PyObject* name) noexcept;
[[gnu::cold]] void raise_duplicate(const char* func, PyObject* name) noexcept;

// The required parameters not given: the positional ones first, as CPython reports them; the
// keyword-only ones only when no positional one is missing.
template <std::size_t N>
bool check_required(const Params<N>& params, const Bound<N>& out) noexcept {
  PyObject* missing[N > 0 ? N : 1];
  std::size_t count = 0, positional = params.required < params.positional ? params.required : params.positional;
  for (std::size_t i = 0; i < positional; ++i) {
    if (!out[i]) missing[count++] = k.*params.names[i];
  }
  if (count > 0) [[unlikely]] {
    raise_missing(params.func, missing, count);
    return false;
  }
  std::size_t last = params.required_keywords ? N : params.required;
  for (std::size_t i = positional; i < last; ++i) {
    if (!out[i] && params.is_required(i)) missing[count++] = k.*params.names[i];
  }
  if (count == 0) [[likely]]
    return true;
  raise_missing(params.func, missing, count, "keyword-only");
  return false;
}

// Places one keyword argument; unknown names go to `rest` when given, else fail.
template <std::size_t N>
bool place_keyword(const Params<N>& params, PyObject* name, PyObject* value, Bound<N>& out, PyObject* rest) noexcept {
  Py_ssize_t i = PyUnicode_Check(name) ? find_param(params, name) : -1;
  if (i < 0) {
    if (rest && PyUnicode_Check(name)) return PyDict_SetItem(rest, name, value) == 0;
    raise_unexpected(params.func, name);
    return false;
  }
  if (out[static_cast<std::size_t>(i)]) {
    raise_duplicate(params.func, name);
    return false;
  }
  out[static_cast<std::size_t>(i)] = value;
  return true;
}

}  // namespace detail

// Binds a vectorcall argument vector; a keyword that names no parameter (at position j of
// kwnames) goes to `unknown(j)`, which returns false with the error set to stop. With `star`,
// args[params.positional .. nargs) are the caller's `*args`. Returns false with TypeError set
// on a bad call.
template <std::size_t N, class Unknown>
bool bind_collecting(const Params<N>& params, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, Bound<N>& out,
                     Unknown&& unknown) noexcept {
  out.fill(nullptr);
  std::size_t given = static_cast<std::size_t>(nargs);
  if (given > params.positional) {
    if (!params.star) [[unlikely]] {
      detail::raise_too_many(params.func, params.positional,
                             params.required < params.positional ? params.required : params.positional, nargs);
      return false;
    }
    given = params.positional;
  }
  for (std::size_t i = 0; i < given; ++i) out[i] = args[i];
  if (kwnames) {
    Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t j = 0; j < nkw; ++j) {
      PyObject* name = PyTuple_GET_ITEM(kwnames, j);
      Py_ssize_t i = detail::find_param(params, name);
      if (i < 0) {
        if (!unknown(j)) return false;
        continue;
      }
      if (out[static_cast<std::size_t>(i)]) {
        detail::raise_duplicate(params.func, name);
        return false;
      }
      out[static_cast<std::size_t>(i)] = args[nargs + j];
    }
  }
  return detail::check_required(params, out);
}

// Binds a vectorcall argument vector. Returns false with TypeError set on a bad call.
template <std::size_t N>
bool bind(const Params<N>& params, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, Bound<N>& out) noexcept {
  return bind_collecting(params, args, nargs, kwnames, out, [&](Py_ssize_t j) {
    detail::raise_unexpected(params.func, PyTuple_GET_ITEM(kwnames, j));
    return false;
  });
}

// The two calls bound inline, for a parameter list known at compile time; any other call is
// left to bind(), which binds it or reports it. Inlined, they keep a builder as cheap to call as
// the literal it builds.

// Arguments by position only, none required missing, none beyond the parameters (unless the
// callable takes *args). False for any other call.
template <const auto& P, std::size_t N>
[[gnu::always_inline]] inline bool bind_by_position(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                                                    Bound<N>& out) noexcept {
  if constexpr (P.required > P.positional || P.required_keywords != 0) {
    return false;  // a keyword-only parameter must be given
  } else {
    constexpr auto positional = static_cast<Py_ssize_t>(P.positional);
    if (kwnames || nargs < static_cast<Py_ssize_t>(P.required) || (!P.star && nargs > positional)) return false;
    for (std::size_t i = 0; i < N; ++i) {
      auto at = static_cast<Py_ssize_t>(i);
      out[i] = at < positional && at < nargs ? args[i] : nullptr;
    }
    return true;
  }
}

// Keywords too, each the interned name of a parameter (as the interpreter passes the keywords
// of a call written out), no parameter given twice, none required missing. False for any other
// call.
template <const auto& P, std::size_t N>
[[gnu::noinline]] bool bind_by_name(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                                    Bound<N>& out) noexcept {
  constexpr auto positional = static_cast<Py_ssize_t>(P.positional);
  if (!kwnames || (!P.star && nargs > positional)) return false;
  for (std::size_t i = 0; i < N; ++i) {
    auto at = static_cast<Py_ssize_t>(i);
    out[i] = at < positional && at < nargs ? args[i] : nullptr;
  }
  Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
  for (Py_ssize_t j = 0; j < count; ++j) {
    PyObject* name = PyTuple_GET_ITEM(kwnames, j);
    std::size_t i = 0;
    while (i < N && k.*P.names[i] != name) ++i;
    if (i == N || out[i]) return false;
    out[i] = args[nargs + j];
  }
  for (std::size_t i = 0; i < N; ++i) {
    if (P.is_required(i) && !out[i]) return false;
  }
  return true;
}

// Binds a call of the callable declared with `P`, inline where it can (above). Returns false
// with TypeError set on a bad call.
template <const auto& P, std::size_t N>
[[gnu::always_inline]] inline bool bind_call(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                                             Bound<N>& out) noexcept {
  return bind_by_position<P>(args, nargs, kwnames, out) || bind_by_name<P>(args, nargs, kwnames, out) ||
         bind(P, args, nargs, kwnames, out);
}

// Binds tp_init's (args, kwargs), at most `positional` of them by position (a caller's *args are
// sliced off before). Keywords that name no parameter are copied, in the caller's order, into
// `rest`, a fresh dict.
template <std::size_t N>
bool bind_init(const Params<N>& params, PyObject* args, PyObject* kwargs, Bound<N>& out, Ref& rest) noexcept {
  out.fill(nullptr);
  Py_ssize_t nargs = args ? PyTuple_GET_SIZE(args) : 0;
  if (static_cast<std::size_t>(nargs) > params.positional) {
    detail::raise_too_many(params.func, params.positional,
                           params.required < params.positional ? params.required : params.positional, nargs);
    return false;
  }
  for (Py_ssize_t i = 0; i < nargs; ++i) out[static_cast<std::size_t>(i)] = PyTuple_GET_ITEM(args, i);
  rest = Ref::steal(PyDict_New());
  if (!rest) return false;
  if (kwargs) {
    Py_ssize_t pos = 0;
    PyObject *name, *value;
    while (PyDict_Next(kwargs, &pos, &name, &value)) {
      if (!detail::place_keyword(params, name, value, out, rest.get())) return false;
    }
  }
  return detail::check_required(params, out);
}

// ---- parameter lists from signatures -----------------------------------------------------------

namespace detail {

// The name of a parameter as written ("text", "block_id=None", "*elements"), or empty for
// the markers "*" and "/".
constexpr std::string_view param_name(std::string_view part) {
  while (!part.empty() && part.front() == '*') part.remove_prefix(1);
  std::string_view name = part.substr(0, index_of(part, '='));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// A named parameter: neither a marker nor the *args of the callable.
constexpr bool binds(std::string_view part) {
  return part.front() != '*' && part != "/";
}

// What keeps the parameters of a signature from making a parameter list.
enum class SignatureFault : unsigned char { none, malformed, unsupported, two_stars, unknown_name, default_order };

constexpr SignatureFault signature_fault(std::string_view signature) {
  if (!well_formed(signature)) return SignatureFault::malformed;
  SignatureFault fault = SignatureFault::none;
  bool keyword_only = false, defaulted = false;
  each_param(params_text(signature), [&](std::string_view part) {
    bool has_default = index_of(part, '=') < part.size();
    if (part == "/" || part.starts_with("**")) {
      fault = SignatureFault::unsupported;
    } else if (part.front() == '*') {
      if (keyword_only) fault = SignatureFault::two_stars;
      keyword_only = true;
    } else if (!key_named(param_name(part))) {
      fault = SignatureFault::unknown_name;
    } else if (!keyword_only && defaulted && !has_default) {
      fault = SignatureFault::default_order;
    }
    defaulted = defaulted || has_default;
  });
  return fault;
}

// The parameter list of `Signature`: its names, which are required, which keyword-only.
template <Literal Signature>
struct FromSignature {
  static constexpr std::string_view text = Signature.view();
  static constexpr SignatureFault fault = signature_fault(text);
  static_assert(fault != SignatureFault::malformed, "a signature reads name(parameters)");
  static_assert(fault != SignatureFault::unsupported, "the binding takes no positional-only parameters, no **kwargs");
  static_assert(fault != SignatureFault::two_stars, "one * or *args at the most");
  static_assert(fault != SignatureFault::unknown_name, "every parameter is named by a key of keys.def");
  static_assert(fault != SignatureFault::default_order,
                "a positional parameter without a default comes before those with one");
  static constexpr std::size_t count = [] {
    std::size_t n = 0;
    each_param(params_text(text), [&](std::string_view part) { n += binds(part); });
    return n;
  }();
  static constexpr auto func = [] {
    std::array<char, index_of(text, '(') + 1> out{};
    for (std::size_t i = 0; i + 1 < out.size(); ++i) out[i] = text[i];
    return out;
  }();
  static constexpr Params<count> params = [] {
    Params<count> p{func.data(), {}, 0, count};
    std::size_t i = 0;
    bool keyword_only = false;
    each_param(params_text(text), [&](std::string_view part) {
      if (!binds(part)) {
        keyword_only = true;
        p.positional = i;
        p.star = part.size() > 1;
        return;
      }
      p.names[i] = key_named(param_name(part));
      if (index_of(part, '=') == part.size()) {
        if (keyword_only) {
          p.required_keywords |= std::uint64_t{1} << i;
        } else {
          p.required = i + 1;
        }
      }
      ++i;
    });
    return p;
  }();
};

}  // namespace detail

// The parameter list of a callable declared by its signature as Python shows it, with the name
// its call errors give: vm::params<"Section.static_select(options, text=None, *, action_id=None,
// block_id=None)"> binds options and text by position or keyword, the rest by keyword only.
template <Literal Signature>
inline constexpr const auto& params = detail::FromSignature<Signature>::params;

// The positional arguments of a call beyond the parameters, for a callable with *args.
using Extra = std::span<PyObject* const>;

// A callable that takes the arguments bound to `P`: `Ref f(PyObject* self, vm::Bound<N>& a)`,
// where a[i] is the i-th parameter (null when not given), and with *args
// `Ref f(PyObject* self, vm::Bound<N>& a, vm::Extra extra)`. The function that module and
// builder tables declare (vm::function, vm::builder) binds the call, then calls it.
template <auto F, const auto& P>
Ref bound(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  constexpr std::size_t n = P.names.size();
  Bound<n> a;
  if constexpr (P.star) {
    static_assert(std::is_invocable_r_v<Ref, decltype(F), PyObject*, Bound<n>&, Extra>,
                  "f(PyObject* self, vm::Bound<N>& a, vm::Extra extra), N the parameters of the signature");
    if (!bind_call<P>(args, nargs, kwnames, a)) return {};
    auto first = static_cast<Py_ssize_t>(P.positional);
    first = nargs < first ? nargs : first;
    return F(self, a, Extra(args + first, static_cast<std::size_t>(nargs - first)));
  } else {
    static_assert(std::is_invocable_r_v<Ref, decltype(F), PyObject*, Bound<n>&>,
                  "f(PyObject* self, vm::Bound<N>& a), N the parameters of the signature");
    if (!bind_call<P>(args, nargs, kwnames, a)) return {};
    return F(self, a);
  }
}

}  // namespace vm
