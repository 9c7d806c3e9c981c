// Rich-text blocks: the home of the rich-text element builders, placeholders for now.
#include "_core/core.hpp"

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

int setup(PyObject* module) noexcept {
  // Names kept in the module for the builders' annotations.
  if (!vm::import_from(module, "typing", 0, {"Optional", "List", "Iterable", "Dict", "Any"})) return -1;
  Ref cls = vm::make_builder_class(module, "velmora.blocks.rich_text.RickText",
                                   "Builders of Block Kit rich-text elements (placeholders for now).",
                                   builders);
  return vm::add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace

VM_MODULE("Rich-text blocks.", setup)
