// The binding descriptor of builders, and the classes that hold them (see builder_class.hpp).
#include "builder_class.hpp"

#include <cstring>

#include "keys.hpp"

namespace vm {

namespace {

// ---- the binding descriptor -------------------------------------------------------------

struct BinderObject {
  PyObject_HEAD PyObject* owner;  // the defining class
  PyMethodDef* def;               // a C builder taking the class as self, or
  PyObject* func;                 // a callable taking the class first (a decorated builder)
  PyObject* module_name;
  PyObject* cached;  // bound to `owner`
};

Global binder_type;  // one per module: each links its own copy of this library

BinderObject* as_binder(PyObject* self) noexcept {
  return reinterpret_cast<BinderObject*>(self);
}

// The builder bound to `cls`. A binder the garbage collector has cleared (tp_clear) keeps its C
// builder; a decorated one has nothing left to bind.
Ref bind_to(BinderObject* binder, PyObject* cls) noexcept {
  if (binder->def) return Ref::steal(PyCFunction_NewEx(binder->def, cls, binder->module_name));
  if (binder->func) return Ref::steal(PyMethod_New(binder->func, cls));
  PyErr_SetString(PyExc_ReferenceError, "this builder was cleared by the garbage collector");
  return {};
}

PyObject* binder_get(PyObject* self, PyObject* obj, PyObject* type) noexcept {
  BinderObject* binder = as_binder(self);
  PyObject* cls = type ? type : reinterpret_cast<PyObject*>(Py_TYPE(obj));
  if (cls == binder->owner && binder->cached) [[likely]]
    return Py_NewRef(binder->cached);
  return bind_to(binder, cls).release();
}

// The references a binder holds: the descriptor's class, then its own.
template <class Each>
void each_reference(PyObject* self, Each&& each) noexcept {
  BinderObject* binder = as_binder(self);
  for (PyObject** slot : {&binder->owner, &binder->func, &binder->module_name, &binder->cached}) each(slot);
}

int binder_traverse(PyObject* self, visitproc visit, void* arg) noexcept {
  Py_VISIT(Py_TYPE(self));
  int status = 0;
  each_reference(self, [&](PyObject** slot) {
    if (!status && *slot) status = visit(*slot, arg);
  });
  return status;
}

int binder_clear(PyObject* self) noexcept {
  each_reference(self, [](PyObject** slot) { Py_CLEAR(*slot); });
  return 0;
}

void binder_dealloc(PyObject* self) noexcept {
  PyTypeObject* type = Py_TYPE(self);
  PyObject_GC_UnTrack(self);
  binder_clear(self);
  type->tp_free(self);
  Py_DECREF(type);
}

// The builder's own documentation, so help() on the class dict entry reads like the builder
// (None once the binder is cleared).
PyObject* binder_doc(PyObject* self, void*) noexcept {
  BinderObject* binder = as_binder(self);
  PyObject* builder = binder->func ? binder->func : binder->cached;
  return builder ? PyObject_GetAttr(builder, k.dunder_doc) : Py_NewRef(Py_None);
}

PyObject* binder_func(PyObject* self, void*) noexcept {
  BinderObject* binder = as_binder(self);
  PyObject* builder = binder->func ? binder->func : binder->cached;
  if (builder) return Py_NewRef(builder);
  PyErr_SetString(PyExc_ReferenceError, "this builder was cleared by the garbage collector");
  return nullptr;
}

bool ready_binder_type(PyObject* module) noexcept {
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

Ref make_binder(PyObject* owner, PyMethodDef* def, PyObject* func, PyObject* module_name) noexcept {
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

}  // namespace

// 1 when `cls` is a class of builders whose own dict still holds the builder `name` (called
// `builder`) made for it by this module: `cls.name(...)` then runs that builder, and a builder
// of the same class may call it directly. 0 for a subclass, a replaced builder or anything else;
// -1 on error.
int holds_own_builder(PyObject* cls, PyObject* name, const char* builder) noexcept {
  if (Py_TYPE(cls) != &PyType_Type || !binder_type.get()) return 0;
  Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(cls)));
  PyObject* found = dict ? PyDict_GetItemWithError(dict.get(), name) : nullptr;
  if (!found) return PyErr_Occurred() ? -1 : 0;
  if (Py_TYPE(found) != reinterpret_cast<PyTypeObject*>(binder_type.get())) return 0;
  BinderObject* binder = as_binder(found);
  return binder->owner == cls && binder->def && std::strcmp(binder->def->ml_name, builder) == 0;
}

// A new subclassable, mutable class `qualified_name` ("velmora.blocks.section.Section")
// holding `builders`; decorated builders are passed, unbound, to their decorator first.
Ref make_builder_class(PyObject* module, const char* qualified_name, const char* doc, std::span<Builder> builders,
                       Decorators decorators) noexcept {
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

}  // namespace vm
