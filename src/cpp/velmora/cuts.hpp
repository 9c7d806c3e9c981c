// Where a long text is cut into parts of at most a given length, so that each part reads well on
// its own: at a paragraph break, else a line break, else a space, else between units (never
// inside a grapheme cluster, an entity or an escape). A code block cut in two is closed at the
// end of one part and opened again (with its language) at the start of the next; a space inside
// an inline code or style span is passed over; in Markdown, a break inside a list item or a table
// comes after the others, and a table cut between its rows goes on under its header rows again. Used by fit (section
// texts, markdown blocks, rich-text texts) and by the validator, which asks whether a text can be cut at all.
#pragma once

#include "text.hpp"

#include <vector>

namespace vm {

// How a text is read: plain (rich-text elements), Slack mrkdwn (sections), Markdown (markdown blocks).
enum class Markup { plain, mrkdwn, markdown };

class Cutter {
 public:
  // The code block open at a place in the text, if any. In Markdown its opening line is
  // s[line, line_end) and its fence (``` or ~~~, 3 or more) s[fence, fence + run); `shown` is
  // false for a block whose opening line is too long to repeat in every part.
  struct Fence {
    bool open = false, shown = true;
    Py_ssize_t line = 0, line_end = 0, fence = 0, run = 3;
  };

  // A Markdown table going on at a place in the text: s[header, end) are its header and
  // delimiter rows; `repeat` when they open the next part (a cut between two of its rows).
  struct Table {
    bool open = false, repeat = false;
    Py_ssize_t header = 0, end = 0;
  };

  // One part: s[begin:end], after the code block reopened when `reopen.open` (or the table's
  // header rows when `header.repeat`) and before it is closed when `close.open`.
  struct Part {
    Py_ssize_t begin = 0, end = 0;
    Fence reopen, close;
    Table header;
  };

  Cutter(const Chars& s, Markup markup, Py_ssize_t limit) noexcept : s_(s), markup_(markup), limit_(limit) {}

  bool done() const noexcept { return pos_ >= s_.size(); }

  // The next part. False when none can be made: a mrkdwn entity or escape longer than the limit.
  bool next(Part& part) {
    Py_ssize_t prefix = opening_length(fence_) + header_length(table_);
    part = {pos_, s_.size(), shown(fence_), {}, table_.repeat ? table_ : Table{}};
    if (s_.size() - pos_ + prefix <= limit_) {
      pos_ = s_.size();
      return true;
    }
    Scan scan = scan_from(prefix);
    Candidate chosen = scan.best();
    if (chosen.end < 0) chosen = spaces_outside_spans(scan);
    if (chosen.end < 0) chosen = scan.fallback();
    if (chosen.end < 0) {  // the unit at pos_ does not fit with the code block closed after it
      Py_ssize_t markup = markup_ == Markup::mrkdwn ? markup_end(s_, pos_) : pos_;
      if (markup > pos_) {  // an entity or escape: alone, the block left open for the next part
        part.end = pos_ = clinging_end(s_, markup);
        return part.end - part.begin + prefix <= limit_;
      }
      Py_ssize_t room = limit_ - prefix - closing_length(fence_, false);  // inside a huge cluster
      chosen = {pos_ + std::max<Py_ssize_t>(room, 1), fence_, {table_.open, false, table_.header, table_.end}};
    }
    part.end = chosen.end;
    part.close = shown(chosen.fence);
    pos_ = chosen.end;
    fence_ = chosen.fence;
    table_ = chosen.table;
    return true;
  }

  // What a part holds: the reopening line (or header rows), s[begin:end], the closing fence.
  Ref text_of(PyObject* text, const Part& part) const {
    Ref body = Ref::steal(PyUnicode_Substring(text, part.begin, part.end));
    if (!body || (!part.reopen.open && !part.close.open && !part.header.repeat)) return body;
    Ref head = part.header.repeat ? Ref::steal(PyUnicode_Substring(text, part.header.header, part.header.end + 1))
                                  : opening(text, part.reopen);
    Ref tail = closing(text, part.close, part.end);
    if (!head || !tail) return {};
    Ref both = Ref::steal(PyUnicode_Concat(head.get(), body.get()));
    return both ? Ref::steal(PyUnicode_Concat(both.get(), tail.get())) : Ref{};
  }

 private:
  struct Candidate {
    Py_ssize_t end = -1;
    Fence fence;  // open after the cut
    Table table;  // going on after the cut
  };

  // The candidates of one part, best of each rank, the last one winning.
  struct Scan {
    enum Rank { unit, space_in_code, space, structure_line, code_line, line, paragraph, ranks };
    Candidate best_of[ranks];
    std::vector<Candidate> spaces;  // cuts after a space outside code, to check for spans

    Candidate best() const noexcept {
      for (int r = paragraph; r >= structure_line; --r) {
        if (best_of[r].end > 0) return best_of[r];
      }
      return {};
    }
    Candidate fallback() const noexcept {
      for (int r = space; r >= unit; --r) {
        if (best_of[r].end > 0) return best_of[r];
      }
      return {};
    }
  };

  static Fence shown(const Fence& f) noexcept { return f.open && f.shown ? f : Fence{}; }

  // The header and delimiter rows repeated at the start of a part, with their line break.
  static Py_ssize_t header_length(const Table& t) noexcept { return t.repeat ? t.end - t.header + 1 : 0; }

  Py_ssize_t opening_length(const Fence& f) const noexcept {
    if (!f.open || !f.shown) return 0;
    return markup_ == Markup::markdown ? f.line_end - f.line + 1 : 3;
  }
  Py_ssize_t closing_length(const Fence& f, bool after_line_break) const noexcept {
    if (!f.open || !f.shown) return 0;
    return markup_ == Markup::markdown ? f.run + (after_line_break ? 0 : 1) : 3;
  }
  Ref opening(PyObject* text, const Fence& f) const {
    if (!f.open) return Ref::steal(PyUnicode_FromString(""));
    if (markup_ != Markup::markdown) return Ref::steal(PyUnicode_FromString("```"));
    Ref line = Ref::steal(PyUnicode_Substring(text, f.line, f.line_end));
    return line ? Ref::steal(PyUnicode_FromFormat("%U\n", line.get())) : Ref{};
  }
  Ref closing(PyObject* text, const Fence& f, Py_ssize_t end) const {
    if (!f.open) return Ref::steal(PyUnicode_FromString(""));
    if (markup_ != Markup::markdown) return Ref::steal(PyUnicode_FromString("```"));
    Ref fence = Ref::steal(PyUnicode_Substring(text, f.fence, f.fence + f.run));
    if (!fence || s_[end - 1] == '\n') return fence;
    return Ref::steal(PyUnicode_FromFormat("\n%U", fence.get()));
  }

  // A Markdown fence line at `i`, a line start: up to 3 spaces, then 3 or more ` or ~. When the
  // fence `f` is open, only its closing line counts (the same character, at least as many, and
  // nothing after them). Sets `f` as it is after the line, and `end` to the line's end.
  bool fence_line(Py_ssize_t i, Fence& f, Py_ssize_t& end) const noexcept {
    Py_ssize_t n = s_.size(), at = i;
    while (at < n && at - i < 3 && s_[at] == ' ') ++at;
    if (at >= n || (s_[at] != '`' && s_[at] != '~')) return false;
    Py_UCS4 c = s_[at];
    Py_ssize_t run = at;
    while (run < n && s_[run] == c) ++run;
    if (run - at < 3) return false;
    end = run;
    while (end < n && s_[end] != '\n') ++end;
    if (f.open) {
      if (c != s_[f.fence] || run - at < f.run) return false;
      for (Py_ssize_t j = run; j < end; ++j) {
        if (!is_space(s_[j])) return false;
      }
      f = {};
      return true;
    }
    for (Py_ssize_t j = run; c == '`' && j < end; ++j) {
      if (s_[j] == '`') return false;  // an inline code span, not a fence
    }
    // A block whose opening line would take much of each part is not reopened.
    f = {true, end - at + 1 + (run - at) + 1 <= limit_ / 4, at, end, at, run - at};
    return true;
  }

  // Where the unit at `i` ends; moves `f` past a code fence it opens or closes.
  Py_ssize_t unit_at(Py_ssize_t i, Fence& f) const noexcept {
    Py_UCS4 c = s_[i];
    Py_ssize_t n = s_.size(), end;
    switch (markup_) {
      case Markup::plain:
        return cluster_end(s_, i);
      case Markup::mrkdwn:
        if (c == '`' && i + 2 < n && s_[i + 1] == '`' && s_[i + 2] == '`') {
          f.open = !f.open;
          return i + 3;
        }
        return unit_end(s_, i);
      case Markup::markdown:
        if ((i == 0 || s_[i - 1] == '\n') && fence_line(i, f, end)) return end;
        if (c == '`') {  // a run of backticks opens or closes a code span as a whole
          for (end = i; end < n && s_[end] == '`';) ++end;
          return end;
        }
        if (c == '\\' && i + 1 < n && s_[i + 1] > ' ' && s_[i + 1] < 0x7F && !is_ascii_alnum(s_[i + 1])) {
          return clinging_end(s_, i + 2);
        }
        if (c == '&' && (end = escape_end(s_, i)) > i) return clinging_end(s_, end);
        if (c == '<') {  // an autolink: no space inside
          for (end = i + 1; end < n && s_[end] != '>' && s_[end] != '<' && !is_space(s_[end]);) ++end;
          if (end < n && s_[end] == '>') return clinging_end(s_, end + 1);
        }
        return cluster_end(s_, i);
    }
    return i + 1;
  }

  // Whether the next line that is not blank after `i`, a line start, is indented: the text goes
  // on in a list item (or an indented code block).
  bool continued(Py_ssize_t i) const noexcept {
    while (i < s_.size() && s_[i] == '\n') ++i;
    return i < s_.size() && (s_[i] == ' ' || s_[i] == '\t');
  }

  // The end of the line that starts at `i` (its line break, or the end of the text).
  Py_ssize_t line_end(Py_ssize_t i) const noexcept {
    while (i < s_.size() && s_[i] != '\n') ++i;
    return i;
  }

  // Whether the line that starts at `i` holds a "|", as a table's rows do.
  bool has_pipe(Py_ssize_t i) const noexcept {
    for (; i < s_.size() && s_[i] != '\n'; ++i) {
      if (s_[i] == '|') return true;
    }
    return false;
  }

  // Whether the line that starts at `i` is a table's delimiter row: "|", "-", ":" and spaces,
  // with at least one "-" and one "|".
  bool delimiter_row(Py_ssize_t i) const noexcept {
    bool dash = false, pipe = false;
    for (; i < s_.size() && s_[i] != '\n'; ++i) {
      Py_UCS4 c = s_[i];
      if (c != '|' && c != '-' && c != ':' && c != ' ') return false;
      dash = dash || c == '-';
      pipe = pipe || c == '|';
    }
    return dash && pipe;
  }

  // The table going on at the line that starts at `i` (after the line that starts at `previous`):
  // it opens at a delimiter row under a row of cells, and ends at a line with no "|".
  void track_table(Py_ssize_t i, Py_ssize_t previous, Table& t) const noexcept {
    if (t.open) {
      if (!has_pipe(i)) t = {};
    } else if (previous < i && has_pipe(previous) && delimiter_row(i)) {
      Py_ssize_t end = line_end(i);
      if (end < s_.size() && end - previous + 1 <= limit_ / 4) t = {true, false, previous, end};
    }
  }

  Scan scan_from(Py_ssize_t prefix) {
    Scan scan;
    Fence f = fence_;
    Table t = table_;
    t.repeat = false;
    Py_ssize_t n = s_.size(), line = pos_, previous = pos_;
    for (Py_ssize_t i = pos_; i < n;) {
      if (markup_ == Markup::markdown && !f.open && i > pos_ && s_[i - 1] == '\n') track_table(i, previous, t);
      Py_ssize_t end = unit_at(i, f);
      if (end - pos_ + prefix > limit_) break;
      Py_ssize_t need = end - pos_ + prefix + closing_length(f, s_[end - 1] == '\n');
      Py_UCS4 c = s_[i];
      if (need <= limit_) {
        int rank = Scan::unit;
        Table after = t;
        if (c == '\n') {
          bool paragraph = i > pos_ && s_[i - 1] == '\n';
          bool rows = markup_ == Markup::markdown && !f.open && !paragraph && has_pipe(line) && has_pipe(end);
          after.repeat = rows && t.open && i != t.end;  // a cut between two rows under the header rows
          bool inside = markup_ == Markup::markdown && (continued(end) || rows);
          rank = f.open ? Scan::code_line : inside ? Scan::structure_line : paragraph ? Scan::paragraph : Scan::line;
        } else if (is_space(c)) {
          rank = f.open ? Scan::space_in_code : Scan::space;
        }
        scan.best_of[rank] = {end, f, after};
        if (rank == Scan::space && markup_ != Markup::plain) scan.spaces.push_back(scan.best_of[rank]);
      }
      if (c == '\n') {
        previous = line;
        line = end;
      }
      i = end;
    }
    return scan;
  }

  // The last cut after a space that falls inside no inline code or style span of its line; the
  // last few are looked at, then any space will do.
  Candidate spaces_outside_spans(const Scan& scan) const noexcept {
    int looked = 0;
    for (auto it = scan.spaces.rbegin(); it != scan.spaces.rend() && looked < 64; ++it, ++looked) {
      if (!inside_span(it->end)) return *it;
    }
    return {};
  }

  bool inside_span(Py_ssize_t cut) const noexcept {
    Py_ssize_t n = s_.size(), begin = cut - 1, end = cut;
    while (begin > 0 && s_[begin - 1] != '\n' && cut - begin < limit_) --begin;
    while (end < n && s_[end] != '\n' && end - cut < limit_) ++end;
    auto alnum = [&](Py_ssize_t j) { return j >= begin && j < end && Py_UNICODE_ISALNUM(s_[j]); };
    auto space = [&](Py_ssize_t j) { return j < begin || j >= end || is_space(s_[j]); };
    // Code: a run of one or two backticks opens or closes a span.
    bool code = false, later = false;
    for (Py_ssize_t j = begin; j < end;) {
      Py_ssize_t run = j;
      while (run < end && s_[run] == '`') ++run;
      if (run - j == 1 || run - j == 2) {
        if (j < cut) code = !code;
        later = later || j >= cut;
      }
      j = run > j ? run : j + 1;
    }
    if (code && later) return true;
    for (Py_UCS4 marker : {U'*', U'_', U'~'}) {
      bool open = false;
      for (Py_ssize_t j = begin; j < end; ++j) {
        if (s_[j] != marker) continue;
        bool opener = !alnum(j - 1) && !space(j + 1), closer = !space(j - 1) && !alnum(j + 1);
        if (j >= cut && open && closer) return true;
        if (j < cut && (open ? closer : opener)) open = !open;
      }
    }
    return false;
  }

  const Chars& s_;
  Markup markup_;
  Py_ssize_t limit_;
  Py_ssize_t pos_ = 0;
  Fence fence_;
  Table table_;
};

// Where a mrkdwn text cannot be cut into parts of at most `limit` characters: the start of the
// entity or escape longer than that; -1 when it can be cut.
inline Py_ssize_t unsplittable_at(const Chars& s, Py_ssize_t limit) {
  Cutter cutter(s, Markup::mrkdwn, limit);
  Cutter::Part part;
  while (!cutter.done()) {
    if (!cutter.next(part)) return part.begin;
  }
  return -1;
}

}  // namespace vm
