// BaseVelmora, the base class of every message.
//
// It keeps the keywords every message shares (preview, header, sub_header, slack_bot) and
// every other keyword in `extras`, and shows a message as its class and fields. The bot, and
// the extras dict when there are none, are made on first read: most messages are only built. Building is each message's
// own; the payload and sending come from its Python base, velmora._delivery.Delivery, which also gives instances their
// __dict__ (attributes stay plain Python attributes) and the build_blocks() that every
// message class replaces.
#include "velmora/blocks.hpp"
#include "velmora/message.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref;

// ---- values made on first read ----------------------------------------------------------

// A class attribute that makes its value on first read and keeps it in the instance's
// __dict__: `slack_bot` (_default_bot.default_bot(): messages that are only built never pay for a bot)
// and `extras` (a fresh dict). Having no __set__, it steps aside once the instance holds a
// value, so reading a given one is a plain attribute lookup and assigning one just stores it.
struct FirstRead {
  PyObject_HEAD PyObject* name;  // interned and immortal, like every key
};

PyObject* first_read_get(PyObject* self, PyObject* obj, PyObject*) noexcept {
  if (!obj || obj == Py_None) return Py_NewRef(self);
  PyObject* name = reinterpret_cast<FirstRead*>(self)->name;
  return vm::guarded([&]() -> Ref {
    Ref value = name == k.slack_bot ? vm::call(vm::global_attr(k.default_bot_module, k.default_bot).get(), {})
                                    : Ref::steal(PyDict_New());
    Ref dict = value ? Ref::steal(PyObject_GenericGetDict(obj, nullptr)) : Ref{};
    if (!dict || PyDict_SetItem(dict.get(), name, value.get()) < 0) return {};
    return value;
  });
}

void first_read_dealloc(PyObject* self) noexcept {
  PyTypeObject* type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);
}

vm::Global first_read_type;

bool add_first_read(PyObject* module, PyObject* cls, PyObject* name) noexcept {
  if (!first_read_type.get()) {
    static PyType_Slot slots[] = {
        {Py_tp_descr_get, reinterpret_cast<void*>(first_read_get)},
        {Py_tp_dealloc, reinterpret_cast<void*>(first_read_dealloc)},
        {Py_tp_doc, const_cast<char*>("A value a message makes when it is first read: its bot, its extras.")},
        {0, nullptr}};
    static PyType_Spec spec = {"velmora._base.FirstRead", sizeof(FirstRead), 0, Py_TPFLAGS_DEFAULT, slots};
    first_read_type.set(Ref::steal(PyType_FromModuleAndSpec(module, &spec, nullptr)));
    if (!first_read_type.get()) return false;
  }
  auto* type = reinterpret_cast<PyTypeObject*>(first_read_type.get());
  Ref descriptor = Ref::steal(type->tp_alloc(type, 0));
  if (!descriptor) return false;
  reinterpret_cast<FirstRead*>(descriptor.get())->name = name;
  return PyObject_SetAttr(cls, name, descriptor.get()) == 0;
}

// ---- construction ---------------------------------------------------------------------------

int init(PyObject* self, PyObject* args, PyObject* kwargs) noexcept;
int init_keywords(PyObject* self, PyObject* const* names, PyObject* const* values, Py_ssize_t count) noexcept;

// Shared with the message modules, which call this __init__ directly while it is in place.
vm::BaseApi api{nullptr, init, init_keywords};

constexpr vm::Params<4> init_params{
    "BaseVelmora.__init__", {&Keys::preview, &Keys::header, &Keys::sub_header, &Keys::slack_bot}, 0};

// ---- a keyword close to a parameter ------------------------------------------------------------

// What was looked at already, per class: {class: {keyword: None}}, in a WeakKeyDictionary (a
// class can still go away), so that each class and keyword is checked, and warned about, once.
vm::Global checked_keywords;

// The named parameters `cls` takes: its signature's (inspect.signature, none when it has no
// signature to read), then BaseVelmora's own.
Ref parameter_names(PyObject* cls) {
  Ref names = vm::empty_list();
  Ref inspect = names ? Ref::steal(PyImport_ImportModule("inspect")) : Ref{};
  if (!inspect) return {};
  Ref signature = Ref::steal(PyObject_CallMethod(inspect.get(), "signature", "O", cls));
  if (!signature && !PyErr_ExceptionMatches(PyExc_ValueError) && !PyErr_ExceptionMatches(PyExc_TypeError)) return {};
  PyErr_Clear();
  Ref parameters = signature ? vm::get_attr(signature.get(), k.parameters) : Ref{};
  Ref values = parameters ? Ref::steal(PyMapping_Values(parameters.get())) : Ref{};
  if (signature && !values) return {};
  for (Py_ssize_t i = 0; values && i < PyList_GET_SIZE(values.get()); ++i) {
    PyObject* parameter = PyList_GET_ITEM(values.get(), i);
    Ref kind = vm::get_attr(parameter, k.kind);
    long number = kind ? PyLong_AsLong(kind.get()) : -1;
    if (number == -1 && PyErr_Occurred()) return {};
    // inspect.Parameter.VAR_POSITIONAL and VAR_KEYWORD (*args, **kwargs) name no keyword
    if (number != 2 && number != 4 && !vm::append(names.get(), vm::get_attr(parameter, k.name))) return {};
  }
  for (vm::Key name : init_params.names) {
    if (!vm::append(names.get(), Ref::borrow(k.*name))) return {};
  }
  return names;
}

// The keywords of `seen` (this class's) that were looked at already; made on first use.
Ref seen_keywords(PyObject* cls) {
  if (!checked_keywords.get()) {
    Ref weakref = Ref::steal(PyImport_ImportModule("weakref"));
    Ref made = weakref ? Ref::steal(PyObject_CallMethod(weakref.get(), "WeakKeyDictionary", nullptr)) : Ref{};
    if (!made) return {};
    checked_keywords.set(std::move(made));
  }
  Ref seen = Ref::steal(PyObject_GetItem(checked_keywords.get(), cls));
  if (seen || !PyErr_ExceptionMatches(PyExc_KeyError)) return seen;
  PyErr_Clear();
  seen = Ref::steal(PyDict_New());
  if (!seen || PyObject_SetItem(checked_keywords.get(), cls, seen.get()) < 0) return {};
  return seen;
}

// Warns "HeaderMessage got 'divder'; did you mean 'divider'?" for a keyword of `extras` close to
// a parameter of the message's class (difflib.get_close_matches), once per class and keyword.
// The keyword stays in extras. Only messages that have extras come here.
bool warn_close_keywords(PyObject* self, PyObject* extras) {
  auto* cls = reinterpret_cast<PyObject*>(Py_TYPE(self));
  Ref seen = seen_keywords(cls);
  if (!seen) return false;
  Ref names, difflib;
  Py_ssize_t pos = 0;
  PyObject *keyword, *value;
  while (PyDict_Next(extras, &pos, &keyword, &value)) {
    int known = PyDict_Contains(seen.get(), keyword);
    if (known != 0) {
      if (known < 0) return false;
      continue;
    }
    if (PyDict_SetItem(seen.get(), keyword, Py_None) < 0) return false;
    if (!names && !((names = parameter_names(cls)) && (difflib = Ref::steal(PyImport_ImportModule("difflib"))))) {
      return false;
    }
    int exact = PySequence_Contains(names.get(), keyword);
    if (exact < 0) return false;
    if (exact) continue;
    Ref close = Ref::steal(PyObject_CallMethod(difflib.get(), "get_close_matches", "OOi", keyword, names.get(), 1));
    if (!close) return false;
    if (PyList_Check(close.get()) && PyList_GET_SIZE(close.get()) > 0) {
      Ref name = vm::type_name(self);
      if (!name || PyErr_WarnFormat(PyExc_UserWarning, 1, "%U got '%U'; did you mean '%U'?", name.get(), keyword,
                                    PyList_GET_ITEM(close.get(), 0)) < 0) {
        return false;
      }
    }
  }
  return true;
}

// Stores preview, header and sub_header (None when not given), slack_bot when given (not
// None), and `extras` when it holds any keyword. The class makes the default bot and an empty
// extras dict on first read.
int store(PyObject* self, const vm::Bound<4>& a, PyObject* extras) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (!vm::set_attr(self, k.*init_params.names[i], a[i] ? a[i] : Py_None)) return -1;
  }
  if (a[3] && a[3] != Py_None && !vm::set_attr(self, k.slack_bot, a[3])) return -1;
  if (!extras || PyDict_GET_SIZE(extras) == 0) return 0;
  if (!vm::set_attr(self, k.extras, extras) || !warn_close_keywords(self, extras)) return -1;
  return 0;
}

// ---- message + message -------------------------------------------------------------------------

// `left + right`, where each is a message, a list of blocks or a block, and one a message:
// velmora.messages.composite.message.Message(left, right). Anything else is NotImplemented.
PyObject* add(PyObject* left, PyObject* right) noexcept {
  return vm::guarded([&]() -> Ref {
    for (PyObject* side : {left, right}) {
      if (!PyObject_TypeCheck(side, api.type) && !PyList_Check(side) && !PyDict_Check(side)) {
        return Ref::borrow(Py_NotImplemented);
      }
    }
    Ref fromlist = vm::names({k.Message});
    Ref module = fromlist ? Ref::steal(PyImport_ImportModuleLevel("messages.composite.message",
                                                                  vm::module_globals.get(), nullptr, fromlist.get(), 1))
                          : Ref{};
    Ref message = module ? vm::get_attr(module.get(), k.Message) : Ref{};
    return vm::call(message.get(), {left, right});
  });
}

// BaseVelmora(*, preview=None, header=None, sub_header=None, slack_bot=None, **extras)
int init(PyObject* self, PyObject* args, PyObject* kwargs) noexcept {
  return vm::guarded([&] {
    Py_ssize_t given = args ? PyTuple_GET_SIZE(args) : 0;
    if (given > 0) {
      PyErr_Format(PyExc_TypeError, "BaseVelmora.__init__() takes 1 positional argument but %zd were given", given + 1);
      return -1;
    }
    vm::Bound<4> a;
    Ref extras;
    if (!vm::bind_init(init_params, nullptr, kwargs, a, extras)) return -1;
    return store(self, a, extras.get());
  });
}

// The same from the keywords a message did not take, named `names[i]` with `values[i]`.
int init_keywords(PyObject* self, PyObject* const* names, PyObject* const* values, Py_ssize_t count) noexcept {
  return vm::guarded([&] {
    vm::Bound<4> a{};
    Ref extras;
    for (Py_ssize_t i = 0; i < count; ++i) {
      Py_ssize_t at = vm::detail::find_param(init_params, names[i]);
      if (at >= 0) {
        a[static_cast<std::size_t>(at)] = values[i];
        continue;
      }
      if (!extras && !(extras = Ref::steal(PyDict_New()))) return -1;
      if (PyDict_SetItem(extras.get(), names[i], values[i]) < 0) return -1;
    }
    return store(self, a, extras.get());
  });
}

// ---- repr -----------------------------------------------------------------------------------

// "name=<repr>", the repr shortened to <TypeName> when it spans lines (a DataFrame's would).
bool add_field(PyObject* parts, PyObject* name, PyObject* value) noexcept {
  Ref shown = Ref::steal(PyObject_Repr(value));
  if (!shown) return false;
  if (PyUnicode_FindChar(shown.get(), '\n', 0, PyUnicode_GET_LENGTH(shown.get()), 1) >= 0) {
    Ref type = vm::type_name(value);
    shown = type ? Ref::steal(PyUnicode_FromFormat("<%U>", type.get())) : Ref{};
    if (!shown) return false;
  }
  return vm::append(parts, Ref::steal(PyUnicode_FromFormat("%U=%U", name, shown.get())));
}

// The fields of a message: its class's __match_args__, then the shared keywords that are set
// and not among them, then its extras.
bool add_fields(PyObject* self, PyObject* parts) noexcept {
  Ref names;
  if (vm::lookup_attr(reinterpret_cast<PyObject*>(Py_TYPE(self)), k.dunder_match_args, names) < 0) return false;
  if (names && !PyTuple_Check(names.get())) names = Ref{};
  Py_ssize_t count = names ? PyTuple_GET_SIZE(names.get()) : 0;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* name = PyTuple_GET_ITEM(names.get(), i);
    Ref value;
    int found = PyUnicode_Check(name) ? vm::lookup_attr(self, name, value) : 0;
    if (found < 0 || (found && !add_field(parts, name, value.get()))) return false;
  }
  for (PyObject* name : {k.preview, k.header, k.sub_header}) {
    int listed = names ? PySequence_Contains(names.get(), name) : 0;
    if (listed < 0) return false;
    Ref value;
    int found = listed ? 0 : vm::lookup_attr(self, name, value);
    if (found < 0 || (found && value.get() != Py_None && !add_field(parts, name, value.get()))) return false;
  }
  Ref extras;
  if (vm::lookup_attr(self, k.extras, extras) < 0) return false;
  if (extras && PyDict_Check(extras.get())) {
    Ref items = Ref::steal(PyDict_Items(extras.get()));
    if (!items) return false;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
      PyObject* item = PyList_GET_ITEM(items.get(), i);
      if (!add_field(parts, PyTuple_GET_ITEM(item, 0), PyTuple_GET_ITEM(item, 1))) return false;
    }
  }
  return true;
}

PyObject* repr(PyObject* self) noexcept {
  return vm::guarded([&]() -> Ref {
    Ref name = Ref::steal(PyType_GetName(Py_TYPE(self)));
    if (!name) return {};
    int busy = Py_ReprEnter(self);
    if (busy != 0) return busy < 0 ? Ref{} : Ref::steal(PyUnicode_FromFormat("%U(...)", name.get()));
    Ref parts = vm::empty_list();
    bool ok = parts && add_fields(self, parts.get());
    Py_ReprLeave(self);
    Ref separator = ok ? Ref::steal(PyUnicode_FromString(", ")) : Ref{};
    Ref joined = separator ? Ref::steal(PyUnicode_Join(separator.get(), parts.get())) : Ref{};
    return joined ? Ref::steal(PyUnicode_FromFormat("%U(%U)", name.get(), joined.get())) : Ref{};
  });
}

// ---- the class ------------------------------------------------------------------------------

constexpr const char* class_doc =
    "BaseVelmora(*, preview=None, header=None, sub_header=None, slack_bot=None, **extras)\n--\n\n"
    "Base of every message class.\n\n"
    "Keyword arguments: `preview` (the notification text), `header` and `sub_header` (kept for\n"
    "message classes that show them), `slack_bot` (the bot that sends; velmora.bots.default_bot(),\n"
    "made on first use, when not given). Any other keyword argument is kept in `extras`, so\n"
    "nothing a caller passes is lost. Subclasses define build_blocks(); payload(), send(),\n"
    "update(), send_ephemeral(), respond() and their _async twins come from here.";

int setup(PyObject* module) noexcept {
  if (!vm::import_from_package(module, "_delivery", {"Delivery"}) ||
      !vm::import_from_package(module, "", {"_default_bot"})) {
    return -1;
  }
  Ref delivery = vm::global(k.Delivery);
  Ref bases = delivery ? Ref::steal(PyTuple_Pack(1, delivery.get())) : Ref{};
  if (!bases) return -1;
  static PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(class_doc)},
                                {Py_tp_init, reinterpret_cast<void*>(init)},
                                {Py_tp_repr, reinterpret_cast<void*>(repr)},
                                {Py_nb_add, reinterpret_cast<void*>(add)},
                                {0, nullptr}};
  static PyType_Spec spec = {"velmora.interface.BaseVelmora", 0, 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};
  Ref cls = Ref::steal(PyType_FromModuleAndSpec(module, &spec, bases.get()));
  if (!cls) return -1;
  if (!add_first_read(module, cls.get(), k.slack_bot) || !add_first_read(module, cls.get(), k.extras)) return -1;
  api.type = reinterpret_cast<PyTypeObject*>(cls.get());
  Ref capsule = Ref::steal(PyCapsule_New(&api, vm::BASE_CAPSULE, nullptr));
  if (!capsule || PyModule_AddObjectRef(module, "_api", capsule.get()) < 0) return -1;
  return vm::add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace

VM_MODULE("The message base class, BaseVelmora.", setup)
