// Section blocks: text sections and sections carrying one interactive accessory.
#include "velmora/blocks.hpp"
#include "velmora/elements.hpp"

namespace {

using vm::k, vm::Ref;

// {"type": "section", "text": <text object>}
Ref section_with_text(Ref text_object) noexcept {
  return vm::dict({{k.type, k.section}, {k.text, text_object.get()}});
}

// ---- text sections -------------------------------------------------------------------------

Ref plain_text(PyObject* text) noexcept {
  return section_with_text(vm::plain_text_object(text));
}

Ref mrkdwn(PyObject* text) noexcept {
  return section_with_text(vm::mrkdwn_object(text));
}

Ref text_fields(PyObject*, vm::Bound<2>& a) {
  bool has_id;
  if (!vm::check_list(a[0], "texts") || !vm::check_block_id(a[1], has_id)) {
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
  return vm::with_block_id(vm::list_of(vm::dict({{k.type, k.section}, {k.fields, fields.get()}})), a[1], has_id);
}

// ---- accessories -------------------------------------------------------------------------

// A text, image address or Slack file reference: exactly a str of 1 to 3000 characters.
bool check_text(PyObject* value, const char* param) {
  return vm::check_str_length(value, param, 1, 3000);
}

// The text of a section with an accessory: exactly a str of 1 to 3000 characters (Slack's
// limit); where a builder has a fallback prompt, None (or no argument) stands for it.
PyObject* accessory_text(PyObject* text, PyObject* fallback = nullptr) {
  if (!text || (fallback && text == Py_None)) return fallback;
  return check_text(text, "text") ? text : nullptr;
}

// [{"type": "section", "text": {"type": "mrkdwn", "text": text}, "accessory": accessory}], then
// "block_id" when `block_id` is a given id (null or None: none).
Ref accessory_section(PyObject* text, Ref accessory, PyObject* block_id) {
  if (!accessory) return {};
  Ref text_object = vm::mrkdwn_object(text);
  bool has_id = block_id && block_id != Py_None && PyUnicode_GET_LENGTH(block_id) > 0;
  return vm::list_of(vm::dict({{k.type, k.section},
                               {k.text, text_object.get()},
                               {k.accessory, accessory.get()},
                               {k.block_id, block_id, has_id}}));
}

// The block id of a builder's call (its last parameter), checked; false with the error set.
bool take_block_id(PyObject* block_id) {
  bool present;
  return vm::check_block_id(block_id, present);
}

// Replaces a bound text by what accessory_text() makes of it; false with the error set.
bool take_text(PyObject*& text, PyObject* fallback = nullptr) {
  text = accessory_text(text, fallback);
  return text != nullptr;
}

// Takes the text of a builder's call at `text_at` (with `fallback`) and its block id (last);
// false with the error set.
template <std::size_t N>
bool take_accessory_args(vm::Bound<N>& a, std::size_t text_at, PyObject* fallback = nullptr) {
  return take_text(a[text_at], fallback) && take_block_id(a[N - 1]);
}

// A select menu: {"type": type, "placeholder": <plain text>, "options": [...], "action_id": id}
// (the placeholder is left out when null).
Ref options_accessory(PyObject* type, Ref placeholder, Ref options, PyObject* action_id) {
  if (!options) return {};
  return vm::dict({{k.type, type},
                   {k.placeholder, placeholder.get(), static_cast<bool>(placeholder)},
                   {k.options, options.get()},
                   {k.action_id, action_id}});
}

// The options of a menu: 1 to `max_count` texts of 1 to 75 characters, (text, value) pairs or
// option dicts; a text's value is "value-<i>".
constexpr vm::OptionRules menu(const char* element, Py_ssize_t max_count, vm::OptionText text = vm::OptionText::plain) {
  return {.element = element, .max_count = max_count, .max_text = vm::limit::option_text, .text = text};
}

constexpr vm::OptionRules static_select_options = menu("static_select", vm::limit::options);
constexpr vm::OptionRules multi_static_select_options = menu("multi_static_select", vm::limit::options);
constexpr vm::OptionRules overflow_options = menu("overflow", vm::limit::overflow_options);
constexpr vm::OptionRules radio_buttons_options =
    menu("radio_buttons", vm::limit::choice_options, vm::OptionText::mrkdwn);
constexpr vm::OptionRules checkboxes_options = menu("checkboxes", vm::limit::choice_options, vm::OptionText::mrkdwn);

// A menu of `options` (see OptionRules) whose action id is the caller's or `action_id`, and whose
// placeholder is the caller's or `placeholder` (a menu without one passes neither).
Ref menu_accessory(PyObject* type, PyObject* options, const vm::OptionRules& rules, PyObject* own_action_id,
                   PyObject* action_id, PyObject* own_placeholder = nullptr, PyObject* placeholder = nullptr) {
  PyObject* id = vm::own_action_id(own_action_id, action_id);
  Ref shown;
  if (!id || (placeholder && !vm::own_placeholder(own_placeholder, placeholder, shown))) return {};
  return options_accessory(type, std::move(shown), vm::option_list(options, rules), id);
}

Ref users_select(PyObject*, vm::Bound<2>& a) {
  if (!take_accessory_args(a, 0, k.please_select_a_user)) return {};
  Ref placeholder = vm::plain_text_object(k.select_a_user);
  return accessory_section(
      a[0],
      vm::dict({{k.type, k.users_select}, {k.placeholder, placeholder.get()}, {k.action_id, k.users_select_action}}),
      a[1]);
}

Ref static_select(PyObject*, vm::Bound<5>& a) {
  if (!take_accessory_args(a, 1, k.please_select_a_option)) return {};
  return accessory_section(
      a[1],
      menu_accessory(k.static_select, a[0], static_select_options, a[2], k.static_select_action, a[3], k.select_a_item),
      a[4]);
}

Ref multi_static_select(PyObject*, vm::Bound<5>& a) {
  if (!take_accessory_args(a, 0)) return {};
  return accessory_section(a[0],
                           menu_accessory(k.multi_static_select, a[1], multi_static_select_options, a[2],
                                          k.multi_static_select_action, a[3], k.select_options),
                           a[4]);
}

Ref overflow(PyObject*, vm::Bound<4>& a) {
  if (!take_accessory_args(a, 0)) return {};
  return accessory_section(a[0], menu_accessory(k.overflow, a[1], overflow_options, a[2], k.overflow_action), a[3]);
}

Ref button(PyObject*, vm::Bound<3>& a) {
  if (!take_accessory_args(a, 0)) return {};
  // The same element as the first button of Actions.buttons, so handlers match either way.
  return accessory_section(a[0], vm::button_element(a[1], 0, /*slack_rules=*/true), a[2]);
}

// {"type": "image", <source key>: source, "alt_text": alt_text}
Ref image_accessory(PyObject* const* a, PyObject* source_key, Ref source) {
  if (!source) return {};
  return accessory_section(
      a[0], vm::dict({{k.type, k.image}, {source_key, source.get()}, {k.alt_text, a[2] ? a[2] : k.image}}), a[3]);
}

Ref image(PyObject*, vm::Bound<4>& a) {
  if (!take_text(a[0]) || !check_text(a[1], "image_url") || (a[2] && !vm::check_str(a[2], "alt_text")) ||
      !take_block_id(a[3])) {
    return {};
  }
  return image_accessory(a.data(), k.image_url, Ref::borrow(a[1]));
}

Ref slack_image(PyObject*, vm::Bound<4>& a) {
  if (!take_text(a[0]) || !check_text(a[1], "slack_file") || (a[2] && !vm::check_str(a[2], "alt_text")) ||
      !take_block_id(a[3])) {
    return {};
  }
  // A web address names the file by URL; anything else is a Slack file id ("F0123ABCD").
  Py_ssize_t end = PY_SSIZE_T_MAX;
  Py_ssize_t is_url = PyUnicode_Tailmatch(a[1], k.https_scheme, 0, end, -1);
  if (is_url == 0) is_url = PyUnicode_Tailmatch(a[1], k.http_scheme, 0, end, -1);
  if (is_url < 0) return {};
  return image_accessory(a.data(), k.slack_file, vm::dict({{is_url ? k.url : k.id, a[1]}}));
}

Ref datepicker(PyObject*, vm::Bound<3>& a) {
  if (!take_text(a[0]) || !vm::check_str(a[1], "initial_date") || !take_block_id(a[2]) || !vm::check_date(a[1])) {
    return {};
  }
  return accessory_section(a[0], vm::datepicker_element(a[1], k.datepicker_action), a[2]);
}

Ref time_picker(PyObject*, vm::Bound<3>& a) {
  if (!take_text(a[0]) || !vm::check_str(a[1], "initial_time") || !take_block_id(a[2])) {
    return {};
  }
  return accessory_section(a[0], vm::timepicker_element(a[1], k.timepicker_section), a[2]);
}

Ref radio_buttons(PyObject*, vm::Bound<4>& a) {
  if (!take_accessory_args(a, 0)) return {};
  PyObject* id = vm::own_action_id(a[2], k.radio_buttons_action);
  Ref options = id ? vm::option_list(a[1], radio_buttons_options) : Ref{};
  if (!options) return {};
  return accessory_section(a[0], vm::choice_element(k.radio_buttons, options.get(), id), a[3]);
}

Ref checkboxes(PyObject*, vm::Bound<5>& a) {
  if (!take_accessory_args(a, 1, k.all_check_boxes_selectable)) return {};
  PyObject* id = vm::own_action_id(a[3], k.checkboxes_action);
  Ref options = id ? vm::described_options(a[0], checkboxes_options, a[2]) : Ref{};
  if (!options) return {};
  return accessory_section(a[1], vm::choice_element(k.checkboxes, options.get(), id), a[4]);
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    vm::text_builder<plain_text, "Section.plain_text(text, *, block_id=None)",
                     "A section showing `text` as plain text (emoji on); [] when `text` is empty.">(),
    vm::text_builder<mrkdwn, "Section.mrkdwn(text=None, *, block_id=None)",
                     "A section showing `text` as Slack markdown; [] when `text` is None or empty.">(),
    vm::builder<text_fields, "Section.text_fields(texts, *, block_id=None)",
                "A section of markdown fields, one per element of the list `texts` (at least one).">(),
    vm::builder<users_select, "Section.users_select(text=None, *, block_id=None)",
                R"(A section of markdown `text` (None: "Please select a user") with a users select menu.)">(),
    vm::builder<static_select,
                "Section.static_select(options, text=None, *, action_id=None, placeholder=None, block_id=None)",
                R"(
                A section of markdown `text` (None: "Please select a option") with a select menu of
                1 to 100 options: option texts (values "value-0", "value-1", ...), (text, value)
                pairs or option dicts. action_id None: "static_select-action"; placeholder None:
                "Select a item".)",
                vm::Wrap::validate_options>(),
    vm::builder<multi_static_select,
                "Section.multi_static_select(text, options, *, action_id=None, placeholder=None, block_id=None)",
                R"(
                A section of markdown `text` with a multi-select menu of 1 to 100 options (as in
                static_select). action_id None: "multi_static_select-action"; placeholder None:
                "Select options".)",
                vm::Wrap::validate_options>(),
    vm::builder<overflow, "Section.overflow(text, options, *, action_id=None, block_id=None)",
                R"(
                A section of markdown `text` with an overflow menu of 1 to 5 options (as in
                static_select). action_id None: "overflow-action".)",
                vm::Wrap::validate_options>(),
    vm::builder<button, "Section.button(text, button, *, block_id=None)",
                R"(
                A section of markdown `text` with one button made from the dict `button` (keys "text",
                and optionally "style" ("primary" or "danger"), "value", "url", "action_id"), as
                the first button of Actions.buttons; a "value" of None or "" is left out.)">(),
    vm::builder<image, "Section.image(text, image_url, alt_text='image', *, block_id=None)",
                "A section of markdown `text` with the image at the public address `image_url`.">(),
    vm::builder<slack_image, "Section.slack_image(text, slack_file, alt_text='image', *, block_id=None)",
                R"(
                A section of markdown `text` with an image that lives in Slack: `slack_file` is its
                URL (starting with https:// or http://) or its file id.)">(),
    vm::builder<datepicker, "Section.datepicker(text, initial_date, *, block_id=None)",
                "A section of markdown `text` with a date picker set to `initial_date` (YYYY-MM-DD).">(),
    vm::builder<time_picker, "Section.time_picker(text, initial_time, *, block_id=None)",
                "A section of markdown `text` with a time picker set to `initial_time` (HH:mm, 24-hour clock).",
                vm::Wrap::validate_initial_time>(),
    vm::builder<radio_buttons, "Section.radio_buttons(text, options, *, action_id=None, block_id=None)",
                R"(
                A section of markdown `text` with a group of 1 to 10 radio buttons, one per option (as
                in static_select, with markdown texts). action_id None: "radio_buttons-action".)",
                vm::Wrap::validate_options>(),
    vm::builder<checkboxes,
                "Section.checkboxes(options, text=None, options_description=None, *, action_id=None, block_id=None)",
                R"(
                A section of markdown `text` (None: "All check boxes are selectable") with a group of
                1 to 10 checkboxes (options as in radio_buttons); the i-th item of
                `options_description` describes the i-th option. action_id None: "checkboxes-action".)",
                vm::Wrap::validate_options>(),
};

}  // namespace

VM_BUILDER_MODULE("Section blocks: text sections and sections with one accessory.", "Section",
                  "Builders of Block Kit section blocks; each returns a new list of blocks and takes a\n"
                  "keyword-only block_id (None: Slack assigns one).",
                  builders, vm::prepare_element_builders)
