// Classes of builders: heap types whose builders behave as class methods.
//
// A builder is written as `Ref f(PyObject* cls, vm::Bound<N>& a)` on the arguments bound to its
// signature (vm::builder, below). It is stored in its class through a small binding descriptor rather
// than `classmethod`: looked up on the defining class it hands out one cached bound builtin
// (METH_FASTCALL | METH_KEYWORDS, so the interpreter's specialised call applies), and on any
// other class (a Python subclass) a fresh one bound to that class, so `cls` stays truthful.
#pragma once

#include <cstdio>
#include <span>

#include "args.hpp"
#include "build.hpp"
#include "errors.hpp"
#include "keys.hpp"
#include "module.hpp"
#include "signature.hpp"

namespace vm {

using BuilderImpl = FastImpl;

// Entry taking the class as first positional argument: the plain function handed to a decorator.
template <BuilderImpl F>
PyObject* unbound_entry(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
  if (nargs < 1) {
    PyErr_SetString(PyExc_TypeError, "builder called without its class as first argument");
    return nullptr;
  }
  return guarded([&] { return F(args[0], args + 1, nargs - 1, kwnames); });
}

// How a builder is wrapped at class creation: by one of the validation decorators of
// velmora.utils, or not at all.
enum class Wrap { none, validate_options, validate_initial_time };

struct Builder {
  PyMethodDef def;
  Wrap wrap;
};

template <BuilderImpl F>
Builder builder(const char* name, const char* doc, Wrap wrap = Wrap::none) noexcept {
  auto entry = wrap == Wrap::none ? &fast_entry<F> : &unbound_entry<F>;
  return {
      {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry)), METH_FASTCALL | METH_KEYWORDS, doc},
      wrap};
}

// A builder declared as Python shows it, with the name its call errors give:
// vm::builder<static_select, "Section.static_select(options, text=None, *, block_id=None)",
// "A section ...">(), then the decorator when there is one. The builder takes the arguments
// bound to that signature (`Ref static_select(PyObject* cls, vm::Bound<3>& a)`, see vm::bound);
// its name and docstring, with the "$cls, /" of the signature line, come from the same text.
template <auto F, Literal Signature, Literal Text, Wrap W = Wrap::none>
Builder builder() noexcept {
  using D = Documented<"$cls", Signature, Text>;
  return builder<bound<F, params<Signature>>>(D::name.data(), D::doc.data(), W);
}

// ---- builders of one block showing a text ---------------------------------------------------

// The builder of the one block, a new dict, that `Block` makes of a text: the text exactly a str
// (or None when `Optional`), the block id checked; [] for a text that is None or empty, else
// [Block(text)] with "block_id" last when given.
template <Ref (*Block)(PyObject* text) noexcept, bool Optional>
Ref text_block(PyObject*, Bound<2>& a) {
  bool has_id;
  PyObject* text = a[0] ? a[0] : Py_None;
  if (!check_str(text, "text", Optional) || !check_block_id(a[1], has_id)) return {};
  if (text == Py_None || PyUnicode_GET_LENGTH(text) == 0) return empty_list();
  Ref block = Block(text);  // a new dict
  if (!block || (has_id && PyDict_SetItem(block.get(), k.block_id, a[1]) < 0)) return {};
  return list_of(std::move(block));
}

// The table entry of such a builder: vm::text_builder<header, "Header.plain_text(text, *,
// block_id=None)", "...">(); "text=None" makes the text optional.
template <Ref (*Block)(PyObject* text) noexcept, Literal Signature, Literal Text>
Builder text_builder() noexcept {
  constexpr auto& p = params<Signature>;
  static_assert(p.names.size() == 2 && p.names[0] == &Keys::text && p.names[1] == &Keys::block_id && p.positional == 1,
                "a text block's builder reads name(text, *, block_id=None)");
  return builder<text_block<Block, p.required == 0>, Signature, Text>();
}

// ---- the binding descriptor -------------------------------------------------------------

struct BinderObject {
  PyObject_HEAD PyObject* owner;  // the defining class
  PyMethodDef* def;               // a C builder taking the class as self, or
  PyObject* func;                 // a callable taking the class first (a decorated builder)
  PyObject* module_name;
  PyObject* cached;  // bound to `owner`
};

inline Global binder_type;

inline BinderObject* as_binder(PyObject* self) noexcept {
  return reinterpret_cast<BinderObject*>(self);
}

// The builder bound to `cls`. A binder the garbage collector has cleared (tp_clear) keeps its C
// builder; a decorated one has nothing left to bind.
inline Ref bind_to(BinderObject* binder, PyObject* cls) noexcept {
  if (binder->def) return Ref::steal(PyCFunction_NewEx(binder->def, cls, binder->module_name));
  if (binder->func) return Ref::steal(PyMethod_New(binder->func, cls));
  PyErr_SetString(PyExc_ReferenceError, "this builder was cleared by the garbage collector");
  return {};
}

inline PyObject* binder_get(PyObject* self, PyObject* obj, PyObject* type) noexcept {
  BinderObject* binder = as_binder(self);
  PyObject* cls = type ? type : reinterpret_cast<PyObject*>(Py_TYPE(obj));
  if (cls == binder->owner && binder->cached) [[likely]]
    return Py_NewRef(binder->cached);
  return bind_to(binder, cls).release();
}

// 1 when `cls` is a class of builders whose own dict still holds the builder `name` (called
// `builder`) made for it by this module: `cls.name(...)` then runs that builder, and a builder
// of the same class may call it directly. 0 for a subclass, a replaced builder or anything else;
// -1 on error.
inline int holds_own_builder(PyObject* cls, PyObject* name, const char* builder) noexcept {
  if (Py_TYPE(cls) != &PyType_Type || !binder_type.get()) return 0;
  Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(cls)));
  PyObject* found = dict ? PyDict_GetItemWithError(dict.get(), name) : nullptr;
  if (!found) return PyErr_Occurred() ? -1 : 0;
  if (Py_TYPE(found) != reinterpret_cast<PyTypeObject*>(binder_type.get())) return 0;
  BinderObject* binder = as_binder(found);
  return binder->owner == cls && binder->def && std::strcmp(binder->def->ml_name, builder) == 0;
}

// The references a binder holds: the descriptor's class, then its own.
template <class Each>
void each_reference(PyObject* self, Each&& each) noexcept {
  BinderObject* binder = as_binder(self);
  for (PyObject** slot : {&binder->owner, &binder->func, &binder->module_name, &binder->cached}) each(slot);
}

inline int binder_traverse(PyObject* self, visitproc visit, void* arg) noexcept {
  Py_VISIT(Py_TYPE(self));
  int status = 0;
  each_reference(self, [&](PyObject** slot) {
    if (!status && *slot) status = visit(*slot, arg);
  });
  return status;
}

inline int binder_clear(PyObject* self) noexcept {
  each_reference(self, [](PyObject** slot) { Py_CLEAR(*slot); });
  return 0;
}

inline void binder_dealloc(PyObject* self) noexcept {
  PyTypeObject* type = Py_TYPE(self);
  PyObject_GC_UnTrack(self);
  binder_clear(self);
  type->tp_free(self);
  Py_DECREF(type);
}

// The builder's own documentation, so help() on the class dict entry reads like the builder
// (None once the binder is cleared).
inline PyObject* binder_doc(PyObject* self, void*) noexcept {
  BinderObject* binder = as_binder(self);
  PyObject* builder = binder->func ? binder->func : binder->cached;
  return builder ? PyObject_GetAttr(builder, k.dunder_doc) : Py_NewRef(Py_None);
}

inline PyObject* binder_func(PyObject* self, void*) noexcept {
  BinderObject* binder = as_binder(self);
  PyObject* builder = binder->func ? binder->func : binder->cached;
  if (builder) return Py_NewRef(builder);
  PyErr_SetString(PyExc_ReferenceError, "this builder was cleared by the garbage collector");
  return nullptr;
}

inline bool ready_binder_type(PyObject* module) noexcept {
  if (binder_type.get()) return true;
  static PyGetSetDef getset[] = {
      {"__func__", binder_func, nullptr, "The builder this descriptor binds to a class.", nullptr},
      {"__doc__", binder_doc, nullptr, nullptr, nullptr},
      {nullptr, nullptr, nullptr, nullptr, nullptr}};
  static PyType_Slot slots[] = {{Py_tp_descr_get, reinterpret_cast<void*>(binder_get)},
                                {Py_tp_traverse, reinterpret_cast<void*>(binder_traverse)},
                                {Py_tp_clear, reinterpret_cast<void*>(binder_clear)},
                                {Py_tp_dealloc, reinterpret_cast<void*>(binder_dealloc)},
                                {Py_tp_getset, getset},
                                {0, nullptr}};
  // Never Py_TPFLAGS_METHOD_DESCRIPTOR: the interpreter would then skip __get__.
  static PyType_Spec spec = {"velmora.builder", sizeof(BinderObject), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
                             slots};
  Ref type = Ref::steal(PyType_FromModuleAndSpec(module, &spec, nullptr));
  if (!type) return false;
  binder_type.set(std::move(type));
  return true;
}

inline Ref make_binder(PyObject* owner, PyMethodDef* def, PyObject* func, PyObject* module_name) noexcept {
  auto* type = reinterpret_cast<PyTypeObject*>(binder_type.get());
  auto* binder = PyObject_GC_New(BinderObject, type);
  if (!binder) return {};
  binder->owner = Py_NewRef(owner);
  binder->def = def;
  binder->func = Py_XNewRef(func);
  binder->module_name = Py_NewRef(module_name);
  binder->cached = nullptr;
  Ref self = Ref::steal(reinterpret_cast<PyObject*>(binder));
  Ref cached = bind_to(binder, owner);
  if (!cached) return {};
  binder->cached = cached.release();
  PyObject_GC_Track(self.get());
  return self;
}

// ---- classes ------------------------------------------------------------------------------

// The decorators of velmora.utils (looked up by the module at set-up), by Wrap.
struct Decorators {
  PyObject* validate_options = nullptr;
  PyObject* validate_initial_time = nullptr;
};

// A new subclassable, mutable class `qualified_name` ("velmora.blocks.section.Section")
// holding `builders`; decorated builders are passed, unbound, to their decorator first.
inline Ref make_builder_class(PyObject* module, const char* qualified_name, const char* doc,
                              std::span<Builder> builders, Decorators decorators = {}) noexcept {
  if (!ready_binder_type(module)) return {};
  PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(doc)}, {0, nullptr}};
  PyType_Spec spec = {qualified_name, sizeof(PyObject), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};
  Ref cls = Ref::steal(PyType_FromModuleAndSpec(module, &spec, nullptr));
  if (!cls) return {};
  Ref module_name = Ref::steal(PyModule_GetNameObject(module));
  if (!module_name) return {};
  for (Builder& b : builders) {
    Ref binder;
    if (b.wrap == Wrap::none) {
      binder = make_binder(cls.get(), &b.def, nullptr, module_name.get());
    } else {
      PyObject* decorator =
          b.wrap == Wrap::validate_options ? decorators.validate_options : decorators.validate_initial_time;
      if (!decorator) {
        PyErr_Format(PyExc_SystemError, "no decorator given for builder %s", b.def.ml_name);
        return {};
      }
      Ref plain = Ref::steal(PyCFunction_NewEx(&b.def, nullptr, module_name.get()));
      if (!plain) return {};
      Ref decorated = Ref::steal(PyObject_CallOneArg(decorator, plain.get()));
      if (!decorated) return {};
      binder = make_binder(cls.get(), nullptr, decorated.get(), module_name.get());
    }
    if (!binder || PyObject_SetAttrString(cls.get(), b.def.ml_name, binder.get()) < 0) return {};
  }
  return cls;
}

// Set-up a module of builders needs before its class is made; fills in the decorators when
// builders are wrapped. False with the error set.
using PrepareBuilders = bool (*)(PyObject* module, Decorators& decorators);

// The set-up of a module of one class of builders, `class_name` (made with `prepare` first).
inline int setup_builder_module(PyObject* module, const char* class_name, const char* doc, std::span<Builder> builders,
                                PrepareBuilders prepare) {
  Decorators decorators;
  if (prepare && !prepare(module, decorators)) return -1;
  static char qualified[160];
  std::snprintf(qualified, sizeof qualified, "%s.%s", VELMORA_MODULE_NAME, class_name);
  return add_type(module, make_builder_class(module, qualified, doc, builders, decorators)) ? 0 : -1;
}

}  // namespace vm

// The module of one class of builders:
//   VM_BUILDER_MODULE("Header blocks.", "Header", "Builders of Block Kit header blocks.", builders, nullptr)
#define VM_BUILDER_MODULE(doc, class_name, class_doc, builders, prepare)               \
  static int vm_setup_builders(PyObject* module) {                                     \
    return vm::setup_builder_module(module, class_name, class_doc, builders, prepare); \
  }                                                                                    \
  VM_MODULE(doc, vm_setup_builders)
