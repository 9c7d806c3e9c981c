// Message classes: heap types whose base is the Python class BaseVelmora, with a
// C++ __init__ and build_blocks. Instances keep their __dict__ (basicsize 0 inherits
// the base's layout), so attributes stay plain Python attributes.
#pragma once

#include <new>

#include "builders.hpp"
#include "errors.hpp"

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

inline bool set_attr(PyObject* self, PyObject* name, PyObject* value) noexcept {
  return value && PyObject_SetAttr(self, name, value) == 0;
}

inline Ref get_attr(PyObject* self, PyObject* name) noexcept {
  return Ref::steal(PyObject_GetAttr(self, name));
}

}  // namespace vm
