// Checks Block Kit blocks against Slack's published limits and lists every problem found,
// each as {"path": <JSON pointer>, "message": <sentence>}. Slack itself answers only
// `invalid_blocks`; here the caller learns where and why.
#include "_core/blocks.hpp"
#include "_core/dates.hpp"

#include <climits>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

using vm::k;
using vm::Ref;

// str equality against an interned key: identity first (our own builders), value second
// (strings read from JSON are not interned).
bool is(PyObject* value, PyObject* key) noexcept {
  return value == key || (PyUnicode_Check(value) && PyUnicode_Compare(value, key) == 0);
}

// ---- the checker: a JSON pointer to where it stands and the problems found -----------------

class Checker {
 public:
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

// The value under `key` in `object` (a dict), or a null Ref when absent. False on a Python error.
bool get(PyObject* object, PyObject* key, Ref& out) noexcept {
  PyObject* value = PyDict_GetItemWithError(object, key);
  if (!value && PyErr_Occurred()) return false;
  out = Ref::borrow(value);
  return true;
}

// ---- leaves: strings, counts, choices --------------------------------------------------------

bool wrong_type(Checker& c, PyObject* key, const char* expected, PyObject* value) {
  Ref got = vm::type_name(value);
  return got && c.report("\"%U\" must be %s, not %U.", key, expected, got.get());
}

// The string under `key`: `min` to `max` characters; when `required`, absence is a problem.
bool string(Checker& c, PyObject* object, PyObject* key, Py_ssize_t min, Py_ssize_t max,
            bool required = false) {
  Ref value;
  if (!get(object, key, value)) return false;
  auto here = c.at(key);
  if (!value) return !required || c.report("\"%U\" is missing.", key);
  if (!PyUnicode_Check(value.get())) return wrong_type(c, key, "a string", value.get());
  Py_ssize_t length = PyUnicode_GET_LENGTH(value.get());
  if (length < min) return c.report("\"%U\" is empty; it needs at least %zd character.", key, min);
  if (length > max) {
    return c.report("\"%U\" is %zd characters long; Slack allows at most %zd.", key, length, max);
  }
  return true;
}

// The list under `key` with `min` to `max` items, handed to `each` item by item.
template <class Each>
bool items(Checker& c, PyObject* object, PyObject* key, Py_ssize_t min, Py_ssize_t max,
           const char* owner, bool required, Each&& each) {
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
bool object(Checker& c, PyObject* value, const char* what, bool& dict) {
  dict = PyDict_Check(value);
  if (dict) return true;
  Ref got = vm::type_name(value);
  return got && c.report("%s must be an object (a dict), not %U.", what, got.get());
}

// `value` must be a dict with a str "type"; `type` receives it (null when it is not).
bool typed(Checker& c, PyObject* value, const char* what, Ref& type) {
  bool dict;
  if (!object(c, value, what, dict)) return false;
  if (!dict) return true;
  if (!get(value, k.type, type)) return false;
  if (type && PyUnicode_Check(type.get())) return true;
  type = Ref();
  auto here = c.at(k.type);
  return c.report("%s needs a \"type\" string.", what);
}

// The value under `key`, when present, must be one of `choices`.
bool choice(Checker& c, PyObject* object, PyObject* key, std::initializer_list<PyObject*> choices,
            const char* wording) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (!value) return true;
  for (PyObject* option : choices) {
    if (is(value.get(), option)) return true;
  }
  auto here = c.at(key);
  if (!PyUnicode_Check(value.get())) return wrong_type(c, key, "a string", value.get());
  return c.report("\"%U\" must be %s, not \"%U\".", key, wording, value.get());
}

// ---- composition objects ---------------------------------------------------------------------

// A text object: plain_text (or mrkdwn unless `plain_only`) of 1 to `max` characters.
bool text_value(Checker& c, PyObject* value, Py_ssize_t max, bool plain_only) {
  Ref type;
  if (!typed(c, value, "A text object", type)) return false;
  if (!type) return true;
  bool plain = is(type.get(), k.plain_text);
  bool mrkdwn = !plain && is(type.get(), k.mrkdwn);
  if (!plain && !(mrkdwn && !plain_only)) {
    auto step = c.at(k.type);
    bool ok = plain_only ? c.report("Text here must be \"plain_text\", not \"%U\".", type.get())
                         : c.report("A text object's type must be \"plain_text\" or \"mrkdwn\", not \"%U\".",
                                    type.get());
    if (!ok) return false;
  }
  if (mrkdwn) {
    int has_emoji = PyDict_Contains(value, k.emoji);
    if (has_emoji < 0) return false;
    auto step = c.at(k.emoji);
    if (has_emoji && !c.report("\"emoji\" is allowed only on \"plain_text\" text objects.")) return false;
  }
  return string(c, value, k.text, 1, max, /*required=*/true);
}

// The text object under `key`, as above.
bool text_object(Checker& c, PyObject* object, PyObject* key, Py_ssize_t max, bool plain_only,
                 bool required) {
  Ref value;
  if (!get(object, key, value)) return false;
  auto here = c.at(key);
  if (!value) return !required || c.report("\"%U\" is missing.", key);
  return text_value(c, value.get(), max, plain_only);
}

// An option (overflow menus alone allow a "url").
bool option(Checker& c, PyObject* item, bool url_allowed) {
  bool dict;
  if (!object(c, item, "An option", dict)) return false;
  if (!dict) return true;
  if (!text_object(c, item, k.text, 75, false, true) || !string(c, item, k.value, 0, 150) ||
      !text_object(c, item, k.description, 75, false, false)) {
    return false;
  }
  if (url_allowed) return string(c, item, k.url, 0, 3000);
  int has_url = PyDict_Contains(item, k.url);
  if (has_url < 0) return false;
  auto here = c.at(k.url);
  return !has_url || c.report("\"url\" is allowed only on the options of an overflow menu.");
}

bool options(Checker& c, PyObject* element, Py_ssize_t min, Py_ssize_t max, const char* owner,
             bool url_allowed, bool required = true) {
  return items(c, element, k.options, min, max, owner, required,
               [&](PyObject* item) { return option(c, item, url_allowed); });
}

// An image (block or element): "image_url" or "slack_file", and "alt_text".
bool image_source(Checker& c, PyObject* object) {
  Ref url, file;
  if (!get(object, k.image_url, url) || !get(object, k.slack_file, file)) return false;
  if (!url && !file && !c.report("An image needs \"image_url\" or \"slack_file\".")) return false;
  if (url && file && !c.report("An image takes \"image_url\" or \"slack_file\", not both.")) return false;
  if (file && !PyDict_Check(file.get())) {
    auto here = c.at(k.slack_file);
    if (!wrong_type(c, k.slack_file, "an object (a dict)", file.get())) return false;
  }
  return string(c, object, k.image_url, 1, 3000) && string(c, object, k.alt_text, 0, 2000, true);
}

// ---- elements --------------------------------------------------------------------------------

bool placeholder(Checker& c, PyObject* element) {
  return text_object(c, element, k.placeholder, 150, /*plain_only=*/true, false);
}

bool clock_value(Checker& c, PyObject* element, PyObject* key, bool (*valid)(PyObject*),
                 const char* wording) {
  Ref value;
  if (!get(element, key, value)) return false;
  if (!value) return true;
  auto here = c.at(key);
  if (!PyUnicode_Check(value.get())) return wrong_type(c, key, "a string", value.get());
  return valid(value.get()) || c.report("\"%U\" must be %s, not \"%U\".", key, wording, value.get());
}

bool element(Checker& c, PyObject* item) {
  Ref type;
  if (!typed(c, item, "An element", type)) return false;
  if (!type) return true;
  PyObject* t = type.get();
  if (is(t, k.image)) return image_source(c, item);
  if (!string(c, item, k.action_id, 0, 255)) return false;
  if (is(t, k.button)) {
    return text_object(c, item, k.text, 75, true, true) && string(c, item, k.url, 0, 3000) &&
           string(c, item, k.value, 0, 2000) &&
           choice(c, item, k.style, {k.primary, k.danger}, "\"primary\" or \"danger\"");
  }
  if (is(t, k.static_select) || is(t, k.multi_static_select)) {
    int grouped = PyDict_Contains(item, k.option_groups);
    if (grouped < 0 || !placeholder(c, item)) return false;
    if (!grouped) return options(c, item, 0, 100, "a select menu", false);
    return items(c, item, k.option_groups, 0, 100, "a select menu", true, [&](PyObject* group) {
      bool dict;
      if (!object(c, group, "An option group", dict)) return false;
  if (!dict) return true;
      return text_object(c, group, k.label, 75, true, true) &&
             options(c, group, 0, 100, "an option group", false);
    });
  }
  if (is(t, k.overflow)) return options(c, item, 1, 5, "an overflow menu", true);
  if (is(t, k.radio_buttons)) return options(c, item, 0, 10, "a radio button group", false);
  if (is(t, k.checkboxes)) return options(c, item, 0, 10, "a checkbox group", false);
  if (is(t, k.datepicker)) {
    return placeholder(c, item) &&
           clock_value(c, item, k.initial_date, vm::is_calendar_date, "a real date written YYYY-MM-DD");
  }
  if (is(t, k.timepicker)) {
    return placeholder(c, item) &&
           clock_value(c, item, k.initial_time, vm::is_clock_time, "a 24-hour time written HH:mm");
  }
  if (is(t, k.users_select)) return placeholder(c, item);
  return true;  // other element types: only their action_id is checked
}

// ---- rich text and tables ------------------------------------------------------------------

// The optional integer under `key` (a bool is not one), from `min` to `max`.
bool integer(Checker& c, PyObject* object, PyObject* key, long min, long max, const char* wording) {
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
bool boolean(Checker& c, PyObject* object, PyObject* key) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (!value || PyBool_Check(value.get())) return true;
  auto here = c.at(key);
  return wrong_type(c, key, "true or false", value.get());
}

// A required string of at least one character (an id, a URL, a name).
bool identifier(Checker& c, PyObject* object, PyObject* key) {
  return string(c, object, key, 1, PY_SSIZE_T_MAX, true);
}

// "style" of an inline element: an object whose flags are true or false. Flags Slack may add
// later are not reported.
bool rich_style(Checker& c, PyObject* element) {
  Ref style;
  if (!get(element, k.style, style)) return false;
  if (!style) return true;
  auto here = c.at(k.style);
  bool dict;
  if (!object(c, style.get(), "A style", dict)) return false;
  if (!dict) return true;
  for (PyObject* key : {k.bold, k.italic, k.strike, k.code, k.underline, k.highlight, k.client_highlight, k.unlink}) {
    if (!boolean(c, style.get(), key)) return false;
  }
  return true;
}

// One inline element: text, link, emoji, a mention, a broadcast, a date or a colour. Element
// types Slack documents beyond these pass unchecked.
bool inline_element(Checker& c, PyObject* leaf) {
  Ref type;
  if (!typed(c, leaf, "A rich-text element", type)) return false;
  if (!type) return true;
  PyObject* t = type.get();
  if (!rich_style(c, leaf)) return false;
  if (is(t, k.text)) return string(c, leaf, k.text, 0, PY_SSIZE_T_MAX, true);
  if (is(t, k.link)) {
    return identifier(c, leaf, k.url) && string(c, leaf, k.text, 0, PY_SSIZE_T_MAX) && boolean(c, leaf, k.unsafe);
  }
  if (is(t, k.emoji)) return identifier(c, leaf, k.name) && string(c, leaf, k.unicode, 0, PY_SSIZE_T_MAX);
  if (is(t, k.user)) return identifier(c, leaf, k.user_id);
  if (is(t, k.channel)) return identifier(c, leaf, k.channel_id);
  if (is(t, k.usergroup)) return identifier(c, leaf, k.usergroup_id);
  if (is(t, k.team)) return identifier(c, leaf, k.team_id);
  if (is(t, k.color)) return identifier(c, leaf, k.value);
  if (is(t, k.broadcast)) {
    int has_range = PyDict_Contains(leaf, k.range);
    if (has_range < 0) return false;
    if (!has_range) {
      auto here = c.at(k.range);
      return c.report("\"range\" is missing.");
    }
    return choice(c, leaf, k.range, {k.here, k.channel, k.everyone}, "\"here\", \"channel\" or \"everyone\"");
  }
  if (is(t, k.date)) {
    int has_timestamp = PyDict_Contains(leaf, k.timestamp);
    if (has_timestamp < 0) return false;
    if (!has_timestamp) {
      auto here = c.at(k.timestamp);
      if (!c.report("\"timestamp\" is missing.")) return false;
    }
    return integer(c, leaf, k.timestamp, LONG_MIN, LONG_MAX, "a Unix time in seconds") &&
           identifier(c, leaf, k.format) && string(c, leaf, k.url, 1, PY_SSIZE_T_MAX) &&
           string(c, leaf, k.fallback, 0, PY_SSIZE_T_MAX) && string(c, leaf, k.timezone, 0, PY_SSIZE_T_MAX);
  }
  return true;
}

bool leaves(Checker& c, PyObject* container, const char* owner) {
  return items(c, container, k.elements, 0, PY_SSIZE_T_MAX, owner, true,
               [&](PyObject* leaf) { return inline_element(c, leaf); });
}

bool border(Checker& c, PyObject* part) { return integer(c, part, k.border, 0, 1, "0 or 1"); }

bool rich_text(Checker& c, PyObject* block) {
  return items(c, block, k.elements, 0, PY_SSIZE_T_MAX, "a rich-text block", true, [&](PyObject* part) {
    Ref type;
    if (!typed(c, part, "A rich-text part", type)) return false;
    if (!type) return true;
    PyObject* t = type.get();
    if (is(t, k.rich_text_list)) {
      int has_style = PyDict_Contains(part, k.style);
      if (has_style < 0) return false;
      if (!has_style) {
        auto here = c.at(k.style);
        if (!c.report("\"style\" is missing; a rich-text list needs \"bullet\" or \"ordered\".")) return false;
      }
      return choice(c, part, k.style, {k.bullet, k.ordered}, "\"bullet\" or \"ordered\"") &&
             items(c, part, k.elements, 0, PY_SSIZE_T_MAX, "a rich-text list", true, [&](PyObject* s) {
               Ref inner;
               if (!typed(c, s, "A list item", inner)) return false;
               if (inner && !is(inner.get(), k.rich_text_section)) {
                 auto here = c.at(k.type);
                 return c.report("A list item must be a \"rich_text_section\", not \"%U\".", inner.get());
               }
               return !inner || leaves(c, s, "a rich-text section");
             }) &&
             integer(c, part, k.indent, 0, 8, "0 to 8") &&
             integer(c, part, k.offset, 0, LONG_MAX, "0 or more") && border(c, part);
    }
    if (is(t, k.rich_text_section)) return leaves(c, part, "a rich-text section");
    if (is(t, k.rich_text_quote)) return leaves(c, part, "a rich-text quote") && border(c, part);
    if (is(t, k.rich_text_preformatted)) {
      return leaves(c, part, "preformatted text") && border(c, part) &&
             string(c, part, k.language, 0, PY_SSIZE_T_MAX);
    }
    auto here = c.at(k.type);
    return c.report(
        "A rich-text part must be \"rich_text_section\", \"rich_text_list\", "
        "\"rich_text_preformatted\" or \"rich_text_quote\", not \"%U\".", t);
  });
}

bool table(Checker& c, PyObject* block) {
  auto cell = [&](PyObject* item) {
    Ref type;
    if (!typed(c, item, "A table cell", type)) return false;
    if (!type) return true;
    if (is(type.get(), k.raw_text)) return string(c, item, k.text, 0, PY_SSIZE_T_MAX, true);
    if (is(type.get(), k.rich_text)) return rich_text(c, item);
    auto here = c.at(k.type);
    return c.report("A table cell must be \"raw_text\" or \"rich_text\", not \"%U\".", type.get());
  };
  auto row = [&](PyObject* item) {
    if (!PyList_Check(item)) {
      Ref got = vm::type_name(item);
      return got && c.report("A table row must be a list of cells, not %U.", got.get());
    }
    Py_ssize_t count = PyList_GET_SIZE(item);
    if (count > 20 && !c.report("A table row holds %zd cells; Slack allows at most 20.", count)) return false;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(item); ++i) {
      Ref each = Ref::borrow(PyList_GET_ITEM(item, i));
      auto step = c.at(i);
      if (!cell(each.get())) return false;
    }
    return true;
  };
  auto setting = [&](PyObject* item) {
    if (item == Py_None) return true;  // a column left at its defaults
    bool dict;
    if (!object(c, item, "A column setting", dict)) return false;
  if (!dict) return true;
    Ref wrapped;
    if (!get(item, k.is_wrapped, wrapped)) return false;
    if (wrapped && !PyBool_Check(wrapped.get())) {
      auto here = c.at(k.is_wrapped);
      if (!wrong_type(c, k.is_wrapped, "true or false", wrapped.get())) return false;
    }
    return choice(c, item, k.align, {k.left, k.center, k.right}, "\"left\", \"center\" or \"right\"");
  };
  return items(c, block, k.rows, 0, 100, "a table", true, row) &&
         items(c, block, k.column_settings, 0, 20, "a table", false, setting);
}

// ---- blocks ----------------------------------------------------------------------------------

struct Seen {
  Ref block_ids = Ref::steal(PySet_New(nullptr));
  Py_ssize_t tables = 0;
  Py_ssize_t markdown = 0;  // characters in the markdown blocks so far
};

// Slack's limit for the text of all the markdown blocks of a message together.
constexpr Py_ssize_t max_markdown = 12000;

bool markdown(Checker& c, PyObject* block, Seen& seen) {
  Ref text;
  if (!string(c, block, k.text, 1, PY_SSIZE_T_MAX, true) || !get(block, k.text, text)) return false;
  if (!text || !PyUnicode_Check(text.get())) return true;
  bool over_before = seen.markdown > max_markdown;
  seen.markdown += PyUnicode_GET_LENGTH(text.get());
  if (over_before || seen.markdown <= max_markdown) return true;
  auto here = c.at(k.text);
  return c.report("The markdown blocks hold %zd characters up to here; Slack allows at most 12,000 in all "
                  "the markdown blocks of a message.", seen.markdown);
}

bool block_id(Checker& c, PyObject* block, Seen& seen) {
  Ref id;
  if (!string(c, block, k.block_id, 0, 255) || !get(block, k.block_id, id)) return false;
  if (!id || !PyUnicode_Check(id.get())) return true;
  int known = PySet_Contains(seen.block_ids.get(), id.get());
  if (known < 0 || PySet_Add(seen.block_ids.get(), id.get()) < 0) return false;
  auto here = c.at(k.block_id);
  return !known || c.report("block_id \"%U\" is already used by an earlier block; each must be unique.", id.get());
}

bool block(Checker& c, PyObject* item, Seen& seen) {
  Ref type;
  if (!typed(c, item, "A block", type)) return false;
  if (!type) return true;
  if (!block_id(c, item, seen)) return false;
  PyObject* t = type.get();
  if (is(t, k.section)) {
    int has_text = PyDict_Contains(item, k.text), has_fields = PyDict_Contains(item, k.fields);
    if (has_text < 0 || has_fields < 0) return false;
    if (!has_text && !has_fields && !c.report("A section needs \"text\" or \"fields\".")) return false;
    Ref accessory;
    if (!text_object(c, item, k.text, 3000, false, false) ||
        !items(c, item, k.fields, 0, 10, "a section", false,
               [&](PyObject* field) { return text_value(c, field, 2000, false); }) ||
        !get(item, k.accessory, accessory)) {
      return false;
    }
    if (!accessory) return true;
    auto here = c.at(k.accessory);
    return element(c, accessory.get());
  }
  if (is(t, k.actions)) {
    return items(c, item, k.elements, 0, 25, "an actions block", true,
                 [&](PyObject* e) { return element(c, e); });
  }
  if (is(t, k.context)) {
    return items(c, item, k.elements, 0, 10, "a context block", true, [&](PyObject* e) {
      Ref inner;
      if (!typed(c, e, "A context element", inner)) return false;
      if (!inner) return true;
      if (is(inner.get(), k.image)) return image_source(c, e);
      if (is(inner.get(), k.plain_text) || is(inner.get(), k.mrkdwn)) return text_value(c, e, 3000, false);
      auto here = c.at(k.type);
      return c.report("A context block holds only text objects and images, not \"%U\".", inner.get());
    });
  }
  if (is(t, k.header)) return text_object(c, item, k.text, 150, true, true);
  if (is(t, k.image)) {
    return image_source(c, item) && text_object(c, item, k.title, 2000, true, false);
  }
  if (is(t, k.rich_text)) return rich_text(c, item);
  if (is(t, k.markdown)) return markdown(c, item, seen);
  if (is(t, k.table)) {
    if (++seen.tables == 2 && !c.report("A message holds at most one table; this is the second.")) {
      return false;
    }
    return table(c, item);
  }
  return true;  // divider and block types without published limits
}

bool blocks(Checker& c, PyObject* list) {
  if (!PyList_Check(list)) {
    Ref got = vm::type_name(list);
    return got && c.report("Blocks must be a list, not %U.", got.get());
  }
  Py_ssize_t count = PyList_GET_SIZE(list);
  if (count > 50 && !c.report("A message holds at most 50 blocks; this one has %zd.", count)) return false;
  Seen seen;
  if (!seen.block_ids) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(list, i));
    auto step = c.at(i);
    if (!block(c, item.get(), seen)) return false;
  }
  return true;
}

// A payload as chat.postMessage takes it: fallback "text" and/or "blocks".
bool payload(Checker& c, PyObject* object) {
  Ref text, list;
  if (!get(object, k.text, text) || !get(object, k.blocks, list)) return false;
  if (!text && !list) return c.report("A message needs \"text\" or \"blocks\".");
  if (text) {
    auto here = c.at(k.text);
    if (!PyUnicode_Check(text.get())) {
      if (!wrong_type(c, k.text, "a string", text.get())) return false;
    } else if (PyUnicode_GET_LENGTH(text.get()) > 40000 &&
               !c.report("The fallback text is %zd characters long; Slack cuts it at 40,000.",
                         PyUnicode_GET_LENGTH(text.get()))) {
      return false;
    }
  }
  if (!list) return true;
  auto here = c.at(k.blocks);
  return blocks(c, list.get());
}

// ---- the module ------------------------------------------------------------------------------

constexpr vm::Params<1> validate_params{"validate", {&vm::Keys::blocks}, 1};

Ref validate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(validate_params, args, nargs, kwnames, a)) return {};
  PyObject* value = a[0];
  if (!PyList_Check(value) && !PyDict_Check(value)) {
    Ref got = vm::type_name(value);
    if (got) {
      PyErr_Format(PyExc_TypeError, "validate() expects a list of blocks or a payload dict, got %.200U",
                   got.get());
    }
    return {};
  }
  Checker c;
  if (!c.start()) return {};
  bool ok = PyList_Check(value) ? blocks(c, value) : payload(c, value);
  return ok ? c.finish() : Ref();
}

PyMethodDef functions[] = {
    vm::function<validate>("validate",
        "validate($module, /, blocks)\n--\n\n"
        "Check a list of blocks, or a payload {\"text\": ..., \"blocks\": [...]}, against Slack's\n"
        "published Block Kit limits for messages. Returns a new list of problems, each a dict\n"
        "{\"path\": JSON pointer into the argument, \"message\": a sentence}; [] when none."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept { return PyModule_AddFunctions(module, functions); }

}  // namespace

VM_MODULE("Validation of Block Kit messages against Slack's published limits.", setup)
