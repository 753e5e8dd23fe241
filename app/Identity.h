#pragma once

// setup/ still reads the identity from here; the identity itself is core/Identity.h. This file
// goes once setup/ includes that.
#include "core/Identity.h"
