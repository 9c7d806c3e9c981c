// Validation helpers used by the block builders: a date check and two decorators that
// check a builder's `options` or `initial_time` argument before the builder runs.
#include "velmora/blocks.hpp"
#include "velmora/dates.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

using vm::Ref;

using vm::is_calendar_date, vm::is_clock_time;

Ref is_valid_date_fmt(PyObject*, vm::Bound<1>& a) {
  PyObject* date = a[0];
  if (!PyUnicode_Check(date)) {
    Ref got = vm::type_name(date);
    if (got) {
      PyErr_Format(PyExc_ValueError, "Invalid date: expected a str in the format YYYY-MM-DD, got %.200U", got.get());
    }
    return {};
  }
  if (!is_calendar_date(date)) {
    vm::raise_not_a_date(date);
    return {};
  }
  return Ref::borrow(Py_True);
}

// ---- the decorators ------------------------------------------------------------------------

enum class Rule { options, initial_time };

// A builder wrapped by one of the decorators: checks one argument, then calls the builder
// with the same arguments and returns its result unchanged.
struct Validated {
  PyObject_HEAD vectorcallfunc vectorcall;
  PyObject* func;
  PyObject* name;       // the checked parameter
  Py_ssize_t position;  // its position among the positional arguments, or -1
  Rule rule;
};

vm::Global validated_type;

Validated* as_validated(PyObject* self) noexcept {
  return reinterpret_cast<Validated*>(self);
}

// Where `name` stands among a function's positional parameters (the class counts):
// from a Python function's code object, else from a builtin's text signature.
// Returns -2 with the error set, -1 when it can only be passed by keyword.
Py_ssize_t find_position(PyObject* func, PyObject* name) {
  Ref code;
  if (vm::lookup_attr(func, vm::k.dunder_code, code) < 0) return -2;
  if (code) {
    Ref names = Ref::steal(PyObject_GetAttr(code.get(), vm::k.co_varnames));
    Ref argcount = Ref::steal(PyObject_GetAttr(code.get(), vm::k.co_argcount));
    Ref kwonly = Ref::steal(PyObject_GetAttr(code.get(), vm::k.co_kwonlyargcount));
    if (!names || !argcount || !kwonly || !PyTuple_Check(names.get())) return -2;
    Py_ssize_t positional = PyLong_AsSsize_t(argcount.get());
    Py_ssize_t total = positional + PyLong_AsSsize_t(kwonly.get());
    if (PyErr_Occurred()) return -2;
    for (Py_ssize_t i = 0; i < total && i < PyTuple_GET_SIZE(names.get()); ++i) {
      int equal = PyObject_RichCompareBool(PyTuple_GET_ITEM(names.get(), i), name, Py_EQ);
      if (equal < 0) return -2;
      if (equal) return i < positional ? i : -1;
    }
    return -3;
  }
  Ref signature;
  if (vm::lookup_attr(func, vm::k.dunder_text_signature, signature) < 0) return -2;
  if (!signature || !PyUnicode_Check(signature.get())) return -3;
  // "($cls, /, options, text=None)": split on commas, skip "/" and stop positions at "*".
  Py_ssize_t size;
  const char* text = PyUnicode_AsUTF8AndSize(signature.get(), &size);
  const char* wanted = PyUnicode_AsUTF8(name);
  if (!text || !wanted) return -2;
  std::string_view sig(text, static_cast<std::size_t>(size));
  if (sig.size() < 2 || sig.front() != '(') return -3;
  sig = sig.substr(1, sig.find(')') == std::string_view::npos ? sig.size() - 1 : sig.find(')') - 1);
  Py_ssize_t index = 0;
  bool keyword_only = false;
  while (!sig.empty()) {
    std::size_t comma = sig.find(',');
    std::string_view part = sig.substr(0, comma);
    sig = comma == std::string_view::npos ? std::string_view{} : sig.substr(comma + 1);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    part = part.substr(0, part.find('='));
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (part == "/") continue;
    if (!part.empty() && part.front() == '*') {
      keyword_only = true;
      continue;
    }
    if (!part.empty() && part.front() == '$') part.remove_prefix(1);
    if (part == wanted) return keyword_only ? -1 : index;
    ++index;
  }
  return -3;
}

[[gnu::cold]] bool raise_options(PyObject* options) noexcept {
  if (PyUnicode_Check(options)) {
    PyErr_SetString(PyExc_TypeError, "options must be an iterable of option texts (a list, say), not a single str");
    return false;
  }
  Ref got = vm::type_name(options);
  if (got) PyErr_Format(PyExc_TypeError, "options must be an iterable of option texts, got %.200U", got.get());
  return false;
}

// Checks the options; a lazy iterable is read once into a list, which replaces it so the
// builder sees every item (a one-shot iterator is never consumed behind its back).
bool check_options(PyObject* options, Ref& replacement) noexcept {
  PyObject* items = options;
  if (!PyList_CheckExact(options) && !PyTuple_CheckExact(options)) {
    if (PyUnicode_Check(options) || (!Py_TYPE(options)->tp_iter && !PySequence_Check(options))) {
      return raise_options(options);
    }
    replacement = Ref::steal(PySequence_List(options));
    if (!replacement) return false;
    items = replacement.get();
  }
  if (PySequence_Fast_GET_SIZE(items) == 0) {
    PyErr_SetString(PyExc_ValueError, "options must hold at least one option");
    return false;
  }
  return true;
}

bool check_initial_time(PyObject* value) noexcept {
  // Anything but an exact str goes through: the builder raises its own type error.
  if (!PyUnicode_CheckExact(value) || is_clock_time(value)) return true;
  vm::raise_not_a_time(value);
  return false;
}

// A decorator the garbage collector has cleared (tp_clear) has no function left to call.
[[gnu::cold]] PyObject* raise_cleared() noexcept {
  PyErr_SetString(PyExc_ReferenceError, "this validated builder was cleared by the garbage collector");
  return nullptr;
}

PyObject* call_validated(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
  Validated* v = as_validated(self);
  if (!v->func) return raise_cleared();
  Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
  Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  Py_ssize_t slot = -1;
  if (v->position >= 0 && v->position < nargs) {
    slot = v->position;
  } else {
    for (Py_ssize_t j = 0; j < nkw && slot < 0; ++j) {
      if (PyTuple_GET_ITEM(kwnames, j) == v->name) slot = nargs + j;
    }
    for (Py_ssize_t j = 0; j < nkw && slot < 0; ++j) {
      if (PyUnicode_Compare(PyTuple_GET_ITEM(kwnames, j), v->name) == 0) slot = nargs + j;
    }
  }
  if (slot < 0) return PyObject_Vectorcall(v->func, args, nargsf, kwnames);  // the builder reports it

  Ref replacement;
  bool ok = v->rule == Rule::options ? check_options(args[slot], replacement) : check_initial_time(args[slot]);
  if (!ok) return nullptr;
  if (!replacement) return PyObject_Vectorcall(v->func, args, nargsf, kwnames);

  // Same call with the options replaced by their list; one spare slot in front for the callee.
  Py_ssize_t total = nargs + nkw;
  PyObject* small[16];
  PyObject** buffer = total + 1 <= 16 ? small : PyMem_New(PyObject*, static_cast<std::size_t>(total + 1));
  if (!buffer) return PyErr_NoMemory();
  std::copy(args, args + total, buffer + 1);
  buffer[1 + slot] = replacement.get();
  PyObject* result = PyObject_Vectorcall(v->func, buffer + 1,
                                         static_cast<std::size_t>(nargs) | PY_VECTORCALL_ARGUMENTS_OFFSET, kwnames);
  if (buffer != small) PyMem_Free(static_cast<void*>(buffer));
  return result;
}

PyObject* validated_call(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) noexcept {
  return vm::guarded([&] { return Ref::steal(call_validated(self, args, nargsf, kwnames)); });
}

PyObject* validated_get(PyObject* self, PyObject* obj, PyObject*) noexcept {
  // Like a function: bound when looked up on an instance.
  if (!obj || obj == Py_None) return Py_NewRef(self);
  return PyMethod_New(self, obj);
}

// __name__, __qualname__, __doc__ and __module__ read through to the wrapped function.
PyObject* validated_getattro(PyObject* self, PyObject* name) noexcept {
  static const char* forwarded[] = {"__name__", "__qualname__", "__doc__", "__module__"};
  for (const char* attr : forwarded) {
    if (PyUnicode_CompareWithASCIIString(name, attr) == 0) {
      PyObject* func = as_validated(self)->func;
      return func ? PyObject_GetAttr(func, name) : raise_cleared();
    }
  }
  return PyObject_GenericGetAttr(self, name);
}

PyObject* validated_repr(PyObject* self) noexcept {
  Validated* v = as_validated(self);
  return PyUnicode_FromFormat("<%s of %R>", v->rule == Rule::options ? "validate_options" : "validate_initial_time",
                              v->func ? v->func : Py_None);
}

int validated_traverse(PyObject* self, visitproc visit, void* arg) noexcept {
  Py_VISIT(Py_TYPE(self));
  Py_VISIT(as_validated(self)->func);
  return 0;
}

int validated_clear(PyObject* self) noexcept {
  Py_CLEAR(as_validated(self)->func);
  return 0;
}

void validated_dealloc(PyObject* self) noexcept {
  PyTypeObject* type = Py_TYPE(self);
  PyObject_GC_UnTrack(self);
  validated_clear(self);
  Py_CLEAR(as_validated(self)->name);
  type->tp_free(self);
  Py_DECREF(type);
}

PyMemberDef validated_members[] = {
    {"__wrapped__", Py_T_OBJECT_EX, offsetof(Validated, func), Py_READONLY, "The wrapped builder."},
    {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(Validated, vectorcall), Py_READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr}};

PyType_Slot validated_slots[] = {
    {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
    {Py_tp_descr_get, reinterpret_cast<void*>(validated_get)},
    {Py_tp_getattro, reinterpret_cast<void*>(validated_getattro)},
    {Py_tp_repr, reinterpret_cast<void*>(validated_repr)},
    {Py_tp_traverse, reinterpret_cast<void*>(validated_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(validated_clear)},
    {Py_tp_dealloc, reinterpret_cast<void*>(validated_dealloc)},
    {Py_tp_members, validated_members},
    {Py_tp_doc, const_cast<char*>("A builder whose arguments are checked before it runs.")},
    {0, nullptr}};

PyType_Spec validated_spec = {
    "velmora.utils.Validated", sizeof(Validated), 0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    validated_slots};

// The decorator `name` of the builders whose parameter `parameter` follows `rule`, on `func`.
Ref decorate(PyObject* func, const char* name, Rule rule, PyObject* parameter) {
  if (!PyCallable_Check(func)) {
    Ref got = vm::type_name(func);
    if (got) PyErr_Format(PyExc_TypeError, "%s() expects a function, got %.200U", name, got.get());
    return {};
  }
  Py_ssize_t position = find_position(func, parameter);
  if (position == -2) return {};
  if (position == -3) {
    PyErr_Format(PyExc_TypeError, "%s() needs a function with a parameter named '%U', got %R", name, parameter, func);
    return {};
  }
  auto* type = reinterpret_cast<PyTypeObject*>(validated_type.get());
  Validated* v = PyObject_GC_New(Validated, type);
  if (!v) return {};
  v->vectorcall = validated_call;
  v->func = Py_NewRef(func);
  v->name = Py_NewRef(parameter);
  v->position = position;
  v->rule = rule;
  PyObject_GC_Track(v);
  return Ref::steal(reinterpret_cast<PyObject*>(v));
}

Ref validate_options(PyObject*, vm::Bound<1>& a) {
  return decorate(a[0], "validate_options", Rule::options, vm::k.options);
}

Ref validate_initial_time(PyObject*, vm::Bound<1>& a) {
  return decorate(a[0], "validate_initial_time", Rule::initial_time, vm::k.initial_time);
}

PyMethodDef functions[] = {
    vm::function<is_valid_date_fmt, "is_valid_date_fmt(date)",
                 "Return True when `date` is a real calendar date written YYYY-MM-DD; raise ValueError otherwise.">(),
    vm::function<validate_options, "validate_options(func)",
                 R"(
                 Decorate a builder: its `options` must be a non-empty iterable of option texts (not a str).
                 A lazy iterable is read once into a list, which the builder then receives.)">(),
    vm::function<validate_initial_time, "validate_initial_time(func)",
                 "Decorate a builder: an `initial_time` given as a str must read HH:mm on a 24-hour clock.">(),
    vm::table_end};

bool prepare(PyObject* module) noexcept {
  Ref type = Ref::steal(PyType_FromModuleAndSpec(module, &validated_spec, nullptr));
  if (!type) return false;
  validated_type.set(std::move(type));
  return true;
}

}  // namespace

VM_FUNCTION_MODULE("Validation helpers for the block builders: a date check and argument-checking decorators.",
                   functions, prepare)
