// Building output values: dicts in a fixed key order, lists, numbered strings, templates.
#pragma once

#include <charconv>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <span>
#include <utility>

#include "errors.hpp"
#include "keys.hpp"

namespace vm {

// One (key, value) pair of an output dict; left out when `when` is false.
struct Item {
  PyObject* key;
  PyObject* value;
  bool when = true;
};

// A new dict holding the pairs in the order written: insertion order is JSON key order.
// A null value in a pair that is kept means an earlier step failed with the error set,
// so the failure propagates (pass `sub.get()` of a Ref that may be null).
inline Ref dict(std::initializer_list<Item> items) noexcept {
  for (const Item& item : items) {
    if (item.when && !item.value) return {};
  }
  Ref out = Ref::steal(PyDict_New());
  if (!out) return {};
  for (const Item& item : items) {
    if (item.when && PyDict_SetItem(out.get(), item.key, item.value) < 0) return {};
  }
  return out;
}

// A new list of one item, taking ownership of it.
inline Ref list_of(Ref item) noexcept {
  if (!item) return {};
  PyObject* out = PyList_New(1);
  if (!out) return {};
  PyList_SET_ITEM(out, 0, item.release());
  return Ref::steal(out);
}

// A tuple of interned names, e.g. the keyword names of a call made on every build.
inline Ref names(std::initializer_list<PyObject*> items) noexcept {
  Ref out = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
  if (!out) return {};
  Py_ssize_t i = 0;
  for (PyObject* item : items) PyTuple_SET_ITEM(out.get(), i++, Py_NewRef(item));
  return out;
}

inline Ref empty_list() noexcept {
  return Ref::steal(PyList_New(0));
}

inline bool append(PyObject* list, Ref item) noexcept {
  return item && PyList_Append(list, item.get()) == 0;
}

// `blocks` with "block_id": id set on its first block when `present` (see check_block_id). A null
// `blocks` propagates a failure; an empty list stays empty. Any sequence of mappings is
// accepted, for results of a subclass's init_blocks().
inline Ref with_block_id(Ref blocks, PyObject* id, bool present) noexcept {
  if (!blocks || !present) return blocks;
  if (PyList_CheckExact(blocks.get())) {
    if (PyList_GET_SIZE(blocks.get()) == 0) return blocks;
    Ref first = Ref::borrow(PyList_GET_ITEM(blocks.get(), 0));
    int status = PyDict_CheckExact(first.get()) ? PyDict_SetItem(first.get(), k.block_id, id)
                                                : PyObject_SetItem(first.get(), k.block_id, id);
    return status == 0 ? std::move(blocks) : Ref{};
  }
  Ref first = Ref::steal(PySequence_GetItem(blocks.get(), 0));
  if (!first || PyObject_SetItem(first.get(), k.block_id, id) < 0) return {};
  return blocks;
}

// An item of a builder's *items that is a str (made an element by `from_str`) or a dict (used as
// it is, a new reference); the incorrect-type TypeError naming `param` for anything else.
template <class FromStr>
Ref str_or_dict(PyObject* item, const char* param, FromStr&& from_str) {
  if (PyUnicode_CheckExact(item)) [[likely]] {
    return from_str(item);
  }
  if (PyDict_CheckExact(item)) return Ref::borrow(item);
  raise_wrong_type(param, "str or dict", item);
  return {};
}

// What a builder `Class.block(*items, block_id=None)` returns: [{"type": type, "elements":
// [element_of(item) for item in items], "block_id": id}], "block_id" only when given (and
// checked first); ValueError `empty` without items. `element_of` gives a new reference, or null
// with the error set.
template <class ElementOf>
Ref block_of(PyObject* type, PyObject* id, std::span<PyObject* const> items, ElementOf&& element_of,
             const char* empty) {
  bool has_id;
  if (!check_block_id(id, has_id)) return {};
  if (items.empty()) return raise_value_error(empty);
  Ref elements = Ref::steal(PyList_New(std::ssize(items)));
  if (!elements) return {};
  for (std::size_t i = 0; i < items.size(); ++i) {
    Ref element = element_of(items[i]);
    if (!element) return {};
    PyList_SET_ITEM(elements.get(), static_cast<Py_ssize_t>(i), element.release());
  }
  return list_of(dict({{k.type, type}, {k.elements, elements.get()}, {k.block_id, id, has_id}}));
}

// "value-" + decimal position, e.g. numbered("value-", 3) -> "value-3".
inline Ref numbered(const char* prefix, Py_ssize_t number) noexcept {
  char buffer[64];
  std::size_t length = std::strlen(prefix);
  if (length > sizeof(buffer) - 24) length = sizeof(buffer) - 24;
  for (std::size_t i = 0; i < length; ++i) buffer[i] = prefix[i];
  auto [end, ec] = std::to_chars(buffer + length, buffer + sizeof(buffer), number);
  (void)ec;  // 24 bytes always hold a 64-bit decimal
  return Ref::steal(PyUnicode_FromStringAndSize(buffer, end - buffer));
}

// The numbered ids of one prefix ("value-0", "value-1", ...). The first hundred (every option
// of a menu, every element of a block) are made once and shared: a str is immutable, and
// each menu or row of buttons asks for the same few again.
class NumberedIds {
 public:
  explicit constexpr NumberedIds(const char* prefix) noexcept : prefix_(prefix) {}
  Ref operator()(Py_ssize_t number) noexcept {
    if (number < 0 || number >= static_cast<Py_ssize_t>(std::size(made_))) return numbered(prefix_, number);
    PyObject*& id = made_[static_cast<std::size_t>(number)];
    if (!id) id = numbered(prefix_, number).release();  // kept for the process, like the keys
    return Ref::borrow(id);
  }

 private:
  const char* prefix_;
  PyObject* made_[100] = {};
};

inline NumberedIds option_values{"value-"};
inline NumberedIds button_action_ids{"action-button-"};
inline NumberedIds button_values{"button_value-"};
inline NumberedIds datepicker_action_ids{"action-datepickers-"};

// A constant dict built once at set-up and handed out as fresh shallow copies
// (copying a small dict is cheaper than building it key by key). Its keys must be the
// interned key objects, or every later lookup falls back to comparing strings.
class Template {
 public:
  constexpr Template() noexcept = default;
  bool set(Ref dict) noexcept {
    if (!dict) return false;
    slot_.set(std::move(dict));
    return true;
  }
  bool ready() const noexcept { return slot_.get() != nullptr; }
  Ref copy() const noexcept { return Ref::steal(PyDict_Copy(slot_.get())); }
  // A copy with `key` set to `value` (a key of the template keeps its place; a null value
  // propagates an earlier failure).
  Ref with(PyObject* key, PyObject* value) const noexcept {
    if (!value) return {};
    Ref out = copy();
    if (!out || PyDict_SetItem(out.get(), key, value) < 0) return {};
    return out;
  }

 private:
  Global slot_;
};

// 1 when `style` is a button style Slack knows ("primary" or "danger"), 0 when not, -1 on error.
inline int is_button_style(PyObject* style) noexcept {
  int known = PyObject_RichCompareBool(style, k.primary, Py_EQ);
  return known == 0 ? PyObject_RichCompareBool(style, k.danger, Py_EQ) : known;
}

// Templates made at module set-up (init_templates runs before any module's own set-up).
// Measured with callgrind: copying pays from three keys on; two-key dicts are cheaper built.
inline Template plain_text_template;
inline Global no_arguments;  // ()

// (): positional arguments of a call that has only keywords (borrowed).
inline PyObject* empty_tuple() noexcept {
  return no_arguments.get();
}

inline bool init_templates() noexcept {
  if (plain_text_template.ready()) return true;
  no_arguments.set(Ref::steal(PyTuple_New(0)));
  return no_arguments.get() &&
         plain_text_template.set(dict({{k.type, k.plain_text}, {k.text, Py_None}, {k.emoji, Py_True}}));
}

// Text objects: {"type": "plain_text", "text": text, "emoji": True} and
// {"type": "mrkdwn", "text": text}.
inline Ref plain_text_object(PyObject* text) noexcept {
  return plain_text_template.with(k.text, text);
}
inline Ref mrkdwn_object(PyObject* text) noexcept {
  return dict({{k.type, k.mrkdwn}, {k.text, text}});
}

}  // namespace vm
