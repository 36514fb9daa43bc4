// The usage screens and the log help screens.
#pragma once

#include "state/run_state.h"

// Shows the usage screens page by page and ends the process: exit code 0
// after the last page, 6 when the user leaves early (ESC, Ctrl-C, or the
// end of input at a page prompt).
[[noreturn]] void show_usage(Run& run);

// Shows the four log help pages and returns after the last one; ends the
// process with exit code 6 when the user leaves early.
void show_log_help(Run& run);
