// Composing a message from builders: calls of builders looked up in the module's globals
// at call time, and block lists joined in order.
#pragma once

#include <initializer_list>

#include "errors.hpp"
#include "module.hpp"

namespace vm {

// A tuple of interned keyword names for vectorcall, made once at set-up.
inline Ref keyword_tuple(std::initializer_list<PyObject*> names) noexcept {
  Ref out = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
  if (!out) return {};
  Py_ssize_t i = 0;
  for (PyObject* name : names) PyTuple_SET_ITEM(out.get(), i++, Py_NewRef(name));
  return out;
}

// <global owner>.<method>(*args), the last len(kwnames) arguments passed by keyword.
// A null argument means an earlier step failed with the error set.
inline Ref call_builder(PyObject* owner, PyObject* method, std::initializer_list<PyObject*> args,
                        PyObject* kwnames = nullptr) noexcept {
  constexpr std::size_t max_args = 4;
  for (PyObject* arg : args) {
    if (!arg) return {};
  }
  if (args.size() > max_args) {
    PyErr_SetString(PyExc_SystemError, "call_builder: too many arguments");
    return {};
  }
  Ref cls = global(owner);
  if (!cls) return {};
  PyObject* vector[max_args + 1] = {cls.get()};
  std::size_t n = 1;
  for (PyObject* arg : args) vector[n++] = arg;
  std::size_t nkw = kwnames ? static_cast<std::size_t>(PyTuple_GET_SIZE(kwnames)) : 0;
  return Ref::steal(PyObject_VectorcallMethod(method, vector, n - nkw, kwnames));
}

// Appends the blocks of a builder's result to `blocks`: the result must be a list or None
// (None adds nothing); anything else is the TypeError "Expected list, got ...".
inline bool extend_blocks(PyObject* blocks, Ref part) noexcept {
  part = check_list_result(std::move(part));
  if (!part) return false;
  if (part.get() == Py_None) return true;
  return PyList_SetSlice(blocks, PY_SSIZE_T_MAX, PY_SSIZE_T_MAX, part.get()) == 0;
}

}  // namespace vm
