// velmora.fallback_text: a message read out as plain text, for notifications and screen
// readers. Markup is read as a person would say it: "<@U1>" is "@U1", "<url|text>" is
// "text (url)", "&amp;" is "&", "*bold*" is "bold". A markdown block is read as Markdown, which
// has no such entities: "List<int>" stays as typed, "<https://x.io>" is the address. Blocks of
// unexpected shapes add nothing.
#include "velmora/blocks.hpp"
#include "velmora/read_out.hpp"
#include "velmora/text.hpp"

#include <string>
#include <vector>

namespace {

using vm::k, vm::Key, vm::Keys, vm::Ref, vm::read_out::add, vm::read_out::at, vm::read_out::for_each, vm::read_out::is,
    vm::read_out::str_at, vm::read_out::Text;

// Slack's limit is 40,000; a notification shows far less, and a screen reader reads it all.
constexpr Py_ssize_t max_characters = 3000;

// ---- inline markup -----------------------------------------------------------------------------

// Slack mrkdwn, or standard Markdown (markdown blocks: headings, [text](url), backslashes).
enum class Dialect { mrkdwn, markdown };

bool is_alnum(char32_t c) {
  return Py_UNICODE_ISALNUM(static_cast<Py_UCS4>(c));
}
bool is_marker(char32_t c) {
  return c == '*' || c == '_' || c == '~';
}

// The text between `begin` and `end` of `s`, with "&amp;", "&lt;" and "&gt;" read as characters.
void add_unescaped(Text& out, const vm::Chars& s, Py_ssize_t begin, Py_ssize_t end) {
  for (Py_ssize_t i = begin; i < end;) {
    Py_ssize_t unit = s[i] == '&' ? vm::escape_end(s, i) : i;
    if (unit <= i || unit > end) unit = i + 1;
    char32_t c = 0;
    if (unit - i == 5 && s[i + 1] == 'a' && s[i + 2] == 'm' && s[i + 3] == 'p') c = '&';
    if (unit - i == 4 && s[i + 2] == 't' && (s[i + 1] == 'l' || s[i + 1] == 'g')) c = s[i + 1] == 'l' ? '<' : '>';
    if (c) {
      out.push_back(c);
    } else {
      for (Py_ssize_t j = i; j < unit; ++j) out.push_back(s[j]);
    }
    i = unit;
  }
}

bool starts_with(const vm::Chars& s, Py_ssize_t begin, Py_ssize_t end, const char* ascii) {
  for (Py_ssize_t i = begin; *ascii; ++i, ++ascii) {
    if (i >= end || s[i] != static_cast<Py_UCS4>(*ascii)) return false;
  }
  return true;
}

// An entity "<...>" (s[begin] is "<", s[end - 1] is ">"): a mention, a broadcast, a date or a link.
void add_entity(Text& out, const vm::Chars& s, Py_ssize_t begin, Py_ssize_t end) {
  Py_ssize_t target = begin + 1, close = end - 1, bar = target;
  while (bar < close && s[bar] != '|') ++bar;
  bool labelled = bar < close;
  auto label = [&] { add_unescaped(out, s, bar + 1, close); };
  Py_UCS4 first = target < close ? s[target] : 0;
  if (first == '@' || first == '#') {  // <@U1>, <@U1|ana>, <#C1|general>
    out.push_back(first);
    if (labelled && bar + 1 < close && s[bar + 1] == first) ++bar;
    labelled ? label() : add_unescaped(out, s, target + 1, bar);
  } else if (first == '!') {  // <!here>, <!subteam^S1|@team>, <!date^...|fallback>
    if (starts_with(s, target + 1, close, "date^")) {
      if (labelled) label();
    } else if (labelled) {
      if (bar + 1 < close && s[bar + 1] != '@') out.push_back('@');
      label();
    } else {
      out.push_back('@');
      Py_ssize_t name = target + 1;
      for (Py_ssize_t i = name; i < bar; ++i) {
        if (s[i] == '^') name = i + 1;
      }
      add_unescaped(out, s, name, bar);
    }
  } else if (labelled) {  // <url|text>
    Text url;
    add_unescaped(url, s, target, bar);
    std::size_t start = out.size();
    label();
    if (out.compare(start, Text::npos, url) != 0) {
      add(out, " (");
      out += url;
      out.push_back(')');
    }
  } else {  // <url>
    add_unescaped(out, s, target, bar);
  }
}

// How a character of a text is read out, set by the first pass of read_inline.
enum Mark : unsigned char { keep, drop, space };

// The end of the run of `c` starting at i.
Py_ssize_t run_end(const vm::Chars& s, Py_ssize_t i, Py_ssize_t end) {
  Py_UCS4 c = s[i];
  while (i < end && s[i] == c) ++i;
  return i;
}

// Marks the delimiters of emphasis (*bold*, _italic_, ~strike~, and their doubled Markdown
// forms) that have a partner on the same line: an opener follows the start, a space or
// punctuation and precedes a non-space; its closer is a run as long of the same character.
void mark_emphasis(const vm::Chars& s, Py_ssize_t begin, Py_ssize_t end, std::vector<Mark>& marks) {
  for (Py_ssize_t i = begin; i < end;) {
    if (marks[i] != keep || !is_marker(s[i])) {
      i = s[i] == '<' || s[i] == '&' ? vm::unit_end(s, i) : i + 1;
      continue;
    }
    Py_ssize_t run = run_end(s, i, end), length = run - i;
    bool opener = (i == begin || !is_alnum(s[i - 1])) && run < end && !vm::is_space(s[run]) && length <= 3;
    Py_ssize_t close = -1;
    for (Py_ssize_t j = run; opener && j < end && s[j] != '\n';) {
      if (s[j] == '<' || s[j] == '&') {
        j = vm::unit_end(s, j);
        continue;
      }
      if (s[j] == s[i] && marks[j] == keep) {
        Py_ssize_t other = run_end(s, j, end);
        if (other - j == length && !vm::is_space(s[j - 1]) && (other == end || !is_alnum(s[other]))) {
          close = j;
          break;
        }
        j = other;
        continue;
      }
      ++j;
    }
    if (close < 0) {
      i = run;
      continue;
    }
    for (Py_ssize_t j = 0; j < length; ++j) marks[i + j] = marks[close + j] = drop;
    i = run;
  }
}

// Marks code: ``` fences (with a Markdown fence's language name) and `spans`. Their insides
// are read as written.
void mark_code(const vm::Chars& s, Py_ssize_t begin, Py_ssize_t end, Dialect dialect, std::vector<Mark>& marks,
               std::vector<bool>& code) {
  for (Py_ssize_t i = begin; i < end; ++i) {
    if (s[i] != '`') continue;
    Py_ssize_t run = run_end(s, i, end), length = run - i;
    Py_ssize_t j = run;
    for (; j < end; ++j) {
      if (length == 1 && s[j] == '\n') j = end;
      if (j < end && s[j] == '`' && run_end(s, j, end) - j == length) break;
    }
    if (j >= end) {
      i = run - 1;
      continue;
    }
    Py_ssize_t inside = run;
    if (length >= 3) {  // a fence: its line break (and a Markdown fence's language) is no content
      while (dialect == Dialect::markdown && inside < j && s[inside] != '\n') marks[inside++] = drop;
      if (inside < j && s[inside] == '\n') marks[inside++] = drop;
    }
    for (Py_ssize_t m = i; m < run; ++m) marks[m] = drop;
    for (Py_ssize_t m = j; m < j + length; ++m) marks[m] = drop;
    for (Py_ssize_t m = inside; m < j; ++m) code[m] = true;
    i = j + length - 1;
  }
}

// Markdown links and images: "[text](url)" reads "text (url)", "![alt](url)" reads "alt".
void mark_links(const vm::Chars& s, Py_ssize_t begin, Py_ssize_t end, std::vector<Mark>& marks,
                const std::vector<bool>& code) {
  for (Py_ssize_t i = begin; i < end; ++i) {
    if (s[i] != '[' || code[i]) continue;
    Py_ssize_t close = i + 1;
    while (close < end && s[close] != ']' && s[close] != '\n') ++close;
    if (close + 1 >= end || s[close] != ']' || s[close + 1] != '(') continue;
    Py_ssize_t stop = close + 2;
    while (stop < end && s[stop] != ')' && s[stop] != '\n' && !vm::is_space(s[stop])) ++stop;
    if (stop >= end || s[stop] != ')') continue;
    bool image = i > begin && s[i - 1] == '!';
    if (image) marks[i - 1] = drop;
    marks[i] = drop;
    if (image) {
      for (Py_ssize_t m = close; m <= stop; ++m) marks[m] = drop;
    } else {
      marks[close] = space;  // "](" becomes " ("
    }
    i = stop;
  }
}

// The end of the Markdown autolink at `i`, else i: "<" then a scheme of 2 to 32 letters, digits,
// "+", "." or "-" (a letter first) and ":", or an address (a name, "@" and a domain), and ">",
// with no space inside. Any other "<" in Markdown is a character, or HTML shown as typed.
Py_ssize_t autolink_end(const vm::Chars& s, Py_ssize_t i) {
  Py_ssize_t n = s.size(), j = i + 1;
  auto scheme_char = [](Py_UCS4 c) { return vm::is_ascii_alnum(c) || c == '+' || c == '.' || c == '-'; };
  while (j < n && scheme_char(s[j])) ++j;
  bool uri = j < n && s[j] == ':' && j - i - 1 >= 2 && j - i - 1 <= 32 && s[i + 1] > '9';
  Py_ssize_t at = -1;
  for (j = i + 1; j < n && s[j] != '>'; ++j) {
    Py_UCS4 c = s[j];
    if (c == '<' || vm::is_space(c)) return i;
    if (c == '@') at = at < 0 ? j : n;  // a second "@": no address
  }
  bool address = at > i + 1 && at < j - 1;
  return j < n && (uri || address) ? j + 1 : i;
}

// `s` read out: entities and escapes as words, emphasis and code markers dropped; in Markdown
// also headings, quotes, links and backslash escapes; in mrkdwn a leading ">" of a quote.
void read_inline(Text& out, const vm::Chars& s, Dialect dialect) {
  Py_ssize_t n = s.size();
  std::vector<Mark> marks(static_cast<std::size_t>(n), keep);
  std::vector<bool> code(static_cast<std::size_t>(n), false);
  mark_code(s, 0, n, dialect, marks, code);
  // Line starts: quotes ("> "), and Markdown headings ("## ").
  for (Py_ssize_t i = 0; i < n; ++i) {
    if ((i > 0 && s[i - 1] != '\n') || code[i]) continue;
    Py_ssize_t j = i;
    while (j < n && s[j] == '>') {
      marks[j++] = drop;
      if (j < n && s[j] == ' ') marks[j++] = drop;
    }
    if (dialect == Dialect::markdown && j < n && s[j] == '#') {
      Py_ssize_t hashes = run_end(s, j, n);
      if (hashes - j <= 6 && hashes < n && s[hashes] == ' ') {
        for (Py_ssize_t m = j; m <= hashes; ++m) marks[m] = drop;
      }
    }
  }
  if (dialect == Dialect::markdown) {
    mark_links(s, 0, n, marks, code);
    for (Py_ssize_t i = 0; i + 1 < n; ++i) {  // \* is a literal star
      if (s[i] == '\\' && !code[i] && s[i + 1] < 128 && !is_alnum(s[i + 1]) && !vm::is_space(s[i + 1])) {
        marks[i] = drop;
        code[i + 1] = true;  // read as written, never a marker
        ++i;
      }
    }
  }
  for (Py_ssize_t line = 0; line < n;) {  // emphasis, line by line outside code
    Py_ssize_t stop = line;
    while (stop < n && s[stop] != '\n' && !code[stop]) ++stop;
    mark_emphasis(s, line, stop, marks);
    line = stop + 1;
  }
  for (Py_ssize_t i = 0; i < n;) {
    if (marks[i] == drop) {
      ++i;
      continue;
    }
    if (marks[i] == space) {
      out.push_back(' ');
      ++i;
      continue;
    }
    Py_UCS4 c = s[i];
    if ((c == '<' || c == '&') && !(dialect == Dialect::markdown && code[i])) {
      Py_ssize_t unit = dialect == Dialect::mrkdwn || c == '&' ? vm::markup_end(s, i) : autolink_end(s, i);
      if (unit > i) {
        if (c == '&') {
          add_unescaped(out, s, i, unit);
        } else if (dialect == Dialect::mrkdwn) {
          add_entity(out, s, i, unit);
        } else {
          for (Py_ssize_t j = i + 1; j + 1 < unit; ++j) out.push_back(s[j]);
        }
        i = unit;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
}

// ---- blocks --------------------------------------------------------------------------------------

// The lines of the read-out, joined with line breaks; empty lines are left out.
class Lines {
 public:
  void add_line(Text&& line) {
    std::size_t start = 0, stop = line.size();
    while (start < stop && vm::is_space(line[start])) ++start;
    while (stop > start && vm::is_space(line[stop - 1])) --stop;
    if (start == stop) return;
    if (!all_.empty()) all_.push_back('\n');
    all_.append(line, start, stop - start);
  }
  // Enough has been read for the limit (the cut needs one character more).
  bool full() const { return static_cast<Py_ssize_t>(all_.size()) > max_characters; }
  const Text& text() const { return all_; }

 private:
  Text all_;
};

// A text object: plain text as written, mrkdwn read out.
void add_text_object(Text& out, PyObject* object) {
  Ref text = str_at(object, k.text);
  if (!text) return;
  if (is(at(object, k.type), k.mrkdwn)) {
    read_inline(out, vm::Chars(text.get()), Dialect::mrkdwn);
  } else {
    add(out, text.get());
  }
}

// A rich-text link: "text (url)", or the url alone.
void add_link(Text& out, PyObject* element) {
  Ref text = str_at(element, k.text), url = str_at(element, k.url);
  bool same = text && url && PyUnicode_Compare(url.get(), text.get()) == 0;
  if (text) add(out, text.get());
  if (!url || same) return;
  if (text) add(out, " (");
  add(out, url.get());
  if (text) out.push_back(')');
}

// The inline elements of a rich-text part, one after another: texts as written, mentions as
// "@U1" and "#C1", emoji as ":name:", dates by their fallback.
void add_rich_elements(Text& out, PyObject* part) {
  for_each(at(part, k.elements), [&](PyObject* element, Py_ssize_t) {
    if (is(at(element, k.type), k.link)) return add_link(out, element);
    static constexpr struct {
      Key key;
      const char* before;
      const char* after;
    } readings[] = {{&Keys::text, "", ""},        {&Keys::user_id, "@", ""}, {&Keys::usergroup_id, "@", ""},
                    {&Keys::channel_id, "#", ""}, {&Keys::range, "@", ""},   {&Keys::name, ":", ":"},
                    {&Keys::fallback, "", ""},    {&Keys::team_id, "", ""},  {&Keys::value, "", ""}};
    for (const auto& reading : readings) {
      if (Ref value = str_at(element, k.*reading.key)) {
        add(out, reading.before);
        add(out, value.get());
        add(out, reading.after);
        return;
      }
    }
  });
}

// The parts of a rich-text block: sections, quotes and code as lines, list items as "- item" or
// "1. item".
void add_rich_text(Lines& lines, PyObject* block) {
  for_each(at(block, k.elements), [&](PyObject* part, Py_ssize_t) {
    if (!is(at(part, k.type), k.rich_text_list)) {
      Text line;
      add_rich_elements(line, part);
      return lines.add_line(std::move(line));
    }
    bool ordered = is(at(part, k.style), k.ordered);
    Ref offset = at(part, k.offset);
    long first = 1;
    if (offset && PyLong_CheckExact(offset.get())) {
      int overflow = 0;
      long value = PyLong_AsLongAndOverflow(offset.get(), &overflow);
      if (!overflow && value >= 0 && value < 1000000) first = value + 1;
    }
    for_each(at(part, k.elements), [&](PyObject* item, Py_ssize_t j) {
      Text line;
      add(line, ordered ? (std::to_string(first + static_cast<long>(j)) + ". ").c_str() : "- ");
      add_rich_elements(line, item);
      lines.add_line(std::move(line));
    });
  });
}

// A table cell's text: raw text as written, rich text's elements one after another.
void add_cell(Text& out, PyObject* cell) {
  if (!is(at(cell, k.type), k.rich_text)) {
    if (Ref text = str_at(cell, k.text)) add(out, text.get());
    return;
  }
  for_each(at(cell, k.elements), [&](PyObject* part, Py_ssize_t i) {
    if (i > 0) out.push_back(' ');
    add_rich_elements(out, part);
  });
}

// The labels of the buttons among `elements`, joined with " | ".
void add_buttons(Text& out, const Ref& elements) {
  for_each(elements, [&](PyObject* element, Py_ssize_t) {
    if (!is(at(element, k.type), k.button)) return;
    if (!out.empty()) add(out, " | ");
    add_text_object(out, at(element, k.text).get());
  });
}

void add_block(Lines& lines, PyObject* block) {
  Ref type = str_at(block, k.type);
  if (!type) return;
  Text line;
  if (is(type, k.header)) {
    add_text_object(line, at(block, k.text).get());
  } else if (is(type, k.section)) {
    add_text_object(line, at(block, k.text).get());
    lines.add_line(std::move(line));
    for_each(at(block, k.fields), [&](PyObject* field, Py_ssize_t) {
      Text shown;
      add_text_object(shown, field);
      lines.add_line(std::move(shown));
    });
    line.clear();
    Ref accessory = at(block, k.accessory);
    if (is(at(accessory.get(), k.type), k.button)) add_text_object(line, at(accessory.get(), k.text).get());
  } else if (is(type, k.context)) {
    for_each(at(block, k.elements), [&](PyObject* element, Py_ssize_t) {
      Text shown;
      if (!is(at(element, k.type), k.image)) {
        add_text_object(shown, element);
      } else if (Ref alt = str_at(element, k.alt_text)) {
        add(shown, alt.get());
      }
      if (!shown.empty() && !line.empty()) line.push_back(' ');
      line += shown;
    });
  } else if (is(type, k.image)) {
    if (Ref alt = str_at(block, k.alt_text)) add(line, alt.get());
  } else if (is(type, k.actions)) {
    add_buttons(line, at(block, k.elements));
  } else if (is(type, k.rich_text)) {
    add_rich_text(lines, block);
  } else if (is(type, k.markdown)) {
    if (Ref text = str_at(block, k.text)) read_inline(line, vm::Chars(text.get()), Dialect::markdown);
  } else if (is(type, k.data_visualization)) {
    vm::read_out::add_chart(line, block);
  } else if (is(type, k.data_table)) {
    vm::read_out::add_data_table(line, block);
  } else if (is(type, k.table)) {
    for_each(at(block, k.rows), [&](PyObject* row, Py_ssize_t) {
      if (lines.full() || !PyList_Check(row)) return;
      Text cells;
      Ref held = Ref::borrow(row);
      for_each(held, [&](PyObject* cell, Py_ssize_t j) {
        if (j > 0) add(cells, " | ");
        add_cell(cells, cell);
      });
      lines.add_line(std::move(cells));
    });
  }
  lines.add_line(std::move(line));
}

Ref fallback_text(PyObject*, vm::Bound<1>& a) {
  PyObject* blocks = a[0];
  if (!PyList_Check(blocks) && !PyDict_Check(blocks)) {
    Ref got = vm::type_name(blocks);
    if (got) {
      PyErr_Format(PyExc_TypeError, "fallback_text() expects a list of blocks or a payload dict, got %.200U",
                   got.get());
    }
    return {};
  }
  Ref list = PyDict_Check(blocks) ? at(blocks, k.blocks) : Ref::borrow(blocks);
  Lines lines;
  for_each(list, [&](PyObject* block, Py_ssize_t) {
    if (!lines.full()) add_block(lines, block);
  });
  if (PyErr_Occurred()) return {};
  const Text& text = lines.text();
  Ref whole =
      Ref::steal(PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, text.data(), static_cast<Py_ssize_t>(text.size())));
  return whole ? vm::truncated(whole.get(), max_characters, k.ellipsis_mark) : Ref{};
}

PyMethodDef functions[] = {
    vm::function<fallback_text, "fallback_text(blocks)",
                 "The message (a list of blocks, or a payload) as plain text of at most 3,000 characters,\n"
                 "for notifications and screen readers: headers, section texts and fields, context texts,\n"
                 "image alt texts, rich text, markdown, table rows (cells joined by \" | \") and button\n"
                 "labels, one line each; a chart in one sentence (its title, kind, series, first and last\n"
                 "category, and its highest value and where it is), a data table by its caption and size. Markup is "
                 "read out: \"<@U1>\" gives \"@U1\", \"<url|text>\" gives\n"
                 "\"text (url)\", \"&amp;\" gives \"&\", \"*bold*\" gives \"bold\"; a markdown block is read as\n"
                 "Markdown (\"List<int>\" stays as typed, \"[docs](url)\" gives \"docs (url)\"). \"\" when no\n"
                 "block holds text.">(),
    vm::table_end};

}  // namespace

VM_FUNCTION_MODULE("Plain-text read-out of Block Kit messages: velmora.fallback_text.", functions, nullptr)
