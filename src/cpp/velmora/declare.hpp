// The vocabulary of message declarations: what a message module writes to declare its class.
//
//   constexpr vm::Message message{
//       .name = "HeaderMessage",
//       .doc = "A message of one header text, ...",
//       .params = {{{.name = &vm::Keys::header, .check = vm::exact_str},
//                   {.name = &vm::Keys::divider, .fallback = vm::Default::true_}}},
//       .imports = {{{"blocks.header", {"Header"}}, {"blocks.divider", {"Divider"}}}},
//       .blocks = vm::extended({.owner = &vm::Keys::Header, .method = &vm::Keys::plain_text,
//                               .args = {vm::pos(&vm::Keys::header)}},
//                              {.owner = &vm::Keys::Divider, .method = &vm::Keys::divider,
//                               .when = &vm::Keys::divider}),
//       .build_doc = "The header block, then a divider when `divider` is true.",
//   };
//
// message.hpp turns such a declaration into the class (see there for the order of
// construction).
#pragma once

#include <array>

#include "args.hpp"
#include "errors.hpp"

namespace vm {

// ---- parameters --------------------------------------------------------------------------------

// A check of one bound argument; false with the error set.
using Check = bool (*)(PyObject* value, const char* param);

inline bool exact_str(PyObject* value, const char* param) noexcept {
  return check_str(value, param);
}
inline bool str_or_none(PyObject* value, const char* param) noexcept {
  return check_str(value, param, true);
}
inline bool exact_list(PyObject* value, const char* param) noexcept {
  return check_list(value, param);
}

// The value an optional parameter takes when it is not given; Default::text is the str
// Param::text (`kind="line"`: {.name = &Keys::kind, .fallback = Default::text, .text = "line"}).
enum class Default : unsigned char { required, none, true_, false_, text };

// One parameter of the class, in signature order: the positional ones (those without a default
// first), then (after *args, or a bare `*`) the keyword-only ones, with or without a default
// (`ChartMessage(data, kind="line", *, x=None, title)`: a missing `title` is CPython's
// "missing 1 required keyword-only argument").
struct Param {
  Key name = nullptr;
  Check check = nullptr;  // none: any value
  Default fallback = Default::required;
  bool keyword_only = false;
  const char* text = nullptr;  // the default of Default::text: printable ASCII, no quote or backslash
};

// ---- the base ----------------------------------------------------------------------------------

// How the message reaches BaseVelmora.__init__ (with the keywords it does not take), and when it
// sets its own attributes. Each choice keeps what the message's published class did, for the
// reason it is named by.
enum class Base : unsigned char {
  // super().__init__(**rest), then the attributes: an attribute both set (`header`) ends with
  // the message's value.
  message_wins,
  // The same through BaseVelmora as the module's global names it at call time, as the section
  // messages' published classes did: a replaced global `BaseVelmora` is the one called.
  replaceable_global,
  // The attributes first, then super().__init__(**rest): the base (or a mixin before it) may
  // read the message's own attributes while it runs.
  base_reads_attributes,
};

// ---- build_blocks ------------------------------------------------------------------------------

// An argument of a builder call: the message's attribute `attr`, passed by position, or by
// keyword under `keyword` (the keywords after the positional arguments).
struct Arg {
  Key attr = nullptr;
  Key keyword = nullptr;
  bool star = false;         // *self.attr
  bool unless_none = false;  // a keyword left out of the call while self.attr is None
};

constexpr Arg pos(Key attr) {
  return {attr, nullptr};
}  // self.attr
constexpr Arg kw(Key attr) {
  return {attr, attr};
}  // attr=self.attr
constexpr Arg kw_as(Key keyword, Key attr) {
  return {attr, keyword};
}  // keyword=self.attr
constexpr Arg star(Key attr) {
  return {attr, nullptr, true};
}  // *self.attr
constexpr Arg kw_given(Key attr) {
  return {.attr = attr, .keyword = attr, .unless_none = true};
}  // attr=self.attr, only when it is not None: a builder's own default stands otherwise, and a
   // call of a message that leaves it out reaches the builder exactly as before it was added

// <global owner>.<method>(args...), made only when the message's attribute `when` is true and
// its attribute `unless` is false (either may be left out).
struct Call {
  Key owner = nullptr;
  Key method = nullptr;
  std::array<Arg, 4> args{};
  Key when = nullptr;
  Key unless = nullptr;
};

// How the results of the calls make the message's blocks.
enum class Join : unsigned char {
  one,           // the one call's result itself
  concat,        // a new list of the results in order, each a list or None
  extend_first,  // the first result, extended in place by the later ones (list.extend)
};

// What build_blocks() makes: the calls, how they join, and whether the result must be a list
// (or None; anything else is the TypeError "Expected list, got ..."), as the published class
// checked it.
struct Blocks {
  std::array<Call, 2> calls{};
  Join join = Join::one;
  bool list_result = false;
};

// The call's result, as it is.
constexpr Blocks returned(Call call) {
  return {{call}, Join::one, false};
}
// The call's result, which must be a list or None.
constexpr Blocks returned_list(Call call) {
  return {{call}, Join::one, true};
}
// Section.mrkdwn(self.text) (no block for an empty text), then the call's blocks.
constexpr Blocks text_then(Call call) {
  return {{Call{.owner = &Keys::Section, .method = &Keys::mrkdwn, .args = {pos(&Keys::text)}}, call}, Join::concat};
}
// The first call's list, extended in place by the second's; a list or None in the end.
constexpr Blocks extended(Call first, Call then) {
  return {{first, then}, Join::extend_first, true};
}
// The calls' results in a new list, in order; each a list or None.
constexpr Blocks concatenated(Call first, Call then) {
  return {{first, then}, Join::concat};
}

// ---- the declaration ---------------------------------------------------------------------------

// `from <package><from> import names` (relative to the velmora package), or absolute.
struct Import {
  const char* from = nullptr;
  std::array<const char*, 3> names{};
  bool absolute = false;
};

inline constexpr std::size_t max_params = 12;

struct Message {
  const char* name;                        // "DatePickerMessage"
  const char* doc;                         // the class docstring; its signature line is derived
  std::array<Param, max_params> params{};  // in signature order
  Key star = nullptr;                      // the attribute that keeps further positional arguments, a tuple
  // The attributes in the order they are set, when the published class set them in another
  // order than its parameters (vars() shows it).
  std::array<Key, 4> stored{};
  Base base = Base::message_wins;
  std::array<Import, 3> imports{};  // besides BaseVelmora, always imported from velmora.interface
  Blocks blocks{};                  // what build_blocks() makes
  const char* build_doc = nullptr;  // build_blocks' docstring; "build_blocks($self, /)" is derived
  std::array<Key, 3> shown{};       // __match_args__ (and the repr's fields), when not the parameters

  // Messages that read keywords of their own or build in their own way.
  Ref (*consume)(PyObject* self, PyObject* rest) = nullptr;  // the keywords left for the base
  bool (*finish)(PyObject* self, PyObject* rest) = nullptr;
  Ref (*build)(PyObject* self) = nullptr;     // in place of `blocks`
  PyMethodDef* methods = nullptr;             // further methods, null-terminated
  bool (*setup)(PyObject* module) = nullptr;  // more module set-up, first
};

// ---- families of messages ----------------------------------------------------------------------

// A parameter passed on to a builder by keyword: a keyword-only one whose default is None only
// when it is not None (see kw_given), any other always.
constexpr Arg passed_on(const Param& p) {
  return p.keyword_only && p.fallback == Default::none ? kw_given(p.name) : kw(p.name);
}

// A keyword-only parameter of an element's own str that defaults to None (its action_id, its
// placeholder), passed on to the builder only when given.
constexpr Param own_str(Key name) {
  return {.name = name, .check = str_or_none, .fallback = Default::none, .keyword_only = true};
}

// A section of `text` (exactly a str) with one accessory made from `accessory`:
// Section.<method>(text=self.text, <accessory>=self.<accessory>), its result as it is; the
// `further` parameters are passed on too (see passed_on).
constexpr Message section_with(const char* name, Param accessory, Key method, const char* doc, const char* build_doc,
                               std::array<Param, 2> further = {}) {
  Message m{
      .name = name,
      .doc = doc,
      .params = {{{.name = &Keys::text, .check = exact_str}, accessory, further[0], further[1]}},
      .base = Base::replaceable_global,
      .imports = {{{"blocks", {"Section"}}}},
      .blocks = returned({.owner = &Keys::Section, .method = method, .args = {kw(&Keys::text), kw(accessory.name)}}),
      .build_doc = build_doc};
  for (std::size_t i = 0; i < further.size() && further[i].name; ++i)
    m.blocks.calls[0].args[2 + i] = passed_on(further[i]);
  return m;
}

// The markdown `text` (exactly a str), then the actions block of Actions.<method>, which
// receives the further parameters (see passed_on; text_then).
constexpr Message text_then_actions(const char* name, std::array<Param, 3> further, Key method, const char* doc,
                                    const char* build_doc) {
  Message m{.name = name,
            .doc = doc,
            .params = {{{.name = &Keys::text, .check = exact_str}, further[0], further[1], further[2]}},
            .imports = {{{"blocks", {"Section", "Actions"}}}},
            .blocks = text_then({.owner = &Keys::Actions, .method = method}),
            .build_doc = build_doc};
  for (std::size_t i = 0; i < further.size() && further[i].name; ++i) m.blocks.calls[1].args[i] = passed_on(further[i]);
  return m;
}

}  // namespace vm
