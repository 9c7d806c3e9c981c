// The error convention: a null Ref (or -1) with the Python error set. The raisers
// here are cold and out of line so that the checks inlined on hot paths stay small.
#pragma once

#include <new>
#include <type_traits>

#include "ref.hpp"

namespace vm {

// type(value).__name__, or nullptr with the error set.
inline Ref type_name(PyObject* value) noexcept {
  return Ref::steal(PyType_GetName(Py_TYPE(value)));
}

// TypeError "Argument 'text' has incorrect type (expected str, got int)".
[[gnu::cold, gnu::noinline]] inline void raise_wrong_type(const char* param, const char* expected,
                                                          PyObject* value) noexcept {
  Ref got = type_name(value);
  if (!got) return;
  PyErr_Format(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200U)", param, expected,
               got.get());
}

// Exactly `type` (no subclass), or None where `none_ok`. Sets TypeError and returns false otherwise.
inline bool check_exact(PyObject* value, PyTypeObject* type, const char* param, bool none_ok = false) noexcept {
  if (Py_IS_TYPE(value, type) || (none_ok && value == Py_None)) [[likely]] {
    return true;
  }
  raise_wrong_type(param, type->tp_name, value);
  return false;
}
inline bool check_str(PyObject* value, const char* param, bool none_ok = false) noexcept {
  return check_exact(value, &PyUnicode_Type, param, none_ok);
}
inline bool check_list(PyObject* value, const char* param, bool none_ok = false) noexcept {
  return check_exact(value, &PyList_Type, param, none_ok);
}

// An optional str: exactly str, or None or left out (nullptr). None and "" mean "absent";
// `present` tells whether there is a text to use.
inline bool check_optional_str(PyObject* value, const char* param, bool& present) noexcept {
  present = false;
  if (!value || value == Py_None) return true;
  if (!check_str(value, param)) return false;
  present = PyUnicode_GET_LENGTH(value) > 0;
  return true;
}

// An optional str, as above, of at most `max` characters: ValueError "block_id must hold at
// most 255 characters, got 256" past it.
inline bool check_optional_str(PyObject* value, const char* param, Py_ssize_t max, bool& present) noexcept {
  if (!check_optional_str(value, param, present)) return false;
  if (!present || PyUnicode_GET_LENGTH(value) <= max) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must hold at most %zd characters, got %zd", param, max,
               PyUnicode_GET_LENGTH(value));
  return false;
}

// An optional block_id, as above, of at most 255 characters (Slack's limit).
inline bool check_block_id(PyObject* value, bool& present) noexcept {
  return check_optional_str(value, "block_id", 255, present);
}

// Exactly a str of `min` to `max` characters: the incorrect-type TypeError, or ValueError
// "text must hold 1 to 3000 characters, got 3001".
inline bool check_str_length(PyObject* value, const char* param, Py_ssize_t min, Py_ssize_t max) noexcept {
  if (!check_str(value, param)) return false;
  Py_ssize_t length = PyUnicode_GET_LENGTH(value);
  if (length >= min && length <= max) [[likely]]
    return true;
  PyErr_Format(PyExc_ValueError, "%s must hold %zd to %zd characters, got %zd", param, min, max, length);
  return false;
}

// TypeError "Expected list, got dict" for a result that must be a list or None.
[[gnu::cold, gnu::noinline]] inline void raise_wrong_result(const char* expected, PyObject* value) noexcept {
  Ref got = type_name(value);
  if (!got) return;
  PyErr_Format(PyExc_TypeError, "Expected %s, got %.200U", expected, got.get());
}

// Passes a builder's result through when it is a list or None; otherwise the TypeError above.
inline Ref check_list_result(Ref result) noexcept {
  if (!result || PyList_CheckExact(result.get()) || result.get() == Py_None) [[likely]] {
    return result;
  }
  raise_wrong_result("list", result.get());
  return {};
}

// Runs `body` so that no C++ exception reaches the interpreter: every entry point the interpreter
// calls goes through here. A body returning Ref gives a new reference or null; one returning int
// (tp_init, a module's exec slot) 0 or -1; one returning bool, true or false. A std::bad_alloc
// becomes MemoryError, any other exception SystemError, each with the failure value.
template <class Body>
auto guarded(Body&& body) noexcept {
  using Result = decltype(body());
  constexpr bool owned = std::is_same_v<Result, Ref>;
  auto failed = [] {
    if constexpr (owned) {
      return static_cast<PyObject*>(nullptr);
    } else if constexpr (std::is_same_v<Result, bool>) {
      return false;
    } else {
      return Result{-1};
    }
  };
  try {
    if constexpr (owned) {
      return body().release();
    } else {
      return body();
    }
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "velmora: unexpected C++ exception");
  }
  return failed();
}

[[gnu::cold, gnu::noinline]] inline Ref raise_value_error(const char* message) noexcept {
  PyErr_SetString(PyExc_ValueError, message);
  return {};
}

}  // namespace vm
