#include "options/long_options.h"

// No long option is understood yet: every text is accepted and ignored, as a
// text that names no option always is.
int apply_long_option(const std::wstring&) { return 0; }
