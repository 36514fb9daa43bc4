// The per-file routine of the copy pass: selection, destination, copy, records.
#pragma once

#include <string>

#include "platform/platform.h"

// `dir` ends with '\'; `record` is the walk's own copy of the find record.
void process_file(const std::wstring& dir, const std::wstring& name, platform::FindRecord record);
// True when process_file, with this run's options, uses the attributes and
// the creation time of a record only for the files it copies: the walk may
// then list with find_first_sizes and hand over such records.
bool process_file_defers_attributes();
// Set by the walk while the records it hands over come from find_first_sizes.
extern bool records_deferred;
