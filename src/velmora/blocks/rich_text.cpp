// Rich-text blocks: `RichText`, the builders of Block Kit's "rich_text" block (inline elements,
// sections, lists, quotes, preformatted text and the block itself), and `RickText`, the
// original placeholders, kept as they were.
#include "velmora/blocks.hpp"
#include "velmora/rich_text.hpp"

#include <climits>

namespace {

using vm::k, vm::Keys, vm::Ref;

// ---- RickText: placeholders ---------------------------------------------------------------

// A placeholder: takes nothing but the class, builds nothing, returns None.
Ref placeholder(PyObject*, vm::Bound<0>&) {
  return Ref::borrow(Py_None);
}

vm::Builder placeholders[] = {
    vm::builder<placeholder, "RickText.list()", "A rich-text list; not built yet, returns None.">(),
    vm::builder<placeholder, "RickText.preformatted()",
                "A rich-text preformatted element; not built yet, returns None.">(),
    vm::builder<placeholder, "RickText.quote()", "A rich-text quote; not built yet, returns None.">(),
    vm::builder<placeholder, "RickText.strike()", "Struck-through rich text; not built yet, returns None.">(),
};

// ---- argument checks ------------------------------------------------------------------------

// A required str that Slack needs non-empty.
bool nonempty_str(PyObject* value, const char* param) {
  if (!vm::check_str(value, param)) return false;
  if (PyUnicode_GET_LENGTH(value) > 0) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must not be empty", param);
  return false;
}

// A style flag: absent is false, anything else by its truth value. -1 with the error set.
int flag(PyObject* value) {
  return value ? PyObject_IsTrue(value) : 0;
}

// Reads `count` bound style flags, in the order bold, italic, strike, code, underline.
bool read_style(PyObject* const* flags, std::size_t count, vm::Style& out) {
  bool* slots[] = {&out.bold, &out.italic, &out.strike, &out.code, &out.underline};
  for (std::size_t i = 0; i < count; ++i) {
    int on = flag(flags[i]);
    if (on < 0) return false;
    *slots[i] = on != 0;
  }
  return true;
}

// An exact int in [min, max] (the range velmora.validate accepts), else TypeError or ValueError.
bool int_in(PyObject* value, const char* param, long min, long max, const char* wording) {
  if (!vm::check_exact(value, &PyLong_Type, param)) return false;
  int overflow = 0;
  long number = PyLong_AsLongAndOverflow(value, &overflow);
  if (!overflow && number >= min && number <= max) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must be %s, got %R", param, wording, value);
  return false;
}

// An optional int as above; `given` receives the caller's object when it is there and not 0
// (0 is the default, left out of the output).
bool small_int(PyObject* value, const char* param, long min, long max, const char* wording, PyObject*& given) {
  given = nullptr;
  if (!value) return true;
  if (!int_in(value, param, min, max, wording)) return false;
  if (PyLong_AsLong(value) != 0) given = value;
  return true;
}

// The str `value` is one of `choices` (interned keys); else ValueError "<param> must be <wording>, got 'x'".
bool one_of(PyObject* value, const char* param, std::initializer_list<PyObject*> choices, const char* wording) {
  if (!vm::check_str(value, param)) return false;
  for (PyObject* choice : choices) {
    if (value == choice || PyUnicode_Compare(value, choice) == 0) return true;
  }
  PyErr_Format(PyExc_ValueError, "%s must be %s, got %.200R", param, wording, value);
  return false;
}

[[gnu::cold]] Ref none_given(const char* what) {
  PyErr_Format(PyExc_ValueError, "%s needs at least one element", what);
  return {};
}

// ---- RichText: inline elements -------------------------------------------------------------

Ref text(PyObject*, vm::Bound<6>& a) {
  vm::Style style;
  if (!vm::check_str(a[0], "text") || !read_style(&a[1], 5, style)) {
    return {};
  }
  if (PyUnicode_GET_LENGTH(a[0]) == 0) return vm::raise_empty_text();
  return vm::styled(vm::typed(k.text, k.text, a[0]), style);
}

Ref link(PyObject*, vm::Bound<6>& a) {
  vm::Style style;
  bool has_text;
  if (!nonempty_str(a[0], "url") || !vm::check_optional_str(a[1], "text", has_text) || !read_style(&a[2], 4, style)) {
    return {};
  }
  return vm::styled(vm::dict({{k.type, k.link}, {k.url, a[0]}, {k.text, a[1], has_text}}), style);
}

Ref emoji(PyObject*, vm::Bound<1>& a) {
  if (!vm::check_str(a[0], "name")) return {};
  // ":tada:" -> "tada": the colons people type around an emoji's name are not part of it.
  Py_ssize_t start = 0, end = PyUnicode_GET_LENGTH(a[0]);
  if (end > 0 && PyUnicode_READ_CHAR(a[0], 0) == ':') ++start;
  if (end > start && PyUnicode_READ_CHAR(a[0], end - 1) == ':') --end;
  if (end == start) return vm::raise_value_error("name must hold an emoji's name, such as \"tada\" or \":tada:\"");
  Ref name = start == 0 && end == PyUnicode_GET_LENGTH(a[0]) ? Ref::borrow(a[0])
                                                             : Ref::steal(PyUnicode_Substring(a[0], start, end));
  return vm::dict({{k.type, k.emoji}, {k.name, name.get()}});
}

// {"type": <Type>, <Id>: id} for a user, channel or user group.
template <vm::Key Type, vm::Key Id>
Ref mention(PyObject*, vm::Bound<1>& a) {
  if (!nonempty_str(a[0], vm::key_text(Id))) return {};
  return vm::dict({{k.type, k.*Type}, {k.*Id, a[0]}});
}

Ref broadcast(PyObject*, vm::Bound<1>& a) {
  if (!one_of(a[0], "range", {k.here, k.channel, k.everyone}, "\"here\", \"channel\" or \"everyone\"")) {
    return {};
  }
  return vm::dict({{k.type, k.broadcast}, {k.range, a[0]}});
}

Ref date(PyObject*, vm::Bound<4>& a) {
  bool has_fallback, has_url;
  if (!int_in(a[0], "timestamp", LONG_MIN, LONG_MAX, "a Unix time in seconds") || !nonempty_str(a[1], "format") ||
      !vm::check_optional_str(a[2], "fallback", has_fallback) || !vm::check_optional_str(a[3], "url", has_url)) {
    return {};
  }
  return vm::dict({{k.type, k.date},
                   {k.timestamp, a[0]},
                   {k.format, a[1]},
                   {k.url, a[3], has_url},
                   {k.fallback, a[2], has_fallback}});
}

// ---- RichText: containers -------------------------------------------------------------------

bool border_arg(PyObject* value, PyObject*& given) {
  return small_int(value, "border", 0, 1, "0 or 1", given);
}

// {"type": type, "elements": [the call's *elements]}, a ValueError when there are none.
Ref container(PyObject* type, const char* what, vm::Extra elements_given) {
  if (elements_given.empty()) return none_given(what);
  Ref elements = vm::inline_elements(elements_given.data(), std::ssize(elements_given), "elements");
  return vm::typed(type, k.elements, elements.get());
}

Ref section(PyObject*, vm::Bound<0>&, vm::Extra elements) {
  return container(k.rich_text_section, "a rich-text section", elements);
}

// One list item: a str (one text), a list of elements, or a section dict used as it is.
Ref list_item(PyObject* item) {
  if (PyUnicode_CheckExact(item)) return vm::holding(k.rich_text_section, vm::inline_element(item, "items"));
  if (PyList_CheckExact(item)) {
    if (PyList_GET_SIZE(item) == 0) return none_given("a list item");
    Ref elements = vm::inline_elements(item, "elements");
    return vm::typed(k.rich_text_section, k.elements, elements.get());
  }
  if (PyDict_CheckExact(item)) return Ref::borrow(item);
  vm::raise_wrong_type("items", "str, list or dict", item);
  return {};
}

Ref rich_list(PyObject*, vm::Bound<5>& a) {
  PyObject *indent, *offset, *border;
  if (!vm::check_list(a[0], "items") ||
      (a[1] && !one_of(a[1], "style", {k.bullet, k.ordered}, "\"bullet\" or \"ordered\"")) ||
      !small_int(a[2], "indent", 0, 8, "0 to 8", indent) ||
      !small_int(a[3], "offset", 0, LONG_MAX, "0 or more", offset) || !border_arg(a[4], border)) {
    return {};
  }
  PyObject* items = a[0];
  if (PyList_GET_SIZE(items) == 0) return vm::raise_value_error("items must be a list with at least one item");
  Ref sections = vm::empty_list();
  if (!sections) return {};
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(items, i));
    if (!vm::append(sections.get(), list_item(item.get()))) return {};
  }
  Ref out = vm::rich.list.copy();
  if (!out || PyDict_SetItem(out.get(), k.style, a[1] ? a[1] : k.bullet) < 0 ||
      PyDict_SetItem(out.get(), k.elements, sections.get()) < 0) {
    return {};
  }
  return vm::with(vm::with(vm::with(std::move(out), k.indent, indent, indent), k.offset, offset, offset), k.border,
                  border, border);
}

Ref quote(PyObject*, vm::Bound<1>& a, vm::Extra elements) {
  PyObject* border;
  if (!border_arg(a[0], border)) return {};
  return vm::with(container(k.rich_text_quote, "a rich-text quote", elements), k.border, border, border);
}

Ref preformatted(PyObject*, vm::Bound<2>& a, vm::Extra elements) {
  PyObject* border;
  bool has_language;
  if (!vm::check_optional_str(a[0], "language", has_language) || !border_arg(a[1], border)) {
    return {};
  }
  Ref out = container(k.rich_text_preformatted, "preformatted text", elements);
  return vm::with(vm::with(std::move(out), k.language, a[0], has_language), k.border, border, border);
}

// One part of a block: a str stands for a section holding that text; a dict is used as it is.
Ref block_part(PyObject* part) {
  return vm::str_or_dict(part, "parts", [](PyObject* text) {
    return vm::holding(k.rich_text_section, vm::inline_element(text, "parts"));
  });
}

Ref block(PyObject*, vm::Bound<1>& a, vm::Extra parts) {
  return vm::block_of(k.rich_text, a[0], parts, block_part, "a rich-text block needs at least one part");
}

vm::Builder builders[] = {
    vm::builder<text, "RichText.text(text, *, bold=False, italic=False, strike=False, code=False, underline=False)",
                R"(
                A rich-text text element {"type": "text", "text": text}, with "style" holding the
                true flags (in the order bold, italic, strike, code, underline) when any is set.
                ValueError for an empty text.)">(),
    vm::builder<link, "RichText.link(url, text=None, *, bold=False, italic=False, strike=False, code=False)",
                R"(
                A link element {"type": "link", "url": url}, then "text" (the label shown instead of
                the URL; None or "" leaves it out) and "style" as in text().)">(),
    vm::builder<emoji, "RichText.emoji(name)",
                R"(
                An emoji element {"type": "emoji", "name": name}; surrounding colons are dropped,
                so ":tada:" and "tada" give the same element.)">(),
    vm::builder<mention<&Keys::user, &Keys::user_id>, "RichText.user(user_id)",
                R"(A user mention {"type": "user", "user_id": user_id}.)">(),
    vm::builder<mention<&Keys::channel, &Keys::channel_id>, "RichText.channel(channel_id)",
                R"(A channel mention {"type": "channel", "channel_id": channel_id}.)">(),
    vm::builder<mention<&Keys::usergroup, &Keys::usergroup_id>, "RichText.usergroup(usergroup_id)",
                R"(A user group mention {"type": "usergroup", "usergroup_id": usergroup_id}.)">(),
    vm::builder<broadcast, "RichText.broadcast(range)",
                R"(
                A broadcast {"type": "broadcast", "range": range}: @here, @channel or @everyone, for
                the range "here", "channel" or "everyone" (anything else is a ValueError).)">(),
    vm::builder<date, "RichText.date(timestamp, format, *, fallback=None, url=None)",
                R"(
                A date shown in each reader's time zone: {"type": "date", "timestamp": timestamp
                (Unix seconds, an int), "format": format (such as "{date_short} at {time}")}, then
                "url" and "fallback" (the text shown where the date cannot be) when given.)">(),
    vm::builder<section, "RichText.section(*elements)",
                R"(
                A rich-text section {"type": "rich_text_section", "elements": [...]}: a paragraph of
                inline elements; a str stands for text(str). ValueError without elements.)">(),
    vm::builder<rich_list, "RichText.list(items, *, style='bullet', indent=0, offset=0, border=0)",
                R"(
                A rich-text list {"type": "rich_text_list", "style": style, "elements": [one section per
                item]}, then "indent" (0 to 8, the nesting level), "offset" (an ordered list starts at
                offset + 1) and "border" (0 or 1) when not 0. An item is a str, a list of elements or a
                section dict. The style is "bullet" or "ordered".)">(),
    vm::builder<quote, "RichText.quote(*elements, border=0)",
                R"(
                A rich-text quote {"type": "rich_text_quote", "elements": [...]}, then "border" (0 or
                1) when not 0; a str stands for text(str). ValueError without elements.)">(),
    vm::builder<preformatted, "RichText.preformatted(*elements, language=None, border=0)",
                R"(
                A code block {"type": "rich_text_preformatted", "elements": [...]}, then "language"
                when given and "border" (0 or 1) when not 0; a str stands for text(str).)">(),
    vm::builder<block, "RichText.block(*parts, block_id=None)",
                R"(
                A list of one rich_text block {"type": "rich_text", "elements": [...]}, then "block_id"
                when given. A part is a section, list, quote or preformatted dict; a str stands for
                section(str). ValueError without parts.)">(),
};

// typing's Optional, List, Iterable, Dict and Any, which the module has long offered for the
// builders' annotations: read from typing on first use, so that importing the module (and
// velmora.blocks) does not import typing.
Ref typing_name(PyObject* name) {
  for (const char* known : {"Optional", "List", "Iterable", "Dict", "Any"}) {
    if (PyUnicode_CompareWithASCIIString(name, known) != 0) continue;
    Ref typing = Ref::steal(PyImport_ImportModule("typing"));
    return typing ? Ref::steal(PyObject_GetAttr(typing.get(), name)) : Ref{};
  }
  return {};
}

PyMethodDef functions[] = {
    vm::module_getattr<typing_name, "typing's Optional, List, Iterable, Dict and Any, read on first use.">(),
    vm::table_end};

int setup(PyObject* module) {
  if (!vm::ready_rich_text() || PyModule_AddFunctions(module, functions) < 0) return -1;
  Ref rick = vm::make_builder_class(module, "velmora.blocks.rich_text.RickText",
                                    "Builders of Block Kit rich-text elements (placeholders for now).", placeholders);
  if (!vm::add_type(module, std::move(rick))) return -1;
  Ref rich =
      vm::make_builder_class(module, "velmora.blocks.rich_text.RichText",
                             "Builders of Block Kit rich text: inline elements (text, link, emoji, user, channel,\n"
                             "usergroup, broadcast, date), the parts of a block (section, list, quote, preformatted)\n"
                             "and the rich_text block itself (block).",
                             builders);
  return vm::add_type(module, std::move(rich)) ? 0 : -1;
}

}  // namespace

VM_MODULE("Rich-text blocks.", setup)
