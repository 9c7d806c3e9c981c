// Actions blocks: one "actions" block filled with buttons, date pickers, a time picker,
// radio buttons or checkboxes. Every builder starts from cls.init_blocks(), so a subclass
// that redefines it changes what every builder starts from.
#include "velmora/blocks.hpp"
#include "velmora/elements.hpp"

namespace {

using vm::k, vm::Ref;

// [{"type": "actions", "elements": elements}], then "block_id" when given.
Ref new_payload(PyObject* elements, PyObject* block_id = nullptr, bool has_id = false) {
  return vm::list_of(vm::dict({{k.type, k.actions}, {k.elements, elements}, {k.block_id, block_id, has_id}}));
}

// ---- the starting point -------------------------------------------------------------------

Ref init_blocks(PyObject*, vm::Bound<1>& a) {
  bool has_id;
  if (!vm::check_block_id(a[0], has_id)) return {};
  Ref elements = vm::empty_list();
  return new_payload(elements.get(), a[0], has_id);
}

// The payload from cls.init_blocks() and the element list of its only block.
struct Payload {
  Ref blocks;
  Ref elements;
};

bool start(PyObject* cls, Payload& out) {
  int own = vm::holds_own_builder(cls, k.init_blocks, "init_blocks");
  if (own < 0) return false;
  if (own) {  // what cls.init_blocks() would give, made here rather than through a method call
    out.elements = vm::empty_list();
    out.blocks = new_payload(out.elements.get());
    return static_cast<bool>(out.blocks);
  }
  out.blocks = vm::call_method(cls, k.init_blocks);
  if (!out.blocks) return false;
  out.elements = vm::elements_of(out.blocks.get());
  return static_cast<bool>(out.elements);
}

// The frame of the builders below, on their arguments (the block id last): checks them with
// `check` and then the block id, starts from cls.init_blocks(), lets `fill` add the elements made
// from the arguments, and sets "block_id" on the block when given.
template <std::size_t N, class Check, class Fill>
Ref build(PyObject* cls, const vm::Bound<N>& a, Check&& check, Fill&& fill) {
  bool has_id;
  Payload payload;
  if (!check(a) || !vm::check_block_id(a[N - 1], has_id) || !start(cls, payload) || !fill(payload.elements.get(), a)) {
    return {};
  }
  return vm::with_block_id(std::move(payload.blocks), a[N - 1], has_id);
}

// For builders whose arguments are checked while the elements are made.
constexpr auto unchecked = [](const auto&) { return true; };

// ---- buttons ------------------------------------------------------------------------------

Ref buttons(PyObject* cls, vm::Bound<2>& a) {
  auto check = [](const vm::Bound<2>& a) { return vm::check_list(a[0], "buttons"); };
  return build(cls, a, check, [](PyObject* elements, const vm::Bound<2>& a) {
    // A mapping's get() may run the caller's code and change the list: re-read its size.
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(a[0]); ++i) {
      Ref button = Ref::borrow(PyList_GET_ITEM(a[0], i));
      if (!vm::append_element(elements, vm::button_element(button.get(), i))) return false;
    }
    return true;
  });
}

// ---- pickers ------------------------------------------------------------------------------

Ref datepickers(PyObject* cls, vm::Bound<2>& a) {
  return build(cls, a, unchecked, [](PyObject* elements, const vm::Bound<2>& a) {
    Ref dates = Ref::steal(PyObject_GetIter(a[0]));
    if (!dates) return false;
    for (Py_ssize_t i = 0;; ++i) {
      Ref date = Ref::steal(PyIter_Next(dates.get()));
      if (!date) return !PyErr_Occurred();
      if (!vm::check_date(date.get())) return false;
      Ref action_id = vm::datepicker_action_ids(i);
      if (!action_id || !vm::append_element(elements, vm::datepicker_element(date.get(), action_id.get()))) {
        return false;
      }
    }
  });
}

Ref time_picker(PyObject* cls, vm::Bound<2>& a) {
  auto check = [](const vm::Bound<2>& a) { return vm::check_str(a[0], "initial_time"); };
  return build(cls, a, check, [](PyObject* elements, const vm::Bound<2>& a) {
    return vm::append_element(elements, vm::timepicker_element(a[0], k.timepicker_action));
  });
}

// ---- choices ------------------------------------------------------------------------------

// Options of any count and length (texts, (text, value) pairs or option dicts), as markdown.
constexpr vm::OptionRules radio_buttons_options{.element = "radio_buttons", .text = vm::OptionText::mrkdwn};
constexpr vm::OptionRules checkboxes_options{.element = "checkboxes", .text = vm::OptionText::mrkdwn};

// Adds one choice group of `type`: an option per item of `options`, described by
// `descriptions` when given and truthy, with the caller's action id when given.
bool add_choices(PyObject* elements, PyObject* type, PyObject* options, const vm::OptionRules& rules,
                 PyObject* descriptions, PyObject* action_id) {
  PyObject* id = nullptr;
  if (action_id && action_id != Py_None && !(id = vm::own_action_id(action_id, nullptr))) return false;
  Ref list = vm::described_options(options, rules, descriptions);
  return list && vm::append_element(elements, vm::choice_element(type, list.get(), id));
}

Ref radio_buttons(PyObject* cls, vm::Bound<3>& a) {
  return build(cls, a, unchecked, [](PyObject* elements, const vm::Bound<3>& a) {
    return add_choices(elements, k.radio_buttons, a[0], radio_buttons_options, nullptr, a[1]);
  });
}

Ref checkboxes(PyObject* cls, vm::Bound<4>& a) {
  return build(cls, a, unchecked, [](PyObject* elements, const vm::Bound<4>& a) {
    return add_choices(elements, k.checkboxes, a[0], checkboxes_options, a[1], a[2]);
  });
}

// ---- the class ----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::builder<init_blocks, "Actions.init_blocks(*, block_id=None)",
                R"(
                A new actions payload with no elements: [{"type": "actions", "elements": []}]
                (then "block_id" when given).
                Every other builder starts from cls.init_blocks().)">(),
    vm::builder<buttons, "Actions.buttons(buttons, *, block_id=None)",
                R"(
                An actions block of one button per dict of the list `buttons` (keys "text", and
                optionally "style", "value", "url", "action_id"); action ids and default values
                count from 0.)">(),
    vm::builder<datepickers, "Actions.datepickers(initial_dates, *, block_id=None)",
                R"(
                An actions block of one date picker per date (YYYY-MM-DD) of `initial_dates`, a list
                or any other iterable of dates.)">(),
    vm::builder<time_picker, "Actions.time_picker(initial_time, *, block_id=None)",
                "An actions block of one time picker starting at `initial_time` (HH:mm, 24-hour clock).",
                vm::Wrap::validate_initial_time>(),
    vm::builder<radio_buttons, "Actions.radio_buttons(options, *, action_id=None, block_id=None)",
                R"(
                An actions block of one radio-button group, one button per option: an option text
                (values "value-0", "value-1", ...), a (text, value) pair or an option dict; the group
                has the caller's action_id when given.)",
                vm::Wrap::validate_options>(),
    vm::builder<checkboxes, "Actions.checkboxes(options, options_description, *, action_id=None, block_id=None)",
                R"(
                An actions block of one checkbox group, one box per option (as in radio_buttons); the
                i-th item of `options_description` describes the i-th option (None or []: no
                descriptions).)",
                vm::Wrap::validate_options>(),
};

}  // namespace

VM_BUILDER_MODULE("Actions blocks: buttons, date and time pickers, radio buttons and checkboxes.", "Actions",
                  "Builders of Block Kit actions blocks; each returns a new list of one block and takes a\n"
                  "keyword-only block_id (None: Slack assigns one).",
                  builders, vm::prepare_element_builders)
