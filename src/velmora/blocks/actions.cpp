// Actions blocks: one "actions" block filled with buttons, date pickers, a time picker,
// radio buttons or checkboxes. Every builder starts from cls.init_blocks(), so a subclass
// that redefines it changes what every builder starts from.
#include "_core/blocks.hpp"
#include "_core/elements.hpp"

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;

// The payload from cls.init_blocks() and the element list of its only block.
struct Payload {
  Ref blocks;
  Ref elements;
};

bool start(PyObject* cls, Payload& out) {
  out.blocks = vm::call_method(cls, k.init_blocks);
  if (!out.blocks) return false;
  out.elements = vm::elements_of(out.blocks.get());
  return static_cast<bool>(out.elements);
}

// ---- the starting point -------------------------------------------------------------------

constexpr vm::Params<1> init_blocks_params{"Actions.init_blocks", {&Keys::block_id}, 0, 0};

Ref init_blocks(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  bool has_id;
  if (!vm::bind(init_blocks_params, args, nargs, kwnames, a) || !vm::check_block_id(a[0], has_id)) return {};
  Ref elements = vm::empty_list();
  return vm::list_of(vm::dict({{k.type, k.actions}, {k.elements, elements.get()}, {k.block_id, a[0], has_id}}));
}

// ---- buttons ------------------------------------------------------------------------------

constexpr vm::Params<2> buttons_params{"Actions.buttons", {&Keys::buttons, &Keys::block_id}, 1, 1};

Ref buttons(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(buttons_params, args, nargs, kwnames, a) || !vm::check_list(a[0], "buttons") ||
      !vm::check_block_id(a[1], has_id)) {
    return {};
  }
  PyObject* input = a[0];
  Payload payload;
  if (!start(cls, payload)) return {};
  // A mapping's get() may run the caller's code and change the list: re-read its size.
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(input); ++i) {
    Ref button = Ref::borrow(PyList_GET_ITEM(input, i));
    if (!vm::append_element(payload.elements.get(), vm::button_element(button.get(), i))) return {};
  }
  return vm::with_block_id(std::move(payload.blocks), a[1], has_id);
}

// ---- pickers ------------------------------------------------------------------------------

constexpr vm::Params<2> datepickers_params{"Actions.datepickers", {&Keys::initial_dates, &Keys::block_id}, 1, 1};

Ref datepickers(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(datepickers_params, args, nargs, kwnames, a) || !vm::check_block_id(a[1], has_id)) return {};
  Payload payload;
  if (!start(cls, payload)) return {};
  Ref dates = Ref::steal(PyObject_GetIter(a[0]));
  if (!dates) return {};
  for (Py_ssize_t i = 0;; ++i) {
    Ref date = Ref::steal(PyIter_Next(dates.get()));
    if (!date) break;
    if (!vm::check_date(date.get())) return {};
    Ref action_id = vm::numbered("action-datepickers-", i);
    if (!action_id ||
        !vm::append_element(payload.elements.get(), vm::datepicker_element(date.get(), action_id.get()))) {
      return {};
    }
  }
  if (PyErr_Occurred()) return {};
  return vm::with_block_id(std::move(payload.blocks), a[1], has_id);
}

constexpr vm::Params<2> time_picker_params{"Actions.time_picker", {&Keys::initial_time, &Keys::block_id}, 1, 1};

Ref time_picker(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(time_picker_params, args, nargs, kwnames, a) || !vm::check_str(a[0], "initial_time") ||
      !vm::check_block_id(a[1], has_id)) {
    return {};
  }
  Payload payload;
  if (!start(cls, payload) ||
      !vm::append_element(payload.elements.get(), vm::timepicker_element(a[0], k.timepicker_action))) {
    return {};
  }
  return vm::with_block_id(std::move(payload.blocks), a[1], has_id);
}

// ---- choices ------------------------------------------------------------------------------

constexpr vm::Params<2> radio_buttons_params{"Actions.radio_buttons", {&Keys::options, &Keys::block_id}, 1, 1};
constexpr vm::Params<3> checkboxes_params{
    "Actions.checkboxes", {&Keys::options, &Keys::options_description, &Keys::block_id}, 2, 2};

// One choice group of `type` (an option per item of `options`, described by `descriptions`
// when given and truthy) in a new actions payload.
Ref choices(PyObject* cls, PyObject* type, PyObject* options, PyObject* descriptions) {
  Payload payload;
  if (!start(cls, payload)) return {};
  Ref list = vm::option_list(options, vm::OptionText::mrkdwn);
  if (!list) return {};
  int described = descriptions ? PyObject_IsTrue(descriptions) : 0;
  if (described < 0 || (described && !vm::add_descriptions(list.get(), descriptions))) return {};
  if (!vm::append_element(payload.elements.get(), vm::choice_element(type, list.get()))) return {};
  return std::move(payload.blocks);
}

Ref radio_buttons(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  bool has_id;
  if (!vm::bind(radio_buttons_params, args, nargs, kwnames, a) || !vm::check_block_id(a[1], has_id)) return {};
  return vm::with_block_id(choices(cls, k.radio_buttons, a[0], nullptr), a[1], has_id);
}

Ref checkboxes(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<3> a;
  bool has_id;
  if (!vm::bind(checkboxes_params, args, nargs, kwnames, a) || !vm::check_block_id(a[2], has_id)) return {};
  return vm::with_block_id(choices(cls, k.checkboxes, a[0], a[1]), a[2], has_id);
}

// ---- the class ----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<init_blocks>("init_blocks",
                             "init_blocks($cls, /, *, block_id=None)\n--\n\n"
                             "A new actions payload with no elements: [{\"type\": \"actions\", \"elements\": []}]\n"
                             "(then \"block_id\" when given).\n"
                             "Every other builder starts from cls.init_blocks()."),
    vm::builder<buttons>("buttons",
                         "buttons($cls, /, buttons, *, block_id=None)\n--\n\n"
                         "An actions block of one button per dict of the list `buttons` (keys \"text\", and\n"
                         "optionally \"style\", \"value\", \"url\", \"action_id\"); action ids and default values\n"
                         "count from 0."),
    vm::builder<datepickers>("datepickers",
                             "datepickers($cls, /, initial_dates, *, block_id=None)\n--\n\n"
                             "An actions block of one date picker per date (YYYY-MM-DD) of `initial_dates`, a list\n"
                             "or any other iterable of dates."),
    vm::builder<time_picker>("time_picker",
                             "time_picker($cls, /, initial_time, *, block_id=None)\n--\n\n"
                             "An actions block of one time picker starting at `initial_time` (HH:mm, 24-hour clock).",
                             vm::Wrap::validate_initial_time),
    vm::builder<radio_buttons>("radio_buttons",
                               "radio_buttons($cls, /, options, *, block_id=None)\n--\n\n"
                               "An actions block of one radio-button group, one button per option text.",
                               vm::Wrap::validate_options),
    vm::builder<checkboxes>("checkboxes",
                            "checkboxes($cls, /, options, options_description, *, block_id=None)\n--\n\n"
                            "An actions block of one checkbox group, one box per option text; the i-th item of\n"
                            "`options_description` describes the i-th option (None or []: no descriptions).",
                            vm::Wrap::validate_options),
};

}  // namespace

VM_BUILDER_MODULE("Actions blocks: buttons, date and time pickers, radio buttons and checkboxes.", "Actions",
                  "Builders of Block Kit actions blocks; each returns a new list of one block and takes a\n"
                  "keyword-only block_id (None: Slack assigns one).",
                  builders, vm::prepare_element_builders)
