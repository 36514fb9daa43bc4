// Destination folders: creation, folder times and their replication (-M).
#pragma once

#include "copy/copy_context.h"

#include <string>

#include "state/config.h"

// Creates every missing folder of `path` (which ends with '\'), giving each
// folder it makes `folder_times` when given (-M). Returns true when the folder
// exists afterwards; `created` (when given) tells whether the folder itself
// was made just now.
bool create_directory_path(const CopyContext& c, const std::wstring& path, const FileTimes* folder_times = nullptr,
                           bool* created = nullptr);
// Reads a folder's own three times (path without its trailing '\').
bool read_directory_times(const std::wstring& path, FileTimes* times);
// Gives a folder three times; false when they could not be set.
bool set_directory_times(const CopyContext& c, const std::wstring& path, const FileTimes& times);
// The -M replication step for the source folder `source_dir`. Each folder it
// makes gets its source folder's times, read into `folder_times`.
void replicate_directories(const CopyContext& c, const std::wstring& source_dir, const std::wstring& destination_root,
                           FileTimes& folder_times);
