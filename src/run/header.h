// The start-up header on the screen, in the default log and the error log.
#pragma once

#include <string>

#include "state/run_state.h"

void print_header(const Configuration& config, Run& run, int argc, wchar_t** argv);
// "Eastern Standard Time" gives "EST", "W. Europe Standard Time" "WES".
std::wstring zone_abbreviation(const std::wstring& zone_name);
