// Destination folders: creation, folder times and their replication (-M).
#pragma once

#include <string>

#include "run/config.h"

// Creates every missing folder of `path` (which ends with '\'). Returns 1 when
// the folder already existed or the latest creation succeeded; `created`
// (when given) tells whether the folder itself was made just now.
int create_directory_path(const std::wstring& path, bool* created = nullptr);
// Reads a folder's own three times (path without its trailing '\').
bool read_directory_times(const std::wstring& path, FileTimes* times);
// Gives a folder the times of current_dir_times: 0 on success, 1 on failure.
int set_directory_times(const std::wstring& path);
// The -M replication step for the source folder `source_dir`.
void replicate_directories(const std::wstring& source_dir, const std::wstring& destination_root,
                           const std::wstring& first_start_path);
