// Object helpers for message code: attributes, calls, lists of blocks, and the builder lookups a
// message remembers between builds. Each takes and gives references as CPython does: a null
// result (or false) with the error set, and a null argument propagating an earlier failure.
#pragma once

#include <cstring>
#include <initializer_list>

#include "build.hpp"
#include "errors.hpp"
#include "module.hpp"

namespace vm {

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

// ---- calls and lists --------------------------------------------------------------------------

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

// ---- builder lookups ---------------------------------------------------------------------------

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

}  // namespace vm
