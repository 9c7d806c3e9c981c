// The classes of builders themselves (builders.cpp): each builder stored through a small binding
// descriptor, so that it behaves as a class method (see builders.hpp).
#pragma once

#include <span>

#include "ref.hpp"

namespace vm {

// How a builder is wrapped at class creation: by one of the validation decorators of
// velmora.utils, or not at all.
enum class Wrap { none, validate_options, validate_initial_time };

struct Builder {
  PyMethodDef def;
  Wrap wrap;
};

// 1 when `cls` is a class of builders whose own dict still holds the builder `name` (called
// `builder`) made for it by this module: `cls.name(...)` then runs that builder, and a builder
// of the same class may call it directly. 0 for a subclass, a replaced builder or anything else;
// -1 on error.
int holds_own_builder(PyObject* cls, PyObject* name, const char* builder) noexcept;

// The decorators of velmora.utils (looked up by the module at set-up), by Wrap.
struct Decorators {
  PyObject* validate_options = nullptr;
  PyObject* validate_initial_time = nullptr;
};

// A new subclassable, mutable class `qualified_name` ("velmora.blocks.section.Section")
// holding `builders`; decorated builders are passed, unbound, to their decorator first.
Ref make_builder_class(PyObject* module, const char* qualified_name, const char* doc, std::span<Builder> builders,
                       Decorators decorators = {}) noexcept;

}  // namespace vm
