// The usage screens, the log help screens and the memo input.
#pragma once

// Shows the usage screens and ends the process.
[[noreturn]] void show_usage();
