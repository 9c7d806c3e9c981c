// The calls from a message into its base: BaseVelmora.__init__ (directly, while it is velmora's
// own), or whatever __init__ comes next in type(self).__mro__, as super() finds it.
#pragma once

#include "build.hpp"
#include "keys.hpp"

namespace vm {

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

}  // namespace vm
