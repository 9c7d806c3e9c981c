// Text as Slack reads it, and where it may be cut: a unit is an extended grapheme cluster (an
// accented letter, a flag, a family emoji), or in mrkdwn an entity ("<...>": a link, a mention, a
// date) or an escape ("&amp;", "&lt;", "&gt;"); no cut falls inside one. Used by truncate, by
// fit's splitting of long texts (cuts.hpp) and by the validator, which tells splittable texts
// from the others; and escaping.
#pragma once

#include "graphemes.hpp"
#include "ref.hpp"

namespace vm {

// Read access to the characters of a str, or of a buffer of UCS-4 characters.
class Chars {
 public:
  explicit Chars(PyObject* text) noexcept
      : kind_(PyUnicode_KIND(text)), data_(PyUnicode_DATA(text)), size_(PyUnicode_GET_LENGTH(text)) {}
  Chars(const Py_UCS4* data, Py_ssize_t size) noexcept : kind_(PyUnicode_4BYTE_KIND), data_(data), size_(size) {}
  Py_UCS4 operator[](Py_ssize_t i) const noexcept { return PyUnicode_READ(kind_, data_, i); }
  Py_ssize_t size() const noexcept { return size_; }

 private:
  int kind_;
  const void* data_;
  Py_ssize_t size_;
};

inline bool is_space(Py_UCS4 c) noexcept {
  return Py_UNICODE_ISSPACE(c);
}
inline bool is_ascii_alnum(Py_UCS4 c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The end of the grapheme cluster that starts at `i`, a cluster boundary.
inline Py_ssize_t cluster_end(const Chars& s, Py_ssize_t i) noexcept {
  Py_UCS4 c = s[i];
  if (c >= 0x20 && c < 0x7F && (i + 1 == s.size() || s[i + 1] < 0x300)) return i + 1;  // ASCII, as most text is
  grapheme::Walker walker;
  walker.start(c);
  Py_ssize_t j = i + 1;
  while (j < s.size() && walker.joins(s[j])) ++j;
  return j;
}

// `end`, or past the characters after it that cling to what precedes them (accents, ZWJs).
inline Py_ssize_t clinging_end(const Chars& s, Py_ssize_t end) noexcept {
  while (end < s.size() && grapheme::clings(s[end])) ++end;
  return end;
}

// The end of an escape at `i` ("&" and 1 to 10 letters, digits or "#", then ";"), else i.
inline Py_ssize_t escape_end(const Chars& s, Py_ssize_t i) noexcept {
  for (Py_ssize_t j = i + 1; j < s.size() && j <= i + 11; ++j) {
    Py_UCS4 d = s[j];
    if (d == ';') return j > i + 1 ? j + 1 : i;
    if (!is_ascii_alnum(d) && d != '#') break;
  }
  return i;
}

// The end of the mrkdwn entity at `i` (a "<" with a ">" before any further "<"), else i.
inline Py_ssize_t entity_end(const Chars& s, Py_ssize_t i) noexcept {
  for (Py_ssize_t j = i + 1; j < s.size(); ++j) {
    Py_UCS4 d = s[j];
    if (d == '>') return j + 1;
    if (d == '<') break;
  }
  return i;
}

// The end of the mrkdwn markup (an entity or an escape) at `i`, else i.
inline Py_ssize_t markup_end(const Chars& s, Py_ssize_t i) noexcept {
  Py_UCS4 c = s[i];
  return c == '<' ? entity_end(s, i) : c == '&' ? escape_end(s, i) : i;
}

// Where the mrkdwn unit starting at `i` ends: an entity or escape, with any accent that clings
// to its last character, else a grapheme cluster.
inline Py_ssize_t unit_end(const Chars& s, Py_ssize_t i) noexcept {
  Py_ssize_t markup = markup_end(s, i);
  return markup > i ? clinging_end(s, markup) : cluster_end(s, i);
}

// How much of `s` to keep when it must shrink to `budget` characters and be followed by an
// ellipsis: up to the end of the last word that ends within the budget when that end lies in its
// last fifth, else as many whole units as fit; trailing spaces dropped either way. Never splits
// a grapheme cluster, an entity or an escape.
inline Py_ssize_t keep_words(const Chars& s, Py_ssize_t budget) noexcept {
  Py_ssize_t word = 0, solid = 0;  // the end of the last word before a space; of the last unit not a space
  for (Py_ssize_t i = 0; i < s.size();) {
    Py_ssize_t end = unit_end(s, i);
    bool blank = end == i + 1 && is_space(s[i]);
    if (blank) word = solid;
    if (end > budget) break;
    if (!blank) solid = end;
    i = end;
  }
  return word > 0 && word >= budget - budget / 5 ? word : solid;
}

// text[:keep] + ellipsis, where `keep` comes from keep_words(); `text` itself when it holds at
// most `limit` characters. The caller checks that the ellipsis fits in `limit`.
inline Ref truncated(PyObject* text, Py_ssize_t limit, PyObject* ellipsis) noexcept {
  Py_ssize_t size = PyUnicode_GET_LENGTH(text);
  if (size <= limit) return Ref::borrow(text);
  Py_ssize_t keep = keep_words(Chars(text), limit - PyUnicode_GET_LENGTH(ellipsis));
  Ref head = Ref::steal(PyUnicode_Substring(text, 0, keep));
  return head ? Ref::steal(PyUnicode_Concat(head.get(), ellipsis)) : Ref{};
}

// `text` with "&", "<" and ">" written "&amp;", "&lt;" and "&gt;", and nothing else changed;
// `text` itself when it holds none of them.
inline Ref escaped(PyObject* text) noexcept {
  vm::Chars s(text);
  Py_ssize_t extra = 0;
  for (Py_ssize_t i = 0; i < s.size(); ++i) {
    Py_UCS4 c = s[i];
    extra += c == '&' ? 4 : (c == '<' || c == '>') ? 3 : 0;
  }
  if (extra == 0) return Ref::borrow(text);
  Ref out = Ref::steal(PyUnicode_New(s.size() + extra, PyUnicode_MAX_CHAR_VALUE(text)));
  if (!out) return {};
  int kind = PyUnicode_KIND(out.get());
  void* data = PyUnicode_DATA(out.get());
  Py_ssize_t at = 0;
  auto put = [&](const char* ascii) {
    for (const char* c = ascii; *c; ++c) PyUnicode_WRITE(kind, data, at++, static_cast<Py_UCS4>(*c));
  };
  for (Py_ssize_t i = 0; i < s.size(); ++i) {
    Py_UCS4 c = s[i];
    if (c == '&') {
      put("&amp;");
    } else if (c == '<') {
      put("&lt;");
    } else if (c == '>') {
      put("&gt;");
    } else {
      PyUnicode_WRITE(kind, data, at++, c);
    }
  }
  return out;
}

}  // namespace vm
