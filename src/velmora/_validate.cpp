// Checks Block Kit blocks against Slack's published limits and lists every problem found,
// each as {"path": <JSON pointer>, "message": <sentence>}. Slack itself answers only
// `invalid_blocks`; here the caller learns where and why. The checks of leaves, composition
// objects and elements are in velmora/check.hpp and velmora/check_elements.hpp.
#include "velmora/blocks.hpp"
#include "velmora/check_elements.hpp"
#include "velmora/limits.hpp"
#include "velmora/cuts.hpp"

namespace {

using namespace vm::check;
using vm::k;
using vm::Ref;
namespace limit = vm::limit;

// ---- rich text and tables ------------------------------------------------------------------

// "style" of an inline element: an object whose flags are true or false. Flags Slack may add
// later are not reported.
bool rich_style(Checker& c, PyObject* element) {
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
bool inline_element(Checker& c, PyObject* leaf) {
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

bool leaves(Checker& c, PyObject* container, const char* owner) {
  return items(c, container, k.elements, 0, PY_SSIZE_T_MAX, owner, true,
               [&](PyObject* leaf) { return inline_element(c, leaf); });
}

bool border(Checker& c, PyObject* part) {
  return integer(c, part, k.border, 0, 1, "0 or 1");
}

bool rich_text(Checker& c, PyObject* block) {
  return items(c, block, k.elements, 0, PY_SSIZE_T_MAX, "a rich-text block", true, [&](PyObject* part) {
    Ref type;
    if (!typed(c, part, "A rich-text part", type)) return false;
    if (!type) return true;
    PyObject* t = type.get();
    if (is(t, k.rich_text_list)) {
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
             integer(c, part, k.indent, 0, 8, "0 to 8") && integer(c, part, k.offset, 0, LONG_MAX, "0 or more") &&
             border(c, part);
    }
    if (is(t, k.rich_text_section)) return leaves(c, part, "a rich-text section");
    if (is(t, k.rich_text_quote)) return leaves(c, part, "a rich-text quote") && border(c, part);
    if (is(t, k.rich_text_preformatted)) {
      return leaves(c, part, "preformatted text") && border(c, part) && string(c, part, k.language, 0, PY_SSIZE_T_MAX);
    }
    auto here = c.at(k.type);
    return c.report(
        "A rich-text part must be \"rich_text_section\", \"rich_text_list\", "
        "\"rich_text_preformatted\" or \"rich_text_quote\", not \"%U\".",
        t);
  });
}

// The characters a table's cells show, for the limit on all of them: the "text" of raw cells and
// of every element of rich-text cells, down to rich text's own depth. -1 with the error set.
Py_ssize_t cell_characters(PyObject* value, int depth = 0) noexcept {
  Py_ssize_t total = 0;
  if (depth > 8) return 0;
  if (PyDict_Check(value)) {
    PyObject* text = PyDict_GetItemWithError(value, k.text);
    if (!text && PyErr_Occurred()) return -1;
    if (text && PyUnicode_Check(text)) total += PyUnicode_GET_LENGTH(text);
    Ref inner = Ref::borrow(PyDict_GetItemWithError(value, k.elements));
    if (!inner && PyErr_Occurred()) return -1;
    Py_ssize_t more = inner ? cell_characters(inner.get(), depth + 1) : 0;
    return more < 0 ? -1 : total + more;
  }
  if (!PyList_Check(value)) return 0;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(value); ++i) {
    Ref item = Ref::borrow(PyList_GET_ITEM(value, i));
    Py_ssize_t more = cell_characters(item.get(), depth + 1);
    if (more < 0) return -1;
    total += more;
  }
  return total;
}

// The cells of a table ("raw_text" or "rich_text"; slack_sdk also sends "raw_number") or of a data
// table (also "raw_number"); `header` refuses rich text, as a data table's header row does.
bool cell(Checker& c, PyObject* item, bool header = false) {
  Ref type;
  if (!typed(c, item, "A table cell", type)) return false;
  if (!type) return true;
  switch (which(type.get(), {k.raw_text, k.raw_number, k.rich_text})) {
    case 0:
      return string(c, item, k.text, 1, PY_SSIZE_T_MAX, true);
    case 1:
      return string(c, item, k.text, 1, PY_SSIZE_T_MAX);
    case 2:
      if (!header) return rich_text(c, item);
      break;
    default: {
      auto here = c.at(k.type);
      return c.report("A table cell must be \"raw_text\", \"raw_number\" or \"rich_text\", not \"%U\".", type.get());
    }
  }
  auto here = c.at(k.type);
  return c.report("A header cell must be \"raw_text\" or \"raw_number\", not \"rich_text\".");
}

// A row of 1 to 20 cells; `columns` receives its length (-1 when it is not a list).
bool row(Checker& c, PyObject* item, Py_ssize_t& columns, bool header = false) {
  columns = -1;
  if (!PyList_Check(item)) {
    Ref got = vm::type_name(item);
    return got && c.report("A table row must be a list of cells, not %U.", got.get());
  }
  Py_ssize_t count = columns = PyList_GET_SIZE(item);
  if (count > 20 && !c.report("A table row holds %zd cells; Slack allows at most 20.", count)) return false;
  if (count == 0 && !c.report("A table row holds no cells; it needs at least 1.")) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(item); ++i) {
    Ref each = Ref::borrow(PyList_GET_ITEM(item, i));
    auto step = c.at(i);
    if (!cell(c, each.get(), header)) return false;
  }
  return true;
}

bool table(Checker& c, PyObject* block) {
  auto setting = [&](PyObject* item) {
    if (item == Py_None) return true;  // a column left at its defaults
    bool dict;
    if (!object(c, item, "A column setting", dict)) return false;
    if (!dict) return true;
    return boolean(c, item, k.is_wrapped) &&
           choice(c, item, k.align, {k.left, k.center, k.right}, "\"left\", \"center\" or \"right\"");
  };
  Py_ssize_t columns;
  return items(c, block, k.rows, 1, split_max(c, limit::table_rows), "a table", true,
               [&](PyObject* r) { return row(c, r, columns); }) &&
         items(c, block, k.column_settings, 0, 20, "a table", false, setting);
}

// A data table: a "caption", a header row and 1 to 100 rows of equal length, at most 10,000
// characters in all the cells, "page_size" 1 to 100, a "row_header_column_index" within the rows.
bool data_table(Checker& c, PyObject* block) {
  Ref caption;
  if (!get(block, k.caption, caption)) return false;
  if (!caption && !missing(c, k.caption)) return false;
  Py_ssize_t width = -1, index = 0;
  bool ok = items(c, block, k.rows, 2, 101, "a data table", true, [&](PyObject* r) {
    Py_ssize_t columns;
    if (!row(c, r, columns, index++ == 0)) return false;
    if (columns < 0 || width < 0 || columns == width) {
      if (width < 0) width = columns;
      return true;
    }
    return c.report("A data table row holds %zd cells, the first row %zd; all rows must be as long.", columns, width);
  });
  if (!ok) return false;
  Ref rows;
  if (!get(block, k.rows, rows)) return false;
  Py_ssize_t characters = rows ? cell_characters(rows.get()) : 0;
  if (characters < 0) return false;
  if (characters > 10000) {
    auto here = c.at(k.rows);
    if (!c.report("The cells hold %zd characters; Slack allows at most 10,000 in a data table.", characters)) {
      return false;
    }
  }
  return integer(c, block, k.page_size, 1, 100, "1 to 100") &&
         integer(c, block, k.row_header_column_index, 0, width > 0 ? static_cast<long>(width) - 1 : 19,
                 "the index of a column");
}

// ---- blocks ----------------------------------------------------------------------------------

struct Seen {
  Ref block_ids = Ref::steal(PySet_New(nullptr));
  Py_ssize_t tables = 0;
  Py_ssize_t markdown = 0;  // characters in the markdown blocks so far
};

bool markdown(Checker& c, PyObject* block, Seen& seen) {
  Ref text;
  if (!string(c, block, k.text, 1, PY_SSIZE_T_MAX, true) || !get(block, k.text, text)) return false;
  if (!text || !PyUnicode_Check(text.get()) || c.fitting) return true;  // fit cuts long markdown
  bool over_before = seen.markdown > limit::markdown;
  seen.markdown += PyUnicode_GET_LENGTH(text.get());
  if (over_before || seen.markdown <= limit::markdown) return true;
  auto here = c.at(k.text);
  return c.report(
      "The markdown blocks hold %zd characters up to here; Slack allows at most 12,000 in all "
      "the markdown blocks of a message.",
      seen.markdown);
}

bool block_id(Checker& c, PyObject* block, Seen& seen) {
  Ref id;
  if (!get(block, k.block_id, id) || !string_value(c, k.block_id, id.get(), 0, 255)) return false;
  if (!id || !PyUnicode_Check(id.get())) return true;
  int known = PySet_Contains(seen.block_ids.get(), id.get());
  if (known < 0 || PySet_Add(seen.block_ids.get(), id.get()) < 0) return false;
  auto here = c.at(k.block_id);
  return !known || c.report("block_id \"%U\" is already used by an earlier block; each must be unique.", id.get());
}

bool block(Checker& c, PyObject* item, Seen& seen);

// A section's text object: its text of 3000 characters, or of any length that can be cut into
// parts of 3000 while fitting (an entity or escape longer than that cannot).
bool section_text(Checker& c, PyObject* object) {
  auto here = c.at(k.text);
  if (!text_value(c, object, split_max(c, limit::section_text), false)) return false;
  Ref text = Ref::borrow(c.fitting && PyDict_Check(object) ? PyDict_GetItemWithError(object, k.text) : nullptr);
  if (!text || !PyUnicode_Check(text.get()) || PyUnicode_GET_LENGTH(text.get()) <= limit::section_text) {
    return !PyErr_Occurred();
  }
  c.note('s');
  Py_ssize_t start = vm::unsplittable_at(vm::Chars(text.get()), limit::section_text);
  if (start < 0) return true;
  auto inner = c.at(k.text);
  return c.report(
      "\"text\" holds an entity or escape of more than 3000 characters at %zd; it cannot be cut "
      "into sections.",
      start);
}

bool section(Checker& c, PyObject* item) {
  Ref text, fields;
  if (!get(item, k.text, text) || !get(item, k.fields, fields)) return false;
  if (!text && !fields && !c.report("A section needs \"text\" or \"fields\".")) return false;
  if (text && !section_text(c, text.get())) return false;
  if (!items(c, item, k.fields, 1, split_max(c, limit::fields), "a section", false,
             [&](PyObject* field) { return text_value(c, field, 2000, false); })) {
    return false;
  }
  if (fields && PyList_Check(fields.get()) && PyList_GET_SIZE(fields.get()) > limit::fields) c.note('s');
  // The usual section holds its type, text and perhaps a block_id: nothing else to look up.
  Py_ssize_t others = PyDict_GET_SIZE(item) - 1 - (text ? 1 : 0) - (fields ? 1 : 0);
  int has_id = others > 0 ? has(item, k.block_id) : 0;
  if (has_id < 0) return false;
  Ref accessory;
  if (others - has_id <= 0) return true;
  if (!boolean(c, item, k.expand) || !get(item, k.accessory, accessory)) return false;
  if (!accessory) return true;
  auto here = c.at(k.accessory);
  return element(c, accessory.get());
}

bool context(Checker& c, PyObject* item) {
  return items(c, item, k.elements, 1, split_max(c, limit::context), "a context block", true, [&](PyObject* e) {
    Ref inner;
    if (!typed(c, e, "A context element", inner)) return false;
    if (!inner) return true;
    switch (which(inner.get(), {k.mrkdwn, k.plain_text, k.image})) {
      case 0:
      case 1:
        return typed_text(c, e, inner.get(), 3000, false);
      case 2:
        return image_source(c, e);
      default: {
        auto here = c.at(k.type);
        return c.report("A context block holds only text objects and images, not \"%U\".", inner.get());
      }
    }
  });
}

bool context_actions(Checker& c, PyObject* item) {
  return elements(c, item, k.elements, 1, 5, "a context_actions block", true, [&](PyObject* e, ActionIds* ids) {
    Ref inner;
    if (!typed(c, e, "An element", inner)) return false;
    if (!inner) return true;
    if (is(inner.get(), k.feedback_buttons) || is(inner.get(), k.icon_button)) return element(c, e, ids);
    auto here = c.at(k.type);
    return c.report("A context_actions block holds only \"feedback_buttons\" and \"icon_button\", not \"%U\".",
                    inner.get());
  });
}

// A video: "alt_text", "title" (plain text under 200), "video_url" and "title_url" (https),
// "thumbnail_url", "description" (under 200), "author_name" (under 50).
bool video(Checker& c, PyObject* item) {
  return string(c, item, k.alt_text, 1, PY_SSIZE_T_MAX, true) && plain(c, item, k.title, 199, true) &&
         https_url(c, item, k.video_url, true) && string(c, item, k.thumbnail_url, 1, 3000, true) &&
         https_url(c, item, k.title_url, false) && plain(c, item, k.description, 199) &&
         string(c, item, k.author_name, 1, 49) && string(c, item, k.provider_name, 1, PY_SSIZE_T_MAX) &&
         string(c, item, k.provider_icon_url, 1, 3000);
}

// An input: "label" (plain text, 2000), one "element", "hint" (2000), "optional" and
// "dispatch_action" (never with a file input).
bool input(Checker& c, PyObject* item) {
  if (!plain(c, item, k.label, 2000, true) || !plain(c, item, k.hint, 2000) || !boolean(c, item, k.optional) ||
      !boolean(c, item, k.dispatch_action)) {
    return false;
  }
  return nested(c, item, k.element, "An element", true, [&](PyObject* e) {
    if (!element(c, e)) return false;
    PyObject* type = PyDict_GetItemWithError(e, k.type);
    int dispatch = type && element_type(type) == Element::file_input ? has(item, k.dispatch_action) : 0;
    if (dispatch <= 0) return dispatch == 0 && !PyErr_Occurred();
    return c.report("A file input cannot dispatch actions; leave out the input's \"dispatch_action\".");
  });
}

// A card: at least one of "hero_image", "title", "actions" and "body"; titles 150, "body" and
// "subtext" 200; images as image elements; at most 3 buttons.
bool card(Checker& c, PyObject* item) {
  int parts = 0;
  for (PyObject* key : {k.hero_image, k.title, k.actions, k.body}) {
    int present = has(item, key);
    if (present < 0) return false;
    parts += present;
  }
  if (parts == 0 && !c.report("A card needs \"hero_image\", \"title\", \"actions\" or \"body\".")) return false;
  for (PyObject* key : {k.icon, k.hero_image}) {
    if (!nested(c, item, key, "An image", false, [&](PyObject* image) { return image_source(c, image); })) {
      return false;
    }
  }
  return text_or_string(c, item, k.title, 150, false) && text_or_string(c, item, k.subtitle, 150, false) &&
         text_or_string(c, item, k.body, 200, false) && text_or_string(c, item, k.subtext, 200, false) &&
         not_both(c, item, k.icon, k.slack_icon, "A card") &&
         elements(c, item, k.actions, 0, 3, "a card", false, [&](PyObject* e, ActionIds* ids) {
           Ref inner;
           if (!typed(c, e, "An element", inner)) return false;
           if (!inner || is(inner.get(), k.button)) return !inner || element(c, e, ids);
           auto here = c.at(k.type);
           return c.report("A card's actions are buttons, not \"%U\".", inner.get());
         });
}

// A carousel: 1 to 10 cards.
bool carousel(Checker& c, PyObject* item) {
  return items(c, item, k.elements, 1, 10, "a carousel", true, [&](PyObject* e) {
    Ref inner;
    if (!typed(c, e, "A card", inner)) return false;
    if (!inner || is(inner.get(), k.card)) return !inner || card(c, e);
    auto here = c.at(k.type);
    return c.report("A carousel holds only cards, not \"%U\".", inner.get());
  });
}

// A container: 1 to 10 "child_blocks" (checked as blocks), a "title" or "rich_text_title",
// "subtitle", "width"; "default_collapsed" needs "is_collapsible", "has_header_divider" refuses it.
bool container(Checker& c, PyObject* item, Seen& seen) {
  Ref collapsible, collapsed, divider;
  if (!plain(c, item, k.title, 150) || !not_both(c, item, k.title, k.rich_text_title, "A container") ||
      !nested(c, item, k.rich_text_title, "A rich-text title", false, [&](PyObject* t) { return rich_text(c, t); }) ||
      !text_or_string(c, item, k.subtitle, 150, false) ||
      !choice(c, item, k.width, {k.narrow, k.standard, k.wide, k.full},
              "\"narrow\", \"standard\", \"wide\" or \"full\"") ||
      !boolean(c, item, k.is_collapsible) || !boolean(c, item, k.default_collapsed) ||
      !boolean(c, item, k.has_header_divider) || !get(item, k.is_collapsible, collapsible) ||
      !get(item, k.default_collapsed, collapsed) || !get(item, k.has_header_divider, divider)) {
    return false;
  }
  bool can_collapse = collapsible.get() == Py_True;
  if (collapsed.get() == Py_True && !can_collapse) {
    auto here = c.at(k.default_collapsed);
    if (!c.report("\"default_collapsed\" needs \"is_collapsible\": true.")) return false;
  }
  if (divider.get() == Py_True && can_collapse) {
    auto here = c.at(k.has_header_divider);
    if (!c.report("\"has_header_divider\" cannot go with \"is_collapsible\": true.")) return false;
  }
  ++c.depth;
  bool ok = items(c, item, k.child_blocks, 1, 10, "a container", true,
                  [&](PyObject* child) { return block(c, child, seen); });
  --c.depth;
  return ok;
}

// A task card: "task_id", "title", "status", one rich-text block for "details" and "output",
// "sources" as a list.
bool task_card(Checker& c, PyObject* item) {
  auto rich = [&](PyObject* value) { return rich_text(c, value); };
  return identifier(c, item, k.task_id) && text_or_string(c, item, k.title, PY_SSIZE_T_MAX, true) &&
         choice(c, item, k.status, {k.pending, k.in_progress, k.complete, k.error},
                "\"pending\", \"in_progress\", \"complete\" or \"error\"") &&
         nested(c, item, k.details, "Rich text", false, rich) && nested(c, item, k.output, "Rich text", false, rich) &&
         items(c, item, k.sources, 0, PY_SSIZE_T_MAX, "a task card", false, [&](PyObject* source) {
           bool dict;
           return object(c, source, "A source", dict);
         });
}

bool plan(Checker& c, PyObject* item) {
  return text_or_string(c, item, k.title, PY_SSIZE_T_MAX, true) &&
         items(c, item, k.tasks, 0, PY_SSIZE_T_MAX, "a plan", false, [&](PyObject* task) {
           Ref inner;
           if (!typed(c, task, "A task", inner)) return false;
           if (!inner || is(inner.get(), k.task_card)) return !inner || task_card(c, task);
           auto here = c.at(k.type);
           return c.report("A plan's tasks are task cards, not \"%U\".", inner.get());
         });
}

// An auth_provider block: "value" 1 to 150, "name" 75, an overflow menu as its only accessory.
bool auth_provider(Checker& c, PyObject* item) {
  return string(c, item, k.value, 1, 150, true) && string(c, item, k.name, 1, 75) &&
         nested(c, item, k.accessory, "An element", false, [&](PyObject* e) {
           PyObject* type = PyDict_GetItemWithError(e, k.type);
           if (!type && PyErr_Occurred()) return false;
           if (!type || is(type, k.overflow)) return element(c, e);
           return c.report("An auth_provider block takes only an overflow menu as its accessory.");
         });
}

// While fitting, notes a block whose list under `key` is longer than `max` for splitting.
bool note_long(Checker& c, PyObject* item, PyObject* key, Py_ssize_t max, char what) {
  if (!c.fitting || c.depth > 0) return true;
  PyObject* list = PyDict_GetItemWithError(item, key);
  if (list && PyList_Check(list) && PyList_GET_SIZE(list) > max) c.note(what);
  return !PyErr_Occurred();
}

// ---- a block, by its type ----------------------------------------------------------------

bool actions_block(Checker& c, PyObject* item, Seen&) {
  if (!note_long(c, item, k.elements, limit::actions, 's')) return false;
  return elements(c, item, k.elements, 1, split_max(c, limit::actions), "an actions block", true,
                  [&](PyObject* e, ActionIds* ids) { return element(c, e, ids); });
}

bool context_block(Checker& c, PyObject* item, Seen&) {
  return note_long(c, item, k.elements, limit::context, 's') && context(c, item);
}

bool header_block(Checker& c, PyObject* item, Seen&) {
  return text_object(c, item, k.text, 150, true, true);
}

bool image_block(Checker& c, PyObject* item, Seen&) {
  return image_source(c, item) && text_object(c, item, k.title, 2000, true, false);
}

bool table_block(Checker& c, PyObject* item, Seen& seen) {
  c.note_table();
  if (!note_long(c, item, k.rows, limit::table_rows, 'T')) return false;
  if (++seen.tables == 2 && !c.report("A message holds at most one table; this is the second.")) return false;
  return table(c, item);
}

bool markdown_block(Checker& c, PyObject* item, Seen& seen) {
  c.note('m');
  return markdown(c, item, seen);
}

bool call_block(Checker& c, PyObject* item, Seen&) {
  return identifier(c, item, k.call_id);
}

bool file_block(Checker& c, PyObject*, Seen&) {
  auto here = c.at(k.type);
  return c.report("Slack adds \"file\" blocks itself, to show remote files; a message cannot post one.");
}

bool alert_block(Checker& c, PyObject*, Seen&) {
  auto here = c.at(k.type);
  return c.report("\"alert\" blocks show only in modals, not in messages.");
}

bool divider_block(Checker&, PyObject*, Seen&) {
  return true;  // nothing but its block_id, checked for every block
}

// A block whose check needs nothing but the block.
template <bool (*check)(Checker&, PyObject*)>
bool alone(Checker& c, PyObject* item, Seen&) {
  return check(c, item);
}

// Every block type a message may hold, with its check; the common ones first, since the type
// is looked up in this order.
constexpr struct {
  vm::Key type;
  bool (*check)(Checker& c, PyObject* item, Seen& seen);
} block_checks[] = {
    {&vm::Keys::section, alone<section>},
    {&vm::Keys::divider, divider_block},
    {&vm::Keys::actions, actions_block},
    {&vm::Keys::context, context_block},
    {&vm::Keys::header, header_block},
    {&vm::Keys::image, image_block},
    {&vm::Keys::rich_text, alone<rich_text>},
    {&vm::Keys::table, table_block},
    {&vm::Keys::markdown, markdown_block},
    {&vm::Keys::video, alone<video>},
    {&vm::Keys::input, alone<input>},
    {&vm::Keys::card, alone<card>},
    {&vm::Keys::carousel, alone<carousel>},
    {&vm::Keys::container, container},
    {&vm::Keys::plan, alone<plan>},
    {&vm::Keys::task_card, alone<task_card>},
    {&vm::Keys::call, call_block},
    {&vm::Keys::data_table, alone<data_table>},
    {&vm::Keys::context_actions, alone<context_actions>},
    {&vm::Keys::auth_provider, alone<auth_provider>},
    {&vm::Keys::file, file_block},
    {&vm::Keys::alert, alert_block},
};

bool block(Checker& c, PyObject* item, Seen& seen) {
  Ref type;
  if (!typed(c, item, "A block", type)) return false;
  if (!type) return true;
  if (!block_id(c, item, seen)) return false;
  int at = vm::which_entry(type.get(), block_checks, [](const auto& entry) { return k.*entry.type; });
  if (at >= 0) return block_checks[at].check(c, item, seen);
  auto here = c.at(k.type);
  return c.report("Slack has no block of type \"%U\" for messages.", type.get());
}

bool blocks(Checker& c, PyObject* list) {
  if (!PyList_Check(list)) {
    Ref got = vm::type_name(list);
    return got && c.report("Blocks must be a list, not %U.", got.get());
  }
  Py_ssize_t count = PyList_GET_SIZE(list);
  if (count > split_max(c, limit::blocks) && !c.report("A message holds at most 50 blocks; this one has %zd.", count)) {
    return false;
  }
  Seen seen;
  if (!seen.block_ids) return false;
  if (c.fitting) c.plan.assign(static_cast<std::size_t>(count), 'p');
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
    // While fitting, each block may go to a message of its own: only block ids count across blocks.
    if (c.fitting && i > 0) seen = Seen{.block_ids = std::move(seen.block_ids)};
    c.top = i;
    Ref item = Ref::borrow(PyList_GET_ITEM(list, i));
    auto step = c.at(i);
    if (!block(c, item.get(), seen)) return false;
  }
  return true;
}

// A payload as chat.postMessage takes it: fallback "text" and/or "blocks", "attachments".
bool payload(Checker& c, PyObject* object) {
  Ref text, list;
  if (!get(object, k.text, text) || !get(object, k.blocks, list)) return false;
  if (!text && !list) return c.report("A message needs \"text\" or \"blocks\".");
  if (text) {
    auto here = c.at(k.text);
    if (!PyUnicode_Check(text.get())) {
      if (!wrong_type(c, k.text, "a string", text.get())) return false;
    } else if (PyUnicode_GET_LENGTH(text.get()) > 40000 &&
               !c.report("The fallback text is %zd characters long; Slack cuts it at 40,000.",
                         PyUnicode_GET_LENGTH(text.get()))) {
      return false;
    }
  }
  if (!items(c, object, k.attachments, 0, 100, "a message", false, [](PyObject*) { return true; })) return false;
  if (!list) return true;
  auto here = c.at(k.blocks);
  return blocks(c, list.get());
}

// ---- the module ------------------------------------------------------------------------------

// The problems of a list of blocks or a payload; with `fitting` (for velmora.fit, whose name
// the errors give), those that fit cannot split, and with them fit's plan (see Checker::plan)
// as bytes: (problems, plan).
Ref problems(PyObject* value, bool fitting) {
  const char* func = fitting ? "fit" : "validate";
  if (!PyList_Check(value) && !PyDict_Check(value)) {
    Ref got = vm::type_name(value);
    if (got) {
      PyErr_Format(PyExc_TypeError, "%s() expects a list of blocks or a payload dict, got %.200U", func, got.get());
    }
    return {};
  }
  Checker c(fitting);
  if (!c.start()) return {};
  bool ok = PyList_Check(value) ? blocks(c, value) : payload(c, value);
  if (!ok) return {};
  if (!fitting) return c.finish();
  Ref plan = Ref::steal(PyBytes_FromStringAndSize(c.plan.data(), static_cast<Py_ssize_t>(c.plan.size())));
  Ref found = c.finish();
  return plan ? Ref::steal(PyTuple_Pack(2, found.get(), plan.get())) : Ref{};
}

constexpr vm::Params<1> validate_params{"validate", {&vm::Keys::blocks}, 1};
constexpr vm::Params<1> fit_problems_params{"unsplittable", {&vm::Keys::blocks}, 1};

template <const vm::Params<1>& params, bool fitting>
Ref checked(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<1> a;
  if (!vm::bind(params, args, nargs, kwnames, a)) return {};
  return problems(a[0], fitting);
}

PyMethodDef functions[] = {
    vm::function<checked<validate_params, false>, "validate(blocks)",
                 "Check a list of blocks, or a payload {\"text\": ..., \"blocks\": [...]}, against Slack's\n"
                 "published Block Kit limits for messages. Returns a new list of problems, each a dict\n"
                 "{\"path\": JSON pointer into the argument, \"message\": a sentence}; [] when none.">(),
    vm::function<checked<fit_problems_params, true>, "_unsplittable(blocks)",
                 "The problems of validate() that velmora.fit cannot remove by splitting the message, and\n"
                 "fit's plan for each block (bytes): (problems, plan).">(),
    vm::table_end};

}  // namespace

VM_FUNCTION_MODULE("Validation of Block Kit messages against Slack's published limits.", functions, nullptr)
