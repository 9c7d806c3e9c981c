// Checks Block Kit blocks against Slack's published limits and lists every problem found,
// each as {"path": <JSON pointer>, "message": <sentence>}. Slack itself answers only
// `invalid_blocks`; here the caller learns where and why. This module holds the table of
// block types and the walk over a message; each family of checks is a header of its own
// (velmora/check*.hpp).
#include "velmora/blocks.hpp"
#include "velmora/check_charts.hpp"
#include "velmora/check_interactive.hpp"
#include "velmora/check_layout.hpp"
#include "velmora/check_media.hpp"
#include "velmora/check_tables.hpp"
#include "velmora/check_text_blocks.hpp"

namespace {

using namespace vm::check;
using vm::k;
using vm::Ref;
namespace limit = vm::limit;

bool block(Checker& c, PyObject* item, Seen& seen);

// A block whose check needs nothing but the block.
template <bool (*check)(Checker&, PyObject*)>
bool alone(Checker& c, PyObject* item, Seen&) {
  return check(c, item);
}

bool container_block(Checker& c, PyObject* item, Seen& seen) {
  return container(c, item, [&](PyObject* child) { return block(c, child, seen); });
}

bool alert_block(Checker& c, PyObject*, Seen&) {
  auto here = c.at(k.type);
  return c.report("\"alert\" blocks show only in modals, not in messages.");
}

using K = vm::Keys;

// Every block type a message may hold, with its check and the keys it takes besides "type" and
// "block_id"; the common ones first, since the type is looked up in this order.
constexpr struct {
  vm::Key type;
  bool (*check)(Checker& c, PyObject* item, Seen& seen);
  KeySet keys;
} block_checks[] = {
    {&K::section, alone<section>, {&K::text, &K::fields, &K::accessory, &K::expand}},
    {&K::divider, alone<divider>, {}},
    {&K::actions, alone<actions>, {&K::elements}},
    {&K::context, alone<context>, {&K::elements}},
    {&K::header, alone<header>, {&K::text, &K::level}},
    {&K::image, alone<image_block>, {&K::image_url, &K::slack_file, &K::alt_text, &K::title}},
    {&K::rich_text, alone<rich_text>, {&K::elements}},
    {&K::table, table_block, {&K::rows, &K::column_settings}},
    {&K::markdown, markdown, {&K::text}},
    {&K::video,
     alone<video>,
     {&K::alt_text, &K::title, &K::video_url, &K::thumbnail_url, &K::title_url, &K::description, &K::author_name,
      &K::provider_name, &K::provider_icon_url}},
    {&K::input, alone<input>, {&K::label, &K::element, &K::hint, &K::optional, &K::dispatch_action}},
    {&K::card, alone<card>, card_keys},
    {&K::carousel, alone<carousel>, {&K::elements}},
    {&K::container,
     container_block,
     {&K::child_blocks, &K::title, &K::rich_text_title, &K::subtitle, &K::width, &K::icon, &K::is_collapsible,
      &K::default_collapsed, &K::has_header_divider}},
    // Slack takes and ignores a plan's "status".
    {&K::plan, plan, {&K::title, &K::tasks, &K::status}},
    {&K::task_card, alone<task_card>, task_keys},
    {&K::call, alone<call>, {&K::call_id, &K::api_decoration_available, &K::call}},
    {&K::data_table, data_table_block, {&K::caption, &K::rows, &K::page_size, &K::row_header_column_index}},
    {&K::data_visualization, data_visualization, {&K::title, &K::chart}},
    {&K::context_actions, alone<context_actions>, {&K::elements}},
    {&K::auth_provider,
     alone<auth_provider>,
     {&K::value, &K::name, &K::accessory, &K::auth_url, &K::connected_context, &K::connected_identity, &K::description,
      &K::disconnect_url, &K::fallback, &K::icon_url, &K::is_connected}},
    {&K::file, alone<file_block>, {&K::external_id, &K::source}},
    {&K::alert, alert_block, {&K::text, &K::level}},
};

constexpr KeySet every_block{&K::type, &K::block_id};

bool block(Checker& c, PyObject* item, Seen& seen) {
  Ref type;
  if (!typed(c, item, "A block", type)) return false;
  if (!type) return true;
  int at = vm::which_entry(type.get(), block_checks, [](const auto& entry) { return k.*entry.type; });
  if (at < 0) {
    auto here = c.at(k.type);
    return c.report("Slack has no block of type \"%U\" for messages.", type.get());
  }
  return keys(c, item, block_checks[at].keys, every_block, type.get()) && block_id(c, item, seen) &&
         block_checks[at].check(c, item, seen);
}

bool blocks(Checker& c, PyObject* list) {
  if (!PyList_Check(list)) {
    Ref got = vm::type_name(list);
    return got && c.report("Blocks must be a list, not %U.", got.get());
  }
  Py_ssize_t count = PyList_GET_SIZE(list);
  if (count > split_max(c, limit::blocks) &&
      !c.report("A message holds at most %zd blocks; this one has %zd.", limit::blocks, count)) {
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
    if (!block(c, item.get(), seen) || !text_guard(c, item.get(), seen)) return false;
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
    if (null(text.get())) {
      if (!null_value(c, k.text)) return false;
    } else if (!PyUnicode_Check(text.get())) {
      if (!wrong_type(c, k.text, "a string", text.get())) return false;
    } else if (PyUnicode_GET_LENGTH(text.get()) > limit::message_text &&
               !c.report("The fallback text is %zd characters long; Slack refuses more than %zd (msg_too_long).",
                         PyUnicode_GET_LENGTH(text.get()), limit::message_text)) {
      return false;
    }
  }
  if (!items(c, object, k.attachments, 0, limit::attachments, "a message", false, [](PyObject*) { return true; })) {
    return false;
  }
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
constexpr vm::Params<1> unsplittable_params{"_unsplittable", {&vm::Keys::blocks}, 1};

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
    vm::function<checked<unsplittable_params, true>, "_unsplittable(blocks)",
                 "The problems of validate() that velmora.fit cannot remove by splitting the message, and\n"
                 "fit's plan for each block (bytes): (problems, plan).">(),
    vm::table_end};

}  // namespace

VM_FUNCTION_MODULE("Validation of Block Kit messages against Slack's published limits.", functions, nullptr)
