// pandas for the table modules: imported at module set-up, with an ImportError that names
// the extra to install when it is missing, and the DataFrame argument check.
#pragma once

#include <initializer_list>

#include "errors.hpp"
#include "module.hpp"

namespace vm {

inline Global dataframe_type;

// `from <package> import names` (absolute); when that fails with an ImportError, an
// ImportError "velmora.blocks.table needs pandas: pip install 'velmora[tables]'" chained
// to the original one.
inline bool import_extra(PyObject* module, const char* package,
                         std::initializer_list<const char*> names) noexcept {
  if (import_from(module, package, 0, names)) return true;
  if (!PyErr_ExceptionMatches(PyExc_ImportError)) return false;
  PyObject* cause = PyErr_GetRaisedException();
  PyErr_Format(PyExc_ImportError, "%s needs %s: pip install 'velmora[tables]'", VELMORA_MODULE_NAME,
               package);
  PyObject* error = PyErr_GetRaisedException();
  PyException_SetContext(error, Py_NewRef(cause));
  PyException_SetCause(error, cause);
  PyErr_SetRaisedException(error);
  return false;
}

// Imports pandas' DataFrame into the module's globals and keeps the class for checks.
inline bool import_pandas(PyObject* module) noexcept {
  if (!import_extra(module, "pandas", {"DataFrame"})) return false;
  Ref frame = global(k.DataFrame);
  if (!frame) return false;
  if (!PyType_Check(frame.get())) {
    PyErr_SetString(PyExc_ImportError, "pandas.DataFrame is not a class");
    return false;
  }
  dataframe_type.set(std::move(frame));
  return true;
}

// A pandas DataFrame (subclasses too), else the incorrect-type TypeError naming `param`.
inline bool check_frame(PyObject* value, const char* param) noexcept {
  if (PyObject_TypeCheck(value, reinterpret_cast<PyTypeObject*>(dataframe_type.get()))) [[likely]] {
    return true;
  }
  raise_wrong_type(param, "DataFrame", value);
  return false;
}

}  // namespace vm
