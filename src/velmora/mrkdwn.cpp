// Slack mrkdwn made safely: escaping untrusted text, and the entities for mentions, links and
// dates, each built only from values that cannot break out of it.
#include "velmora/blocks.hpp"
#include "velmora/text.hpp"

#include <cmath>

namespace {

using vm::escaped, vm::k, vm::Ref;

// ---- escaping --------------------------------------------------------------------------------

Ref escape(PyObject*, vm::Bound<1>& a) {
  if (!vm::check_str(a[0], "text")) return {};
  return escaped(a[0]);
}

// ---- mentions --------------------------------------------------------------------------------

// An id as Slack writes them: one or more ASCII letters and digits ("U0123ABCD").
bool check_id(PyObject* value, const char* param, const char* example) noexcept {
  if (!vm::check_str(value, param)) return false;
  vm::Chars s(value);
  bool ok = s.size() > 0;
  for (Py_ssize_t i = 0; ok && i < s.size(); ++i) ok = vm::is_ascii_alnum(s[i]);
  if (ok) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must be letters and digits only, such as %s, got %.200R", param, example, value);
  return false;
}

// `format` with the id `a[0]` (the parameter `param`) in place of "%U"; `example` shows a good id.
Ref mention(const vm::Bound<1>& a, const char* param, const char* example, const char* format) {
  if (!check_id(a[0], param, example)) return {};
  return Ref::steal(PyUnicode_FromFormat(format, a[0]));
}

Ref user(PyObject*, vm::Bound<1>& a) {
  return mention(a, "user_id", "U0123ABCD", "<@%U>");
}

Ref channel(PyObject*, vm::Bound<1>& a) {
  return mention(a, "channel_id", "C0123ABCD", "<#%U>");
}

Ref usergroup(PyObject*, vm::Bound<1>& a) {
  return mention(a, "usergroup_id", "S0123ABCD", "<!subteam^%U>");
}

Ref broadcast(PyObject*, vm::Bound<1>& a) {
  if (!vm::check_str(a[0], "range")) return {};
  for (PyObject* known : {k.here, k.channel, k.everyone}) {
    if (PyUnicode_Compare(a[0], known) == 0) return Ref::steal(PyUnicode_FromFormat("<!%U>", known));
  }
  PyErr_Format(PyExc_ValueError, "range must be \"here\", \"channel\" or \"everyone\", got %.200R", a[0]);
  return {};
}

// ---- links -----------------------------------------------------------------------------------

// True when `url` starts with `scheme` ("https://"), in any letter case.
bool has_scheme(const vm::Chars& url, const char* scheme) noexcept {
  Py_ssize_t i = 0;
  for (; scheme[i]; ++i) {
    if (i >= url.size()) return false;
    Py_UCS4 c = url[i];
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c != static_cast<Py_UCS4>(scheme[i])) return false;
  }
  return true;
}

// A URL that can stand in "<url|text>": http, https or mailto, with no whitespace, "<", ">" or "|".
bool check_url(PyObject* url) noexcept {
  if (!vm::check_str(url, "url")) return false;
  vm::Chars s(url);
  for (Py_ssize_t i = 0; i < s.size(); ++i) {
    Py_UCS4 c = s[i];
    if (vm::is_space(c) || c == '<' || c == '>' || c == '|') {
      PyErr_Format(PyExc_ValueError, "url must not hold whitespace, '<', '>' or '|', got %.200R", url);
      return false;
    }
  }
  if (has_scheme(s, "https://") || has_scheme(s, "http://") || has_scheme(s, "mailto:")) return true;
  PyErr_Format(PyExc_ValueError, "url must start with http://, https:// or mailto:, got %.200R", url);
  return false;
}

Ref link(PyObject*, vm::Bound<2>& a) {
  bool has_text;
  if (!check_url(a[0]) || !vm::check_optional_str(a[1], "text", has_text)) {
    return {};
  }
  if (!has_text) return Ref::steal(PyUnicode_FromFormat("<%U>", a[0]));
  Ref label = escaped(a[1]);
  return label ? Ref::steal(PyUnicode_FromFormat("<%U|%U>", a[0], label.get())) : Ref{};
}

// ---- dates -----------------------------------------------------------------------------------

// Whole Unix seconds: an int as it is, a finite float rounded down (time.time() gives floats).
Ref seconds(PyObject* timestamp) noexcept {
  if (PyLong_CheckExact(timestamp)) return Ref::borrow(timestamp);
  if (PyFloat_CheckExact(timestamp)) {
    double value = PyFloat_AS_DOUBLE(timestamp);
    if (std::isfinite(value)) return Ref::steal(PyLong_FromDouble(std::floor(value)));
    PyErr_Format(PyExc_ValueError, "timestamp must be a finite number of seconds, got %R", timestamp);
    return {};
  }
  vm::raise_wrong_type("timestamp", "int", timestamp);
  return {};
}

// Slack's date tokens ("{date_short} at {time}") with no character that would end the entity.
bool check_format(PyObject* format) noexcept {
  if (!vm::check_str(format, "format")) return false;
  vm::Chars s(format);
  bool ok = s.size() > 0;
  for (Py_ssize_t i = 0; ok && i < s.size(); ++i) {
    Py_UCS4 c = s[i];
    ok = c != '<' && c != '>' && c != '|' && c != '^' && c != '\n';
  }
  if (ok) return true;
  PyErr_Format(PyExc_ValueError,
               "format must be Slack date tokens such as \"{date_short} at {time}\", without '<', '>', '|', '^' "
               "or line breaks, got %.200R",
               format);
  return false;
}

Ref date(PyObject*, vm::Bound<3>& a) {
  Ref when = seconds(a[0]);
  if (!when || !check_format(a[1]) || !vm::check_str(a[2], "fallback")) return {};
  if (PyUnicode_GET_LENGTH(a[2]) == 0) {
    return vm::raise_value_error("fallback must not be empty: clients that cannot show the date show it");
  }
  Ref fallback = escaped(a[2]);
  return fallback ? Ref::steal(PyUnicode_FromFormat("<!date^%S^%U|%U>", when.get(), a[1], fallback.get())) : Ref{};
}

// ---- cutting a text --------------------------------------------------------------------------

Ref truncate(PyObject*, vm::Bound<3>& a) {
  if (!vm::check_str(a[0], "text") || !vm::check_exact(a[1], &PyLong_Type, "limit") ||
      (a[2] && !vm::check_str(a[2], "ellipsis"))) {
    return {};
  }
  PyObject* ellipsis = a[2] ? a[2] : k.ellipsis_mark;
  int overflow = 0;  // a limit past any text's length lets every text through
  long long wide = PyLong_AsLongLongAndOverflow(a[1], &overflow);
  if (wide == -1 && PyErr_Occurred()) return {};
  Py_ssize_t limit = overflow > 0 || wide > PY_SSIZE_T_MAX ? PY_SSIZE_T_MAX
                     : overflow < 0 || wide < -1           ? -1
                                                           : static_cast<Py_ssize_t>(wide);
  if (limit < 0) {
    PyErr_Format(PyExc_ValueError, "limit must not be negative, got %R", a[1]);
    return {};
  }
  if (limit < PyUnicode_GET_LENGTH(ellipsis)) {
    PyErr_Format(PyExc_ValueError, "limit must be at least %zd, the length of the ellipsis %.50R, got %zd",
                 PyUnicode_GET_LENGTH(ellipsis), ellipsis, limit);
    return {};
  }
  return vm::truncated(a[0], limit, ellipsis);
}

// ---- grapheme clusters, for the tests ------------------------------------------------------

// The extended grapheme clusters of `text`, where truncate and fit may cut it.
Ref graphemes(PyObject*, vm::Bound<1>& a) {
  if (!vm::check_str(a[0], "text")) return {};
  Ref out = vm::empty_list();
  vm::Chars s(a[0]);
  for (Py_ssize_t i = 0; out && i < s.size();) {
    Py_ssize_t end = vm::cluster_end(s, i);
    Ref cluster = Ref::steal(PyUnicode_Substring(a[0], i, end));
    if (!cluster || PyList_Append(out.get(), cluster.get()) < 0) return {};
    i = end;
  }
  return out;
}

PyMethodDef functions[] = {
    vm::function<escape, "escape(text)",
                 R"(
                 `text` safe to put in Slack mrkdwn: "&", "<" and ">" become "&amp;", "&lt;" and "&gt;",
                 and nothing else changes, so no mention, broadcast or link can be slipped in.)">(),
    vm::function<user, "user(user_id)", R"(A mention of a user: "<@U0123ABCD>". The id is letters and digits.)">(),
    vm::function<channel, "channel(channel_id)",
                 R"(A link to a channel: "<#C0123ABCD>". The id is letters and digits.)">(),
    vm::function<usergroup, "usergroup(usergroup_id)",
                 R"(A mention of a user group: "<!subteam^S0123ABCD>". The id is letters and digits.)">(),
    vm::function<broadcast, "broadcast(range)",
                 R"(
                 A broadcast to a channel: "<!here>", "<!channel>" or "<!everyone>" for the range "here",
                 "channel" or "everyone".)">(),
    vm::function<link, "link(url, text=None)",
                 R"(
                 A link: "<url>", or "<url|text>" with `text` escaped. The url must start with http://,
                 https:// or mailto: and hold no whitespace, '<', '>' or '|' (ValueError otherwise).)">(),
    vm::function<date, "date(timestamp, format, fallback)",
                 R"(
                 A date that every reader sees in their own time zone:
                 "<!date^timestamp^format|fallback>". `timestamp` is Unix seconds (int, or a float rounded
                 down), `format` Slack's tokens such as "{date_short} at {time}", `fallback` (escaped) the
                 text shown where the date cannot be.)">(),
    vm::function<truncate, "truncate(text, limit, *, ellipsis='\\u2026')",
                 R"(
                 `text` cut to at most `limit` characters, the ellipsis included: at the end of the last
                 word that fits when it ends in the last fifth of the room, else as close to the limit as
                 can be; never inside a character as a reader sees it (an accented letter, a flag, a
                 joined emoji), an entity ("<...>") or an escape ("&amp;"). `text` itself when it fits.)">(),
    vm::function<graphemes, "_graphemes(text)",
                 R"(
                 The extended grapheme clusters of `text` (Unicode's UAX #29), where truncate and fit may
                 cut it: a list of str.)">(),
    vm::table_end};

}  // namespace

VM_FUNCTION_MODULE("Slack mrkdwn made safely: escaping, mentions, links, dates, and cutting a text to length.",
                   functions, nullptr)
