// The file time setter: gives a file three times, even a read-only or system
// file (whose attributes are put back afterwards).
#pragma once

#include <string>

#include "state/config.h"

// True when the times were set.
bool set_times_of_file(const std::wstring& path, const FileTimes& times);
// The same for a file whose attributes the caller has just set.
bool set_times_of_file(const std::wstring& path, const FileTimes& times, uint32_t attributes);
