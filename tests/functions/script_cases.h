// Table-driven checks of scripts (TScriptCase, ExpectResults) live with the engine's
// test helpers; the function-area tests include them from here.
#pragma once

#include "tests/engine/test_support.h"
