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
#include "builder_class.hpp"
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
