// velmora.validate's checks of rich text: a rich_text block's sections, lists, quotes and
// preformatted parts, and the inline elements they hold.
#pragma once

#include "check.hpp"
#include "limits.hpp"

namespace vm::check {

// "style" of an inline element: an object whose flags are true or false. Flags Slack may add
// later are not reported.
inline bool rich_style(Checker& c, PyObject* element) {
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
inline bool inline_element(Checker& c, PyObject* leaf) {
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
    return required(c, leaf, k.range, "\"range\" is missing.") &&
           choice(c, leaf, k.range, {k.here, k.channel, k.everyone}, "\"here\", \"channel\" or \"everyone\"");
  }
  if (is(t, k.date)) {
    return required(c, leaf, k.timestamp, "\"timestamp\" is missing.") &&
           integer(c, leaf, k.timestamp, LONG_MIN, LONG_MAX, "a Unix time in seconds") &&
           identifier(c, leaf, k.format) && string(c, leaf, k.url, 1, PY_SSIZE_T_MAX) &&
           string(c, leaf, k.fallback, 0, PY_SSIZE_T_MAX) && string(c, leaf, k.timezone, 0, PY_SSIZE_T_MAX);
  }
  return true;
}

inline bool leaves(Checker& c, PyObject* container, const char* owner) {
  return items(c, container, k.elements, 0, PY_SSIZE_T_MAX, owner, true,
               [&](PyObject* leaf) { return inline_element(c, leaf); });
}

inline bool border(Checker& c, PyObject* part) {
  return integer(c, part, k.border, 0, 1, "0 or 1");
}

// A list: "style" bullet or ordered, items that are sections, "indent", "offset", "border".
inline bool rich_list(Checker& c, PyObject* part) {
  return required(c, part, k.style, "\"style\" is missing; a rich-text list needs \"bullet\" or \"ordered\".") &&
         choice(c, part, k.style, {k.bullet, k.ordered}, "\"bullet\" or \"ordered\"") &&
         items(c, part, k.elements, 0, PY_SSIZE_T_MAX, "a rich-text list", true,
               [&](PyObject* s) {
                 Ref inner;
                 if (!typed(c, s, "A list item", inner)) return false;
                 if (inner && !is(inner.get(), k.rich_text_section)) {
                   auto here = c.at(k.type);
                   return c.report("A list item must be a \"rich_text_section\", not \"%U\".", inner.get());
                 }
                 return !inner || leaves(c, s, "a rich-text section");
               }) &&
         integer(c, part, k.indent, 0, limit::rich_text_indent, "0 to 8") &&
         integer(c, part, k.offset, 0, LONG_MAX, "0 or more") && border(c, part);
}

// A rich_text block (or a rich-text cell, title, details...): its parts, each by its type.
inline bool rich_text(Checker& c, PyObject* block) {
  return items(c, block, k.elements, 0, PY_SSIZE_T_MAX, "a rich-text block", true, [&](PyObject* part) {
    Ref type;
    if (!typed(c, part, "A rich-text part", type)) return false;
    if (!type) return true;
    switch (which(type.get(), {k.rich_text_section, k.rich_text_list, k.rich_text_quote, k.rich_text_preformatted})) {
      case 0:
        return leaves(c, part, "a rich-text section");
      case 1:
        return rich_list(c, part);
      case 2:
        return leaves(c, part, "a rich-text quote") && border(c, part);
      case 3:
        return leaves(c, part, "preformatted text") && border(c, part) &&
               string(c, part, k.language, 0, PY_SSIZE_T_MAX);
      default: {
        auto here = c.at(k.type);
        return c.report(
            "A rich-text part must be \"rich_text_section\", \"rich_text_list\", "
            "\"rich_text_preformatted\" or \"rich_text_quote\", not \"%U\".",
            type.get());
      }
    }
  });
}

}  // namespace vm::check
