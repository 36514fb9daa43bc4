// The per-file routine of the copy pass: selection, destination, copy, records.
#pragma once

#include <string>

#include "platform/platform.h"

// `dir` ends with '\'; `record` is the walk's own copy of the find record.
void process_file(const std::wstring& dir, const std::wstring& name, platform::FindRecord record);
