// The start-up header on the screen, in the default log and the error log.
#pragma once

#include <string>

void print_header(int argc, wchar_t** argv);
// "Eastern Standard Time" gives "EST", "W. Europe Standard Time" "WES".
std::wstring zone_abbreviation(const std::wstring& zone_name);
