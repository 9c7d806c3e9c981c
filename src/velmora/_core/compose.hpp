// Composing a message from builders: calls of builders looked up in the module's globals
// at call time, and block lists joined in order.
#pragma once

#include <array>
#include <initializer_list>

#include "args.hpp"
#include "build.hpp"
#include "errors.hpp"
#include "messages.hpp"
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

// ---- messages that store their parameters -------------------------------------------------

// The constructor of a message that keeps each parameter as the attribute of the same name:
// binds (missing optional parameters take `defaults`), lets `check` vet the values, calls the
// base with the other keyword arguments first, then stores the attributes in parameter order.
template <std::size_t N>
int init_stored(PyObject* cls, PyObject* self, PyObject* args, PyObject* kwargs, const Params<N>& params,
                const std::array<PyObject*, N>& defaults, bool (*check)(const Bound<N>&)) noexcept {
  Bound<N> a;
  Ref rest;
  if (!bind_init(params, args, kwargs, a, rest)) return -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (!a[i]) a[i] = defaults[i];
  }
  if (!check(a) || call_base_init(cls, self, rest.get()) < 0) return -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (!set_attr(self, k.*params.names[i], a[i])) return -1;
  }
  return 0;
}

// <global owner>.<method>(name=self.name, ...) for the attribute names `attrs` (read in order),
// all passed by keyword under the names in `kwnames` (the same names).
inline Ref call_with_attributes(PyObject* self, PyObject* owner, PyObject* method, PyObject* kwnames) noexcept {
  constexpr Py_ssize_t max_args = 3;
  Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
  if (count > max_args) {
    PyErr_SetString(PyExc_SystemError, "call_with_attributes: too many attributes");
    return {};
  }
  std::array<Ref, max_args> values;
  for (Py_ssize_t i = 0; i < count; ++i) {
    values[static_cast<std::size_t>(i)] = Ref::steal(PyObject_GetAttr(self, PyTuple_GET_ITEM(kwnames, i)));
    if (!values[static_cast<std::size_t>(i)]) return {};
  }
  Ref cls = global(owner);
  if (!cls) return {};
  PyObject* vector[max_args + 1] = {cls.get()};
  for (Py_ssize_t i = 0; i < count; ++i) vector[i + 1] = values[static_cast<std::size_t>(i)].get();
  return Ref::steal(PyObject_VectorcallMethod(method, vector, 1, kwnames));
}

// Section.mrkdwn(self.text) (nothing for an empty text), then the blocks of
// <global owner>.<method>(name=self.name, ...) for the names in `kwnames`.
inline Ref text_then(PyObject* self, PyObject* owner, PyObject* method, PyObject* kwnames) noexcept {
  Ref blocks = empty_list();
  if (!blocks) return {};
  Ref text = Ref::steal(PyObject_GetAttr(self, k.text));
  if (!extend_blocks(blocks.get(), call_builder(k.Section, k.mrkdwn, {text.get()})) ||
      !extend_blocks(blocks.get(), call_with_attributes(self, owner, method, kwnames))) {
    return {};
  }
  return blocks;
}

}  // namespace vm
