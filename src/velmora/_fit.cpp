// velmora.fit: one message as as many payloads as Slack's limits need. Blocks are spread over
// messages in order, at block boundaries; blocks over a limit of their own are split first (long
// section texts, too many fields, actions or context elements, table and data table rows,
// markdown and rich text over the guard for msg_blocks_too_long). Nothing is dropped and nothing
// is reordered.
// What cannot be split is reported as velmora.validate would, with InvalidBlocks, before
// anything is built.
#include "velmora/blocks.hpp"
#include "velmora/cuts.hpp"
#include "velmora/limits.hpp"
#include "velmora/parts.hpp"
#include "velmora/split_rich_text.hpp"

#include <algorithm>
#include <vector>

namespace {

using vm::Ids, vm::k, vm::Ref;
namespace limit = vm::limit;

// Items [start, stop) of a list, as a new list.
Ref slice(PyObject* list, Py_ssize_t start, Py_ssize_t stop) noexcept {
  return Ref::steal(PyList_GetSlice(list, start, std::min(stop, PyList_GET_SIZE(list))));
}

// A block whose list under `key` holds more than `max` items, or more than `text` characters of
// text, becomes blocks of at most that many each.
bool split_list(PyObject* block, PyObject* key, Py_ssize_t max, Py_ssize_t text, Ids& ids, PyObject* out) {
  Ref list = Ref::borrow(PyDict_GetItemWithError(block, key));
  if (!list || !PyList_Check(list.get()) ||
      (PyList_GET_SIZE(list.get()) <= max && vm::text_characters(list.get()) <= text)) {
    return !PyErr_Occurred() && PyList_Append(out, block) == 0;
  }
  std::vector<vm::Piece> pieces;
  vm::pieces_of(list.get(), pieces);
  Py_ssize_t number = 1;
  return vm::group(pieces, max, text, [&](PyObject* chunk, std::size_t, Py_ssize_t) {
    return vm::put(out, vm::part(block, {{key, chunk}}, number++, &ids));
  });
}

// A table (or data table) of more than `max_rows` rows, or whose cells hold more than `max_text`
// characters, becomes tables within both, each opening with the first row.
bool split_rows(PyObject* block, Py_ssize_t max_rows, Py_ssize_t max_text, Ids& ids, PyObject* out) {
  Ref rows = Ref::borrow(PyDict_GetItemWithError(block, k.rows));
  if (!rows || !PyList_Check(rows.get()) || PyList_GET_SIZE(rows.get()) < 2 ||
      (PyList_GET_SIZE(rows.get()) <= max_rows && vm::text_characters(rows.get()) <= max_text)) {
    return !PyErr_Occurred() && PyList_Append(out, block) == 0;
  }
  Ref header = Ref::borrow(PyList_GET_ITEM(rows.get(), 0));
  Ref body = slice(rows.get(), 1, PyList_GET_SIZE(rows.get()));
  if (!body) return false;
  std::vector<vm::Piece> pieces;
  vm::pieces_of(body.get(), pieces);
  Py_ssize_t number = 1;
  return vm::group(pieces, max_rows - 1, max_text - vm::text_characters(header.get()),
                   [&](PyObject* chunk, std::size_t, Py_ssize_t) {
                     return PyList_Insert(chunk, 0, header.get()) == 0 &&
                            vm::put(out, vm::part(block, {{k.rows, chunk}}, number++, &ids));
                   });
}

// The parts of a text over `limit` characters, cut as cuts.hpp says: at a paragraph break, a
// line break or a space, code blocks closed and reopened, never inside a grapheme cluster, an
// entity or an escape (the validator has made sure that a mrkdwn text can be cut).
bool text_parts(PyObject* text, vm::Markup markup, Py_ssize_t limit, std::vector<Ref>& parts) {
  vm::Chars chars(text);
  vm::Cutter cutter(chars, markup, limit);
  vm::Cutter::Part cut;
  while (!cutter.done()) {
    if (!cutter.next(cut)) {
      PyErr_SetString(PyExc_ValueError, "a text changed while it was being split");
      return false;
    }
    parts.push_back(cutter.text_of(text, cut));
    if (!parts.back()) return false;
  }
  return true;
}

// A section with a text over 3000 characters or over 10 fields (or fields over the text a part
// may hold) becomes several: the text's parts in order (the first keeps the accessory), the
// fields after the text.
bool split_section(PyObject* block, Ids& ids, PyObject* out) {
  Ref text_object = Ref::borrow(PyDict_GetItemWithError(block, k.text));
  Ref fields = Ref::borrow(PyErr_Occurred() ? nullptr : PyDict_GetItemWithError(block, k.fields));
  Ref accessory = Ref::borrow(PyErr_Occurred() ? nullptr : PyDict_GetItemWithError(block, k.accessory));
  if (PyErr_Occurred()) return false;
  // The fields of a part hold at most this much text, so that the part stays within the guard
  // with a text of 3000 characters and the accessory.
  Py_ssize_t fields_text = limit::block_text - limit::section_text - vm::text_characters(accessory.get());
  Ref text = Ref::borrow(
      text_object && PyDict_Check(text_object.get()) ? PyDict_GetItemWithError(text_object.get(), k.text) : nullptr);
  Ref type = Ref::borrow(text && PyDict_Check(text_object.get()) ? PyDict_GetItemWithError(text_object.get(), k.type)
                                                                 : nullptr);
  if (PyErr_Occurred()) return false;
  bool long_text = text && PyUnicode_Check(text.get()) && PyUnicode_GET_LENGTH(text.get()) > limit::section_text;
  bool many_fields = fields && PyList_Check(fields.get()) &&
                     (PyList_GET_SIZE(fields.get()) > limit::fields || vm::text_characters(fields.get()) > fields_text);
  if (!long_text && !many_fields) return PyList_Append(out, block) == 0;

  std::vector<Ref> texts;  // new text objects, one per part of the text
  if (long_text) {
    std::vector<Ref> pieces;
    bool mrkdwn = type && vm::same_key(type.get(), k.mrkdwn);
    if (!text_parts(text.get(), mrkdwn ? vm::Markup::mrkdwn : vm::Markup::plain, limit::section_text, pieces)) {
      return false;
    }
    for (Ref& piece : pieces) {
      texts.push_back(Ref::steal(PyDict_Copy(text_object.get())));
      if (!texts.back() || PyDict_SetItem(texts.back().get(), k.text, piece.get()) < 0) return false;
    }
  } else if (text_object) {
    texts.push_back(Ref::borrow(text_object.get()));
  }
  std::vector<Ref> chunks;  // the fields, at most 10 at a time
  if (fields && PyList_Check(fields.get())) {
    std::vector<vm::Piece> pieces;
    vm::pieces_of(fields.get(), pieces);
    bool ok = vm::group(pieces, limit::fields, fields_text, [&](PyObject* chunk, std::size_t, Py_ssize_t) {
      chunks.push_back(Ref::borrow(chunk));
      return true;
    });
    if (!ok) return false;
  }
  // Part i shows text part i (while there are some) and, from the last text part on, the next
  // chunk of fields; only the first part keeps the accessory.
  std::size_t count = std::max<std::size_t>(texts.size(), 1) + (chunks.empty() ? 0 : chunks.size() - 1);
  std::size_t fields_from = texts.empty() ? 0 : texts.size() - 1;
  for (std::size_t i = 0; i < count; ++i) {
    PyObject* shown_text = i < texts.size() ? texts[i].get() : nullptr;
    PyObject* shown_fields =
        i >= fields_from && i - fields_from < chunks.size() ? chunks[i - fields_from].get() : nullptr;
    PyObject* shown_accessory = i == 0 ? accessory.get() : nullptr;
    Py_ssize_t number = static_cast<Py_ssize_t>(i) + 1;
    if (!vm::put(out, vm::part(block, {{k.text, shown_text}, {k.fields, shown_fields}, {k.accessory, shown_accessory}},
                               number, &ids))) {
      return false;
    }
  }
  return true;
}

// A markdown block over the guard becomes several, cut at paragraph breaks outside code blocks,
// list items and tables where there are some (a code block cut in two is closed and reopened).
bool split_markdown(PyObject* block, Ids& ids, PyObject* out) {
  Ref text = Ref::borrow(PyDict_GetItemWithError(block, k.text));
  if (!text || !PyUnicode_Check(text.get()) || PyUnicode_GET_LENGTH(text.get()) <= limit::block_text) {
    return !PyErr_Occurred() && PyList_Append(out, block) == 0;
  }
  std::vector<Ref> pieces;
  if (!text_parts(text.get(), vm::Markup::markdown, limit::block_text, pieces)) return false;
  Py_ssize_t number = 1;
  for (Ref& piece : pieces) {
    if (!vm::put(out, vm::part(block, {{k.text, piece.get()}}, number++, &ids))) return false;
  }
  return true;
}

// ---- spreading blocks over messages ------------------------------------------------------------

// What a block counts against a message's limits besides its place.
struct Weight {
  Py_ssize_t text = 0;      // characters of text, against the guard
  Py_ssize_t markdown = 0;  // characters of markdown
  bool table = false;       // a table or data table (or a block holding one)
  bool plan = false;
  bool chart = false;  // a data_visualization block
};

// Appends the blocks that `block` becomes to `out`, and what each weighs to `weights`; `step` is
// the validator's word for it (see _unsplittable).
bool split_block(PyObject* block, char step, Ids& ids, PyObject* out, std::vector<Weight>& weights) {
  Py_ssize_t before = PyList_GET_SIZE(out);
  Ref type = Ref::borrow(PyDict_Check(block) ? PyDict_GetItemWithError(block, k.type) : nullptr);
  bool ok = !PyErr_Occurred();
  int kind = type ? vm::which_key(type.get(), {k.section, k.actions, k.context, k.table, k.markdown, k.rich_text,
                                               k.data_table, k.data_visualization})
                  : -1;
  switch (ok ? kind : -2) {
    case 0:
      ok = split_section(block, ids, out);
      break;
    case 1:
      ok = split_list(block, k.elements, limit::actions, limit::block_text, ids, out);
      break;
    case 2:
      ok = split_list(block, k.elements, limit::context, limit::block_text, ids, out);
      break;
    case 3:
      ok = split_rows(block, limit::table_rows, limit::table_characters, ids, out);
      break;
    case 4:
      ok = split_markdown(block, ids, out);
      break;
    case 5:
      ok = vm::split_rich_text(block, limit::block_text, ids, out);
      break;
    case 6:
      ok = split_rows(block, limit::data_table_rows, limit::data_table_characters, ids, out);
      break;
    case -2:
      break;
    default:
      ok = PyList_Append(out, block) == 0;
  }
  for (Py_ssize_t i = before; ok && i < PyList_GET_SIZE(out); ++i) {
    PyObject* made = PyList_GET_ITEM(out, i);
    Ref text = Ref::borrow(kind == 4 ? PyDict_GetItemWithError(made, k.text) : nullptr);
    ok = !PyErr_Occurred();
    weights.push_back({.text = vm::text_characters(made),
                       .markdown = text && PyUnicode_Check(text.get()) ? PyUnicode_GET_LENGTH(text.get()) : 0,
                       .table = step == 't' || step == 'T' || step == 'D' || kind == 3 || kind == 6,
                       .plan = step == 'P',
                       .chart = step == 'c' || kind == 7});
  }
  return ok;
}

// The blocks in lists of at most `max_blocks`, one table, one plan, two charts, 12,000 characters
// of markdown and the guard's characters of text each.
Ref spread(PyObject* blocks, const std::vector<Weight>& weights, Py_ssize_t max_blocks) noexcept {
  Ref messages = vm::empty_list();
  if (!messages) return {};
  Py_ssize_t count = PyList_GET_SIZE(blocks), start = 0;
  Weight sum;
  Py_ssize_t charts = 0;
  for (Py_ssize_t i = 0; i <= count; ++i) {
    const Weight* w = i < count ? &weights[static_cast<std::size_t>(i)] : nullptr;
    bool full = !w || i - start == max_blocks || (w->table && sum.table) || (w->plan && sum.plan) ||
                (w->chart && charts == limit::charts) || sum.markdown + w->markdown > limit::markdown ||
                sum.text + w->text > limit::block_text;
    if (full && i > start) {
      Ref part = Ref::steal(PyList_GetSlice(blocks, start, i));
      if (!part || PyList_Append(messages.get(), part.get()) < 0) return {};
      start = i;
      sum = {};
      charts = 0;
    }
    if (w) {
      sum = {sum.text + w->text, sum.markdown + w->markdown, sum.table || w->table, sum.plan || w->plan};
      charts += w->chart;
    }
  }
  if (count == 0) {  // a message of no blocks stays one payload
    Ref none = vm::empty_list();
    if (!none || PyList_Append(messages.get(), none.get()) < 0) return {};
  }
  return messages;
}

// ---- the function ----------------------------------------------------------------------------

// InvalidBlocks(problems), raised.
void raise_invalid(PyObject* problems) noexcept {
  Ref error_class = vm::global(k.InvalidBlocks);
  Ref error = error_class ? Ref::steal(PyObject_CallOneArg(error_class.get(), problems)) : Ref{};
  if (error) PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.get())), error.get());
}

// A payload per list of blocks: {"blocks": blocks} for a list given, else the given payload's
// keys in their order with "blocks" replaced.
Ref payloads(PyObject* message, PyObject* lists) noexcept {
  Ref out = Ref::steal(PyList_New(PyList_GET_SIZE(lists)));
  if (!out) return {};
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(lists); ++i) {
    PyObject* blocks = PyList_GET_ITEM(lists, i);
    Ref payload = PyDict_Check(message) ? Ref::steal(PyDict_Copy(message)) : vm::dict({{k.blocks, blocks}});
    if (!payload || (PyDict_Check(message) && PyDict_SetItem(payload.get(), k.blocks, blocks) < 0)) return {};
    PyList_SET_ITEM(out.get(), i, payload.release());
  }
  return out;
}

Ref fit(PyObject*, vm::Bound<2>& a) {
  if ((a[1] && !vm::check_exact(a[1], &PyLong_Type, "max_blocks"))) {
    return {};
  }
  Py_ssize_t max_blocks = limit::blocks;
  if (a[1]) {
    int overflow = 0;
    long value = PyLong_AsLongAndOverflow(a[1], &overflow);
    if (value == -1 && PyErr_Occurred()) return {};
    if (overflow || value < 1 || value > limit::blocks) {
      PyErr_Format(PyExc_ValueError, "max_blocks must be 1 to %zd, Slack's limit for a message, got %R", limit::blocks,
                   a[1]);
      return {};
    }
    max_blocks = value;
  }
  PyObject* message = a[0];
  Ref check = vm::global(k.unsplittable);
  Ref found = check ? Ref::steal(PyObject_CallOneArg(check.get(), message)) : Ref{};
  if (!found) return {};
  PyObject *problems = nullptr, *plan = nullptr;
  if (!PyArg_ParseTuple(found.get(), "O!O!;_unsplittable() must give (problems, plan)", &PyList_Type, &problems,
                        &PyBytes_Type, &plan)) {
    return {};
  }
  if (PyList_GET_SIZE(problems) > 0) {
    raise_invalid(problems);
    return {};
  }
  Ref blocks = Ref::borrow(PyList_Check(message) ? message : PyDict_GetItemWithError(message, k.blocks));
  if (!blocks) {
    if (PyErr_Occurred()) return {};
    Ref alone = Ref::steal(PyDict_Copy(message));  // a payload of text alone
    return alone ? vm::list_of(std::move(alone)) : Ref{};
  }
  if (!PyList_Check(blocks.get())) return vm::raise_value_error("the message's blocks changed while it was checked");
  Ids ids(blocks.get());
  Ref expanded = vm::empty_list();
  if (!expanded) return {};
  std::vector<Weight> weights;
  weights.reserve(static_cast<std::size_t>(PyList_GET_SIZE(blocks.get())));
  // The plan says which blocks to place as they are; the others (and all, should the list have
  // changed since it was checked) are looked at again.
  const char* steps = PyBytes_AS_STRING(plan);
  Py_ssize_t planned = PyBytes_GET_SIZE(plan);
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(blocks.get()); ++i) {
    Ref block = Ref::borrow(PyList_GET_ITEM(blocks.get(), i));
    char step = planned == PyList_GET_SIZE(blocks.get()) ? steps[i] : 's';
    Py_ssize_t text = vm::text_characters(block.get());
    if ((step == 'p' || step == 'P') && text <= limit::block_text) {  // a table ('t') is looked at again
      if (PyList_Append(expanded.get(), block.get()) < 0) return {};
      weights.push_back({.text = text, .plan = step == 'P'});
    } else if (!split_block(block.get(), step, ids, expanded.get(), weights)) {
      return {};
    }
  }
  Ref lists = spread(expanded.get(), weights, max_blocks);
  return lists ? payloads(message, lists.get()) : Ref{};
}

PyMethodDef functions[] = {vm::function<fit, "fit(message, *, max_blocks=50)",
                                        R"(
                 The payloads that carry `message` (a payload dict, or a list of blocks) within Slack's
                 limits, in order, nothing dropped: at most `max_blocks` blocks, one table (or data
                 table), two charts and 12,000 characters of markdown blocks each, and at most 12,000
                 characters of text in all the blocks of each (a guard: Slack refuses more with
                 msg_blocks_too_long, tables aside).
                 Section texts over 3,000 characters and markdown blocks over 12,000 are cut at a paragraph
                 break, else a line break, else a space, never inside a grapheme cluster, an entity or an
                 escape; a code block cut in two is closed and reopened. Rich-text blocks over the guard
                 are cut between their parts, or inside a text. Sections of more than 10 fields, actions
                 of more than 25 elements, context of more than 10, tables of more than 100 rows or
                 10,000 characters and data tables of more than 201 rows or 20,000 characters (the first
                 row repeated, the other keys kept) are split. Every payload keeps the message's other
                 keys (text, channel, thread_ts, ...); a list gives {"blocks": [...]} payloads. The
                 first part of a split block keeps its block_id, later ones get "<id>-2", "<id>-3", ...
                 InvalidBlocks lists what cannot be split (a header over 150 characters, a button text
                 over 75, ...), as validate() words it.)">(),
                           vm::table_end};

bool prepare(PyObject* module) noexcept {
  return vm::import_from_package(module, "_validate", {"_unsplittable"}) &&
         vm::import_from_package(module, "errors", {"InvalidBlocks"});
}

}  // namespace

VM_FUNCTION_MODULE("Fitting a message to Slack's limits: velmora.fit.", functions, prepare)
