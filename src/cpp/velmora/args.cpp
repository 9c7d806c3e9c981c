// CPython's errors for a call that does not fit a parameter list (see args.hpp).
#include "args.hpp"

namespace vm::detail {

void raise_too_many(const char* func, std::size_t max, std::size_t required, Py_ssize_t given) noexcept {
  if (required < max) {
    PyErr_Format(PyExc_TypeError, "%s() takes from %zu to %zu positional arguments but %zd %s given", func, required,
                 max, given, given == 1 ? "was" : "were");
  } else {
    PyErr_Format(PyExc_TypeError, "%s() takes %zu positional argument%s but %zd %s given", func, max,
                 max == 1 ? "" : "s", given, given == 1 ? "was" : "were");
  }
}

void raise_missing(const char* func, PyObject* const* names, std::size_t count, const char* kind) noexcept {
  Ref listed = Ref::steal(PyUnicode_FromString(""));
  for (std::size_t i = 0; listed && i < count; ++i) {
    const char* sep = i == 0 ? "" : (i + 1 < count ? ", " : (count == 2 ? " and " : ", and "));
    listed = Ref::steal(PyUnicode_FromFormat("%U%s'%U'", listed.get(), sep, names[i]));
  }
  if (!listed) return;
  PyErr_Format(PyExc_TypeError, "%s() missing %zu required %s argument%s: %U", func, count, kind, count == 1 ? "" : "s",
               listed.get());
}

void raise_unexpected(const char* func, PyObject* name) noexcept {
  if (!PyUnicode_Check(name)) {
    PyErr_Format(PyExc_TypeError, "%s() keywords must be strings", func);
  } else {
    PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", func, name);
  }
}

void raise_duplicate(const char* func, PyObject* name) noexcept {
  PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%U'", func, name);
}

}  // namespace vm::detail
