// velmora.fit: one message as as many payloads as Slack's limits need. Blocks are spread over
// messages in order, at block boundaries; blocks over a limit of their own are split first (long
// section texts, too many fields, actions or context elements, table rows). Nothing is dropped
// and nothing is reordered. What cannot be split is reported as velmora.validate would, with
// InvalidBlocks, before anything is built.
#include "velmora/blocks.hpp"
#include "velmora/limits.hpp"
#include "velmora/text.hpp"

#include <algorithm>
#include <vector>

namespace {

using vm::k;
using vm::Keys;
using vm::Ref;
namespace limit = vm::limit;

// ---- block ids of the parts of a split block -------------------------------------------------

// The first part of a split block keeps its block_id; each later part gets "<id>-2", "<id>-3",
// ..., cut to Slack's 255 characters and never one the message already uses.
class Ids {
 public:
  explicit Ids(PyObject* blocks) noexcept : blocks_(blocks) {}

  // A new id for part `number` (2 and up) of the block whose id is `base`.
  Ref derived(PyObject* base, Py_ssize_t number) noexcept {
    if (!used_ && !collect()) return {};
    for (Py_ssize_t n = number;; ++n) {
      Ref suffix = Ref::steal(PyUnicode_FromFormat("-%zd", n));
      if (!suffix) return {};
      Py_ssize_t keep = std::min(PyUnicode_GET_LENGTH(base), limit::block_id - PyUnicode_GET_LENGTH(suffix.get()));
      Ref head = Ref::steal(PyUnicode_Substring(base, 0, keep));
      Ref id = head ? Ref::steal(PyUnicode_Concat(head.get(), suffix.get())) : Ref{};
      if (!id) return {};
      int taken = PySet_Contains(used_.get(), id.get());
      if (taken < 0) return {};
      if (!taken) return PySet_Add(used_.get(), id.get()) == 0 ? std::move(id) : Ref{};
    }
  }

 private:
  bool collect() noexcept {
    used_ = Ref::steal(PySet_New(nullptr));
    if (!used_) return false;
    // A lookup may run a caller's odd key and change the list: each block is held, the size re-read.
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(blocks_); ++i) {
      Ref block = Ref::borrow(PyList_GET_ITEM(blocks_, i));
      Ref id = Ref::borrow(PyDict_Check(block.get()) ? PyDict_GetItemWithError(block.get(), k.block_id) : nullptr);
      if (id && PyUnicode_Check(id.get()) && PySet_Add(used_.get(), id.get()) < 0) return false;
      if (PyErr_Occurred()) return false;
    }
    return true;
  }

  PyObject* blocks_;
  Ref used_;
};

// ---- splitting one block ---------------------------------------------------------------------

// What a part of a split block holds in place of the original's values: a key maps to its new
// value, or is left out when the value is null.
struct Change {
  PyObject* key;
  PyObject* value;
};

// Whether `key`, a key of a caller's dict, is the interned `name` (JSON keys are not interned).
bool same_key(PyObject* key, PyObject* name) noexcept {
  return key == name || (PyUnicode_Check(key) && PyUnicode_Compare(key, name) == 0);
}

// A new block with the keys of `block` in their order, each changed as `changes` say, and the
// block id of part `number` (1: the original's).
Ref part(PyObject* block, std::initializer_list<Change> changes, Py_ssize_t number, Ids& ids) noexcept {
  Ref id;
  if (number > 1) {
    Ref original = Ref::borrow(PyDict_GetItemWithError(block, k.block_id));
    if (original && PyUnicode_Check(original.get())) id = ids.derived(original.get(), number);
    if (PyErr_Occurred()) return {};
  }
  Ref out = Ref::steal(PyDict_New());
  if (!out) return {};
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(block, &pos, &key, &value)) {
    Ref name = Ref::borrow(key), held = Ref::borrow(value);
    for (const Change& change : changes) {
      if (same_key(key, change.key)) held = Ref::borrow(change.value);
    }
    if (id && same_key(key, k.block_id)) held = Ref::borrow(id.get());
    if (held && PyDict_SetItem(out.get(), name.get(), held.get()) < 0) return {};
  }
  return out;
}

// Items [start, stop) of a list, as a new list.
Ref slice(PyObject* list, Py_ssize_t start, Py_ssize_t stop) noexcept {
  return Ref::steal(PyList_GetSlice(list, start, std::min(stop, PyList_GET_SIZE(list))));
}

// Appends `item` (a new reference) to `out`; false with the error set.
bool put(PyObject* out, Ref item) noexcept {
  return item && PyList_Append(out, item.get()) == 0;
}

// A block whose list under `key` is longer than `max` becomes blocks of `max` items each.
bool split_list(PyObject* block, PyObject* key, Py_ssize_t max, Ids& ids, PyObject* out) noexcept {
  Ref list = Ref::borrow(PyDict_GetItemWithError(block, key));
  if (!list || !PyList_Check(list.get()) || PyList_GET_SIZE(list.get()) <= max) {
    return !PyErr_Occurred() && PyList_Append(out, block) == 0;
  }
  Py_ssize_t number = 1;
  for (Py_ssize_t start = 0; start < PyList_GET_SIZE(list.get()); start += max) {
    Ref chunk = slice(list.get(), start, start + max);
    if (!chunk || !put(out, part(block, {{key, chunk.get()}}, number++, ids))) return false;
  }
  return true;
}

// A table of more than 100 rows becomes tables of at most 100, each opening with the first row.
bool split_table(PyObject* block, Ids& ids, PyObject* out) noexcept {
  Ref rows = Ref::borrow(PyDict_GetItemWithError(block, k.rows));
  if (!rows || !PyList_Check(rows.get()) || PyList_GET_SIZE(rows.get()) <= limit::table_rows) {
    return !PyErr_Occurred() && PyList_Append(out, block) == 0;
  }
  Ref header = Ref::borrow(PyList_GET_ITEM(rows.get(), 0));
  Py_ssize_t number = 1, per_table = limit::table_rows - 1;
  for (Py_ssize_t start = 1; start < PyList_GET_SIZE(rows.get()); start += per_table) {
    Ref chunk = slice(rows.get(), start, start + per_table);
    if (!chunk || PyList_Insert(chunk.get(), 0, header.get()) < 0 ||
        !put(out, part(block, {{k.rows, chunk.get()}}, number++, ids))) {
      return false;
    }
  }
  return true;
}

// The parts of a section text over 3000 characters, cut at paragraph breaks, line breaks or
// spaces and never inside an entity or escape (the validator has made sure that it can be).
bool text_parts(PyObject* text, std::vector<Ref>& parts) noexcept {
  vm::Chars chars(text);
  for (Py_ssize_t start = 0; start < chars.size();) {
    Py_ssize_t end = vm::cut_end(chars, start, limit::section_text);
    if (end <= start) {
      PyErr_SetString(PyExc_ValueError, "a section text changed while it was being split");
      return false;
    }
    parts.push_back(Ref::steal(PyUnicode_Substring(text, start, end)));
    if (!parts.back()) return false;
    start = end;
  }
  return true;
}

// A section with a text over 3000 characters or over 10 fields becomes several: the text's
// parts in order (the first keeps the accessory), the fields, 10 at a time, after the text.
bool split_section(PyObject* block, Ids& ids, PyObject* out) noexcept {
  Ref text_object = Ref::borrow(PyDict_GetItemWithError(block, k.text));
  Ref fields = Ref::borrow(PyDict_GetItemWithError(block, k.fields));
  if (PyErr_Occurred()) return false;
  Ref text = Ref::borrow(
      text_object && PyDict_Check(text_object.get()) ? PyDict_GetItemWithError(text_object.get(), k.text) : nullptr);
  if (PyErr_Occurred()) return false;
  bool long_text = text && PyUnicode_Check(text.get()) && PyUnicode_GET_LENGTH(text.get()) > limit::section_text;
  bool many_fields = fields && PyList_Check(fields.get()) && PyList_GET_SIZE(fields.get()) > limit::fields;
  if (!long_text && !many_fields) return PyList_Append(out, block) == 0;

  std::vector<Ref> texts;  // new text objects, one per part of the text
  if (long_text) {
    std::vector<Ref> pieces;
    if (!text_parts(text.get(), pieces)) return false;
    for (Ref& piece : pieces) {
      texts.push_back(Ref::steal(PyDict_Copy(text_object.get())));
      if (!texts.back() || PyDict_SetItem(texts.back().get(), k.text, piece.get()) < 0) return false;
    }
  } else if (text_object) {
    texts.push_back(Ref::borrow(text_object.get()));
  }
  std::vector<Ref> chunks;  // the fields, 10 at a time
  Py_ssize_t field_count = fields && PyList_Check(fields.get()) ? PyList_GET_SIZE(fields.get()) : 0;
  for (Py_ssize_t start = 0; start < field_count; start += limit::fields) {
    chunks.push_back(slice(fields.get(), start, start + limit::fields));
    if (!chunks.back()) return false;
  }
  // Part i shows text part i (while there are some) and, from the last text part on, the next
  // chunk of fields; only the first part keeps the accessory.
  std::size_t count = std::max<std::size_t>(texts.size(), 1) + (chunks.empty() ? 0 : chunks.size() - 1);
  std::size_t fields_from = texts.empty() ? 0 : texts.size() - 1;
  for (std::size_t i = 0; i < count; ++i) {
    PyObject* shown_text = i < texts.size() ? texts[i].get() : nullptr;
    PyObject* shown_fields =
        i >= fields_from && i - fields_from < chunks.size() ? chunks[i - fields_from].get() : nullptr;
    Ref accessory = Ref::borrow(i == 0 ? PyDict_GetItemWithError(block, k.accessory) : nullptr);
    if (PyErr_Occurred()) return false;
    Py_ssize_t number = static_cast<Py_ssize_t>(i) + 1;
    if (!put(out, part(block, {{k.text, shown_text}, {k.fields, shown_fields}, {k.accessory, accessory.get()}}, number,
                       ids))) {
      return false;
    }
  }
  return true;
}

// ---- spreading blocks over messages ------------------------------------------------------------

// What a block counts against a message's limits besides its place: a table, markdown text.
struct Weight {
  bool table = false;
  Py_ssize_t markdown = 0;
};

// Appends the blocks that `block` becomes to `out`, and what each weighs to `weights`.
bool split_block(PyObject* block, Ids& ids, PyObject* out, std::vector<Weight>& weights) noexcept {
  Py_ssize_t before = PyList_GET_SIZE(out);
  Weight weight;
  Ref type = Ref::borrow(PyDict_Check(block) ? PyDict_GetItemWithError(block, k.type) : nullptr);
  bool ok = !PyErr_Occurred();
  switch (type ? vm::which_key(type.get(), {k.section, k.actions, k.context, k.table, k.markdown}) : -1) {
    case 0:
      ok = ok && split_section(block, ids, out);
      break;
    case 1:
      ok = ok && split_list(block, k.elements, limit::actions, ids, out);
      break;
    case 2:
      ok = ok && split_list(block, k.elements, limit::context, ids, out);
      break;
    case 3:
      weight.table = true;
      ok = ok && split_table(block, ids, out);
      break;
    case 4: {
      Ref text = Ref::borrow(PyDict_GetItemWithError(block, k.text));
      if (text && PyUnicode_Check(text.get())) weight.markdown = PyUnicode_GET_LENGTH(text.get());
      ok = !PyErr_Occurred() && PyList_Append(out, block) == 0;
      break;
    }
    default:
      ok = ok && PyList_Append(out, block) == 0;
  }
  weights.insert(weights.end(), static_cast<std::size_t>(PyList_GET_SIZE(out) - before), weight);
  return ok;
}

// The blocks in lists of at most `max_blocks`, one table and 12,000 characters of markdown each.
Ref spread(PyObject* blocks, const std::vector<Weight>& weights, Py_ssize_t max_blocks) noexcept {
  Ref messages = vm::empty_list();
  if (!messages) return {};
  Py_ssize_t count = PyList_GET_SIZE(blocks), start = 0, markdown = 0;
  bool has_table = false;
  for (Py_ssize_t i = 0; i <= count; ++i) {
    const Weight* w = i < count ? &weights[static_cast<std::size_t>(i)] : nullptr;
    bool full = !w || i - start == max_blocks || (w->table && has_table) || markdown + w->markdown > limit::markdown;
    if (full && i > start) {
      Ref part = Ref::steal(PyList_GetSlice(blocks, start, i));
      if (!part || PyList_Append(messages.get(), part.get()) < 0) return {};
      start = i;
      has_table = false;
      markdown = 0;
    }
    if (w) {
      has_table = has_table || w->table;
      markdown += w->markdown;
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

constexpr vm::Params<2> fit_params{"fit", {&Keys::message, &Keys::max_blocks}, 1, 1};

Ref fit(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  vm::Bound<2> a;
  if (!vm::bind(fit_params, args, nargs, kwnames, a) || (a[1] && !vm::check_exact(a[1], &PyLong_Type, "max_blocks"))) {
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
    if (step == 'p' || step == 't') {
      if (PyList_Append(expanded.get(), block.get()) < 0) return {};
      weights.push_back({.table = step == 't'});
    } else if (!split_block(block.get(), ids, expanded.get(), weights)) {
      return {};
    }
  }
  Ref lists = spread(expanded.get(), weights, max_blocks);
  return lists ? payloads(message, lists.get()) : Ref{};
}

PyMethodDef functions[] = {
    vm::function<fit, "fit(message, *, max_blocks=50)",
                 "The payloads that carry `message` (a payload dict, or a list of blocks) within Slack's\n"
                 "limits, in order, nothing dropped: at most `max_blocks` blocks, one table and 12,000\n"
                 "characters of markdown blocks each. Section texts over 3,000 characters are cut at a\n"
                 "paragraph break, a line break or a space (never inside an entity or escape); sections of\n"
                 "more than 10 fields, actions of more than 25 elements, context of more than 10 and tables\n"
                 "of more than 100 rows (the first row repeated) are split. Every payload keeps the message's\n"
                 "other keys (text, channel, thread_ts, ...); a list gives {\"blocks\": [...]} payloads. The\n"
                 "first part of a split block keeps its block_id, later ones get \"<id>-2\", \"<id>-3\", ...\n"
                 "InvalidBlocks lists what cannot be split (a header over 150 characters, a button text\n"
                 "over 75, ...), as validate() words it.">(),
    vm::table_end};

bool prepare(PyObject* module) noexcept {
  return vm::import_from_package(module, "_validate", {"_unsplittable"}) &&
         vm::import_from_package(module, "errors", {"InvalidBlocks"});
}

}  // namespace

VM_FUNCTION_MODULE("Fitting a message to Slack's limits: velmora.fit.", functions, prepare)
