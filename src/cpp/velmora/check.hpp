// The checker behind velmora.validate: where it stands (a JSON pointer), the problems found,
// the keys each object takes, and checks of the leaves of Block Kit JSON (strings, counts,
// choices). Composition objects are in check_objects.hpp.
//
// Every check returns false only when Python failed (the error is set); a problem found is
// reported and the check goes on. A value of an unexpected type is reported, never trusted.
#pragma once

#include <climits>
#include <cmath>
#include <cstdarg>
#include <string>
#include <vector>

#include "args.hpp"
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

// Where blocks show: Slack takes each block type on some of these only.
enum Surface : unsigned { message = 1, modal = 2, home = 4 };

class Checker {
 public:
  // With `fitting`, the limits that velmora.fit removes by splitting are not reported: the
  // block count, the table and markdown totals of a message, and the sizes of section texts
  // and fields, actions and context elements and table rows (see split_max).
  explicit Checker(bool fitting = false, Surface surface = message) noexcept : fitting(fitting), surface(surface) {}
  const bool fitting;
  const Surface surface;
  bool in_input = false;   // checking the element of an input block
  Py_ssize_t focused = 0;  // elements with "focus_on_load": true so far

  // While fitting, what fit must do with each top-level block, one character per block:
  // 'p' place it, 's' split it, 't' place a table, 'T' split a table (too many rows or
  // characters), 'm' count its markdown, 'P' place a plan, 'c' place a chart, 'D' split a data
  // table (placed as the message's table).
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
  // The number of problems found so far.
  Py_ssize_t found() const noexcept { return PyList_GET_SIZE(problems_.get()); }

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
      // A caller's key may hold any code point, lone surrogates too: they pass through.
      Ref bytes = Ref::steal(PyUnicode_AsEncodedString(step.key, "utf-8", "surrogatepass"));
      if (!bytes) return false;
      const char* key = PyBytes_AS_STRING(bytes.get());
      for (Py_ssize_t i = 0; i < PyBytes_GET_SIZE(bytes.get()); ++i) {  // RFC 6901 escapes
        pointer += key[i] == '~' ? "~0" : key[i] == '/' ? "~1" : std::string(1, key[i]);
      }
    }
    Ref path =
        Ref::steal(PyUnicode_DecodeUTF8(pointer.data(), static_cast<Py_ssize_t>(pointer.size()), "surrogatepass"));
    if (!path) return false;
    return vm::append(problems_.get(), vm::dict({{k.path, path.get()}, {k.message, message.get()}}));
  }

 private:
  struct Step {
    PyObject* key;  // borrowed key (held by its dict), or nullptr for a list index
    Py_ssize_t index;
  };
  std::vector<Step> path_;
  Ref problems_;
};

// A limit that fit removes by splitting: `max`, or no limit while fitting a top-level block (fit
// splits no block inside another, a container's).
inline Py_ssize_t split_max(const Checker& c, Py_ssize_t max) noexcept {
  return c.fitting && c.depth == 0 ? PY_SSIZE_T_MAX : max;
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

// A null value: keys() reports it once, for the object that holds it, so the check of the value
// takes it as settled.
inline bool null(PyObject* value) noexcept {
  return value == Py_None;
}

// ---- the keys of an object -------------------------------------------------------------------

// The keys an object of one kind takes, as Slack's reference gives them.
class KeySet {
 public:
  constexpr KeySet(std::initializer_list<vm::Key> keys) {
    for (vm::Key key : keys) keys_[size_++] = key;
  }
  constexpr const vm::Key* begin() const { return keys_; }
  constexpr const vm::Key* end() const { return keys_ + size_; }

  bool takes(PyObject* key) const noexcept {
    return vm::which_entry(key, *this, [](vm::Key m) { return k.*m; }) >= 0;
  }

 private:
  vm::Key keys_[16] = {};
  std::size_t size_ = 0;
};

inline constexpr KeySet no_keys{};
inline constexpr KeySet type_only{&Keys::type};  // what every typed object takes

// The problem of a null under `key`, at the current place.
inline bool null_value(Checker& c, PyObject* key) {
  return c.report("\"%U\" is null; Slack refuses null where it expects a value: leave the key out.", key);
}

// Slack refuses a key it does not know ("invalid additional property") and null where it
// expects a value: reports each key of `object` (a dict) that neither `own` nor `common` holds,
// and each null value. `type` (a str) or, for objects without one, `owner` names the object.
inline bool keys(Checker& c, PyObject* object, const KeySet& own, const KeySet& common, PyObject* type,
                 const char* owner = nullptr) {
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  // Nothing here runs Python code (str comparisons only) until a problem is reported.
  while (PyDict_Next(object, &pos, &key, &value)) {
    bool text = PyUnicode_Check(key), known = text && (own.takes(key) || common.takes(key));
    if (known && !null(value)) continue;
    Ref held = Ref::borrow(key);
    if (!text) {
      Ref got = vm::type_name(held.get());
      if (!got || !c.report("A key must be a string, not %U.", got.get())) return false;
      continue;
    }
    auto here = c.at(held.get());
    bool ok =
        known  ? null_value(c, held.get())
        : type ? c.report("\"%U\" is not a key of type \"%U\"; Slack refuses keys it does not know.", held.get(), type)
               : c.report("\"%U\" is not a key of %s; Slack refuses keys it does not know.", held.get(), owner);
    if (!ok) return false;
  }
  return true;
}

// The same for an object without a "type": `owner` names it ("an option").
inline bool keys(Checker& c, PyObject* object, const KeySet& own, const char* owner) {
  return keys(c, object, own, no_keys, nullptr, owner);
}

// Only the null values of an object whose keys are not known here (a type Slack may add).
inline bool nulls(Checker& c, PyObject* object) {
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(object, &pos, &key, &value)) {
    if (!null(value) || !PyUnicode_Check(key)) continue;
    Ref held = Ref::borrow(key);
    auto here = c.at(held.get());
    if (!null_value(c, held.get())) return false;
  }
  return true;
}

// ---- leaves: strings, numbers, counts, choices -----------------------------------------------

// A value of the wrong type under `key`; null is reported by keys(), for the object holding it.
inline bool wrong_type(Checker& c, PyObject* key, const char* expected, PyObject* value) {
  if (null(value)) return true;
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
  if (null(value.get())) return true;
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

// The finite JSON number under `key` (an int or a float, never a bool), required; more than 0
// when `positive`.
inline bool finite_number(Checker& c, PyObject* object, PyObject* key, bool positive = false) {
  Ref value;
  if (!get(object, key, value)) return false;
  if (!value) return missing(c, key);
  auto here = c.at(key);
  bool number = (PyLong_Check(value.get()) && !PyBool_Check(value.get())) || PyFloat_Check(value.get());
  if (!number) return wrong_type(c, key, "a number", value.get());
  double x = PyFloat_Check(value.get()) ? PyFloat_AS_DOUBLE(value.get()) : PyLong_AsDouble(value.get());
  if (x == -1.0 && PyErr_Occurred()) {  // an int past a double's range is no finite JSON number
    if (!PyErr_ExceptionMatches(PyExc_OverflowError)) return false;
    PyErr_Clear();
    x = HUGE_VAL;
  }
  if (!std::isfinite(x)) return c.report("\"%U\" must be a finite number, not %R.", key, value.get());
  return !positive || x > 0 || c.report("\"%U\" must be more than 0, not %R.", key, value.get());
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

}  // namespace vm::check
