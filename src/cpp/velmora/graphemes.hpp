// Extended grapheme clusters (Unicode's UAX #29): what a reader sees as one character, such as
// "e" and a combining accent, a flag (two regional indicators), a skin-toned emoji or a family
// joined by ZWJs. No cut of a text may fall inside one. The properties come from
// grapheme_table.hpp, generated from Unicode's data by tools/unicode_graphemes.py.
#pragma once

#include "grapheme_table.hpp"

namespace vm::grapheme {

// The Grapheme_Cluster_Break of `c`, with Extended_Pictographic as a value of its own.
inline Break of(char32_t c) noexcept {
  if (c < 0x7F) return c >= 0x20 ? Break::other : c == '\n' ? Break::lf : c == '\r' ? Break::cr : Break::control;
  if (c >= hangul_first && c <= hangul_last) return (c - hangul_first) % 28 == 0 ? Break::lv : Break::lvt;
  std::size_t low = 0, high = std::size(ranges);
  while (low < high) {
    std::size_t middle = (low + high) / 2;
    if (c > ranges[middle].last) {
      low = middle + 1;
    } else if (c < ranges[middle].first) {
      high = middle;
    } else {
      return ranges[middle].value;
    }
  }
  return Break::other;
}

// Whether `next` always stays with what precedes it, whatever that is (an accent, a ZWJ, a
// spacing mark): a cluster may go on past the end of an entity that such a character follows.
inline bool clings(char32_t next) noexcept {
  if (next < 0x300) return false;
  Break b = of(next);
  return b == Break::extend || b == Break::zwj || b == Break::spacing_mark;
}

// Walks a text cluster by cluster from a cluster boundary: feed each character in turn, and
// joins() says whether it belongs to the cluster of the characters before it.
class Walker {
 public:
  // Starts a cluster with `c`.
  void start(char32_t c) noexcept {
    previous_ = of(c);
    pictographic_ = previous_ == Break::pictographic;
    joined_pictograph_ = false;
    regional_ = previous_ == Break::regional_indicator ? 1 : 0;
  }

  // Whether `c` joins the current cluster; it is then part of it, else it starts the next one.
  bool joins(char32_t c) noexcept {
    Break next = of(c);
    bool join = rule(previous_, next);
    if (!join) {
      start(c);
      return false;
    }
    // The state of the emoji sequence (GB11) and of the regional indicators (GB12, GB13).
    if (next == Break::zwj) {
      joined_pictograph_ = pictographic_;
    } else if (next != Break::extend) {
      joined_pictograph_ = false;
    }
    pictographic_ = next == Break::pictographic || (pictographic_ && next == Break::extend);
    regional_ = next == Break::regional_indicator ? regional_ + 1 : 0;
    previous_ = next;
    return true;
  }

 private:
  // UAX #29's rules GB3 to GB13 between the previous character and the next one.
  bool rule(Break prev, Break next) const noexcept {
    using enum Break;
    if (prev == cr) return next == lf;                                                        // GB3, GB4
    if (prev == lf || prev == control) return false;                                          // GB4
    if (next == cr || next == lf || next == control) return false;                            // GB5
    if (prev == l && (next == l || next == v || next == lv || next == lvt)) return true;      // GB6
    if ((prev == lv || prev == v) && (next == v || next == t)) return true;                   // GB7
    if ((prev == lvt || prev == t) && next == t) return true;                                 // GB8
    if (next == extend || next == zwj || next == spacing_mark) return true;                   // GB9, GB9a
    if (prev == prepend) return true;                                                         // GB9b
    if (prev == zwj && next == pictographic) return joined_pictograph_;                       // GB11
    if (prev == regional_indicator && next == regional_indicator) return regional_ % 2 == 1;  // GB12, GB13
    return false;                                                                             // GB999
  }

  Break previous_ = Break::other;
  bool pictographic_ = false;       // the cluster so far ends with a pictograph and Extends
  bool joined_pictograph_ = false;  // ... and then a ZWJ
  int regional_ = 0;                // regional indicators at the end of the cluster so far
};

}  // namespace vm::grapheme
