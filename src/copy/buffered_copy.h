// The program's own copy (unit s_list_u64), used when the platform's
// whole-file copy fails.
#pragma once

#include <cstdint>
#include <string>

// True when the whole file was copied to `destination` (a character 5 in the
// name becomes '+'); nothing is left under the destination's name by a
// failed copy. An interrupt stops it between pieces, as a failure.
// `*copied` receives the bytes copied.
bool buffered_copy(const std::wstring& source, const std::wstring& destination, uint64_t* copied);
