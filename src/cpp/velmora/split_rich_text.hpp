// A rich-text block whose text is over a budget, as several: cut between its parts (sections,
// lists, quotes, code); a part too long alone between its elements (a list between its items,
// each later list numbered on from where the last stopped); and an element too long alone
// inside its text, at a paragraph, line or space break.
#pragma once

#include "cuts.hpp"
#include "parts.hpp"

namespace vm {

namespace rich_split {

// Whether `value` is the str `name`.
inline bool is(PyObject* value, PyObject* name) noexcept {
  return value && same_key(value, name);
}

// `dict`[key] when `dict` is a dict holding a list there, else null (error set when the lookup failed).
inline Ref list_at(PyObject* dict, PyObject* key) noexcept {
  Ref value = Ref::borrow(PyDict_Check(dict) ? PyDict_GetItemWithError(dict, key) : nullptr);
  return value && PyList_Check(value.get()) ? std::move(value) : Ref{};
}

// An inline element: itself, or when its "text" is over `budget`, copies of it holding the
// parts of that text.
inline bool element_pieces(PyObject* element, Py_ssize_t budget, std::vector<Piece>& out) {
  Py_ssize_t characters = text_characters(element);
  Ref text = Ref::borrow(characters > budget ? PyDict_GetItemWithError(element, k.text) : nullptr);
  if (PyErr_Occurred()) return false;
  if (!text || !PyUnicode_Check(text.get())) {
    out.push_back({Ref::borrow(element), characters});
    return true;
  }
  Chars chars(text.get());
  Cutter cutter(chars, Markup::plain, budget);
  Cutter::Part cut;
  while (!cutter.done() && cutter.next(cut)) {
    Ref piece = cutter.text_of(text.get(), cut);
    Ref copy = piece ? part(element, {{k.text, piece.get()}}) : Ref{};
    if (!copy) return false;
    out.push_back({std::move(copy), cut.end - cut.begin});
  }
  return true;
}

// A section, quote or piece of code over `budget`: copies of it, each with some of its elements.
inline bool container_pieces(PyObject* container, Py_ssize_t budget, std::vector<Piece>& out) {
  Ref elements = list_at(container, k.elements);
  if (!elements) {
    out.push_back({Ref::borrow(container), text_characters(container)});
    return !PyErr_Occurred();
  }
  std::vector<Piece> inner;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(elements.get()); ++i) {
    Ref element = Ref::borrow(PyList_GET_ITEM(elements.get(), i));
    if (!element_pieces(element.get(), budget, inner)) return false;
  }
  return group(inner, PY_SSIZE_T_MAX, budget, [&](PyObject* list, std::size_t, Py_ssize_t characters) {
    Ref copy = part(container, {{k.elements, list}});
    if (!copy) return false;
    out.push_back({std::move(copy), characters});
    return true;
  });
}

// A copy of the rich-text list `list` holding `items`; an ordered one starts after item `first`
// (its "offset", where the builders put it: before "border").
inline Ref list_copy(PyObject* list, PyObject* items, Py_ssize_t first, bool ordered) {
  Ref offset;
  if (ordered && first > 0 && !(offset = Ref::steal(PyLong_FromSsize_t(first)))) return {};
  Ref out = Ref::steal(PyDict_New());
  if (!out) return {};
  bool placed = !offset;
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(list, &pos, &key, &value)) {
    Ref name = Ref::borrow(key), held = Ref::borrow(value);
    if (!placed && same_key(key, k.border)) {
      if (PyDict_SetItem(out.get(), k.offset, offset.get()) < 0) return {};
      placed = true;
    }
    if (same_key(key, k.offset) && offset) {
      held = Ref::borrow(offset.get());
      placed = true;
    }
    if (same_key(key, k.elements)) held = Ref::borrow(items);
    if (PyDict_SetItem(out.get(), name.get(), held.get()) < 0) return {};
  }
  if (!placed && PyDict_SetItem(out.get(), k.offset, offset.get()) < 0) return {};
  return out;
}

// A list over `budget`: copies of it, each with some of its items; an item too long alone is
// cut as a section is, each later piece of it shown under its number again.
inline bool list_pieces(PyObject* list, Py_ssize_t budget, std::vector<Piece>& out) {
  Ref items = list_at(list, k.elements);
  if (!items) return container_pieces(list, budget, out);
  Ref offset = Ref::borrow(PyDict_GetItemWithError(list, k.offset));
  Ref style = Ref::borrow(PyErr_Occurred() ? nullptr : PyDict_GetItemWithError(list, k.style));
  if (PyErr_Occurred()) return false;
  Py_ssize_t base = offset && PyLong_CheckExact(offset.get()) ? PyLong_AsSsize_t(offset.get()) : 0;
  if (base < 0) {
    if (PyErr_Occurred()) PyErr_Clear();  // an offset too large to add to: counted from 0
    base = 0;
  }
  std::vector<Piece> inner;
  std::vector<Py_ssize_t> item_of;  // the item each piece comes from
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(items.get(), i));
    Py_ssize_t characters = text_characters(item.get());
    if (characters <= budget) {
      inner.push_back({std::move(item), characters});
    } else if (!container_pieces(item.get(), budget, inner)) {
      return false;
    }
    item_of.resize(inner.size(), i);
  }
  bool ordered = is(style.get(), k.ordered);
  return group(inner, PY_SSIZE_T_MAX, budget, [&](PyObject* chunk, std::size_t first, Py_ssize_t characters) {
    Ref copy = list_copy(list, chunk, base + item_of[first], ordered);
    if (!copy) return false;
    out.push_back({std::move(copy), characters});
    return true;
  });
}

}  // namespace rich_split

// Appends to `out` the rich-text blocks that `block` becomes, each holding at most `budget`
// characters of text where its elements allow: the first keeps the block id, later ones get ids
// of their own.
inline bool split_rich_text(PyObject* block, Py_ssize_t budget, Ids& ids, PyObject* out) {
  Ref elements = rich_split::list_at(block, k.elements);
  if (!elements) return !PyErr_Occurred() && PyList_Append(out, block) == 0;
  std::vector<Piece> parts;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(elements.get()); ++i) {
    Ref element = Ref::borrow(PyList_GET_ITEM(elements.get(), i));
    Py_ssize_t characters = text_characters(element.get());
    if (characters <= budget || !PyDict_Check(element.get())) {
      parts.push_back({std::move(element), characters});
      continue;
    }
    Ref type = Ref::borrow(PyDict_GetItemWithError(element.get(), k.type));
    if (PyErr_Occurred()) return false;
    bool list = rich_split::is(type.get(), k.rich_text_list);
    if (!(list ? rich_split::list_pieces : rich_split::container_pieces)(element.get(), budget, parts)) return false;
  }
  Py_ssize_t number = 1;
  return group(parts, PY_SSIZE_T_MAX, budget, [&](PyObject* chunk, std::size_t, Py_ssize_t) {
    return put(out, part(block, {{k.elements, chunk}}, number++, &ids));
  });
}

}  // namespace vm
