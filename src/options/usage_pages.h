// The texts of the usage screens and of the log help screens.
#pragma once

#include <string>

constexpr int USAGE_PAGE_COUNT = 18;
constexpr int LOG_HELP_PAGE_COUNT = 4;

// Page `index` (0 to USAGE_PAGE_COUNT - 1) of the usage screens, without
// its banner; the last page ends with the build lines of the program units.
std::wstring usage_page(int index);

// Page `index` (0 to LOG_HELP_PAGE_COUNT - 1) of the log help screens,
// without the empty lines around it.
const wchar_t* log_help_page(int index);
