// The file time setter: gives a file three times, even a read-only or system
// file (whose attributes are put back afterwards).
#pragma once

#include <string>

#include "run/config.h"

// 0 when the times were set, non-zero otherwise.
int set_times_of_file(const std::wstring& path, const FileTimes& times);
// The same for a file whose attributes the caller has just set.
int set_times_of_file(const std::wstring& path, const FileTimes& times, uint32_t attributes);
