// List files and start paths: the start folders, file types, exclusion
// patterns and bypassed folders of the run configuration.
#pragma once

#include "options/option_support.h"

#include <cstdio>
#include <string>

// Validates a folder and appends it to source_paths in long-path form; a file
// is split into its folder (the start path) and its name (a file type).
void add_start_path(Parsing& p, const std::wstring& path);
// Appends a pattern to file_types unless the identical one is there.
void add_file_type(Parsing& p, const std::wstring& pattern);
void read_types_file(Parsing& p, const std::wstring& path);    // -F
void read_exclude_file(Parsing& p, const std::wstring& path);  // --exclude=
void add_bypass(Parsing& p, const std::wstring& value);        // --bypass=
// One bypass folder: its full path (at most `limit` characters) in long-path
// form, appended at bypass_count.
void add_bypass_folder(Parsing& p, const std::wstring& folder, size_t limit = 260);
void read_dirs_file(Parsing& p, FILE* stream);  // --dirs=
