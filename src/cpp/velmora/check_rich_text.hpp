// velmora.validate's checks of rich text: a rich_text block's sections, lists, quotes and
// preformatted parts, and the inline elements they hold.
#pragma once

#include "check.hpp"
#include "limits.hpp"

namespace vm::check {

// The flags of an inline element's "style": true or false each. A mention (user, channel, user
// group, broadcast) cannot be shown as code.
inline bool rich_style(Checker& c, PyObject* element, bool mention) {
  Ref style;
  if (!get(element, k.style, style)) return false;
  if (!style || null(style.get())) return true;
  auto here = c.at(k.style);
  bool dict;
  if (!object(c, style.get(), "A style", dict)) return false;
  if (!dict) return true;
  static constexpr KeySet flags{&Keys::bold,      &Keys::italic,    &Keys::strike,           &Keys::code,
                                &Keys::underline, &Keys::highlight, &Keys::client_highlight, &Keys::unlink};
  static constexpr KeySet mention_flags{&Keys::bold,      &Keys::italic,           &Keys::strike, &Keys::underline,
                                        &Keys::highlight, &Keys::client_highlight, &Keys::unlink};
  if (!keys(c, style.get(), mention ? mention_flags : flags, mention ? "the style of a mention" : "a style")) {
    return false;
  }
  for (vm::Key flag : flags) {
    if (!boolean(c, style.get(), k.*flag)) return false;
  }
  return true;
}

enum class Inline { text, link, emoji, user, channel, usergroup, team, broadcast, date, color, other };

// Each inline element type with the keys it takes besides "type".
inline constexpr struct {
  vm::Key type;
  KeySet keys;
} inline_types[] = {
    {&Keys::text, {&Keys::text, &Keys::style}},
    {&Keys::link, {&Keys::url, &Keys::text, &Keys::unsafe, &Keys::style}},
    {&Keys::emoji, {&Keys::name, &Keys::unicode, &Keys::skin_tone, &Keys::style}},
    {&Keys::user, {&Keys::user_id, &Keys::style}},
    {&Keys::channel, {&Keys::channel_id, &Keys::style}},
    {&Keys::usergroup, {&Keys::usergroup_id, &Keys::style}},
    {&Keys::team, {&Keys::team_id, &Keys::style}},
    {&Keys::broadcast, {&Keys::range, &Keys::style}},
    {&Keys::date, {&Keys::timestamp, &Keys::format, &Keys::url, &Keys::fallback, &Keys::timezone, &Keys::style}},
    {&Keys::color, {&Keys::value, &Keys::style}},
};
static_assert(std::size(inline_types) == static_cast<std::size_t>(Inline::other));

// One inline element: text, link, emoji, a mention, a broadcast, a date or a colour; texts of
// at least one character. Element types Slack documents beyond these pass unchecked but for
// null values. In preformatted text (`preformatted`) only text and links.
inline bool inline_element(Checker& c, PyObject* leaf, bool preformatted) {
  Ref type;
  if (!typed(c, leaf, "A rich-text element", type)) return false;
  if (!type) return true;
  int at = vm::which_entry(type.get(), inline_types, [](const auto& entry) { return k.*entry.type; });
  auto kind = at < 0 ? Inline::other : static_cast<Inline>(at);
  if (preformatted && kind != Inline::text && kind != Inline::link) {
    auto here = c.at(k.type);
    return c.report("Preformatted text holds only \"text\" and \"link\" elements, not \"%U\".", type.get());
  }
  if (kind == Inline::other) return nulls(c, leaf);
  bool mention =
      kind == Inline::user || kind == Inline::channel || kind == Inline::usergroup || kind == Inline::broadcast;
  if (!keys(c, leaf, inline_types[at].keys, type_only, type.get()) || !rich_style(c, leaf, mention)) return false;
  switch (kind) {
    case Inline::text:
      return string(c, leaf, k.text, 1, PY_SSIZE_T_MAX, true);
    case Inline::link:
      return identifier(c, leaf, k.url) && string(c, leaf, k.text, 1, PY_SSIZE_T_MAX) && boolean(c, leaf, k.unsafe);
    case Inline::emoji:
      return identifier(c, leaf, k.name) && string(c, leaf, k.unicode, 0, PY_SSIZE_T_MAX) &&
             string(c, leaf, k.skin_tone, 0, PY_SSIZE_T_MAX);
    case Inline::user:
      return identifier(c, leaf, k.user_id);
    case Inline::channel:
      return identifier(c, leaf, k.channel_id);
    case Inline::usergroup:
      return identifier(c, leaf, k.usergroup_id);
    case Inline::team:
      return identifier(c, leaf, k.team_id);
    case Inline::color:
      return identifier(c, leaf, k.value);
    case Inline::broadcast:
      return required(c, leaf, k.range, "\"range\" is missing.") &&
             choice(c, leaf, k.range, {k.here, k.channel, k.everyone}, "\"here\", \"channel\" or \"everyone\"");
    case Inline::date:
      return required(c, leaf, k.timestamp, "\"timestamp\" is missing.") &&
             integer(c, leaf, k.timestamp, LONG_MIN, LONG_MAX, "a Unix time in seconds") &&
             identifier(c, leaf, k.format) && string(c, leaf, k.url, 1, PY_SSIZE_T_MAX) &&
             string(c, leaf, k.fallback, 1, PY_SSIZE_T_MAX) && string(c, leaf, k.timezone, 0, PY_SSIZE_T_MAX);
    default:
      return true;
  }
}

// The inline elements of a section, quote or preformatted part: at least one.
inline bool leaves(Checker& c, PyObject* container, const char* owner, bool preformatted = false) {
  return items(c, container, k.elements, 1, PY_SSIZE_T_MAX, owner, true,
               [&](PyObject* leaf) { return inline_element(c, leaf, preformatted); });
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
                 return !inner ||
                        (keys(c, s, {&Keys::elements}, type_only, inner.get()) && leaves(c, s, "a rich-text section"));
               }) &&
         integer(c, part, k.indent, 0, limit::rich_text_indent, "0 to 8") &&
         integer(c, part, k.offset, 0, LONG_MAX, "0 or more") && border(c, part);
}

// Each part of rich text with the keys it takes besides "type".
inline constexpr struct {
  vm::Key type;
  KeySet keys;
} rich_text_parts[] = {
    {&Keys::rich_text_section, {&Keys::elements}},
    {&Keys::rich_text_list, {&Keys::elements, &Keys::style, &Keys::indent, &Keys::offset, &Keys::border}},
    {&Keys::rich_text_quote, {&Keys::elements, &Keys::border}},
    {&Keys::rich_text_preformatted, {&Keys::elements, &Keys::border, &Keys::language}},
};

// A rich_text block (or a rich-text cell, title, details...): its parts, each by its type.
inline bool rich_text(Checker& c, PyObject* block) {
  return items(c, block, k.elements, 0, PY_SSIZE_T_MAX, "a rich-text block", true, [&](PyObject* part) {
    Ref type;
    if (!typed(c, part, "A rich-text part", type)) return false;
    if (!type) return true;
    int at = vm::which_entry(type.get(), rich_text_parts, [](const auto& entry) { return k.*entry.type; });
    if (at >= 0 && !keys(c, part, rich_text_parts[at].keys, type_only, type.get())) return false;
    switch (at) {
      case 0:
        return leaves(c, part, "a rich-text section");
      case 1:
        return rich_list(c, part);
      case 2:
        return leaves(c, part, "a rich-text quote") && border(c, part);
      case 3:
        return leaves(c, part, "preformatted text", true) && border(c, part) &&
               string(c, part, k.language, 1, PY_SSIZE_T_MAX);
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

// Rich text given where Slack takes one rich_text object (a container's title, a task's
// details or output): `what` names it in problems.
inline bool rich_text_value(Checker& c, PyObject* value, const char* what) {
  Ref type;
  if (!typed(c, value, what, type)) return false;
  if (!type) return true;
  if (!is(type.get(), k.rich_text)) {
    auto here = c.at(k.type);
    return c.report("%s must be \"rich_text\", not \"%U\".", what, type.get());
  }
  return keys(c, value, {&Keys::elements, &Keys::block_id}, type_only, type.get()) && rich_text(c, value);
}

}  // namespace vm::check
