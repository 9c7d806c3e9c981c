// velmora.validate's checks of the blocks that lay out others: card, carousel and container;
// and of an agent's work: plan and task_card.
#pragma once

#include "check_elements.hpp"
#include "check_message.hpp"
#include "check_rich_text.hpp"

namespace vm::check {

// An image element under `key` (a card's or a container's icon, a card's hero image).
inline bool image_under(Checker& c, PyObject* item, PyObject* key) {
  return nested(c, item, key, "An image", false, [&](PyObject* image) {
    Ref type;
    if (!typed(c, image, "An image", type)) return false;
    if (!type || element_type(type.get()) == Element::image) return !type || element(c, image);
    auto here = c.at(k.type);
    return c.report("\"%U\" must be an \"image\" element, not \"%U\".", key, type.get());
  });
}

// The keys of a card besides "type" and "block_id", as a block and in a carousel.
inline constexpr KeySet card_keys{&Keys::title, &Keys::subtitle,   &Keys::body,       &Keys::subtext,
                                  &Keys::icon,  &Keys::slack_icon, &Keys::hero_image, &Keys::actions};

// A card: at least one of "hero_image", "title", "actions" and "body"; text objects for the
// titles (150), "body" and "subtext" (200); images as image elements; at most 3 buttons.
inline bool card(Checker& c, PyObject* item) {
  int parts = 0;
  for (PyObject* key : {k.hero_image, k.title, k.actions, k.body}) {
    int present = has(item, key);
    if (present < 0) return false;
    parts += present;
  }
  if (parts == 0 && !c.report("A card needs \"hero_image\", \"title\", \"actions\" or \"body\".")) return false;
  return image_under(c, item, k.icon) && image_under(c, item, k.hero_image) &&
         text_object(c, item, k.title, 150, false, false) && text_object(c, item, k.subtitle, 150, false, false) &&
         text_object(c, item, k.body, 200, false, false) && text_object(c, item, k.subtext, 200, false, false) &&
         not_both(c, item, k.icon, k.slack_icon, "A card") && string(c, item, k.slack_icon, 1, PY_SSIZE_T_MAX) &&
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
    if (!inner) return true;
    if (is(inner.get(), k.card)) {
      return keys(c, e, card_keys, {&Keys::type, &Keys::block_id}, inner.get()) && card(c, e);
    }
    auto here = c.at(k.type);
    return c.report("A carousel holds only cards, not \"%U\".", inner.get());
  });
}

// Reports a block a container cannot hold; `inside` tells whether to check it as a block (a
// container in a container is not looked into).
inline bool container_child(Checker& c, PyObject* child, bool& inside) {
  inside = true;
  Ref type = Ref::borrow(PyDict_Check(child) ? PyDict_GetItemWithError(child, k.type) : nullptr);
  if (!type || !PyUnicode_Check(type.get())) return !PyErr_Occurred();
  if (which(type.get(), {k.actions, k.context, k.divider, k.file, k.header, k.image, k.input, k.rich_text, k.section,
                         k.table, k.video}) >= 0) {
    return true;
  }
  auto here = c.at(k.type);
  if (is(type.get(), k.container)) {
    inside = false;
    return c.report("A container cannot hold another container.");
  }
  return c.report(
      "A container holds actions, context, divider, file, header, image, input, rich_text, section, table "
      "and video blocks, not \"%U\".",
      type.get());
}

// A container: 1 to 10 "child_blocks" (each checked by `block`, as a block), a "title" (plain
// text, 150) or a "rich_text_title", "subtitle" (150), "width", an image "icon";
// "default_collapsed" needs "is_collapsible", "has_header_divider" refuses it.
template <class Block>
bool container(Checker& c, PyObject* item, Block&& block) {
  Ref collapsible, collapsed, divider;
  int title = has(item, k.title), rich_title = has(item, k.rich_text_title);
  if (title < 0 || rich_title < 0) return false;
  if (!title && !rich_title && !c.report("A container needs \"title\" or \"rich_text_title\".")) return false;
  if (!plain(c, item, k.title, 150) || !not_both(c, item, k.title, k.rich_text_title, "A container") ||
      !nested(c, item, k.rich_text_title, "A rich-text title", false,
              [&](PyObject* t) { return rich_text_value(c, t, "A rich-text title"); }) ||
      !text_object(c, item, k.subtitle, 150, false, false) || !image_under(c, item, k.icon) ||
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
  bool ok = items(c, item, k.child_blocks, 1, 10, "a container", true, [&](PyObject* child) {
    bool inside;
    return container_child(c, child, inside) && (!inside || block(child));
  });
  --c.depth;
  return ok;
}

// The sources of a task: url elements, each a "url" and the "text" that shows it.
inline bool sources(Checker& c, PyObject* task) {
  return items(c, task, k.sources, 0, PY_SSIZE_T_MAX, "a task", false, [&](PyObject* source) {
    Ref type;
    if (!typed(c, source, "A source", type)) return false;
    if (!type) return true;
    if (!is(type.get(), k.url)) {
      auto here = c.at(k.type);
      return c.report("A source must be a \"url\" element, not \"%U\".", type.get());
    }
    return keys(c, source, {&Keys::url, &Keys::text}, type_only, type.get()) && identifier(c, source, k.url) &&
           identifier(c, source, k.text);
  });
}

// What a task holds, in a plan or as a task_card block: "task_id", a "title" string, "status",
// one rich-text object for "details" and for "output", "sources". A task_card block on its own
// cannot be "pending" (Slack refuses it); a plan's task can.
inline bool task(Checker& c, PyObject* item, bool in_plan) {
  auto rich = [&](PyObject* value) { return rich_text_value(c, value, "Rich text"); };
  auto status = [&] {
    return in_plan ? choice(c, item, k.status, {k.pending, k.in_progress, k.complete, k.error},
                            "\"pending\", \"in_progress\", \"complete\" or \"error\"")
                   : choice(c, item, k.status, {k.in_progress, k.complete, k.error},
                            "\"in_progress\", \"complete\" or \"error\" (a task_card block cannot be pending)");
  };
  return identifier(c, item, k.task_id) && string(c, item, k.title, 1, PY_SSIZE_T_MAX, true) && status() &&
         nested(c, item, k.details, "Rich text", false, rich) && nested(c, item, k.output, "Rich text", false, rich) &&
         sources(c, item);
}

inline constexpr KeySet task_keys{&Keys::task_id, &Keys::title,  &Keys::status,
                                  &Keys::details, &Keys::output, &Keys::sources};

// A plan: a "title" string and at most 50 "tasks", task-like objects without a "type", their
// task_id unique in the plan. A message holds one plan.
inline bool plan(Checker& c, PyObject* item, Seen& seen) {
  c.note('P');
  if (++seen.plans == limit::plans + 1 && !c.report("A message holds at most one plan; this is the second.")) {
    return false;
  }
  Ref ids = Ref::steal(PySet_New(nullptr));
  if (!ids) return false;
  return string(c, item, k.title, 1, PY_SSIZE_T_MAX, true) &&
         items(c, item, k.tasks, 0, 50, "a plan", false, [&](PyObject* each) {
           bool dict;
           if (!object(c, each, "A task", dict)) return false;
           if (!dict) return true;
           if (!keys(c, each, task_keys, "a plan's task") || !task(c, each, true)) return false;
           Ref id;
           if (!get(each, k.task_id, id)) return false;
           if (!id || !PyUnicode_Check(id.get())) return true;
           int known = PySet_Contains(ids.get(), id.get());
           if (known < 0 || PySet_Add(ids.get(), id.get()) < 0) return false;
           auto here = c.at(k.task_id);
           return !known || c.report("task_id \"%U\" is already used in this plan; each must be unique.", id.get());
         });
}

inline bool task_card(Checker& c, PyObject* item) {
  return task(c, item, false);
}

}  // namespace vm::check
