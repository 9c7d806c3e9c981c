// Input blocks: one labelled element of a form, for a modal (or a message). Each builder returns a
// new list of one "input" block; its element takes the caller's action_id, so that a submission
// reads back under the caller's names.
#include "velmora/blocks.hpp"
#include "velmora/elements.hpp"
#include "velmora/form_values.hpp"
#include "velmora/limits.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref, vm::form::count, vm::form::flag;

// ---- the input block -------------------------------------------------------------------------

// Every builder takes `label` first and ends with these four keywords.
constexpr std::size_t block_params = 4;

// {"type": "input", "label": None, "element": None}, copied for each block.
vm::Template input_block;

// The arguments of an input builder (`label`, the element's `Positional` parameters, then
// `action_id`, the element's keywords and the four of the block; see input_builder): checks what
// every input takes, and puts the element that `element(a, action_id)` makes into the block:
// [{"type": "input", "label": <plain text>, "element": element, "dispatch_action": true,
//   "block_id": id, "hint": <plain text>, "optional": true}], the last four only when given.
template <std::size_t Positional = 0, std::size_t N, class Element>
Ref input(const vm::Bound<N>& a, Element&& element) {
  bool optional, has_hint, dispatch, has_id;
  PyObject* action_id = a[1 + Positional];
  PyObject* const* block = a.data() + N - block_params;  // optional, hint, dispatch_action, block_id
  if (!vm::check_str_length(a[0], "label", 1, vm::limit::input_label) ||
      !vm::check_str_length(action_id, "action_id", 1, vm::limit::action_id) || !flag(block[0], "optional", optional) ||
      !vm::check_optional_str(block[1], "hint", vm::limit::input_label, has_hint) ||
      !flag(block[2], "dispatch_action", dispatch) || !vm::check_block_id(block[3], has_id)) {
    return {};
  }
  Ref made = element(a, action_id);
  Ref label = made ? vm::plain_text_object(a[0]) : Ref{};
  Ref out = label ? input_block.copy() : Ref{};
  if (!out || PyDict_SetItem(out.get(), k.label, label.get()) < 0 ||
      PyDict_SetItem(out.get(), k.element, made.get()) < 0 ||
      (dispatch && PyDict_SetItem(out.get(), k.dispatch_action, Py_True) < 0) ||
      (has_id && PyDict_SetItem(out.get(), k.block_id, block[3]) < 0)) {
    return {};
  }
  if (has_hint) {
    Ref hint = vm::plain_text_object(block[1]);
    if (!hint || PyDict_SetItem(out.get(), k.hint, hint.get()) < 0) return {};
  }
  if (optional && PyDict_SetItem(out.get(), k.optional, Py_True) < 0) return {};
  return vm::list_of(std::move(out));
}

// The keywords every input builder ends with, in its signature.
#define VM_BLOCK_PARAMS "optional=False, hint=None, dispatch_action=False, block_id=None"

// The table entry of an input builder, whose signature reads as input() takes it:
// "Input.name(label, <the element's positional ones>, *, action_id, <the element's keywords>, "
// VM_BLOCK_PARAMS ")".
template <auto F, vm::Literal Signature, vm::Literal Text>
vm::Builder input_builder() noexcept {
  constexpr auto& p = vm::params<Signature>;
  constexpr std::size_t n = p.names.size();
  static_assert(n >= 2 + block_params && p.names[0] == &Keys::label && p.names[p.positional] == &Keys::action_id &&
                    p.is_required(p.positional) && p.names[n - 4] == &Keys::optional && p.names[n - 3] == &Keys::hint &&
                    p.names[n - 2] == &Keys::dispatch_action && p.names[n - 1] == &Keys::block_id,
                "an input builder reads name(label, ..., *, action_id, ..., " VM_BLOCK_PARAMS ")");
  return vm::builder<F, Signature, Text>();
}

// The placeholder a caller gave, as a plain text object (`shown` null when none).
bool placeholder(PyObject* given, Ref& shown) {
  return vm::own_placeholder(given, nullptr, shown);
}

// ---- text inputs ---------------------------------------------------------------------------

Ref plain_text(PyObject*, vm::Bound<11>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref shown;
    bool initial, multiline, low, high;
    constexpr long long most = vm::limit::text_input_length;
    if (!placeholder(a[2], shown) || !vm::check_optional_str(a[3], "initial_value", initial) ||
        !flag(a[4], "multiline", multiline) || !count(a[5], "min_length", 0, most, low) ||
        !count(a[6], "max_length", 1, most, high)) {
      return Ref{};
    }
    if (low && high && PyLong_AsLongLong(a[5]) > PyLong_AsLongLong(a[6])) {
      vm::form::raise_bounds("min_length", a[5], "max_length", a[6]);
      return Ref{};
    }
    return vm::dict({{k.type, k.plain_text_input},
                     {k.action_id, id},
                     {k.initial_value, a[3], initial},
                     {k.multiline, Py_True, multiline},
                     {k.min_length, a[5], low},
                     {k.max_length, a[6], high},
                     {k.placeholder, shown.get(), static_cast<bool>(shown)}});
  });
}

Ref number(PyObject*, vm::Bound<11>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref shown, initial, low, high;
    bool decimals;
    double values[3];
    if (!flag(a[2], "is_decimal_allowed", decimals) || !placeholder(a[3], shown) ||
        !vm::form::number_text(a[4], "initial_value", decimals, initial, values[0]) ||
        !vm::form::number_text(a[5], "min_value", decimals, low, values[1]) ||
        !vm::form::number_text(a[6], "max_value", decimals, high, values[2])) {
      return Ref{};
    }
    if (low && high && values[1] > values[2]) {
      vm::form::raise_bounds("min_value", low.get(), "max_value", high.get());
      return Ref{};
    }
    return vm::dict({{k.type, k.number_input},
                     {k.action_id, id},
                     {k.is_decimal_allowed, decimals ? Py_True : Py_False},
                     {k.initial_value, initial.get(), static_cast<bool>(initial)},
                     {k.min_value, low.get(), static_cast<bool>(low)},
                     {k.max_value, high.get(), static_cast<bool>(high)},
                     {k.placeholder, shown.get(), static_cast<bool>(shown)}});
  });
}

// {"type": type, "action_id": id, <key>: value, "placeholder": ...}, each when given: the inputs
// of one text or id, and a placeholder.
Ref with_value(PyObject* type, PyObject* id, PyObject* key, PyObject* value, PyObject* given_placeholder) {
  Ref shown;
  if (!placeholder(given_placeholder, shown)) return {};
  return vm::dict({{k.type, type},
                   {k.action_id, id},
                   {key, value, value != nullptr},
                   {k.placeholder, shown.get(), static_cast<bool>(shown)}});
}

// A text given by the caller (exactly a str; None, "" or not given: none) for `with_value`.
PyObject* given_text(PyObject* value, const char* param, bool& ok) {
  bool present;
  ok = vm::check_optional_str(value, param, present);
  return present ? value : nullptr;
}

// An input of one text: {"type": type, "action_id": id, "initial_value": text, "placeholder": ...}.
Ref text_input(const vm::Bound<8>& a, PyObject* type) {
  return input(a, [type](const auto& a, PyObject* id) {
    bool ok;
    PyObject* initial = given_text(a[3], "initial_value", ok);
    return ok ? with_value(type, id, k.initial_value, initial, a[2]) : Ref{};
  });
}

Ref email(PyObject*, vm::Bound<8>& a) {
  return text_input(a, k.email_text_input);
}

Ref url(PyObject*, vm::Bound<8>& a) {
  return text_input(a, k.url_text_input);
}

Ref rich_text(PyObject*, vm::Bound<8>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref initial;
    return vm::form::rich_text_value(a[3], initial)
               ? with_value(k.rich_text_input, id, k.initial_value, initial.get(), a[2])
               : Ref{};
  });
}

// ---- choices -------------------------------------------------------------------------------

// The options of an input: 1 to `max_count` of them, each a text of 1 to 75 characters (its value
// is the text itself), a (text, value) pair or an option dict; plain text.
constexpr vm::OptionRules form_options(const char* element, Py_ssize_t max_count) {
  return {.element = element, .max_count = max_count, .max_text = vm::limit::option_text, .text_values = true};
}

constexpr vm::OptionRules static_select_options = form_options("static_select", vm::limit::options);
constexpr vm::OptionRules multi_static_select_options = form_options("multi_static_select", vm::limit::options);
constexpr vm::OptionRules radio_buttons_options = form_options("radio_buttons", vm::limit::choice_options);
constexpr vm::OptionRules checkboxes_options = form_options("checkboxes", vm::limit::choice_options);

// {"type": type, "action_id": id, "options": [...], <initial>: the option(s) chosen at first,
// "max_selected_items": n, "placeholder": ...}, each of the last three when given.
// `initial_key` is "initial_option" (one option) or "initial_options" (a list of them).
Ref choices(PyObject* type, PyObject* id, PyObject* options, const vm::OptionRules& rules, PyObject* initial_key,
            PyObject* initial, PyObject* given_placeholder = nullptr, PyObject* max_selected = nullptr) {
  Ref shown;
  bool limited;
  if (!placeholder(given_placeholder, shown) || !count(max_selected, "max_selected_items", 1, LLONG_MAX, limited)) {
    return {};
  }
  Ref list = vm::option_list(options, rules);
  if (!list) return {};
  Ref chosen;
  if (initial && initial != Py_None) {
    bool many = initial_key == k.initial_options;
    chosen = many ? vm::chosen_options(list.get(), initial, "initial_options")
                  : vm::chosen_option(list.get(), initial, "initial_option");
    if (!chosen) return {};
    if (many && PyList_GET_SIZE(chosen.get()) == 0) chosen = Ref{};
  }
  return vm::dict({{k.type, type},
                   {k.action_id, id},
                   {k.options, list.get()},
                   {initial_key, chosen.get(), static_cast<bool>(chosen)},
                   {k.max_selected_items, max_selected, limited},
                   {k.placeholder, shown.get(), static_cast<bool>(shown)}});
}

Ref static_select(PyObject*, vm::Bound<9>& a) {
  return input<1>(a, [](const auto& a, PyObject* id) {
    return choices(k.static_select, id, a[1], static_select_options, k.initial_option, a[4], a[3]);
  });
}

Ref multi_static_select(PyObject*, vm::Bound<10>& a) {
  return input<1>(a, [](const auto& a, PyObject* id) {
    return choices(k.multi_static_select, id, a[1], multi_static_select_options, k.initial_options, a[4], a[3], a[5]);
  });
}

Ref radio_buttons(PyObject*, vm::Bound<8>& a) {
  return input<1>(a, [](const auto& a, PyObject* id) {
    return choices(k.radio_buttons, id, a[1], radio_buttons_options, k.initial_option, a[3]);
  });
}

Ref checkboxes(PyObject*, vm::Bound<8>& a) {
  return input<1>(a, [](const auto& a, PyObject* id) {
    return choices(k.checkboxes, id, a[1], checkboxes_options, k.initial_options, a[3]);
  });
}

// ---- dates and times -----------------------------------------------------------------------

Ref datepicker(PyObject*, vm::Bound<8>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref date;
    return vm::form::date_text(a[3], date) ? with_value(k.datepicker, id, k.initial_date, date.get(), a[2]) : Ref{};
  });
}

Ref timepicker(PyObject*, vm::Bound<9>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref time, shown;
    bool ok;
    PyObject* zone = given_text(a[4], "timezone", ok);
    if (!ok || !vm::form::time_text(a[3], time) || !placeholder(a[2], shown)) return Ref{};
    return vm::dict({{k.type, k.timepicker},
                     {k.action_id, id},
                     {k.initial_time, time.get(), static_cast<bool>(time)},
                     {k.timezone, zone, zone != nullptr},
                     {k.placeholder, shown.get(), static_cast<bool>(shown)}});
  });
}

Ref datetimepicker(PyObject*, vm::Bound<7>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref when;
    if (!vm::form::date_time_value(a[2], when)) return Ref{};
    return vm::dict(
        {{k.type, k.datetimepicker}, {k.action_id, id}, {k.initial_date_time, when.get(), static_cast<bool>(when)}});
  });
}

// ---- users, conversations and channels ---------------------------------------------------------

Ref users_select(PyObject*, vm::Bound<8>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    bool ok;
    PyObject* user = given_text(a[3], "initial_user", ok);
    return ok ? with_value(k.users_select, id, k.initial_user, user, a[2]) : Ref{};
  });
}

Ref multi_users_select(PyObject*, vm::Bound<9>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref users, shown;
    bool limited;
    if (!placeholder(a[2], shown) || !vm::form::id_list(a[3], "initial_users", users) ||
        !count(a[4], "max_selected_items", 1, LLONG_MAX, limited)) {
      return Ref{};
    }
    return vm::dict({{k.type, k.multi_users_select},
                     {k.action_id, id},
                     {k.initial_users, users.get(), static_cast<bool>(users)},
                     {k.max_selected_items, a[4], limited},
                     {k.placeholder, shown.get(), static_cast<bool>(shown)}});
  });
}

Ref conversations_select(PyObject*, vm::Bound<11>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref shown;
    bool ok, current, respond;
    PyObject* initial = given_text(a[3], "initial_conversation", ok);
    bool filtered = a[5] && a[5] != Py_None;
    if (!ok || !placeholder(a[2], shown) || !flag(a[4], "default_to_current_conversation", current) ||
        (filtered && !vm::check_exact(a[5], &PyDict_Type, "filter")) || !flag(a[6], "response_url_enabled", respond)) {
      return Ref{};
    }
    return vm::dict({{k.type, k.conversations_select},
                     {k.action_id, id},
                     {k.initial_conversation, initial, initial != nullptr},
                     {k.default_to_current_conversation, Py_True, current},
                     {k.filter, a[5], filtered},
                     {k.response_url_enabled, Py_True, respond},
                     {k.placeholder, shown.get(), static_cast<bool>(shown)}});
  });
}

Ref channels_select(PyObject*, vm::Bound<9>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    Ref shown;
    bool ok, respond;
    PyObject* initial = given_text(a[3], "initial_channel", ok);
    if (!ok || !placeholder(a[2], shown) || !flag(a[4], "response_url_enabled", respond)) return Ref{};
    return vm::dict({{k.type, k.channels_select},
                     {k.action_id, id},
                     {k.initial_channel, initial, initial != nullptr},
                     {k.response_url_enabled, Py_True, respond},
                     {k.placeholder, shown.get(), static_cast<bool>(shown)}});
  });
}

// ---- files ---------------------------------------------------------------------------------

Ref file(PyObject*, vm::Bound<8>& a) {
  return input(a, [](const auto& a, PyObject* id) {
    if (a[a.size() - 2] == Py_True) {  // dispatch_action
      return vm::raise_value_error("a file input cannot dispatch actions: leave dispatch_action False");
    }
    Ref types;
    bool limited;
    if (!vm::form::id_list(a[2], "filetypes", types) || !count(a[3], "max_files", 1, vm::limit::max_files, limited)) {
      return Ref{};
    }
    return vm::dict({{k.type, k.file_input},
                     {k.action_id, id},
                     {k.filetypes, types.get(), static_cast<bool>(types)},
                     {k.max_files, a[3], limited}});
  });
}

// ---- the class -----------------------------------------------------------------------------

vm::Builder builders[] = {
    input_builder<plain_text,
                  "Input.plain_text(label, *, action_id, placeholder=None, initial_value=None, multiline=False, "
                  "min_length=None, max_length=None, " VM_BLOCK_PARAMS ")",
                  "An input of plain text: one line, or several when `multiline`; 0 to 3000 characters\n"
                  "at least and 1 to 3000 at most when given.">(),
    input_builder<number,
                  "Input.number(label, *, action_id, is_decimal_allowed=False, placeholder=None, initial_value=None, "
                  "min_value=None, max_value=None, " VM_BLOCK_PARAMS ")",
                  "An input of a number: whole unless `is_decimal_allowed`; the values are numbers (not\n"
                  "bools) or str of digits, sent as str.">(),
    input_builder<email, "Input.email(label, *, action_id, placeholder=None, initial_value=None, " VM_BLOCK_PARAMS ")",
                  "An input of an email address.">(),
    input_builder<url, "Input.url(label, *, action_id, placeholder=None, initial_value=None, " VM_BLOCK_PARAMS ")",
                  "An input of a web address.">(),
    input_builder<rich_text,
                  "Input.rich_text(label, *, action_id, placeholder=None, initial_value=None, " VM_BLOCK_PARAMS ")",
                  "An input of formatted text; `initial_value` is a rich_text block (or the list of one\n"
                  "that RichText's builders return).">(),
    input_builder<
        static_select,
        "Input.static_select(label, options, *, action_id, placeholder=None, initial_option=None, " VM_BLOCK_PARAMS ")",
        "A menu of 1 to 100 options to pick one from. An option is a text (its value is the\n"
        "text itself), a (text, value) pair or an option dict; `initial_option` names one by its\n"
        "value (or its text).">(),
    input_builder<multi_static_select,
                  "Input.multi_static_select(label, options, *, action_id, placeholder=None, initial_options=None, "
                  "max_selected_items=None, " VM_BLOCK_PARAMS ")",
                  "A menu of 1 to 100 options (as in static_select) to pick several from.">(),
    input_builder<checkboxes,
                  "Input.checkboxes(label, options, *, action_id, initial_options=None, " VM_BLOCK_PARAMS ")",
                  "A group of 1 to 10 checkboxes, one per option (as in static_select).">(),
    input_builder<radio_buttons,
                  "Input.radio_buttons(label, options, *, action_id, initial_option=None, " VM_BLOCK_PARAMS ")",
                  "A group of 1 to 10 radio buttons, one per option (as in static_select).">(),
    input_builder<datepicker,
                  "Input.datepicker(label, *, action_id, placeholder=None, initial_date=None, " VM_BLOCK_PARAMS ")",
                  "A date picker; `initial_date` is a datetime.date or a str YYYY-MM-DD.">(),
    input_builder<
        timepicker,
        "Input.timepicker(label, *, action_id, placeholder=None, initial_time=None, timezone=None, " VM_BLOCK_PARAMS
        ")",
        "A time picker; `initial_time` is a datetime.time (to the minute) or a str HH:mm, and\n"
        "`timezone` an IANA name such as \"Europe/Paris\".">(),
    input_builder<datetimepicker,
                  "Input.datetimepicker(label, *, action_id, initial_date_time=None, " VM_BLOCK_PARAMS ")",
                  "A date and time picker; `initial_date_time` is Unix seconds or an aware datetime.">(),
    input_builder<users_select,
                  "Input.users_select(label, *, action_id, placeholder=None, initial_user=None, " VM_BLOCK_PARAMS ")",
                  "A menu of the workspace's users to pick one from.">(),
    input_builder<multi_users_select,
                  "Input.multi_users_select(label, *, action_id, placeholder=None, initial_users=None, "
                  "max_selected_items=None, " VM_BLOCK_PARAMS ")",
                  "A menu of the workspace's users to pick several from.">(),
    input_builder<conversations_select,
                  "Input.conversations_select(label, *, action_id, placeholder=None, initial_conversation=None, "
                  "default_to_current_conversation=False, filter=None, response_url_enabled=False, " VM_BLOCK_PARAMS
                  ")",
                  "A menu of conversations to pick one from; `filter` is a conversation filter dict.">(),
    input_builder<channels_select,
                  "Input.channels_select(label, *, action_id, placeholder=None, initial_channel=None, "
                  "response_url_enabled=False, " VM_BLOCK_PARAMS ")",
                  "A menu of public channels to pick one from.">(),
    input_builder<file, "Input.file(label, *, action_id, filetypes=None, max_files=None, " VM_BLOCK_PARAMS ")",
                  "An input of 1 to `max_files` (at most 10) files, of the `filetypes` (\"pdf\", ...) when\n"
                  "given. A file input cannot dispatch actions.">(),
};

#undef VM_BLOCK_PARAMS

// datetime's C API, for the dates, times and datetimes the pickers take, and the template of the blocks.
bool prepare(PyObject*, vm::Decorators&) {
  PyDateTime_IMPORT;
  return PyDateTimeAPI && input_block.set(vm::dict({{k.type, k.input}, {k.label, Py_None}, {k.element, Py_None}}));
}

}  // namespace

VM_BUILDER_MODULE("Input blocks: the labelled elements of a form.", "Input",
                  "Builders of Block Kit input blocks, one per element; each returns a new list of one\n"
                  "block. `action_id` names the element's value in a submission; `optional` lets the form\n"
                  "be sent without it, `hint` shows under it, `dispatch_action` sends block_actions as the\n"
                  "user types or picks, and `block_id` names the block (None: Slack assigns one).",
                  builders, prepare)
