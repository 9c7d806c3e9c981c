// Slack mrkdwn text as Slack reads it: escaping, and cutting it safely: an entity ("<...>": a link, a
// mention, a date) and an escape ("&amp;", "&lt;", "&gt;") are single units that no cut may
// split. Used by truncate, by fit's splitting of long section texts and by the validator,
// which tells splittable texts from the others.
#pragma once

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

// Where the unit starting at `i` ends: after the ">" of an entity (a "<" with a ">" before any
// further "<"), after the ";" of an escape ("&" and 1 to 10 letters, digits or "#"), else i + 1.
inline Py_ssize_t unit_end(const Chars& s, Py_ssize_t i) noexcept {
  Py_UCS4 c = s[i];
  if (c == '<') {
    for (Py_ssize_t j = i + 1; j < s.size(); ++j) {
      Py_UCS4 d = s[j];
      if (d == '>') return j + 1;
      if (d == '<') break;
    }
  } else if (c == '&') {
    for (Py_ssize_t j = i + 1; j < s.size() && j <= i + 11; ++j) {
      Py_UCS4 d = s[j];
      if (d == ';') return j > i + 1 ? j + 1 : i + 1;
      if (!is_ascii_alnum(d) && d != '#') break;
    }
  }
  return i + 1;
}

// The end of the next part of s[start:] of at most `limit` characters: s.size() when the rest
// fits; else just after the last paragraph break ("\n\n") that fits, else after the last line
// break, else after the last space, else at the last unit boundary. A separator stays at the end
// of the part it closes, so the parts joined give the text back. -1 when the unit at `start` is
// itself longer than `limit`.
inline Py_ssize_t cut_end(const Chars& s, Py_ssize_t start, Py_ssize_t limit) noexcept {
  if (s.size() - start <= limit) return s.size();
  Py_ssize_t stop = start + limit, paragraph = -1, line = -1, space = -1, unit = -1;
  for (Py_ssize_t i = start; i < stop;) {
    Py_ssize_t end = unit_end(s, i);
    if (end > stop) break;
    Py_UCS4 c = s[i];
    if (c == '\n') {
      if (i > start && s[i - 1] == '\n') paragraph = end;
      line = end;
    } else if (is_space(c)) {
      space = end;
    }
    unit = end;
    i = end;
  }
  return paragraph > 0 ? paragraph : line > 0 ? line : space > 0 ? space : unit;
}

// How much of `s` to keep when it must shrink to `budget` characters and be followed by an
// ellipsis: up to the last word that ends within the budget (trailing spaces dropped), else as
// many whole units as fit. Never splits an entity or an escape.
inline Py_ssize_t keep_words(const Chars& s, Py_ssize_t budget) noexcept {
  Py_ssize_t word = 0, whole = 0;
  for (Py_ssize_t i = 0; i <= budget && i < s.size();) {
    if (i > 0 && is_space(s[i])) word = i;  // s[:i] ends before a space
    Py_ssize_t end = unit_end(s, i);
    if (end > budget) break;
    whole = end;
    i = end;
  }
  auto trimmed = [&](Py_ssize_t end) {
    while (end > 0 && is_space(s[end - 1])) --end;
    return end;
  };
  Py_ssize_t kept = trimmed(word);
  return kept > 0 ? kept : trimmed(whole);
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
