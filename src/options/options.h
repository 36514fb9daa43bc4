// The command line: positional folders, short options, "--" options.
#pragma once

// Fills the run configuration from the INI file and the arguments; every
// error ends the run from inside.
void parse_options(int argc, wchar_t** argv);
