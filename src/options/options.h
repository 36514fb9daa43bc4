// The command line: positional folders, short options, "--" options.
#pragma once

#include "options/option_support.h"

// Fills the run configuration from the INI file and the arguments; every
// error ends the run from inside.
void parse_options(Parsing& p, int argc, wchar_t** argv);

#include <string>

// The values that the long options and the INI file read as their letters do.
// -g/-l: a number of days, or a date with its A/C/W letters and its cut-off.
void apply_age_value(Parsing& p, const std::wstring& value, bool older);
// -S: opens the list file and counts its pieces; a file that cannot be opened
// ends the run (reason 3).
void apply_source_list(Parsing& p, const wchar_t* value);
