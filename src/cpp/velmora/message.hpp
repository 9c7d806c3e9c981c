// Message classes as declarations.
//
// A message module declares one `vm::Message`: the class name and docstring, its parameters
// with their checks, how it reaches the base class, and the builder calls of build_blocks();
// then VM_MESSAGE_MODULE(doc, message) makes the module. The class is a heap type whose base is
// BaseVelmora (imported from velmora.interface into the module's globals), so instances keep the
// base's __dict__ and attributes stay plain Python attributes.
//
// Construction, for every message:
//   1. bind the arguments (CPython's call errors), fill defaults, check each parameter in order;
//   2. Base::last only: store the attributes;
//   3. `consume`, when declared, takes the message's own keywords out of the rest;
//   4. call the base __init__ with the rest (see Base);
//   5. Base::first and first_named: store the attributes;
//   6. `finish`, when declared, completes the message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "args.hpp"
#include "build.hpp"
#include "errors.hpp"
#include "module.hpp"
#include "signature.hpp"

namespace vm {

// ---- parameter checks ------------------------------------------------------------------------

// A check of one bound argument; false with the error set.
using Check = bool (*)(PyObject* value, const char* param);

inline bool exact_str(PyObject* value, const char* param) noexcept {
  return check_str(value, param);
}
inline bool str_or_none(PyObject* value, const char* param) noexcept {
  return check_str(value, param, true);
}
inline bool exact_list(PyObject* value, const char* param) noexcept {
  return check_list(value, param);
}

// The value an optional parameter takes when it is not given.
enum class Default : unsigned char { required, none, true_, false_ };

struct Param {
  Key name = nullptr;
  Check check = nullptr;  // none: any value
  Default fallback = Default::required;
};

// ---- the base constructor ----------------------------------------------------------------------

enum class Base : unsigned char {
  first,        // super(Cls, self).__init__(**rest), then the attributes are stored
  first_named,  // BaseVelmora.__init__(self, **rest), BaseVelmora read from the module's globals
  last,         // the attributes are stored first, then super(Cls, self).__init__(**rest)
};

// What velmora._base shares with the message modules through the capsule BASE_CAPSULE:
// BaseVelmora and its own __init__, which a message calls directly while it is the one in place.
struct BaseApi {
  PyTypeObject* type;
  initproc init;
  // __init__ from the keywords `names[i]`=`values[i]` (no dict made unless there are extras)
  int (*init_keywords)(PyObject* self, PyObject* const* names, PyObject* const* values, Py_ssize_t count) noexcept;
};
inline constexpr const char* BASE_CAPSULE = "velmora._base._api";
inline const BaseApi* base_api = nullptr;

namespace detail {

// The shortcut: `init` is BaseVelmora's own __init__ in `type` (not replaced on the class).
inline bool is_native_base_init(PyObject* type) noexcept {
  return base_api && type == reinterpret_cast<PyObject*>(base_api->type) && base_api->type->tp_init == base_api->init;
}

inline int call_native_base_init(PyObject* self, PyObject* kwargs) noexcept {
  return base_api->init(self, empty_tuple(), kwargs);
}

// super(cls, self).__init__(**kwargs) the long way: a super object, a bound method, a call.
[[gnu::cold]] inline int call_super_init(PyObject* cls, PyObject* self, PyObject* kwargs) noexcept {
  PyObject* super_args[] = {cls, self};
  Ref super = Ref::steal(PyObject_Vectorcall(reinterpret_cast<PyObject*>(&PySuper_Type), super_args, 2, nullptr));
  if (!super) return -1;
  Ref init = Ref::steal(PyObject_GetAttr(super.get(), k.dunder_init));
  if (!init) return -1;
  Ref result = Ref::steal(PyObject_Call(init.get(), empty_tuple(), kwargs));
  return result ? 0 : -1;
}

// What super(cls, self).__init__ finds: the first class after `cls` in type(self).__mro__
// whose dict holds "__init__", with that value. 1 when found, 0 when not, -1 on error.
inline int find_next_init(PyObject* cls, PyObject* self, Ref& owner, Ref& found) noexcept {
  PyObject* mro = Py_TYPE(self)->tp_mro;
  if (!mro || !PyTuple_Check(mro)) return 0;
  Ref hold = Ref::borrow(mro);  // the MRO may be replaced while we look
  Py_ssize_t n = PyTuple_GET_SIZE(mro), i = 0;
  while (i < n && PyTuple_GET_ITEM(mro, i) != cls) ++i;
  for (++i; i < n; ++i) {
    PyObject* type = PyTuple_GET_ITEM(mro, i);
    Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(type)));
    if (!dict) continue;
    PyObject* init = PyDict_GetItemWithError(dict.get(), k.dunder_init);
    if (init) {
      owner = Ref::borrow(type);
      found = Ref::borrow(init);
      return 1;
    }
    if (PyErr_Occurred()) return -1;
  }
  return 0;
}

}  // namespace detail

// super(cls, self).__init__(**kwargs), resolved at call time so that cooperative multiple
// inheritance, stand-in bases and a replaced BaseVelmora.__init__ work. Rather than making a
// super object and a bound method, it walks type(self).__mro__ after `cls` as super does, and
// calls BaseVelmora's own __init__ or a Python function found there directly.
inline int call_base_init(PyObject* cls, PyObject* self, PyObject* kwargs) noexcept {
  Ref owner, init;
  int status = detail::find_next_init(cls, self, owner, init);
  if (status < 0) return -1;
  if (status > 0 && detail::is_native_base_init(owner.get())) return detail::call_native_base_init(self, kwargs);
  if (status == 0 || !PyFunction_Check(init.get())) {
    return detail::call_super_init(cls, self, kwargs);  // descriptors and odd cases: as super does
  }
  return Ref::steal(PyObject_VectorcallDict(init.get(), &self, 1, kwargs)) ? 0 : -1;
}

// base.__init__(self, **kwargs) for a base named outright (read from the globals at call time).
inline int call_init_of(PyObject* base, PyObject* self, PyObject* kwargs) noexcept {
  if (!base) return -1;
  if (detail::is_native_base_init(base)) return detail::call_native_base_init(self, kwargs);
  Ref init = Ref::steal(PyObject_GetAttr(base, k.dunder_init));
  if (!init) return -1;
  Ref args = Ref::steal(PyTuple_Pack(1, self));
  if (!args) return -1;
  return Ref::steal(PyObject_Call(init.get(), args.get(), kwargs)) ? 0 : -1;
}

// ---- attributes --------------------------------------------------------------------------------

// setattr(self, name, value) for an interned name; a null value propagates a failure.
inline bool set_attr(PyObject* self, PyObject* name, PyObject* value) noexcept {
  if (!value) return false;
  if (Py_TYPE(self)->tp_setattro == PyObject_GenericSetAttr) return PyObject_GenericSetAttr(self, name, value) == 0;
  return PyObject_SetAttr(self, name, value) == 0;  // a class with a __setattr__ of its own
}

// getattr(self, name); a null `self` propagates an earlier failure, so calls can be chained.
inline Ref get_attr(PyObject* self, PyObject* name) noexcept {
  if (!self) return {};
  return Ref::steal(PyObject_GetAttr(self, name));
}

// The first truthy of the attributes `names` of `self`, read lazily in order as Python's
// `self.a or self.b or fallback` does; else `fallback`.
inline Ref first_truthy_attr(PyObject* self, std::initializer_list<PyObject*> names, PyObject* fallback) noexcept {
  for (PyObject* name : names) {
    Ref value = get_attr(self, name);
    if (!value) return {};
    int truth = PyObject_IsTrue(value.get());
    if (truth < 0) return {};
    if (truth) return value;
  }
  return Ref::borrow(fallback);
}

// str.startswith for a keyword name (False for a name that is not a str).
inline bool starts_with(PyObject* name, PyObject* prefix) noexcept {
  return PyUnicode_Check(name) && PyUnicode_Tailmatch(name, prefix, 0, PY_SSIZE_T_MAX, -1) == 1;
}

// ---- build_blocks -----------------------------------------------------------------------------

// callable(*items), `items` any iterable, as Python spreads it.
inline Ref call_star(PyObject* callable, PyObject* items) noexcept {
  Ref tuple = Ref::steal(PySequence_Tuple(items));
  return tuple ? Ref::steal(PyObject_Call(callable, tuple.get(), nullptr)) : Ref{};
}

// callable(*args) where the last len(kwnames) arguments go by keyword under those names.
// A null callable or argument means an earlier step failed with the error set.
inline Ref call(PyObject* callable, std::initializer_list<PyObject*> args, PyObject* kwnames = nullptr) noexcept {
  if (!callable) return {};
  for (PyObject* arg : args) {
    if (!arg) return {};
  }
  auto nkw = static_cast<std::size_t>(kwnames ? PyTuple_GET_SIZE(kwnames) : 0);
  return Ref::steal(PyObject_Vectorcall(callable, args.begin(), args.size() - nkw, kwnames));
}

// Appends the items of the list `part` to the list `blocks` (a builder's few blocks: item by
// item is cheaper than a slice assignment).
inline bool append_all(PyObject* blocks, PyObject* part) noexcept {
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(part); ++i) {
    if (PyList_Append(blocks, PyList_GET_ITEM(part, i)) < 0) return false;
  }
  return true;
}

// Appends the blocks of a builder's result to `blocks`: the result must be a list or None
// (None adds nothing); anything else is the TypeError "Expected list, got ...".
inline bool extend_blocks(PyObject* blocks, Ref part) noexcept {
  part = check_list_result(std::move(part));
  if (!part) return false;
  if (part.get() == Py_None) return true;
  return append_all(blocks, part.get());
}

// blocks.extend(part): straight from list to list when both are lists (what list.extend does).
inline bool extend_in_place(PyObject* blocks, PyObject* part) noexcept {
  if (!part) return false;
  if (PyList_CheckExact(blocks) && PyList_CheckExact(part) && blocks != part) return append_all(blocks, part);
  return Ref::steal(PyObject_CallMethodOneArg(blocks, k.extend, part)) ? true : false;
}

// An argument of a builder call: the message's attribute `attr`, passed by position, or by
// keyword under `keyword`.
struct Arg {
  Key attr = nullptr;
  Key keyword = nullptr;
  bool star = false;  // *self.attr
};

constexpr Arg pos(Key attr) {
  return {attr, nullptr};
}  // self.attr
constexpr Arg kw(Key attr) {
  return {attr, attr};
}  // attr=self.attr
constexpr Arg kw_as(Key keyword, Key attr) {
  return {attr, keyword};
}  // keyword=self.attr
constexpr Arg star(Key attr) {
  return {attr, nullptr, true};
}  // *self.attr

// <global owner>.<method>(args...), made only when the message's attribute `when` is true (or,
// with `unless`, false).
struct Call {
  Key owner = nullptr;
  Key method = nullptr;
  std::array<Arg, 3> args{};
  Key when = nullptr;
  bool unless = false;
};

// How the results of the calls make the message's blocks.
enum class Join : unsigned char {
  one,           // the one call's result itself
  concat,        // a new list of the results in order, each a list or None
  extend_first,  // the first result, extended in place by the later ones (list.extend)
};

// What build_blocks() makes: the calls, how they join, and whether the result must be a list
// (or None; anything else is the TypeError "Expected list, got ...").
struct Blocks {
  std::array<Call, 2> calls{};
  Join join = Join::one;
  bool list_result = false;
};

// The call's result, as it is.
constexpr Blocks returned(Call call) {
  return {{call}, Join::one, false};
}
// The call's result, which must be a list or None.
constexpr Blocks returned_list(Call call) {
  return {{call}, Join::one, true};
}
// Section.mrkdwn(self.text) (no block for an empty text), then the call's blocks.
constexpr Blocks text_then(Call call) {
  return {{Call{&Keys::Section, &Keys::mrkdwn, {pos(&Keys::text)}}, call}, Join::concat, false};
}
// The first call's list, extended in place by the second's; a list or None in the end.
constexpr Blocks extended(Call first, Call then) {
  return {{first, then}, Join::extend_first, true};
}

// getattr(<global owner>, name) for a call a message makes on every build, remembered while it
// cannot change. A class of builders is a plain class (its metaclass is type, which has no
// attribute of a builder's name), so the lookup gives what its own dict holds under the name,
// bound by velmora's builder descriptor to one cached method: while the global is the same
// class and its dict holds the same descriptor, the answer is the same. Anything else (a
// stand-in, a subclass, a replaced builder) is looked up afresh, as Python would.
class BuilderLookup {
 public:
  Ref get(PyObject* owner_name, PyObject* name) noexcept {
    Ref owner = global(owner_name);
    if (!owner) return {};
    if (owner.get() == owner_.get()) {
      Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(owner.get())));
      PyObject* found = dict ? PyDict_GetItemWithError(dict.get(), name) : nullptr;
      if (found && found == descriptor_.get()) return Ref::borrow(bound_.get());
      if (PyErr_Occurred()) return {};
    }
    Ref bound = Ref::steal(PyObject_GetAttr(owner.get(), name));
    if (bound) remember(owner.get(), name, bound.get());
    return bound;
  }

 private:
  void remember(PyObject* owner, PyObject* name, PyObject* bound) noexcept {
    owner_ = Ref{};
    if (!PyType_Check(owner) || Py_TYPE(owner) != &PyType_Type ||
        PyObject_HasAttr(reinterpret_cast<PyObject*>(&PyType_Type), name)) {
      return;
    }
    Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(owner)));
    PyObject* found = dict ? PyDict_GetItemWithError(dict.get(), name) : nullptr;
    if (!found || !is_builder_descriptor(owner, found)) {
      PyErr_Clear();
      return;
    }
    owner_ = Ref::borrow(owner);
    descriptor_ = Ref::borrow(found);
    bound_ = Ref::borrow(bound);
  }

  // velmora's builder descriptor, made for `owner`: each module of builders makes its own type
  // of it, named so, with the module (as it makes the class). A Python class of that name has no
  // module, so it is looked up afresh every time.
  static bool is_builder_descriptor(PyObject* owner, PyObject* found) noexcept {
    auto* type = Py_TYPE(found);
    if (std::strcmp(type->tp_name, "velmora.builder") != 0 || !PyType_HasFeature(type, Py_TPFLAGS_HEAPTYPE)) {
      return false;
    }
    PyObject* made_by = PyType_GetModule(type);
    PyObject* owner_made_by = made_by ? PyType_GetModule(reinterpret_cast<PyTypeObject*>(owner)) : nullptr;
    PyErr_Clear();  // a type made by no module: not ours
    return made_by && made_by == owner_made_by;
  }

  Ref owner_, descriptor_, bound_;
};

// ---- the declaration ----------------------------------------------------------------------------

// `from <package><from> import names` (relative to the velmora package), or absolute.
struct Import {
  const char* from = nullptr;
  std::array<const char*, 3> names{};
  bool absolute = false;
};

struct Message {
  const char* name;               // "DatePickerMessage"
  const char* doc;                // the class docstring; its signature line is derived (see class_doc)
  std::array<Param, 3> params{};  // in positional order
  Key star = nullptr;             // the attribute that keeps further positional arguments (*args), a tuple
  std::array<Key, 3> stored{};    // the attributes in the order they are set, when not the parameters'
  Base base = Base::first;
  std::array<Import, 3> imports{};  // besides BaseVelmora, always imported from velmora.interface
  Blocks blocks{};                  // what build_blocks() makes
  const char* build_doc = nullptr;  // build_blocks' docstring; "build_blocks($self, /)" is derived
  std::array<Key, 3> shown{};       // __match_args__ (and the repr's fields), when not the parameters

  // Messages that read keywords of their own or build in their own way.
  Ref (*consume)(PyObject* self, PyObject* rest) = nullptr;  // the keywords left for the base
  bool (*finish)(PyObject* self, PyObject* rest) = nullptr;
  Ref (*build)(PyObject* self) = nullptr;     // in place of `calls`
  PyMethodDef* methods = nullptr;             // further methods, null-terminated
  bool (*setup)(PyObject* module) = nullptr;  // more module set-up, first
};

// ---- families of messages ---------------------------------------------------------------------

// A section of `text` (exactly a str) with one accessory made from `accessory`:
// Section.<method>(text=self.text, <accessory>=self.<accessory>), its result as it is; the base
// is BaseVelmora as the module's globals name it.
constexpr Message section_with(const char* name, Param accessory, Key method, const char* doc, const char* build_doc) {
  return {.name = name,
          .doc = doc,
          .params = {{{&Keys::text, exact_str}, accessory}},
          .base = Base::first_named,
          .imports = {{{"blocks", {"Section"}}}},
          .blocks = returned({&Keys::Section, method, {kw(&Keys::text), kw(accessory.name)}}),
          .build_doc = build_doc};
}

// The markdown `text` (exactly a str), then the actions block of Actions.<method>, which
// receives the further parameters by keyword (see text_then).
constexpr Message text_then_actions(const char* name, std::array<Param, 2> further, Key method, const char* doc,
                                    const char* build_doc) {
  Message m{.name = name,
            .doc = doc,
            .params = {{{&Keys::text, exact_str}, further[0], further[1]}},
            .imports = {{{"blocks", {"Section", "Actions"}}}},
            .blocks = text_then({&Keys::Actions, method, {kw(further[0].name)}}),
            .build_doc = build_doc};
  if (further[1].name) m.blocks.calls[1].args[1] = kw(further[1].name);
  return m;
}

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

// "DatePickerMessage.__init__", for CPython's call errors.
template <const Message& M>
constexpr auto init_name() {
  std::array<char, 80> out{};
  std::size_t n = 0;
  for (const char* c = M.name; *c && n < 68; ++c) out[n++] = *c;
  for (const char* c = ".__init__"; *c; ++c) out[n++] = *c;
  return out;
}

// The class docstring: "DatePickerMessage(text, initial_date, **kwargs)\n--\n\n", made from the
// parameters, then `doc`; a `doc` that opens with the class's own signature line is taken as
// written.
template <const Message& M>
constexpr void write_class_doc(TextWriter& w) {
  std::string_view name = M.name, doc = M.doc;
  if (starts_with(doc, name) && starts_with(doc.substr(name.size()), "(")) return w.put(doc);
  w.put(name);
  w.put("(");
  for (const Param& p : M.params) {
    if (!p.name) break;
    w.put(key_text(p.name));
    w.put(p.fallback == Default::none     ? "=None, "
          : p.fallback == Default::true_  ? "=True, "
          : p.fallback == Default::false_ ? "=False, "
                                          : ", ");
  }
  if constexpr (M.star != nullptr) {
    w.put("*");
    w.put(key_text(M.star));
    w.put(", ");
  }
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

template <const Message& M>
struct Declared {
  static constexpr std::size_t N = param_count<M>();
  static constexpr auto func = init_name<M>();
  static constexpr Params<N> params = [] {
    Params<N> p{func.data(), {}, 0, N, M.star != nullptr};
    for (std::size_t i = 0; i < N; ++i) {
      p.names[i] = M.params[i].name;
      if (M.params[i].fallback == Default::required) p.required = i + 1;
    }
    return p;
  }();
  static constexpr auto class_doc = composed<write_class_doc<M>>();
  static constexpr auto build_doc = composed<write_build_doc<M>>();
  static constexpr auto module_doc = composed<write_module_doc<M>>();
  static inline Global cls;                                                // for super(cls, self)
  static inline newfunc tp_new = nullptr;                                  // the class's own, at creation
  static inline std::array<Global, M.blocks.calls.size()> kwnames;         // per call, its keyword names
  static inline std::array<BuilderLookup, M.blocks.calls.size()> lookups;  // per call, its builder
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
  if constexpr (M.base == Base::first_named) {
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
    return M.base == Base::first_named ? call_init_of(global(k.BaseVelmora).get(), self, for_base.get())
                                       : call_base_init(Declared<M>::cls.get(), self, for_base.get());
  } else {
    if (reaches_native_base<M>(self)) return rest.init_base(self);
    if (PyErr_Occurred()) return -1;
    PyObject* given = rest.dict();
    if (!given) return -1;
    return M.base == Base::first_named ? call_init_of(global(k.BaseVelmora).get(), self, given)
                                       : call_base_init(Declared<M>::cls.get(), self, given);
  }
}

// Everything after binding: defaults, checks, the base and the attributes in the declared
// order, then `finish`.
template <const Message& M>
int construct(PyObject* self, Bound<Declared<M>::N>& a, PyObject* star, Rest& rest) {
  for (std::size_t i = 0; i < Declared<M>::N; ++i) {
    if (!a[i]) a[i] = default_value(M.params[i].fallback);
    if (M.params[i].check && !M.params[i].check(a[i], PyUnicode_AsUTF8(k.*M.params[i].name))) return -1;
  }
  if (M.base == Base::last && !store<M>(self, a, star)) return -1;
  if (call_base<M>(self, rest) < 0) return -1;
  if (M.base != Base::last && !store<M>(self, a, star)) return -1;
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
    Py_ssize_t count = args ? PyTuple_GET_SIZE(args) : 0, split = count < Py_ssize_t{N} ? count : Py_ssize_t{N};
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
    Py_ssize_t first = nargs < Py_ssize_t{Declared<M>::N} ? nargs : Py_ssize_t{Declared<M>::N};
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
// Python evaluates `Section.f(x=self.a)`.
template <const Message& M>
Ref run(PyObject* self, std::size_t index) noexcept {
  const Call& c = M.blocks.calls[index];
  Ref method = Declared<M>::lookups[index].get(k.*c.owner, k.*c.method);
  if (!method) return {};
  std::array<Ref, 3> values;
  PyObject* vector[3] = {};
  std::size_t n = 0;
  for (const Arg& arg : c.args) {
    if (!arg.attr) break;
    values[n] = get_attr(self, k.*arg.attr);
    if (!values[n]) return {};
    if (arg.star) return call_star(method.get(), values[n].get());  // the one argument: f(*self.attr)
    vector[n] = values[n].get();
    ++n;
  }
  PyObject* kwnames = Declared<M>::kwnames[index].get();
  std::size_t nkw = kwnames ? static_cast<std::size_t>(PyTuple_GET_SIZE(kwnames)) : 0;
  return Ref::steal(PyObject_Vectorcall(method.get(), vector, n - nkw, kwnames));
}

// 1 when call `index` is to be made (its `when` attribute is true or it has none), 0, -1.
template <const Message& M>
int wanted(PyObject* self, std::size_t index) noexcept {
  const Call& c = M.blocks.calls[index];
  if (!c.when) return 1;
  Ref flag = get_attr(self, k.*c.when);
  int truth = flag ? PyObject_IsTrue(flag.get()) : -1;
  return truth < 0 ? -1 : (truth != 0) != c.unless;
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

// `from ... import` of what the module needs, and the keyword names of each call.
template <const Message& M>
bool prepare(PyObject* module) noexcept {
  if (!import_from_package(module, "interface", {"BaseVelmora"})) return false;
  for (const Import& imp : M.imports) {
    if (!imp.from) break;
    std::size_t count = 0;
    while (count < imp.names.size() && imp.names[count]) ++count;
    if (!import_names(module, imp.from, imp.absolute ? 0 : package_level(), imp.names.data(), count)) return false;
  }
  for (std::size_t i = 0; i < M.blocks.calls.size() && M.blocks.calls[i].owner; ++i) {
    PyObject* keywords[3];
    std::size_t count = 0;
    for (const Arg& arg : M.blocks.calls[i].args) {
      if (arg.attr && arg.keyword) keywords[count++] = k.*arg.keyword;
    }
    if (count == 0) continue;
    Ref tuple = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(count)));
    if (!tuple) return false;
    for (std::size_t j = 0; j < count; ++j)
      PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(j), Py_NewRef(keywords[j]));
    Declared<M>::kwnames[i].set(std::move(tuple));
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
