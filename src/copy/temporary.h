// Copies are written under a temporary name in the destination folder and
// renamed over the destination only once complete, so a failed or
// interrupted copy never leaves a truncated file under the destination's
// name. Temporary names look like "kestro-partial-<run>-<n>.tmp".
#pragma once

#include <cstdint>
#include <string>

inline constexpr const wchar_t* TEMPORARY_PREFIX = L"kestro-partial-";

// A name in the folder of `destination` that no other copy of this run uses.
std::wstring temporary_name_beside(const std::wstring& destination);
// What stands at a destination: its attributes, INVALID_ATTRIBUTES when
// nothing is there, or UNKNOWN_ATTRIBUTES when it has to be looked up.
inline constexpr uint32_t UNKNOWN_ATTRIBUTES = 0xFFFFFFFEu;

// Renames the complete copy `temporary` over `destination`. Refuses, as the
// whole-file copy would, to replace a read-only, hidden or system file. The
// temporary file is gone afterwards either way.
bool replace_with_temporary(const std::wstring& temporary, const std::wstring& destination,
                            uint32_t destination_attributes = UNKNOWN_ATTRIBUTES);
// Removes a temporary file, whatever attributes the copy gave it.
void remove_temporary(const std::wstring& temporary);
