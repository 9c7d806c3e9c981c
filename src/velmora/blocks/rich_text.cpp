// Rich-text blocks: the home of the rich-text element builders, placeholders for now.
#include "_core/blocks.hpp"

namespace {

using vm::Ref;

constexpr vm::Params<0> list_params{"RickText.list", {}, 0};
constexpr vm::Params<0> preformatted_params{"RickText.preformatted", {}, 0};
constexpr vm::Params<0> quote_params{"RickText.quote", {}, 0};
constexpr vm::Params<0> strike_params{"RickText.strike", {}, 0};

// A placeholder: takes nothing but the class, builds nothing, returns None.
template <const vm::Params<0>& P>
Ref placeholder(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<0> a;
  if (!vm::bind(P, args, nargs, kwnames, a)) return {};
  return Ref::borrow(Py_None);
}

vm::Builder builders[] = {
    vm::builder<placeholder<list_params>>("list",
        "list($cls, /)\n--\n\nA rich-text list; not built yet, returns None."),
    vm::builder<placeholder<preformatted_params>>("preformatted",
        "preformatted($cls, /)\n--\n\nA rich-text preformatted element; not built yet, returns None."),
    vm::builder<placeholder<quote_params>>("quote",
        "quote($cls, /)\n--\n\nA rich-text quote; not built yet, returns None."),
    vm::builder<placeholder<strike_params>>("strike",
        "strike($cls, /)\n--\n\nStruck-through rich text; not built yet, returns None."),
};

bool prepare(PyObject* module, vm::Decorators&) noexcept {
  // Names kept in the module for the builders' annotations.
  return vm::import_from(module, "typing", {"Optional", "List", "Iterable", "Dict", "Any"});
}

}  // namespace

VM_BUILDER_MODULE("Rich-text blocks.", "RickText",
                  "Builders of Block Kit rich-text elements (placeholders for now).", builders, prepare)
