// Owned references and process-wide slots for Python objects.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace vm {

// A move-only owned reference. Made only with steal() or borrow(), never implicitly
// from a raw pointer, so every reference count change is visible where it happens.
class Ref {
 public:
  constexpr Ref() noexcept = default;
  static Ref steal(PyObject* p) noexcept { return Ref(p); }
  static Ref borrow(PyObject* p) noexcept {
    Py_XINCREF(p);
    return Ref(p);
  }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    PyObject* old = std::exchange(p_, std::exchange(other.p_, nullptr));
    Py_XDECREF(old);
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Py_XDECREF(p_); }

  PyObject* get() const noexcept { return p_; }
  PyObject* release() noexcept { return std::exchange(p_, nullptr); }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  explicit Ref(PyObject* p) noexcept : p_(p) {}
  PyObject* p_ = nullptr;
};

// A process-wide slot holding one strong reference that is never dropped at exit
// (static destructors run after the interpreter is gone). Sound because a module
// refuses a second initialisation in the same process.
class Global {
 public:
  constexpr Global() noexcept = default;
  PyObject* get() const noexcept { return p_; }
  void set(Ref value) noexcept {
    PyObject* old = std::exchange(p_, value.release());
    Py_XDECREF(old);
  }

 private:
  PyObject* p_ = nullptr;
};

// getattr(obj, name, None) without the AttributeError: 1 and `out` set when found, 0 when
// missing, -1 with the error set.
inline int lookup_attr(PyObject* obj, PyObject* name, Ref& out) noexcept {
  PyObject* found = nullptr;
#if PY_VERSION_HEX >= 0x030D0000
  int status = PyObject_GetOptionalAttr(obj, name, &found);
#else
  // Python 3.12 has no public form of it: getattr, and an AttributeError means missing.
  found = PyObject_GetAttr(obj, name);
  int status = 1;
  if (!found) {
    status = PyErr_ExceptionMatches(PyExc_AttributeError) ? 0 : -1;
    if (status == 0) PyErr_Clear();
  }
#endif
  out = Ref::steal(found);
  return status;
}

}  // namespace vm
