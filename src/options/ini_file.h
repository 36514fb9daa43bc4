// The program's INI file, applied before the command line.
#pragma once

// Finds the INI file for the program named by argv[0] and applies it.
void apply_ini_file(wchar_t** argv);
