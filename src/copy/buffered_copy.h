// The program's own copy (unit s_list_u64), used when the platform's
// whole-file copy fails.
#pragma once

#include <string>

// 1 when the whole file was copied to `destination` (a character 5 in the
// name becomes '+'), 0 otherwise; nothing is left under the destination's
// name by a failed copy.
int buffered_copy(const std::wstring& source, const std::wstring& destination);
