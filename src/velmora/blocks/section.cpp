// Section blocks: text sections and sections carrying one interactive accessory.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// {"type": "section", "text": <text object>}
Ref section_with_text(Ref text_object) {
  return vm::dict({{k.type, k.section}, {k.text, text_object.get()}});
}

// ---- text sections -------------------------------------------------------------------------

constexpr vm::Params<1> plain_text_params{"Section.plain_text", {&Keys::text}, 1};
constexpr vm::Params<1> mrkdwn_params{"Section.mrkdwn", {&Keys::text}, 0};
constexpr vm::Params<1> text_fields_params{"Section.text_fields", {&Keys::texts}, 1};

Ref plain_text(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(plain_text_params, args, nargs, kwnames, a) || !vm::check_str(a[0], "text")) return {};
  if (PyUnicode_GET_LENGTH(a[0]) == 0) return vm::empty_list();
  return vm::list_of(section_with_text(vm::plain_text_object(a[0])));
}

Ref mrkdwn(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(mrkdwn_params, args, nargs, kwnames, a)) return {};
  PyObject* text = a[0] ? a[0] : Py_None;
  if (!vm::check_str(text, "text", /*none_ok=*/true)) return {};
  if (text == Py_None || PyUnicode_GET_LENGTH(text) == 0) return vm::empty_list();
  return vm::list_of(section_with_text(vm::mrkdwn_object(text)));
}

Ref text_fields(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(text_fields_params, args, nargs, kwnames, a) || !vm::check_list(a[0], "texts")) {
    return {};
  }
  PyObject* texts = a[0];
  Py_ssize_t count = PyList_GET_SIZE(texts);
  if (count == 0) return vm::raise_value_error("texts must be a list with at least one element");
  Ref fields = Ref::steal(PyList_New(count));
  if (!fields) return {};
  for (Py_ssize_t i = 0; i < count; ++i) {
    // The list cannot change under us: building a dict runs no Python code.
    Ref field = vm::mrkdwn_object(PyList_GET_ITEM(texts, i));
    if (!field) return {};
    PyList_SET_ITEM(fields.get(), i, field.release());
  }
  return vm::list_of(vm::dict({{k.type, k.section}, {k.fields, fields.get()}}));
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<plain_text>("plain_text",
        "plain_text($cls, /, text)\n--\n\n"
        "A section showing `text` as plain text (emoji on); [] when `text` is empty."),
    vm::builder<mrkdwn>("mrkdwn",
        "mrkdwn($cls, /, text=None)\n--\n\n"
        "A section showing `text` as Slack markdown; [] when `text` is None or empty."),
    vm::builder<text_fields>("text_fields",
        "text_fields($cls, /, texts)\n--\n\n"
        "A section of markdown fields, one per element of the list `texts` (at least one)."),
};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "utils", 2,
                       {"is_valid_date_fmt", "validate_options", "validate_initial_time"})) {
    return -1;
  }
  Ref cls = vm::make_builder_class(module, "velmora.blocks.section.Section",
                                   "Builders of Block Kit section blocks; each returns a new list of blocks.",
                                   builders);
  return vm::add_type(module, std::move(cls)) ? 0 : -1;
}

}  // namespace

VM_MODULE("Section blocks: text sections and sections with one accessory.", setup)
