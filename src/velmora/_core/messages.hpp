// Message classes: heap types whose base is the Python class BaseVelmora, with a
// C++ __init__ and build_blocks. Instances keep their __dict__ (basicsize 0 inherits
// the base's layout), so attributes stay plain Python attributes.
#pragma once

#include <array>
#include <initializer_list>
#include <new>
#include <utility>

#include "builders.hpp"
#include "errors.hpp"
#include "module.hpp"

namespace vm {

using InitImpl = int (*)(PyObject* self, PyObject* args, PyObject* kwargs);
using MethodImpl = Ref (*)(PyObject* self);

template <InitImpl F>
int init_entry(PyObject* self, PyObject* args, PyObject* kwargs) noexcept {
  try {
    return F(self, args, kwargs);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "velmora: unexpected C++ exception");
  }
  return -1;
}

template <MethodImpl F>
PyObject* method_entry(PyObject* self, PyObject*) noexcept {
  return guarded([&] { return F(self); });
}

// The method table entry of a no-argument method such as build_blocks.
template <MethodImpl F>
PyMethodDef method(const char* name, const char* doc) {
  return {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&method_entry<F>)),
          METH_NOARGS, doc};
}

// A new message class `qualified_name` deriving from `base`; `methods` ends with a null entry.
inline Ref make_message_class(PyObject* module, const char* qualified_name, const char* doc,
                              initproc init, PyMethodDef* methods, PyObject* base) noexcept {
  PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(doc)},
                         {Py_tp_init, reinterpret_cast<void*>(init)},
                         {Py_tp_methods, methods},
                         {0, nullptr}};
  PyType_Spec spec = {qualified_name, 0, 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};
  Ref bases = Ref::steal(PyTuple_Pack(1, base));
  if (!bases) return {};
  return Ref::steal(PyType_FromModuleAndSpec(module, &spec, bases.get()));
}

namespace detail {

// super(cls, self).__init__(**kwargs) the long way: a super object, a bound method, a call.
[[gnu::cold]] inline int call_super_init(PyObject* cls, PyObject* self, PyObject* kwargs) noexcept {
  PyObject* super_args[] = {cls, self};
  Ref super = Ref::steal(PyObject_Vectorcall(reinterpret_cast<PyObject*>(&PySuper_Type),
                                             super_args, 2, nullptr));
  if (!super) return -1;
  Ref init = Ref::steal(PyObject_GetAttr(super.get(), k.dunder_init));
  if (!init) return -1;
  Ref no_args = Ref::steal(PyTuple_New(0));
  if (!no_args) return -1;
  Ref result = Ref::steal(PyObject_Call(init.get(), no_args.get(), kwargs));
  return result ? 0 : -1;
}

// What super(cls, self).__init__ finds: the first `__init__` in a class dict of
// type(self).__mro__ after `cls`. 1 and `found` set, 0 when `cls` is not in the MRO, -1 on error.
inline int find_next_init(PyObject* cls, PyObject* self, Ref& found) noexcept {
  PyObject* mro = Py_TYPE(self)->tp_mro;
  if (!mro || !PyTuple_Check(mro)) return 0;
  Ref hold = Ref::borrow(mro);  // the MRO may be replaced while we look
  Py_ssize_t n = PyTuple_GET_SIZE(mro), i = 0;
  while (i < n && PyTuple_GET_ITEM(mro, i) != cls) ++i;
  for (++i; i < n; ++i) {
    Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i))));
    if (!dict) continue;
    PyObject* init = PyDict_GetItemWithError(dict.get(), k.dunder_init);
    if (init) {
      found = Ref::borrow(init);
      return 1;
    }
    if (PyErr_Occurred()) return -1;
  }
  return 0;
}

}  // namespace detail

// super(cls, self).__init__(**kwargs), resolved at call time so that cooperative
// multiple inheritance and stand-in bases work. Rather than making a super object and a
// bound method on every call, it walks type(self).__mro__ after `cls` as super does and
// calls a Python function found there directly with `self` first.
inline int call_base_init(PyObject* cls, PyObject* self, PyObject* kwargs) noexcept {
  Ref init;
  int status = detail::find_next_init(cls, self, init);
  if (status < 0) return -1;
  if (status == 0 || !PyFunction_Check(init.get())) {
    return detail::call_super_init(cls, self, kwargs);  // descriptors and odd cases: as super does
  }
  Ref result = Ref::steal(PyObject_VectorcallDict(init.get(), &self, 1, kwargs));
  return result ? 0 : -1;
}

// base.__init__(self, **kwargs) with `base` named outright (looked up by the caller at call
// time), for classes that call their base class directly rather than through super().
inline int call_init_of(PyObject* base, PyObject* self, PyObject* kwargs) noexcept {
  if (!base) return -1;
  Ref init = Ref::steal(PyObject_GetAttr(base, k.dunder_init));
  if (!init) return -1;
  Ref args = Ref::steal(PyTuple_Pack(1, self));
  if (!args) return -1;
  Ref result = Ref::steal(PyObject_Call(init.get(), args.get(), kwargs));
  return result ? 0 : -1;
}

inline bool set_attr(PyObject* self, PyObject* name, PyObject* value) noexcept {
  return value && PyObject_SetAttr(self, name, value) == 0;
}

// Sets the attributes in the order written; stops at the first failure.
inline bool set_attrs(PyObject* self,
                      std::initializer_list<std::pair<PyObject*, PyObject*>> attrs) noexcept {
  for (const auto& [name, value] : attrs) {
    if (!set_attr(self, name, value)) return false;
  }
  return true;
}

// getattr(self, name); a null `self` propagates an earlier failure, so calls can be chained.
inline Ref get_attr(PyObject* self, PyObject* name) noexcept {
  if (!self) return {};
  return Ref::steal(PyObject_GetAttr(self, name));
}

// A tuple of interned names, e.g. the keyword names of a call made on every build.
inline Ref names(std::initializer_list<PyObject*> items) noexcept {
  Ref out = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
  if (!out) return {};
  Py_ssize_t i = 0;
  for (PyObject* item : items) PyTuple_SET_ITEM(out.get(), i++, Py_NewRef(item));
  return out;
}

// callable(*args) where the last len(kwnames) arguments go by keyword under those names.
// A null callable or argument means an earlier step failed with the error set.
inline Ref call(PyObject* callable, std::initializer_list<PyObject*> args,
                PyObject* kwnames = nullptr) noexcept {
  if (!callable) return {};
  for (PyObject* arg : args) {
    if (!arg) return {};
  }
  auto nkw = static_cast<std::size_t>(kwnames ? PyTuple_GET_SIZE(kwnames) : 0);
  return Ref::steal(PyObject_Vectorcall(callable, args.begin(), args.size() - nkw, kwnames));
}

// callable(getattr(self, a1), getattr(self, a2), ...), the attributes read in order after
// the callable, as Python evaluates `Section.f(x=self.a1, y=self.a2)`; the last
// len(kwnames) of them go by keyword.
inline Ref call_with_attrs(Ref callable, PyObject* self, std::initializer_list<PyObject*> attrs,
                           PyObject* kwnames = nullptr) noexcept {
  constexpr std::size_t max_args = 4;
  if (!callable) return {};
  if (attrs.size() > max_args) {
    PyErr_SetString(PyExc_SystemError, "call_with_attrs: too many attributes");
    return {};
  }
  std::array<Ref, max_args> values;
  PyObject* args[max_args] = {};
  std::size_t n = 0;
  for (PyObject* name : attrs) {
    values[n] = get_attr(self, name);
    if (!values[n]) return {};
    args[n] = values[n].get();
    ++n;
  }
  auto nkw = static_cast<std::size_t>(kwnames ? PyTuple_GET_SIZE(kwnames) : 0);
  return Ref::steal(PyObject_Vectorcall(callable.get(), args, n - nkw, kwnames));
}

// The first truthy of the attributes `names` of `self`, read lazily in order as Python's
// `self.a or self.b or fallback` does; else `fallback`.
inline Ref first_truthy_attr(PyObject* self, std::initializer_list<PyObject*> names,
                             PyObject* fallback) noexcept {
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

// Creates the message class `qualified_name` on the module's BaseVelmora (imported into the
// module's globals beforehand) and adds it to the module; `slot`, when given, keeps the class
// for super(cls, self).
inline bool add_message_class(PyObject* module, const char* qualified_name, const char* doc,
                              initproc init, PyMethodDef* methods, Global* slot = nullptr) noexcept {
  Ref base = global(k.BaseVelmora);
  if (!base) return false;
  Ref cls = make_message_class(module, qualified_name, doc, init, methods, base.get());
  if (!cls) return false;
  if (slot) slot->set(Ref::borrow(cls.get()));
  return add_type(module, std::move(cls));
}

}  // namespace vm
