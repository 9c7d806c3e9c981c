// velmora.validate's checks of the blocks that lay out others: card, carousel and container;
// and of an agent's work: plan and task_card.
#pragma once

#include "check_elements.hpp"
#include "check_rich_text.hpp"

namespace vm::check {

// A card: at least one of "hero_image", "title", "actions" and "body"; titles 150, "body" and
// "subtext" 200; images as image elements; at most 3 buttons.
inline bool card(Checker& c, PyObject* item) {
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
inline bool carousel(Checker& c, PyObject* item) {
  return items(c, item, k.elements, 1, 10, "a carousel", true, [&](PyObject* e) {
    Ref inner;
    if (!typed(c, e, "A card", inner)) return false;
    if (!inner || is(inner.get(), k.card)) return !inner || card(c, e);
    auto here = c.at(k.type);
    return c.report("A carousel holds only cards, not \"%U\".", inner.get());
  });
}

// A container: 1 to 10 "child_blocks" (each checked by `child`, as a block), a "title" or
// "rich_text_title", "subtitle", "width"; "default_collapsed" needs "is_collapsible",
// "has_header_divider" refuses it.
template <class Child>
bool container(Checker& c, PyObject* item, Child&& child) {
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
  bool ok = items(c, item, k.child_blocks, 1, 10, "a container", true, child);
  --c.depth;
  return ok;
}

// A task card: "task_id", "title", "status", one rich-text block for "details" and "output",
// "sources" as a list.
inline bool task_card(Checker& c, PyObject* item) {
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

// A plan: a "title" and its "tasks".
inline bool plan(Checker& c, PyObject* item) {
  return text_or_string(c, item, k.title, PY_SSIZE_T_MAX, true) &&
         items(c, item, k.tasks, 0, PY_SSIZE_T_MAX, "a plan", false, [&](PyObject* task) {
           Ref inner;
           if (!typed(c, task, "A task", inner)) return false;
           if (!inner || is(inner.get(), k.task_card)) return !inner || task_card(c, task);
           auto here = c.at(k.type);
           return c.report("A plan's tasks are task cards, not \"%U\".", inner.get());
         });
}

}  // namespace vm::check
