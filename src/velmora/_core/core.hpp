// The support layer shared by every extension module of velmora.
#pragma once

#include "args.hpp"
#include "build.hpp"
#include "builders.hpp"
#include "elements.hpp"
#include "errors.hpp"
#include "keys.hpp"
#include "messages.hpp"
#include "module.hpp"
#include "ref.hpp"
