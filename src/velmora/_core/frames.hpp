// pandas for the table modules: imported at module set-up, with an ImportError that names
// the extra to install when it is missing, and the DataFrame argument check.
#pragma once

#include <initializer_list>

#include "args.hpp"
#include "errors.hpp"
#include "messages.hpp"
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

// ---- the table messages ------------------------------------------------------------------

// The constructor of a message on a DataFrame, (df, <text>=None, index=False, **kwargs): `df`
// a DataFrame, the text exactly str or None; the base gets the other keyword arguments first,
// then the three are stored under their parameter names.
inline int init_frame_message(PyObject* cls, PyObject* self, PyObject* args, PyObject* kwargs,
                              const Params<3>& params, const char* text_param) noexcept {
  Bound<3> a;
  Ref rest;
  if (!bind_init(params, args, kwargs, a, rest) || !check_frame(a[0], "df")) return -1;
  PyObject* text = a[1] ? a[1] : Py_None;
  PyObject* index = a[2] ? a[2] : Py_False;
  if (!check_str(text, text_param, /*none_ok=*/true)) return -1;
  if (call_base_init(cls, self, rest.get()) < 0) return -1;
  return set_attr(self, k.*params.names[0], a[0]) && set_attr(self, k.*params.names[1], text) &&
                 set_attr(self, k.*params.names[2], index)
             ? 0
             : -1;
}

}  // namespace vm
