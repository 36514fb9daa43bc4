// Where the copy step hands a file to hashing: after the COPIED record, for
// copied and failed files alike, before any time is written back.
#pragma once

#include <string>

// Does nothing while hash_mode is 0.
void hash_copied_file(const std::wstring& source, const std::wstring& destination, bool copied);
