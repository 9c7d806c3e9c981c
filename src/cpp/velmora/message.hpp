// Message classes from their declarations (declare.hpp): the engine.
//
// A message module declares one `vm::Message` and ends with VM_MESSAGE_MODULE(doc, message). The
// class is a heap type whose base is BaseVelmora (imported from velmora.interface into the
// module's globals), so instances keep the base's __dict__ and attributes stay plain Python
// attributes.
//
// Construction, for every message:
//   1. bind the arguments (CPython's call errors), fill defaults, check each parameter in order;
//   2. Base::base_reads_attributes only: store the attributes;
//   3. `consume`, when declared, takes the message's own keywords out of the rest;
//   4. call the base __init__ with the rest (see Base);
//   5. the other two Base choices: store the attributes;
//   6. `finish`, when declared, completes the message.
// tp_init, the class's vectorcall and build_blocks() go through vm::guarded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <tuple>

#include "args.hpp"
#include "base_calls.hpp"
#include "build.hpp"
#include "declare.hpp"
#include "errors.hpp"
#include "module.hpp"
#include "objects.hpp"
#include "signature.hpp"

namespace vm {

namespace detail {

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

// The class docstring: "DatePickerMessage(text, initial_date, **kwargs)\n--\n\n", made from the
// parameters (the positional ones, *args or a bare *, the keyword-only ones), then `doc`; a
// `doc` that opens with the class's own signature line is taken as written.
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
  w.put(doc);
}

// build_blocks' docstring: its signature line, then `build_doc` (taken as written when it opens
// with one).
template <const Message& M>
constexpr void write_build_doc(TextWriter& w) {
  std::string_view doc = M.build_doc;
  if (!starts_with(doc, "build_blocks(")) put_signature_line(w, "$self", "build_blocks()");
  w.put(doc);
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

template <const Message& M>
struct Declared {
  static constexpr std::size_t N = param_count<M>();
  static constexpr std::size_t positional = positional_count<M>();
  static_assert(keyword_only_last<M>(), "keyword-only parameters come after the positional ones");
  static_assert(defaults_last<M>(), "a positional parameter without a default comes before those with one");
  static_assert(text_defaults_well_formed<M>(),
                "a str default is Default::text with its .text (printable ASCII, no quote or backslash), "
                "and .text goes with no other default");
  static constexpr auto func = init_name<M>();
  static constexpr Params<N> params = [] {
    Params<N> p{func.data(), {}, 0, positional, M.star != nullptr};
    for (std::size_t i = 0; i < N; ++i) {
      p.names[i] = M.params[i].name;
      if (M.params[i].fallback != Default::required) continue;
      if (i < positional) {
        p.required = i + 1;
      } else {
        p.required_keywords |= std::uint64_t{1} << i;
      }
    }
    return p;
  }();
  static constexpr auto class_doc = composed<write_class_doc<M>>();
  static constexpr auto build_doc = composed<write_build_doc<M>>();
  static constexpr auto module_doc = composed<write_module_doc<M>>();
  static inline Global cls;                // for super(cls, self)
  static inline newfunc tp_new = nullptr;  // the class's own, at creation
  static_assert(calls_well_formed<M>(),
                "a call's keyword arguments come after its positional ones, and "
                "kw_given is a keyword; a star argument is the call's only one");
  // Per call, its keyword names for each set of its kw_given arguments passed (see run()).
  static inline std::array<std::array<Global, std::size_t{1} << max_args>, M.blocks.calls.size()> kwnames;
  static inline std::array<BuilderLookup, M.blocks.calls.size()> lookups;  // per call, its builder
  static inline std::array<Global, N> texts;  // per Default::text parameter, its str (interned)
};

inline PyObject* default_value(Default fallback) noexcept {
  switch (fallback) {
    case Default::true_:
      return Py_True;
    case Default::false_:
      return Py_False;
    default:
      return Py_None;
  }
}

// The parameters as attributes, in the declared order, then the further positional arguments.
template <const Message& M, std::size_t N>
bool store(PyObject* self, const Bound<N>& a, PyObject* star) noexcept {
  if constexpr (M.star != nullptr) {
    if (!set_attr(self, k.*M.star, star)) return false;
  }
  if constexpr (count_set(M.stored) == 0) {
    for (std::size_t i = 0; i < N; ++i) {
      if (!set_attr(self, k.*M.params[i].name, a[i])) return false;
    }
  } else {
    for (std::size_t s = 0; s < count_set(M.stored); ++s) {
      for (std::size_t i = 0; i < N; ++i) {
        if (M.params[i].name == M.stored[s] && !set_attr(self, k.*M.stored[s], a[i])) return false;
      }
    }
  }
  return true;
}

// The keywords of a call that name no parameter: a dict (tp_init's), or positions in the
// call's vector (vectorcall's), made into a dict only when something needs one.
class Rest {
 public:
  static constexpr std::size_t inline_count = 16;

  explicit Rest(PyObject* dict) noexcept : dict_(Ref::borrow(dict)) {}
  Rest(PyObject* const* values, PyObject* kwnames) noexcept : values_(values), kwnames_(kwnames) {}

  bool add(Py_ssize_t j) noexcept {
    if (!dict_ && count_ < inline_count) {
      at_[count_++] = j;
      return true;
    }
    PyObject* d = dict();
    return d && PyDict_SetItem(d, PyTuple_GET_ITEM(kwnames_, j), values_[j]) == 0;
  }

  // The keywords as a dict (made once; null with the error set).
  PyObject* dict() noexcept {
    if (dict_) return dict_.get();
    dict_ = Ref::steal(PyDict_New());
    for (std::size_t i = 0; dict_ && i < count_; ++i) {
      Py_ssize_t j = at_[i];
      if (PyDict_SetItem(dict_.get(), PyTuple_GET_ITEM(kwnames_, j), values_[j]) < 0) dict_ = Ref{};
    }
    return dict_.get();
  }

  // BaseVelmora's own __init__ on them, straight from the vector when no dict was made.
  int init_base(PyObject* self) noexcept {
    if (dict_) return detail::call_native_base_init(self, dict_.get());
    PyObject* names[inline_count];
    PyObject* values[inline_count];
    for (std::size_t i = 0; i < count_; ++i) {
      names[i] = PyTuple_GET_ITEM(kwnames_, at_[i]);
      values[i] = values_[at_[i]];
    }
    return base_api->init_keywords(self, names, values, static_cast<Py_ssize_t>(count_));
  }

 private:
  Ref dict_;
  PyObject* const* values_ = nullptr;
  PyObject* kwnames_ = nullptr;
  std::array<Py_ssize_t, inline_count> at_{};
  std::size_t count_ = 0;
};

// True when the base __init__ the message would reach is BaseVelmora's own, so that it can be
// called directly with the keywords: for a message whose type is the class itself, its MRO
// goes on with BaseVelmora, whose __init__ nobody replaced (first); or the module's
// BaseVelmora global is the class itself (first_named).
template <const Message& M>
bool reaches_native_base(PyObject* self) noexcept {
  if (!base_api || base_api->type->tp_init != base_api->init) return false;
  if constexpr (M.base == Base::replaceable_global) {
    PyObject* named = PyDict_GetItemWithError(module_globals.get(), k.BaseVelmora);
    return named == reinterpret_cast<PyObject*>(base_api->type);
  } else {
    PyObject* mro = Py_TYPE(self)->tp_mro;
    return Py_TYPE(self) == reinterpret_cast<PyTypeObject*>(Declared<M>::cls.get()) && mro &&
           PyTuple_GET_SIZE(mro) > 1 && PyTuple_GET_ITEM(mro, 1) == reinterpret_cast<PyObject*>(base_api->type);
  }
}

template <const Message& M>
int call_base(PyObject* self, Rest& rest) {
  if constexpr (M.consume != nullptr) {
    PyObject* given = rest.dict();
    Ref for_base = given ? M.consume(self, given) : Ref{};
    if (!for_base) return -1;
    return M.base == Base::replaceable_global ? call_init_of(global(k.BaseVelmora).get(), self, for_base.get())
                                              : call_base_init(Declared<M>::cls.get(), self, for_base.get());
  } else {
    if (reaches_native_base<M>(self)) return rest.init_base(self);
    if (PyErr_Occurred()) return -1;
    PyObject* given = rest.dict();
    if (!given) return -1;
    return M.base == Base::replaceable_global ? call_init_of(global(k.BaseVelmora).get(), self, given)
                                              : call_base_init(Declared<M>::cls.get(), self, given);
  }
}

// Everything after binding: defaults, checks, the base and the attributes in the declared
// order, then `finish`.
template <const Message& M>
int construct(PyObject* self, Bound<Declared<M>::N>& a, PyObject* star, Rest& rest) {
  for (std::size_t i = 0; i < Declared<M>::N; ++i) {
    if (!a[i]) {
      a[i] = M.params[i].fallback == Default::text ? Declared<M>::texts[i].get() : default_value(M.params[i].fallback);
    }
    if (M.params[i].check && !M.params[i].check(a[i], PyUnicode_AsUTF8(k.*M.params[i].name))) return -1;
  }
  if (M.base == Base::base_reads_attributes && !store<M>(self, a, star)) return -1;
  if (call_base<M>(self, rest) < 0) return -1;
  if (M.base != Base::base_reads_attributes && !store<M>(self, a, star)) return -1;
  if constexpr (M.finish != nullptr) {
    PyObject* given = rest.dict();
    if (!given || !M.finish(self, given)) return -1;
  }
  return 0;
}

// tp_init's work: the class called the usual way (a Python subclass, or __init__ called directly).
template <const Message& M>
int init_message(PyObject* self, PyObject* args, PyObject* kwargs) {
  constexpr std::size_t N = Declared<M>::N;
  Bound<N> a;
  Ref given, head = Ref::borrow(args), star;
  if constexpr (M.star != nullptr) {  // positional arguments beyond the parameters are *args
    constexpr auto positional = static_cast<Py_ssize_t>(Declared<M>::positional);
    Py_ssize_t count = args ? PyTuple_GET_SIZE(args) : 0, split = count < positional ? count : positional;
    head = args ? Ref::steal(PyTuple_GetSlice(args, 0, split)) : Ref{};
    star = args ? Ref::steal(PyTuple_GetSlice(args, split, count)) : Ref::steal(PyTuple_New(0));
    if ((args && !head) || !star) return -1;
  }
  if (!bind_init(Declared<M>::params, head.get(), kwargs, a, given)) return -1;
  Rest rest(given.get());
  return construct<M>(self, a, star.get(), rest);
}

template <const Message& M>
int init(PyObject* self, PyObject* args, PyObject* kwargs) noexcept {
  return guarded([&] { return init_message<M>(self, args, kwargs); });
}

// The class called as Python would: type.__call__ with a tuple and a dict.
[[gnu::cold]] inline PyObject* call_type(PyObject* type, PyObject* const* args, Py_ssize_t nargs,
                                         PyObject* kwnames) noexcept {
  Ref positional = Ref::steal(PyTuple_New(nargs));
  if (!positional) return nullptr;
  for (Py_ssize_t i = 0; i < nargs; ++i) PyTuple_SET_ITEM(positional.get(), i, Py_NewRef(args[i]));
  Ref keywords = kwnames ? Ref::steal(PyDict_New()) : Ref{};
  for (Py_ssize_t j = 0; keywords && j < PyTuple_GET_SIZE(kwnames); ++j) {
    if (PyDict_SetItem(keywords.get(), PyTuple_GET_ITEM(kwnames, j), args[nargs + j]) < 0) return nullptr;
  }
  if (kwnames && !keywords) return nullptr;
  return PyType_Type.tp_call(type, positional.get(), keywords.get());
}

// Calling the class itself: the arguments are bound straight from the call's vector, and no
// dict is made for the base's keywords. Anything unusual (a replaced __new__ or __init__) takes
// the usual route through type.__call__.
template <const Message& M>
Ref call_message(PyTypeObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  Bound<Declared<M>::N> a;
  Rest rest(args + nargs, kwnames);
  if (!bind_collecting(Declared<M>::params, args, nargs, kwnames, a, [&](Py_ssize_t j) { return rest.add(j); })) {
    return {};
  }
  // The class's own __new__ (object's), which also readies the instance's attribute storage.
  Ref star;
  if constexpr (M.star != nullptr) {
    constexpr auto positional = static_cast<Py_ssize_t>(Declared<M>::positional);
    Py_ssize_t first = nargs < positional ? nargs : positional;
    star = Ref::steal(PyTuple_New(nargs - first));
    if (!star) return {};
    for (Py_ssize_t i = first; i < nargs; ++i) PyTuple_SET_ITEM(star.get(), i - first, Py_NewRef(args[i]));
  }
  Ref self = Ref::steal(cls->tp_new(cls, empty_tuple(), nullptr));
  if (!self || construct<M>(self.get(), a, star.get(), rest) < 0) return {};
  return self;
}

template <const Message& M>
PyObject* vectorcall(PyObject* type, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) noexcept {
  auto* cls = reinterpret_cast<PyTypeObject*>(type);
  Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
  if (cls->tp_init != &init<M> || cls->tp_new != Declared<M>::tp_new) return call_type(type, args, nargs, kwnames);
  return guarded([&] { return call_message<M>(cls, args, nargs, kwnames); });
}

// One declared call: the owner and its method looked up first, then the arguments read, as
// Python evaluates `Section.f(x=self.a)`; a kw_given argument whose value is None is left out.
template <const Message& M>
Ref run(PyObject* self, std::size_t index) noexcept {
  const Call& c = M.blocks.calls[index];
  Ref method = Declared<M>::lookups[index].get(k.*c.owner, k.*c.method);
  if (!method) return {};
  std::array<Ref, max_args> values;
  PyObject* vector[max_args] = {};
  std::size_t n = 0, keywords = 0, present = 0, optional = 0;
  for (const Arg& arg : c.args) {
    if (!arg.attr) break;
    Ref value = get_attr(self, k.*arg.attr);
    if (!value) return {};
    if (arg.star) return call_star(method.get(), value.get());  // the one argument: f(*self.attr)
    if (arg.unless_none) {
      bool given = value.get() != Py_None;
      present |= static_cast<std::size_t>(given) << optional++;
      if (!given) continue;
    }
    if (arg.keyword) ++keywords;
    vector[n] = value.get();
    values[n++] = std::move(value);
  }
  PyObject* kwnames = Declared<M>::kwnames[index][present].get();
  return Ref::steal(PyObject_Vectorcall(method.get(), vector, n - keywords, kwnames));
}

// 1 when call `index` is to be made (its `when` attribute is true and its `unless` attribute
// false, each when declared), 0, -1 with the error set.
inline int flag_is(PyObject* self, Key flag, bool wanted) noexcept {
  if (!flag) return 1;
  Ref value = get_attr(self, k.*flag);
  int truth = value ? PyObject_IsTrue(value.get()) : -1;
  return truth < 0 ? -1 : (truth != 0) == wanted;
}

template <const Message& M>
int wanted(PyObject* self, std::size_t index) noexcept {
  const Call& c = M.blocks.calls[index];
  int when = flag_is(self, c.when, true);
  return when == 1 ? flag_is(self, c.unless, false) : when;
}

template <const Message& M>
Ref build_blocks(PyObject* self) {
  if constexpr (M.build != nullptr) {
    return M.build(self);
  } else {
    constexpr std::size_t calls = [] {
      std::size_t n = 0;
      while (n < M.blocks.calls.size() && M.blocks.calls[n].owner) ++n;
      return n;
    }();
    Ref blocks = M.blocks.join == Join::concat ? empty_list() : run<M>(self, 0);
    if (!blocks) return {};
    for (std::size_t i = M.blocks.join == Join::concat ? 0 : 1; i < calls; ++i) {
      int want = wanted<M>(self, i);
      if (want < 0) return {};
      if (!want) continue;
      Ref part = run<M>(self, i);
      bool ok = M.blocks.join == Join::concat ? extend_blocks(blocks.get(), std::move(part))
                                              : extend_in_place(blocks.get(), part.get());
      if (!ok) return {};
    }
    return M.blocks.list_result ? check_list_result(std::move(blocks)) : std::move(blocks);
  }
}

template <const Message& M>
PyObject* build_entry(PyObject* self, PyObject*) noexcept {
  return guarded([&] { return build_blocks<M>(self); });
}

// The keyword names of `call` when the kw_given arguments in `present` are passed (bit j: the
// j-th of them): a tuple, or null when there are none (null with the error set on failure).
inline Ref call_keywords(const Call& call, std::size_t present) noexcept {
  PyObject* keywords[max_args];
  std::size_t count = 0, optional = 0;
  for (const Arg& arg : call.args) {
    if (!arg.attr || !arg.keyword) continue;
    if (arg.unless_none && !((present >> optional++) & 1U)) continue;
    keywords[count++] = k.*arg.keyword;
  }
  if (count == 0) return {};
  Ref tuple = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(count)));
  for (std::size_t j = 0; tuple && j < count; ++j) {
    PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(j), Py_NewRef(keywords[j]));
  }
  return tuple;
}

// `from ... import` of what the module needs, the str defaults, and the keyword names of each call.
template <const Message& M>
bool prepare(PyObject* module) noexcept {
  for (std::size_t i = 0; i < Declared<M>::N; ++i) {
    if (M.params[i].fallback != Default::text) continue;
    Ref text = Ref::steal(PyUnicode_InternFromString(M.params[i].text));
    if (!text) return false;
    Declared<M>::texts[i].set(std::move(text));
  }
  if (!import_from_package(module, "interface", {"BaseVelmora"})) return false;
  for (const Import& imp : M.imports) {
    if (!imp.from) break;
    std::size_t count = 0;
    while (count < imp.names.size() && imp.names[count]) ++count;
    if (!import_names(module, imp.from, imp.absolute ? 0 : package_level(), imp.names.data(), count)) return false;
  }
  for (std::size_t i = 0; i < M.blocks.calls.size() && M.blocks.calls[i].owner; ++i) {
    std::size_t optional = 0;
    for (const Arg& arg : M.blocks.calls[i].args) optional += arg.attr && arg.unless_none;
    for (std::size_t present = 0; present < std::size_t{1} << optional; ++present) {
      Ref names = call_keywords(M.blocks.calls[i], present);
      if (PyErr_Occurred()) return false;
      Declared<M>::kwnames[i][present].set(std::move(names));
    }
  }
  return true;
}

// The names a message shows: `shown` when declared, else its parameters.
template <const Message& M>
Ref match_args() noexcept {
  constexpr std::size_t shown = count_set(M.shown);
  constexpr std::size_t n = shown ? shown : Declared<M>::N;
  Ref out = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(n)));
  if (!out) return {};
  for (std::size_t i = 0; i < n; ++i) {
    PyObject* name = shown ? k.*M.shown[i] : k.*M.params[i].name;
    PyTuple_SET_ITEM(out.get(), static_cast<Py_ssize_t>(i), Py_NewRef(name));
  }
  return out;
}

template <const Message& M>
int setup_message(PyObject* module) {
  if constexpr (M.setup != nullptr) {
    if (!M.setup(module)) return -1;
  }
  if (!prepare<M>(module)) return -1;
  if (!base_api) {
    base_api = static_cast<const BaseApi*>(PyCapsule_Import(BASE_CAPSULE, 0));
    if (!base_api) return -1;
  }
  static char qualified[160];
  std::snprintf(qualified, sizeof qualified, "%s.%s", VELMORA_MODULE_NAME, M.name);
  static PyMethodDef build_def[] = {
      {"build_blocks", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&build_entry<M>)), METH_NOARGS,
       Declared<M>::build_doc.data()},
      table_end};
  PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(Declared<M>::class_doc.data())},
                         {Py_tp_init, reinterpret_cast<void*>(&init<M>)},
                         {Py_tp_methods, build_def},
                         {0, nullptr}};
  PyType_Spec spec = {qualified, 0, 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};
  Ref base = global(k.BaseVelmora);
  Ref bases = base ? Ref::steal(PyTuple_Pack(1, base.get())) : Ref{};
  Ref cls = bases ? Ref::steal(PyType_FromModuleAndSpec(module, &spec, bases.get())) : Ref{};
  if (!cls) return -1;
  for (PyMethodDef* def = M.methods; def && def->ml_name; ++def) {
    Ref method = Ref::steal(PyDescr_NewMethod(reinterpret_cast<PyTypeObject*>(cls.get()), def));
    if (!method || PyObject_SetAttrString(cls.get(), def->ml_name, method.get()) < 0) return -1;
  }
  Ref shown = match_args<M>();
  if (!shown || PyObject_SetAttr(cls.get(), k.dunder_match_args, shown.get()) < 0) return -1;
  Declared<M>::cls.set(Ref::borrow(cls.get()));
  auto* type = reinterpret_cast<PyTypeObject*>(cls.get());
  Declared<M>::tp_new = type->tp_new;
  type->tp_vectorcall = &vectorcall<M>;  // never inherited: subclasses take type.__call__
  return add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace detail

// The method table entry of a further no-argument method of a message, declared as
// vm::message_method<upload, "upload()", "Uploads ...">().
template <Ref (*F)(PyObject* self), Literal Signature, Literal Text>
PyMethodDef message_method() noexcept {
  using D = Documented<"$self", Signature, Text>;
  return {D::name.data(),
          reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(
              +[](PyObject* self, PyObject*) noexcept -> PyObject* { return guarded([&] { return F(self); }); })),
          METH_NOARGS, D::doc.data()};
}

}  // namespace vm

// The module of one message class, whose docstring is derived from the class name
// (VM_MESSAGE_MODULE(message): "The header message.") or given (VM_MESSAGE_MODULE(doc, message)).
#define VM_MESSAGE_MODULE(...) \
  VM_MESSAGE_MODULE_PICK(__VA_ARGS__, VM_MESSAGE_MODULE_DOC, VM_MESSAGE_MODULE_NAMED)(__VA_ARGS__)
#define VM_MESSAGE_MODULE_PICK(a, b, chosen, ...) chosen
#define VM_MESSAGE_MODULE_NAMED(message) \
  VM_MESSAGE_MODULE_DOC(vm::detail::Declared<message>::module_doc.data(), message)
#define VM_MESSAGE_MODULE_DOC(doc, message)            \
  static int vm_setup_message(PyObject* module) {      \
    return vm::detail::setup_message<message>(module); \
  }                                                    \
  VM_MODULE(doc, vm_setup_message)
