// ContextMessage: one context block of markdown texts and images, given as text_* and
// image_url_* keyword arguments in the order the caller passes them.
#include "velmora/message.hpp"

namespace {

using vm::k, vm::Ref;

using vm::Keys;

// The element (value, "text") or (value, "image_url") a keyword names, or a null Ref
// without an error when the keyword is not an element.
Ref element_for(PyObject* name, PyObject* value) {
  if (vm::starts_with(name, k.text_prefix)) return Ref::steal(PyTuple_Pack(2, value, k.text));
  if (vm::starts_with(name, k.image_url_prefix)) return Ref::steal(PyTuple_Pack(2, value, k.image_url));
  return {};
}

// Takes every text_* and image_url_* keyword out of `given` as self.elements, in the caller's
// order, whatever its number; the rest goes to the base.
Ref take_elements(PyObject* self, PyObject* given) noexcept {
  Ref elements = vm::empty_list(), rest = Ref::steal(PyDict_New());
  if (!elements || !rest) return {};
  Py_ssize_t pos = 0;
  PyObject *name, *value;
  while (PyDict_Next(given, &pos, &name, &value)) {
    Ref element = element_for(name, value);
    if (PyErr_Occurred()) return {};
    bool ok =
        element ? PyList_Append(elements.get(), element.get()) == 0 : PyDict_SetItem(rest.get(), name, value) == 0;
    if (!ok) return {};
  }
  return vm::set_attr(self, k.elements, elements.get()) ? std::move(rest) : Ref{};
}

// (value, value_type) from an element: a pair, as `for value, value_type in ...` unpacks it.
bool unpack_pair(PyObject* item, Ref& first, Ref& second) {
  if (PyTuple_CheckExact(item) && PyTuple_GET_SIZE(item) == 2) {
    first = Ref::borrow(PyTuple_GET_ITEM(item, 0));
    second = Ref::borrow(PyTuple_GET_ITEM(item, 1));
    return true;
  }
  Ref it = Ref::steal(PyObject_GetIter(item));
  if (!it) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
      PyErr_Format(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(item)->tp_name);
    }
    return false;
  }
  Py_ssize_t got = 0;
  for (Ref* slot : {&first, &second}) {
    *slot = Ref::steal(PyIter_Next(it.get()));
    if (!*slot) {
      if (!PyErr_Occurred()) {
        PyErr_Format(PyExc_ValueError, "not enough values to unpack (expected 2, got %zd)", got);
      }
      return false;
    }
    ++got;
  }
  Ref extra = Ref::steal(PyIter_Next(it.get()));
  if (extra) PyErr_SetString(PyExc_ValueError, "too many values to unpack (expected 2)");
  return !PyErr_Occurred();
}

// Context.mrkdwn and Context.image_url, each looked up once per build, when first needed.
class ContextBuilders {
 public:
  // Context.mrkdwn(value) or Context.image_url(value), by the element's value type.
  Ref build(PyObject* value, PyObject* value_type) noexcept {
    for (std::size_t i = 0; i < 2; ++i) {
      int same = PyObject_RichCompareBool(value_type, i == 0 ? k.text : k.image_url, Py_EQ);
      if (same < 0) return {};
      if (!same) continue;
      if (!bound_[i] && !(bound_[i] = lookups[i].get(k.Context, i == 0 ? k.mrkdwn : k.image_url))) return {};
      return vm::call(bound_[i].get(), {value});
    }
    return vm::raise_value_error("parameter value_type must be 'text' or 'image_url'");
  }

 private:
  static inline vm::BuilderLookup lookups[2];
  Ref bound_[2];
};

Ref build_blocks(PyObject* self) noexcept {
  Ref items = vm::empty_list();
  Ref blocks = vm::list_of(vm::dict({{k.type, k.context}, {k.elements, items.get()}}));
  Ref elements = vm::get_attr(self, k.elements);
  if (!blocks || !elements) return {};
  Ref it = Ref::steal(PyObject_GetIter(elements.get()));
  if (!it) return {};
  ContextBuilders context;
  while (Ref element = Ref::steal(PyIter_Next(it.get()))) {
    Ref value, value_type;
    if (!unpack_pair(element.get(), value, value_type)) return {};
    if (!vm::append(items.get(), context.build(value.get(), value_type.get()))) return {};
  }
  if (PyErr_Occurred()) return {};
  return blocks;
}

constexpr vm::Message message{
    .name = "ContextMessage",
    .doc = R"(
        One context block: each keyword argument whose name starts with
        text_ becomes a markdown text, with image_url_ an image, in the order
        given.)",
    .base = vm::Base::base_reads_attributes,
    .imports = {{{"blocks", {"Context"}}}},
    .build_doc = "One context block holding the elements in order.",
    .shown = {&Keys::elements},
    .consume = take_elements,
    .build = build_blocks,
};

}  // namespace

VM_MESSAGE_MODULE(message)
