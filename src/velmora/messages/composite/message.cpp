// Message: a message made of parts: lists of blocks, single blocks and other messages.
#include "velmora/message.hpp"

namespace {

using vm::k, vm::Keys, vm::Ref;

[[gnu::cold]] bool raise_wrong_part(PyObject* part) noexcept {
  Ref got = vm::type_name(part);
  if (got) {
    PyErr_Format(PyExc_TypeError, "a part of a Message is a list of blocks, a block (dict) or a message, got %.200U",
                 got.get());
  }
  return false;
}

// Appends the blocks of one part to `blocks`: a list's items, a dict itself, a message's
// build_blocks() (a list or None, made now, so that it shows the message as it is now).
bool add_part(PyObject* blocks, PyObject* part) {
  if (PyList_CheckExact(part)) return vm::append_all(blocks, part);
  if (PyDict_CheckExact(part)) return PyList_Append(blocks, part) == 0;
  Ref build;
  if (vm::lookup_attr(part, k.build_blocks, build) < 0) return false;
  if (!build || PyType_Check(part)) return raise_wrong_part(part);
  return vm::extend_blocks(blocks, Ref::steal(PyObject_CallNoArgs(build.get())));
}

Ref build_blocks(PyObject* self) {
  Ref parts = vm::get_attr(self, k.parts);
  Ref it = parts ? Ref::steal(PyObject_GetIter(parts.get())) : Ref{};
  Ref blocks = it ? vm::empty_list() : Ref{};
  if (!blocks) return {};
  while (Ref part = Ref::steal(PyIter_Next(it.get()))) {
    if (!add_part(blocks.get(), part.get())) return {};
  }
  return PyErr_Occurred() ? Ref{} : std::move(blocks);
}

constexpr vm::Message message{
    .name = "Message",
    .doc = R"(
        A message made of `parts`, in order: lists of blocks (what the builders of velmora.blocks
        return), single blocks (dicts) and other messages, whose build_blocks() is called each time
        this message is built. `message + message` makes one too. Keyword arguments go to
        BaseVelmora (preview, header, sub_header, slack_bot, extras).)",
    .star = &Keys::parts,
    .build_doc = "The blocks of every part, in order.",
    .shown = {&Keys::parts},
    .build = build_blocks,
};

}  // namespace

VM_MESSAGE_MODULE("A message made of block lists, blocks and other messages.", message)
