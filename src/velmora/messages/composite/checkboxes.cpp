// CheckBoxesMessage: a text, then a group of check boxes (with optional descriptions).
#include "_core/compose.hpp"
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

vm::Global message_class;
vm::Global builder_keywords;  // ("options", "options_description")

constexpr vm::Params<3> init_params{
    "CheckBoxesMessage.__init__", {&Keys::text, &Keys::options, &Keys::options_description}, 2};

bool check(const vm::Bound<3>& a) noexcept { return vm::check_str(a[0], "text"); }

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  return vm::init_stored(message_class.get(), self, args, kwargs, init_params, {nullptr, nullptr, Py_None}, check);
}

// Section.mrkdwn(self.text) + Actions.checkboxes(options=..., options_description=...)
Ref build_blocks(PyObject* self) {
  return vm::text_then(self, k.Actions, k.checkboxes, builder_keywords.get());
}

PyMethodDef methods[] = {
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The text as a markdown section (when not empty), then an actions block of check boxes."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Section", "Actions"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  builder_keywords.set(vm::keyword_tuple({k.options, k.options_description}));
  if (!builder_keywords.get()) return -1;
  return vm::add_message_class(
      module, "velmora.messages.composite.checkboxes.CheckBoxesMessage",
      "CheckBoxesMessage(text, options, options_description=None, **kwargs)\n--\n\n"
      "A message of the markdown `text`, then one check box per option (Actions.checkboxes), the\n"
      "i-th described by the i-th of `options_description` when given. Other keyword arguments\n"
      "go to BaseVelmora.",
      vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The check boxes message.", setup)
