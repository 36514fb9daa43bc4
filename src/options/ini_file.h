// The program's INI file, applied before the command line.
#pragma once

#include "options/option_support.h"

#include <string>

// Finds the INI file for the program named by argv[0] (the program's own
// name with the extension "ini", else QUENTARO.INI in the current folder from
// its [BASE] line on) and applies it.
void apply_ini_file(Parsing& p, wchar_t** argv);

// The INI file's name for the program at `program_path`: its extension (or
// the end of a name without one) becomes ".ini".
std::wstring ini_name_for_program(const std::wstring& program_path);

// Applies one INI line without its line end: `line` upper-cased, `as_written`
// in the case it was written in. True when a directive took it (the line is
// then echoed in the run header).
bool apply_ini_line(Parsing& p, const std::string& line, const std::string& as_written);

// The open-file dialog of the memo directive ("Output File Selection"): the
// chosen full path, false when the user cancels.
bool select_output_file(std::wstring& chosen);
