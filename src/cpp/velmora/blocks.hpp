// Support for a module of builders: argument binding, output dicts and lists, classes of
// builders bound as class methods, module set-up.
#pragma once

#include "args.hpp"
#include "build.hpp"
#include "builders.hpp"
#include "errors.hpp"
#include "keys.hpp"
#include "module.hpp"
#include "ref.hpp"
