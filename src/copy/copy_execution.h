// Copying one file's data and the overwrite of protected destinations (-O).
#pragma once

#include <cstdint>
#include <string>

#include "copy/temporary.h"
#include "platform/platform.h"

// complete_copy: the whole-file copy that was also given its attributes and
// times before it took the destination's name. interrupted: Ctrl+C stopped
// the copy; nothing of it is left and the destination is as it was.
enum class CopyOutcome { failed, whole_file_copy, buffered_copy, complete_copy, interrupted };

// The platform's whole-file copy over `destination`, the buffered copy when
// that fails. `destination_attributes` is what stands there as just looked
// up (INVALID_ATTRIBUTES: nothing), or UNKNOWN_ATTRIBUTES.
CopyOutcome copy_with_fallback(const std::wstring& source, const std::wstring& destination,
                               uint32_t destination_attributes = UNKNOWN_ATTRIBUTES);
// -O: makes an existing destination with attributes replaceable. Returns the
// attributes it had, to be given back after the copy, or 0.
// Like copy_with_fallback, trying first a whole-file copy given `details`
// (attributes and times) on its open file, which saves setting them by path
// afterwards. Falls back to the buffered copy as copy_with_fallback does.
CopyOutcome copy_with_details(const std::wstring& source, const std::wstring& destination,
                              uint32_t destination_attributes, const platform::CopyDetails& details);
uint32_t prepare_overwrite(const std::wstring& destination);
