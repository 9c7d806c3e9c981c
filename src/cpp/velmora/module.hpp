// Module set-up: multi-phase initialisation, refused a second time in the process.
//
// Each extension module ends with VM_MODULE(doc, setup), where `setup(module)` adds the
// module's classes and returns 0, or -1 with the error set. The build defines
// VELMORA_MODULE_NAME ("velmora.blocks.section"), VELMORA_MODULE_SHORT ("section") and
// VELMORA_MODULE_ID (section).
#pragma once

#include <cstddef>
#include <initializer_list>

#include "args.hpp"
#include "build.hpp"
#include "errors.hpp"
#include "keys.hpp"
#include "signature.hpp"

namespace vm {

// Per extension module (each is its own shared object with hidden symbols).
inline bool module_ready = false;
inline Global module_globals;

namespace detail {

[[gnu::cold]] inline void raise_reinitialised() noexcept {
  PyErr_SetString(PyExc_ImportError,
                  "Module '" VELMORA_MODULE_SHORT "' has already been imported. Re-initialisation is not supported.");
}

inline PyObject* create_module(PyObject* spec, PyModuleDef*) noexcept {
  if (module_ready) {
    raise_reinitialised();
    return nullptr;
  }
  Ref name = Ref::steal(PyObject_GetAttrString(spec, "name"));
  return name ? PyModule_NewObject(name.get()) : nullptr;
}

inline int warn_if_other_python() noexcept {
  unsigned long major = (Py_Version >> 24) & 0xFF, minor = (Py_Version >> 16) & 0xFF;
  if (major == PY_MAJOR_VERSION && minor == PY_MINOR_VERSION) return 0;
  return PyErr_WarnFormat(PyExc_RuntimeWarning, 1, "%s was built for Python %d.%d but runs on Python %lu.%lu",
                          VELMORA_MODULE_NAME, PY_MAJOR_VERSION, PY_MINOR_VERSION, major, minor);
}

inline int exec_module(PyObject* module, int (*setup)(PyObject*)) noexcept {
  if (module_ready) {
    raise_reinitialised();
    return -1;
  }
  if (warn_if_other_python() < 0 || !intern_keys() || !init_templates()) return -1;
  module_globals.set(Ref::borrow(PyModule_GetDict(module)));
  if (guarded([&] { return setup(module); }) < 0) return -1;
  module_ready = true;  // only now: a failed set-up can be retried
  return 0;
}

}  // namespace detail

// A name in this module's globals, looked up at call time so that tests and subclasses
// can stand in (NameError when missing, as in Python code).
inline Ref global(PyObject* name) noexcept {
  PyObject* found = PyDict_GetItemWithError(module_globals.get(), name);
  if (found) return Ref::borrow(found);
  if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
  return {};
}

// getattr(<global name>, attr), e.g. the builder Section.static_select, looked up at call time.
inline Ref global_attr(PyObject* name, PyObject* attr) noexcept {
  Ref owner = global(name);
  if (!owner) return {};
  return Ref::steal(PyObject_GetAttr(owner.get(), attr));
}

// obj.<name>() looked up at call time, so a subclass's override is used.
inline Ref call_method(PyObject* obj, PyObject* name) noexcept {
  return Ref::steal(PyObject_VectorcallMethod(name, &obj, 1 | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// How many levels up a relative import from this module reaches the velmora package:
// one per dot of "velmora.messages.section.date_picker".
constexpr int package_level() noexcept {
  int dots = 0;
  for (const char* c = VELMORA_MODULE_NAME; *c; ++c) dots += *c == '.';
  return dots;
}

// `from <name> import a, b` (absolute), or with `level` dots: binds each name in this module's
// globals, as Python would.
inline bool import_names(PyObject* module, const char* name, int level, const char* const* names,
                         std::size_t count) noexcept {
  Ref fromlist = Ref::steal(PyList_New(0));
  if (!fromlist) return false;
  for (std::size_t i = 0; i < count; ++i) {
    Ref s = Ref::steal(PyUnicode_InternFromString(names[i]));
    if (!s || PyList_Append(fromlist.get(), s.get()) < 0) return false;
  }
  Ref modname = Ref::steal(PyUnicode_FromString(name));
  if (!modname) return false;
  Ref imported = Ref::steal(
      PyImport_ImportModuleLevelObject(modname.get(), PyModule_GetDict(module), nullptr, fromlist.get(), level));
  if (!imported) return false;
  for (std::size_t i = 0; i < count; ++i) {
    Ref value = Ref::steal(PyObject_GetAttrString(imported.get(), names[i]));
    if (!value) {
      if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
        PyErr_Clear();
        PyErr_Format(PyExc_ImportError, "cannot import name '%s' from '%s'", names[i], name);
      }
      return false;
    }
    if (PyModule_AddObjectRef(module, names[i], value.get()) < 0) return false;
  }
  return true;
}

// `from typing import Iterable, Optional`
inline bool import_from(PyObject* module, const char* name, std::initializer_list<const char*> names) noexcept {
  return import_names(module, name, 0, names.begin(), names.size());
}

// `from velmora.<name> import a, b`, written relative to this module's package so that the
// package can be vendored under another name.
inline bool import_from_package(PyObject* module, const char* name, std::initializer_list<const char*> names) noexcept {
  return import_names(module, name, package_level(), names.begin(), names.size());
}

// A function written as `Ref f(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
// PyObject* kwnames)` (self: the module, or a builder's class), entered through guarded().
using FastImpl = Ref (*)(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

template <FastImpl F>
PyObject* fast_entry(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
  return guarded([&] { return F(self, args, nargs, kwnames); });
}

// The method table entry of a module function, declared as Python shows it:
// vm::function<escape, "escape(text)", "...">(). The function takes the arguments bound to that
// signature (`Ref escape(PyObject* module, vm::Bound<1>& a)`, see vm::bound); its name and the
// "$module, /" of the docstring's signature line are derived from it.
template <auto F, Literal Signature, Literal Text>
PyMethodDef function() noexcept {
  using D = Documented<"$module", Signature, Text>;
  return {D::name.data(),
          reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&fast_entry<bound<F, params<Signature>>>)),
          METH_FASTCALL | METH_KEYWORDS, D::doc.data()};
}

// A module __getattr__ (PEP 562) for names whose value is made on first use: `Make(name)` gives
// the value of a name it knows, or a null Ref with no error set for any other name (Python's
// AttributeError then). A value made is kept in the module's globals, so later reads are plain
// lookups that never come here. Declared as vm::module_getattr<make, "...">() (below).
template <Ref (*Make)(PyObject* name)>
Ref made_on_first_use(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  if (nargs != 1 || kwnames) {
    PyErr_SetString(PyExc_TypeError, "__getattr__() takes exactly one positional argument");
    return {};
  }
  Ref value = PyUnicode_Check(args[0]) ? Make(args[0]) : Ref{};
  if (value) return PyDict_SetItem(module_globals.get(), args[0], value.get()) == 0 ? std::move(value) : Ref{};
  if (!PyErr_Occurred()) {
    PyErr_Format(PyExc_AttributeError, "module '%s' has no attribute '%S'", VELMORA_MODULE_NAME, args[0]);
  }
  return {};
}

// The method table entry of the module __getattr__ that made_on_first_use<Make> is.
template <Ref (*Make)(PyObject* name), Literal Text>
PyMethodDef module_getattr() noexcept {
  using D = Documented<"$module", "__getattr__(name, /)", Text>;
  return {D::name.data(),
          reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&fast_entry<made_on_first_use<Make>>)),
          METH_FASTCALL | METH_KEYWORDS, D::doc.data()};
}

// The entry that ends a table of functions or methods.
inline constexpr PyMethodDef table_end{nullptr, nullptr, 0, nullptr};

// More set-up a module of functions needs before its functions are added; false with the
// error set.
using PrepareFunctions = bool (*)(PyObject* module);

inline int setup_function_module(PyObject* module, PyMethodDef* functions, PrepareFunctions prepare) {
  if (prepare && !prepare(module)) return -1;
  return PyModule_AddFunctions(module, functions);
}

// Adds a class to the module under its own __name__.
inline bool add_type(PyObject* module, Ref type) noexcept {
  return type && PyModule_AddType(module, reinterpret_cast<PyTypeObject*>(type.get())) == 0;
}

}  // namespace vm

#define VM_CAT_(a, b) a##b
#define VM_CAT(a, b) VM_CAT_(a, b)

#define VM_MODULE(doc, setup)                                                                                   \
  static int vm_exec_module(PyObject* module) noexcept {                                                        \
    return vm::detail::exec_module(module, setup);                                                              \
  }                                                                                                             \
  static PyModuleDef_Slot vm_module_slots[] = {                                                                 \
      {Py_mod_create, reinterpret_cast<void*>(vm::detail::create_module)},                                      \
      {Py_mod_exec, reinterpret_cast<void*>(vm_exec_module)},                                                   \
      {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},                               \
      {0, nullptr}};                                                                                            \
  static PyModuleDef vm_module_def = {                                                                          \
      PyModuleDef_HEAD_INIT, VELMORA_MODULE_NAME, doc, 0, nullptr, vm_module_slots, nullptr, nullptr, nullptr}; \
  PyMODINIT_FUNC VM_CAT(PyInit_, VELMORA_MODULE_ID)(void) {                                                     \
    return PyModuleDef_Init(&vm_module_def);                                                                    \
  }

// The module of the functions `functions` (ended by vm::table_end), after `prepare` (or nullptr):
//   VM_FUNCTION_MODULE("Slack mrkdwn made safely.", functions, nullptr)
#define VM_FUNCTION_MODULE(doc, functions, prepare)               \
  static int vm_setup_functions(PyObject* module) {               \
    return vm::setup_function_module(module, functions, prepare); \
  }                                                               \
  VM_MODULE(doc, vm_setup_functions)
