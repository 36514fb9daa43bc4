// The hashing step of the per-file routine: after the copy attempt, for
// copied and failed files alike, before any time is written back. It hashes
// the source, the copy or both by hash_mode, writes the source's MD5 field
// of the COPIED record, the screen verdict and the hash log's line.
#pragma once

#include <string>

// Does nothing while hash_mode is 0. The copy is read as it stands at
// `destination`: a copy that failed part-way is never taken for the source.
void hash_copied_file(const std::wstring& source, const std::wstring& destination, bool copied);
