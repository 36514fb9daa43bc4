// Copies are written under a temporary name in the destination folder and
// renamed over the destination only once complete, so a failed or
// interrupted copy never leaves a truncated file under the destination's
// name. Temporary names look like "kestro-partial-<run>-<n>.tmp". Where the
// host can, a copy has no name at all until it is complete; where not, a run
// cut off by a kill, a crash or a full disk leaves its partial copy under its
// temporary name, and later runs remove such files from the folders they
// copy into.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const wchar_t* TEMPORARY_PREFIX = L"kestro-partial-";

// A name in the folder of `destination` that no other copy of this run uses.
std::wstring temporary_name_beside(const std::wstring& destination);
// True for a name of the form temporary_name_beside gives, exactly.
bool is_temporary_name(const std::wstring& name);
// Before a copy into the folder of `destination`: removes the partial copies
// earlier runs left there, once for each folder the run copies into in turn.
// `new_folder` is a folder this run made (or ""), which holds nothing of theirs.
// `last_folder` is the folder cleared last, kept by the caller between calls.
void remove_earlier_partial_copies(const std::wstring& destination, const std::wstring& new_folder,
                                   std::wstring& last_folder);
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
