// velmora.validate's checks of Block Kit's composition objects: text objects, options and
// option groups, confirmation dialogs, conversation filters, and the source of an image.
#pragma once

#include <tuple>

#include "check.hpp"

namespace vm::check {

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
  // {"type": ..., "text": ...} alone, the usual text object, has no other keys to look up.
  bool flagged = !text || null(text.get()) || PyDict_GET_SIZE(value) > 2;
  if (flagged && !keys(c, value, {&Keys::text, &Keys::emoji, &Keys::verbatim}, {&Keys::type}, type.get())) {
    return false;
  }
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
  return null(value.get()) || text_value(c, value.get(), max, plain_only);
}

// Plain text under `key` (a text object of type "plain_text").
inline bool plain(Checker& c, PyObject* object, PyObject* key, Py_ssize_t max, bool required = false) {
  return text_object(c, object, key, max, /*plain_only=*/true, required);
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
  if (!keys(c, item, {&Keys::text, &Keys::value, &Keys::description, &Keys::url}, "an option")) return false;
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
    return keys(c, dialog, {&Keys::title, &Keys::text, &Keys::confirm, &Keys::deny, &Keys::style},
                "a confirmation dialog") &&
           plain(c, dialog, k.title, 100, true) && text_object(c, dialog, k.text, 300, false, true) &&
           plain(c, dialog, k.confirm, 30, true) && plain(c, dialog, k.deny, 30, true) &&
           choice(c, dialog, k.style, {k.primary, k.danger}, "\"primary\" or \"danger\"");
  });
}

// A conversation filter: "include" (a non-empty list of im, mpim, private and public) and two
// flags; at least one of the three.
inline bool conversation_filter(Checker& c, PyObject* element) {
  return nested(c, element, k.filter, "A conversation filter", false, [&](PyObject* filter) {
    if (!keys(c, filter, {&Keys::include, &Keys::exclude_bot_users, &Keys::exclude_external_shared_channels},
              "a conversation filter")) {
      return false;
    }
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
  if (null(url.get())) url = Ref();
  if (null(file.get())) file = Ref();
  if (!url && !file && !c.report("An image needs \"image_url\" or \"slack_file\".")) return false;
  if (url && file && !c.report("An image takes \"image_url\" or \"slack_file\", not both.")) return false;
  if (file) {
    auto here = c.at(k.slack_file);
    if (!PyDict_Check(file.get())) {
      if (!wrong_type(c, k.slack_file, "an object (a dict)", file.get())) return false;
    } else {
      if (!keys(c, file.get(), {&Keys::id, &Keys::url}, "a Slack file")) return false;
      int id = has(file.get(), k.id), file_url = has(file.get(), k.url);
      if (id < 0 || file_url < 0) return false;
      if (!id && !file_url && !c.report("A Slack file needs an \"id\" or a \"url\".")) return false;
      if (!string(c, file.get(), k.id, 1, PY_SSIZE_T_MAX) || !string(c, file.get(), k.url, 1, 3000)) return false;
    }
  }
  return string(c, object_, k.image_url, 1, 3000) && string(c, object_, k.alt_text, 0, 2000, true);
}

}  // namespace vm::check
