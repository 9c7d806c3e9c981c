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
#include "velmora/check_views.hpp"

namespace {

using namespace vm::check;
using vm::k, vm::Ref;
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

using K = vm::Keys;

constexpr unsigned everywhere = message | modal | home, not_in_modals = message | home;

// Every block type, with its check, the keys it takes besides "type" and "block_id", and the
// surfaces that show it; the common ones first, since the type is looked up in this order.
constexpr struct {
  vm::Key type;
  bool (*check)(Checker& c, PyObject* item, Seen& seen);
  KeySet keys;
  unsigned surfaces = message;
} block_checks[] = {
    {&K::section, alone<section>, {&K::text, &K::fields, &K::accessory, &K::expand}, everywhere},
    {&K::divider, alone<divider>, {}, everywhere},
    {&K::actions, alone<actions>, {&K::elements}, everywhere},
    {&K::context, alone<context>, {&K::elements}, everywhere},
    {&K::header, alone<header>, {&K::text, &K::level}, everywhere},
    {&K::image, alone<image_block>, {&K::image_url, &K::slack_file, &K::alt_text, &K::title}, everywhere},
    {&K::rich_text, alone<rich_text>, {&K::elements}, everywhere},
    {&K::table, table_block, {&K::rows, &K::column_settings}},
    {&K::markdown, markdown, {&K::text}},
    {&K::video,
     alone<video>,
     {&K::alt_text, &K::title, &K::video_url, &K::thumbnail_url, &K::title_url, &K::description, &K::author_name,
      &K::provider_name, &K::provider_icon_url},
     everywhere},
    {&K::input, alone<input>, {&K::label, &K::element, &K::hint, &K::optional, &K::dispatch_action}, everywhere},
    {&K::card, alone<card>, card_keys, everywhere},
    {&K::carousel, alone<carousel>, {&K::elements}, not_in_modals},
    {&K::container,
     container_block,
     {&K::child_blocks, &K::title, &K::rich_text_title, &K::subtitle, &K::width, &K::icon, &K::is_collapsible,
      &K::default_collapsed, &K::has_header_divider},
     not_in_modals},
    // Slack takes and ignores a plan's "status".
    {&K::plan, plan, {&K::title, &K::tasks, &K::status}},
    {&K::task_card, alone<task_card>, task_keys},
    {&K::call, alone<call>, {&K::call_id, &K::api_decoration_available, &K::call}},
    {&K::data_table,
     data_table_block,
     {&K::caption, &K::rows, &K::page_size, &K::row_header_column_index},
     not_in_modals},
    {&K::data_visualization, data_visualization, {&K::title, &K::chart}},
    {&K::context_actions, alone<context_actions>, {&K::elements}},
    {&K::auth_provider,
     alone<auth_provider>,
     {&K::value, &K::name, &K::accessory, &K::auth_url, &K::connected_context, &K::connected_identity, &K::description,
      &K::disconnect_url, &K::fallback, &K::icon_url, &K::is_connected},
     everywhere},
    {&K::file, alone<file_block>, {&K::external_id, &K::source}},
    {&K::alert, alone<alert>, {&K::text, &K::level}, modal},
};

constexpr KeySet every_block{&K::type, &K::block_id};

// The surfaces `mask` holds, as a problem names them.
const char* surfaces(unsigned mask) noexcept {
  switch (mask) {
    case message:
      return "messages";
    case modal:
      return "modals";
    case home:
      return "Home tabs";
    case not_in_modals:
      return "messages and Home tabs";
    default:
      return "messages, modals and Home tabs";
  }
}

bool block(Checker& c, PyObject* item, Seen& seen) {
  Ref type;
  if (!typed(c, item, "A block", type)) return false;
  if (!type) return true;
  int at = vm::which_entry(type.get(), block_checks, [](const auto& entry) { return k.*entry.type; });
  if (at < 0) {
    auto here = c.at(k.type);
    return c.report("Slack has no block of type \"%U\".", type.get());
  }
  const auto& entry = block_checks[at];
  if (!(entry.surfaces & c.surface)) {
    auto here = c.at(k.type);
    if (!c.report("\"%U\" blocks show only in %s, not in %s.", type.get(), surfaces(entry.surfaces),
                  surfaces(c.surface))) {
      return false;
    }
  }
  return keys(c, item, entry.keys, every_block, type.get()) && block_id(c, item, seen) && entry.check(c, item, seen);
}

bool blocks(Checker& c, PyObject* list) {
  if (!PyList_Check(list)) {
    Ref got = vm::type_name(list);
    return got && c.report("Blocks must be a list, not %U.", got.get());
  }
  Py_ssize_t count = PyList_GET_SIZE(list);
  bool view = c.surface != message;
  Py_ssize_t most = view ? limit::view_blocks : split_max(c, limit::blocks);
  if (count > most && !c.report("%s holds at most %zd blocks; this one has %zd.",
                                c.surface == modal ? "A modal"
                                : view             ? "A Home tab"
                                                   : "A message",
                                most, count)) {
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
    // The guard for msg_blocks_too_long is a message's; views have no such answer.
    if (!block(c, item.get(), seen) || (c.surface == message && !text_guard(c, item.get(), seen))) return false;
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

// The surface named by `name` (a str), or 0 when it names none.
unsigned surface_named(PyObject* name) noexcept {
  switch (vm::which_key(name, {k.message, k.modal, k.home})) {
    case 0:
      return message;
    case 1:
      return modal;
    case 2:
      return home;
    default:
      return 0;
  }
}

// The problems of a list of blocks, a payload or a view (a dict whose "type" is "modal" or
// "home"); `surface` (a str, or null) says where a list of blocks shows. With `fitting` (for
// velmora.fit, whose name the errors give), those that fit cannot split, and with them fit's plan
// (see Checker::plan) as bytes: (problems, plan).
Ref problems(PyObject* value, PyObject* surface, bool fitting) {
  const char* func = fitting ? "fit" : "validate";
  if (!PyList_Check(value) && !PyDict_Check(value)) {
    Ref got = vm::type_name(value);
    if (got) {
      PyErr_Format(PyExc_TypeError, "%s() expects %s, got %.200U", func,
                   fitting ? "a list of blocks or a payload dict" : "a list of blocks, a payload dict or a view",
                   got.get());
    }
    return {};
  }
  unsigned where = message;
  if (surface) {
    if (!vm::check_str(surface, "surface")) return {};
    if (!(where = surface_named(surface))) {
      PyErr_Format(PyExc_ValueError, "surface must be \"message\", \"modal\" or \"home\", got %R", surface);
      return {};
    }
  }
  Ref type;
  if (PyDict_Check(value) && !get(value, k.type, type)) return {};
  if (type) {  // a view: its type says where its blocks show
    unsigned viewed = PyUnicode_Check(type.get()) ? surface_named(type.get()) : 0;
    if (viewed == message) viewed = 0;
    if (viewed && surface && viewed != where) {
      PyErr_Format(PyExc_ValueError, "validate() got a %U view, but surface=%R", type.get(), surface);
      return {};
    }
    where = viewed ? viewed : where;
  } else if (PyDict_Check(value) && where != message) {
    PyErr_Format(PyExc_ValueError, "validate() got a message payload, but surface=%R; give a view or a list of blocks",
                 surface);
    return {};
  }
  Checker c(fitting, static_cast<Surface>(where));
  if (!c.start()) return {};
  bool ok = true;
  if (PyList_Check(value)) {
    ok = blocks(c, value);
  } else if (!type) {
    ok = payload(c, value);
  } else if (where == message) {
    auto here = c.at(k.type);
    ok = null(type.get()) ? null_value(c, k.type)
         : PyUnicode_Check(type.get())
             ? c.report("A view's \"type\" must be \"modal\" or \"home\", not \"%U\".", type.get())
             : wrong_type(c, k.type, "\"modal\" or \"home\"", type.get());
  } else {
    ok = view(c, value, type.get(), [&](PyObject* list) { return blocks(c, list); });
  }
  if (!ok) return {};
  if (!fitting) return c.finish();
  Ref plan = Ref::steal(PyBytes_FromStringAndSize(c.plan.data(), static_cast<Py_ssize_t>(c.plan.size())));
  Ref found = c.finish();
  return plan ? Ref::steal(PyTuple_Pack(2, found.get(), plan.get())) : Ref{};
}

Ref validate(PyObject*, vm::Bound<2>& a) {
  return problems(a[0], a[1], false);
}

// What velmora.fit cannot split: a message's problems, always of a message.
Ref unsplittable(PyObject*, vm::Bound<1>& a) {
  if (PyDict_Check(a[0])) {
    int view = PyDict_Contains(a[0], k.type);
    if (view < 0) return {};
    if (view) return vm::raise_value_error("fit() splits messages, not views");
  }
  return problems(a[0], nullptr, true);
}

PyMethodDef functions[] = {vm::function<validate, "validate(blocks, *, surface='message')",
                                        R"(
                 Check a list of blocks, a payload {"text": ..., "blocks": [...]} or a view (a dict whose
                 "type" is "modal" or "home") against Slack's published Block Kit rules. `surface`
                 ("message", "modal" or "home") says where a list of blocks shows: 50 blocks in a
                 message, 100 in a view, and each block type only where Slack shows it; a view says it by
                 its type. Returns a new list of problems, each a dict {"path": JSON pointer into the
                 argument, "message": a sentence}; [] when none.)">(),
                           vm::function<unsplittable, "_unsplittable(blocks)",
                                        R"(
                 The problems of validate() that velmora.fit cannot remove by splitting the message, and
                 fit's plan for each block (bytes): (problems, plan).)">(),
                           vm::table_end};

}  // namespace

VM_FUNCTION_MODULE("Validation of Block Kit messages and views against Slack's published rules.", functions, nullptr)
