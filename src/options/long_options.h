// The "--" options.
#pragma once

#include "options/option_support.h"

#include <string>

// Applies the long option `text` (what follows the "--"). Returns 0 when it
// was accepted (a text that names no option is accepted and ignored),
// non-zero when it is malformed.
int apply_long_option(Parsing& p, const std::wstring& text);
