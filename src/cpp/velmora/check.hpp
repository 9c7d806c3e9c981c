// The checker behind velmora.validate: where it stands (a JSON pointer), the problems found,
// and checks of the leaves of Block Kit JSON (strings, counts, choices) and of its composition
// objects (text objects, options, confirmation dialogs, conversation filters, images).
//
// Every check returns false only when Python failed (the error is set); a problem found is
// reported and the check goes on. A value of an unexpected type is reported, never trusted.
#pragma once

#include <climits>
#include <cstdarg>
#include <string>
#include <tuple>
#include <vector>

#include "build.hpp"
#include "errors.hpp"
#include "keys.hpp"

namespace vm::check {

// Type dispatch by identity first: see vm::is_key and vm::which_key.
inline bool is(PyObject* value, PyObject* key) noexcept {
  return vm::is_key(value, key);
}
inline int which(PyObject* value, std::initializer_list<PyObject*> keys) noexcept {
  return vm::which_key(value, keys);
}

// ---- the checker ----------------------------------------------------------------------------

class Checker {
 public:
  // With `fitting`, the limits that velmora.fit removes by splitting are not reported: the
  // block count, the table and markdown totals of a message, and the sizes of section texts
  // and fields, actions and context elements and table rows (see split_max).
  explicit Checker(bool fitting = false) noexcept : fitting(fitting) {}
  const bool fitting;

  // While fitting, what fit must do with each top-level block, one character per block:
  // 'p' place it, 's' split it, 't' place a table, 'T' split a table, 'm' count its markdown.
  std::string plan;
  Py_ssize_t top = -1;  // the top-level block being checked
  int depth = 0;        // blocks inside blocks (a container's) are no top-level blocks
  void note(char what) {
    if (fitting && depth == 0 && top >= 0 && static_cast<std::size_t>(top) < plan.size()) {
      plan[static_cast<std::size_t>(top)] = what;
    }
  }
  // A table inside a block (a container's) makes that block count as the message's table.
  void note_table() {
    if (fitting && top >= 0 && static_cast<std::size_t>(top) < plan.size() &&
        plan[static_cast<std::size_t>(top)] == 'p') {
      plan[static_cast<std::size_t>(top)] = 't';
    }
  }

  // One step down the pointer, undone when the guard goes out of scope.
  struct [[nodiscard]] Down {
    Checker& c;
    ~Down() { c.path_.pop_back(); }
  };
  Down at(PyObject* key) {
    path_.push_back({key, -1});
    return {*this};
  }
  Down at(Py_ssize_t index) {
    path_.push_back({nullptr, index});
    return {*this};
  }

  bool start() noexcept {
    problems_ = Ref::steal(PyList_New(0));
    return static_cast<bool>(problems_);
  }
  Ref finish() noexcept { return std::move(problems_); }

  // Adds a problem at the current place; false only when Python failed (error set).
  bool report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Ref message = Ref::steal(PyUnicode_FromFormatV(format, args));
    va_end(args);
    if (!message) return false;
    std::string pointer;
    for (const Step& step : path_) {
      pointer += '/';
      if (!step.key) {
        pointer += std::to_string(step.index);
        continue;
      }
      const char* key = PyUnicode_AsUTF8(step.key);
      if (!key) return false;
      for (const char* c = key; *c; ++c) {  // RFC 6901 escapes
        pointer += *c == '~' ? "~0" : *c == '/' ? "~1" : std::string(1, *c);
      }
    }
    Ref path = Ref::steal(PyUnicode_FromStringAndSize(pointer.data(), static_cast<Py_ssize_t>(pointer.size())));
    if (!path) return false;
    return vm::append(problems_.get(), vm::dict({{k.path, path.get()}, {k.message, message.get()}}));
  }

 private:
  struct Step {
    PyObject* key;  // borrowed interned key, or nullptr for a list index
    Py_ssize_t index;
  };
  std::vector<Step> path_;
  Ref problems_;
};

// A limit that fit removes by splitting: `max`, or no limit while fitting.
inline Py_ssize_t split_max(const Checker& c, Py_ssize_t max) noexcept {
  return c.fitting ? PY_SSIZE_T_MAX : max;
}

// The value under `key` in `object` (a dict), or a null Ref when absent. False on a Python error.
inline bool get(PyObject* object, PyObject* key, Ref& out) noexcept {
  PyObject* value = PyDict_GetItemWithError(object, key);
  if (!value && PyErr_Occurred()) return false;
  out = Ref::borrow(value);
  return true;
}

// 1 when `object` (a dict) has `key`, 0 when not, -1 on error.
inline int has(PyObject* object, PyObject* key) noexcept {
  return PyDict_Contains(object, key);
}

// ---- leaves: strings, numbers, counts, choices -----------------------------------------------

inline bool wrong_type(Checker& c, PyObject* key, const char* expected, PyObject* value) {
  Ref got = vm::type_name(value);
  return got && c.report("\"%U\" must be %s, not %U.", key, expected, got.get());
}

// A required key is missing: "\"title\" is missing." at the key's place.
inline bool missing(Checker& c, PyObject* key) {
  auto here = c.at(key);
  return c.report("\"%U\" is missing.", key);
}

// Reports `problem` at the place of `key` when `object` (a dict) lacks it.
inline bool required(Checker& c, PyObject* object, PyObject* key, const char* problem) {
  int present = has(object, key);
  if (present != 0) return present > 0;
  auto here = c.at(key);
  return c.report("%s", problem);
}

// `value`, read from under `key` (null when absent), as a string of `min` to `max` characters;
// when `required`, absence is a problem.
inline bool string_value(Checker& c, PyObject* key, PyObject* value, Py_ssize_t min, Py_ssize_t max,
                         bool required = false) {
  auto here = c.at(key);
  if (!value) return !required || c.report("\"%U\" is missing.", key);
  if (!PyUnicode_Check(value)) return wrong_type(c, key, "a string", value);
  Py_ssize_t length = PyUnicode_GET_LENGTH(value);
  if (length < min) return c.report("\"%U\" is empty; it needs at least %zd character.", key, min);
  if (length > max) {
    return c.report("\"%U\" is %zd characters long; Slack allows at most %zd.", key, length, max);
  }
  return true;
}

// The string under `key`: `min` to `max` characters; when `required`, absence is a problem.
inline bool string(Checker& c, PyObject* object, PyObject* key, Py_ssize_t min, Py_ssize_t max, bool required = false) {
  Ref value;
  return get(object, key, value) && string_value(c, key, value.get(), min, max, required);
}

// The list under `key` with `min` to `max` items, handed to `each` item by item.
template <class Each>
bool items(Checker& c, PyObject* object, PyObject* key, Py_ssize_t min, Py_ssize_t max, const char* owner,
           bool required, Each&& each) {
  Ref value;
  if (!get(object, key, value)) return false;
  auto here = c.at(key);
  if (!value) return !required || c.report("\"%U\" is missing; %s needs it.", key, owner);
  if (!PyList_Check(value.get())) return wrong_type(c, key, "a list", value.get());
  Py_ssize_t count = PyList_GET_SIZE(value.get());
  if (count > max && !c.report("\"%U\" holds %zd items; %s allows at most %zd.", key, count, owner, max)) {
    return false;
  }
  if (count < min && !c.report("\"%U\" holds %zd items; %s needs at least %zd.", key, count, owner, min)) {
    return false;
  }
  // Items are held while checked: a key comparison may run Python code that changes the list.
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(value.get()); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(value.get(), i));
    auto step = c.at(i);
    if (!each(item.get())) return false;
  }
  return true;
}

// Reports a value that is not a dict; `dict` tells the caller whether to look inside.
inline bool object(Checker& c, PyObject* value, const char* what, bool& dict) {
  dict = PyDict_Check(value);
  if (dict) return true;
  Ref got = vm::type_name(value);
  return got && c.report("%s must be an object (a dict), not %U.", what, got.get());
}

// `value` must be a dict with a str "type"; `type` receives it (null when it is not).
inline bool typed(Checker& c, PyObject* value, const char* what, Ref& type) {
  bool dict;
  if (!object(c, value, what, dict)) return false;
  if (!dict) return true;
  if (!get(value, k.type, type)) return false;
  if (type && PyUnicode_Check(type.get())) return true;
  type = Ref();
  auto here = c.at(k.type);
  return c.report("%s needs a \"type\" string.", what);
}

// The object under `key`: `each` looks inside when it is a dict. `what` names it in problems.
template <class Each>
bool nested(Checker& c, PyObject* object_, PyObject* key, const char* what, bool required, Each&& each) {
  Ref value;
  if (!get(object_, key, value)) return false;
  if (!value) return !required || missing(c, key);
  auto here = c.at(key);
  bool dict;
  if (!object(c, value.get(), what, dict)) return false;
  return !dict || each(value.get());
}

// The value under `key`, when present, must be one of `choices`.
inline bool choice(Checker& c, PyObject* object, PyObject* key, std::initializer_list<PyObject*> choices,
                   const char* wording) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (!value || which(value.get(), choices) >= 0) return true;
  auto here = c.at(key);
  if (!PyUnicode_Check(value.get())) return wrong_type(c, key, "a string", value.get());
  return c.report("\"%U\" must be %s, not \"%U\".", key, wording, value.get());
}

// The optional integer under `key` (a bool is not one), from `min` to `max`.
inline bool integer(Checker& c, PyObject* object, PyObject* key, long min, long max, const char* wording) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (!value) return true;
  auto here = c.at(key);
  if (!PyLong_Check(value.get()) || PyBool_Check(value.get())) return wrong_type(c, key, "an integer", value.get());
  int overflow = 0;
  long number = PyLong_AsLongAndOverflow(value.get(), &overflow);
  if (number == -1 && PyErr_Occurred()) return false;
  if (!overflow && number >= min && number <= max) return true;
  return c.report("\"%U\" must be %s, not %R.", key, wording, value.get());
}

// The optional true or false under `key`.
inline bool boolean(Checker& c, PyObject* object, PyObject* key) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (!value || PyBool_Check(value.get())) return true;
  auto here = c.at(key);
  return wrong_type(c, key, "true or false", value.get());
}

// A required string of at least one character (an id, a URL, a name).
inline bool identifier(Checker& c, PyObject* object, PyObject* key) {
  return string(c, object, key, 1, PY_SSIZE_T_MAX, true);
}

// The optional string under `key`, which must start with "https://".
inline bool https_url(Checker& c, PyObject* object, PyObject* key, bool required) {
  Ref value;
  if (!string(c, object, key, 1, 3000, required) || !get(object, key, value)) return false;
  if (!value || !PyUnicode_Check(value.get()) ||
      PyUnicode_Tailmatch(value.get(), k.https_scheme, 0, PY_SSIZE_T_MAX, -1)) {
    return !PyErr_Occurred();
  }
  auto here = c.at(key);
  return c.report("\"%U\" must be an https:// address.", key);
}

// Reports `first` and `second` given together.
inline bool not_both(Checker& c, PyObject* object, PyObject* first, PyObject* second, const char* owner) {
  int a = has(object, first), b = has(object, second);
  if (a < 0 || b < 0) return false;
  if (!a || !b) return true;
  auto here = c.at(second);
  return c.report("%s takes \"%U\" or \"%U\", not both.", owner, first, second);
}

// ---- composition objects ---------------------------------------------------------------------

inline bool typed_text(Checker& c, PyObject* value, PyObject* type, Py_ssize_t max, bool plain_only);

// A text object: plain_text (or mrkdwn unless `plain_only`) of 1 to `max` characters; "emoji"
// (plain text only) and "verbatim" (mrkdwn only) are true or false.
inline bool text_value(Checker& c, PyObject* value, Py_ssize_t max, bool plain_only) {
  Ref type;
  if (!typed(c, value, "A text object", type)) return false;
  return !type || typed_text(c, value, type.get(), max, plain_only);
}

// The same for a dict whose "type" string has been read already.
inline bool typed_text(Checker& c, PyObject* value, PyObject* type_, Py_ssize_t max, bool plain_only) {
  Ref type = Ref::borrow(type_);
  int kind = which(type.get(), {k.plain_text, k.mrkdwn});
  bool plain = kind == 0, mrkdwn = kind == 1;
  if (!plain && !(mrkdwn && !plain_only)) {
    auto step = c.at(k.type);
    bool ok = plain_only
                  ? c.report("Text here must be \"plain_text\", not \"%U\".", type.get())
                  : c.report("A text object's type must be \"plain_text\" or \"mrkdwn\", not \"%U\".", type.get());
    if (!ok) return false;
  }
  Ref text;
  if (!get(value, k.text, text)) return false;
  // {"type": ..., "text": ...} alone, the usual text object, has no flags to look up.
  bool flagged = !text || PyDict_GET_SIZE(value) > 2;
  for (auto [key, wanted, owner] :
       {std::tuple{k.emoji, plain, "plain_text"}, std::tuple{k.verbatim, mrkdwn, "mrkdwn"}}) {
    if (!flagged) break;
    int present = has(value, key);
    if (present < 0) return false;
    if (!present) continue;
    if (!wanted && (plain || mrkdwn)) {
      auto step = c.at(key);
      if (!c.report("\"%U\" is allowed only on \"%s\" text objects.", key, owner)) return false;
    } else if (!boolean(c, value, key)) {
      return false;
    }
  }
  return string_value(c, k.text, text.get(), 1, max, /*required=*/true);
}

// The text object under `key`, as above.
inline bool text_object(Checker& c, PyObject* object, PyObject* key, Py_ssize_t max, bool plain_only, bool required) {
  Ref value;
  if (!get(object, key, value)) return false;
  auto here = c.at(key);
  if (!value) return !required || c.report("\"%U\" is missing.", key);
  return text_value(c, value.get(), max, plain_only);
}

// Plain text under `key` (a text object of type "plain_text").
inline bool plain(Checker& c, PyObject* object, PyObject* key, Py_ssize_t max, bool required = false) {
  return text_object(c, object, key, max, /*plain_only=*/true, required);
}

// A text given either as a string or as a text object, of at most `max` characters.
inline bool text_or_string(Checker& c, PyObject* object, PyObject* key, Py_ssize_t max, bool required) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (value && PyUnicode_Check(value.get())) return string(c, object, key, 1, max, required);
  return text_object(c, object, key, max, false, required);
}

// Where an option's text may be markdown (radio buttons, checkboxes) and carry a "url"
// (overflow menus).
enum class OptionKind { menu, overflow, choice };

// An option: "text" (plain text, markdown in choices) of at most 75, "value" of at most 150,
// an optional "description" of at most 75 and, in overflow menus only, a "url".
inline bool option(Checker& c, PyObject* item, OptionKind kind) {
  bool dict;
  if (!object(c, item, "An option", dict)) return false;
  if (!dict) return true;
  bool plain_only = kind != OptionKind::choice;
  if (!text_object(c, item, k.text, 75, plain_only, true) || !string(c, item, k.value, 0, 150, true) ||
      !text_object(c, item, k.description, 75, plain_only, false)) {
    return false;
  }
  if (kind == OptionKind::overflow) return string(c, item, k.url, 0, 3000);
  int has_url = has(item, k.url);
  if (has_url < 0) return false;
  auto here = c.at(k.url);
  return !has_url || c.report("\"url\" is allowed only on the options of an overflow menu.");
}

inline bool options(Checker& c, PyObject* element, Py_ssize_t max, const char* owner, OptionKind kind,
                    bool required = true) {
  return items(c, element, k.options, 1, max, owner, required, [&](PyObject* item) { return option(c, item, kind); });
}

// A confirmation dialog: "title" (100), "text" (300), "confirm" and "deny" (30 each), all
// required, all plain text but "text", which slack_sdk sends as markdown; "style".
inline bool confirm(Checker& c, PyObject* element) {
  return nested(c, element, k.confirm, "A confirmation dialog", false, [&](PyObject* dialog) {
    return plain(c, dialog, k.title, 100, true) && text_object(c, dialog, k.text, 300, false, true) &&
           plain(c, dialog, k.confirm, 30, true) && plain(c, dialog, k.deny, 30, true) &&
           choice(c, dialog, k.style, {k.primary, k.danger}, "\"primary\" or \"danger\"");
  });
}

// A conversation filter: "include" (a non-empty list of im, mpim, private and public) and two
// flags; at least one of the three.
inline bool conversation_filter(Checker& c, PyObject* element) {
  return nested(c, element, k.filter, "A conversation filter", false, [&](PyObject* filter) {
    int count = 0;
    for (PyObject* key : {k.include, k.exclude_bot_users, k.exclude_external_shared_channels}) {
      int present = has(filter, key);
      if (present < 0) return false;
      count += present;
    }
    if (count == 0 && !c.report("A conversation filter needs \"include\", \"exclude_bot_users\" or "
                                "\"exclude_external_shared_channels\".")) {
      return false;
    }
    return items(c, filter, k.include, 1, 4, "a conversation filter", false,
                 [&](PyObject* kind) {
                   if (which(kind, {k.im, k.mpim, k.private_, k.public_}) >= 0) return true;
                   if (!PyUnicode_Check(kind)) {
                     Ref got = vm::type_name(kind);
                     return got && c.report("A conversation kind must be a string, not %U.", got.get());
                   }
                   return c.report(
                       "A conversation kind must be \"im\", \"mpim\", \"private\" or \"public\", not \"%U\".", kind);
                 }) &&
           boolean(c, filter, k.exclude_bot_users) && boolean(c, filter, k.exclude_external_shared_channels);
  });
}

// An image (block or element): "image_url" or "slack_file" (an "id" or a "url"), and "alt_text".
inline bool image_source(Checker& c, PyObject* object_) {
  Ref url, file;
  if (!get(object_, k.image_url, url) || !get(object_, k.slack_file, file)) return false;
  if (!url && !file && !c.report("An image needs \"image_url\" or \"slack_file\".")) return false;
  if (url && file && !c.report("An image takes \"image_url\" or \"slack_file\", not both.")) return false;
  if (file) {
    auto here = c.at(k.slack_file);
    if (!PyDict_Check(file.get())) {
      if (!wrong_type(c, k.slack_file, "an object (a dict)", file.get())) return false;
    } else {
      int id = has(file.get(), k.id), file_url = has(file.get(), k.url);
      if (id < 0 || file_url < 0) return false;
      if (!id && !file_url && !c.report("A Slack file needs an \"id\" or a \"url\".")) return false;
      if (!string(c, file.get(), k.id, 1, PY_SSIZE_T_MAX) || !string(c, file.get(), k.url, 1, 3000)) return false;
    }
  }
  return string(c, object_, k.image_url, 1, 3000) && string(c, object_, k.alt_text, 0, 2000, true);
}

}  // namespace vm::check
