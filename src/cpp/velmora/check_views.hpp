// velmora.validate's checks of a view around its blocks: a modal (a title, submit and close
// texts, its metadata) or a Home tab; and of the alert block, which only modals show.
#pragma once

#include "check_message.hpp"
#include "check_objects.hpp"

namespace vm::check {

// The keys of a modal besides "type"; a Home tab takes only "blocks", "private_metadata",
// "callback_id" and "external_id" of them.
inline constexpr KeySet view_keys{&Keys::title,          &Keys::blocks,         &Keys::close,
                                  &Keys::submit,         &Keys::callback_id,    &Keys::private_metadata,
                                  &Keys::external_id,    &Keys::clear_on_close, &Keys::notify_on_close,
                                  &Keys::submit_disabled};

// Whether the list `blocks` holds an input block (a modal that does needs "submit").
inline int holds_input(PyObject* blocks) noexcept {
  if (!PyList_Check(blocks)) return 0;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(blocks); ++i) {
    Ref block = Ref::borrow(PyList_GET_ITEM(blocks, i));  // held: a lookup may change the list
    PyObject* type = PyDict_Check(block.get()) ? PyDict_GetItemWithError(block.get(), k.type) : nullptr;
    if (!type && PyErr_Occurred()) return -1;
    if (type && is(type, k.input)) return 1;
  }
  return 0;
}

// A view: its keys as a modal or a Home tab (`surface`), then its blocks, checked by
// `check_blocks`. Slack refuses "submit_disabled" on ordinary modals, and on a Home tab what only
// modals take.
template <class Blocks>
bool view(Checker& c, PyObject* object, PyObject* type, Blocks&& check_blocks) {
  if (!keys(c, object, view_keys, type_only, type)) return false;
  if (c.surface == home) {
    for (PyObject* key : {k.title, k.close, k.submit, k.clear_on_close, k.notify_on_close, k.submit_disabled}) {
      int present = has(object, key);
      if (present < 0) return false;
      auto here = c.at(key);
      if (present && !c.report("\"%U\" is for modals; a Home tab takes none.", key)) return false;
    }
  } else {
    int disabled = has(object, k.submit_disabled);
    if (disabled < 0) return false;
    auto here = c.at(k.submit_disabled);
    if (disabled && !c.report("Slack refuses \"submit_disabled\" on ordinary modals; leave it out.")) return false;
  }
  Ref blocks;
  if (!get(object, k.blocks, blocks)) return false;
  int inputs = blocks ? holds_input(blocks.get()) : 0;
  if (inputs < 0) return false;
  if (c.surface == modal) {
    int submit = has(object, k.submit);
    if (submit < 0) return false;
    if (inputs && !submit) {
      auto here = c.at(k.submit);
      if (!c.report("\"submit\" is missing; a modal that holds an input block needs it.")) return false;
    }
    if (!plain(c, object, k.title, limit::view_title, true) || !plain(c, object, k.close, limit::view_title) ||
        !plain(c, object, k.submit, limit::view_title) || !boolean(c, object, k.clear_on_close) ||
        !boolean(c, object, k.notify_on_close)) {
      return false;
    }
  }
  if (!string(c, object, k.private_metadata, 0, limit::private_metadata) ||
      !string(c, object, k.callback_id, 0, limit::callback_id) ||
      !string(c, object, k.external_id, 1, PY_SSIZE_T_MAX)) {
    return false;
  }
  if (!blocks) return missing(c, k.blocks);
  if (null(blocks.get())) return true;
  auto here = c.at(k.blocks);
  return check_blocks(blocks.get());
}

// An alert (modals only): a text object of at most 200 characters, a "level".
inline bool alert(Checker& c, PyObject* item) {
  return text_object(c, item, k.text, 200, false, true) &&
         choice(c, item, k.level, {k.default_, k.info, k.warning, k.error, k.success},
                "\"default\", \"info\", \"warning\", \"error\" or \"success\"");
}

}  // namespace vm::check
