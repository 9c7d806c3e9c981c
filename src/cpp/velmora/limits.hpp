// Slack's limits as C++ constants, vm::limit::blocks, ..., from the one table in limits.def
// (velmora._limits shows the same table to Python).
#pragma once

#include "ref.hpp"

namespace vm::limit {

#define VM_LIMIT(name, value, what) constexpr Py_ssize_t name = value;
#include "limits.def"
#undef VM_LIMIT

}  // namespace vm::limit
