// Copying one file's data and the overwrite of protected destinations (-O).
#pragma once

#include <cstdint>
#include <string>

#include "copy/temporary.h"

enum class CopyOutcome { failed, whole_file_copy, buffered_copy };

// The platform's whole-file copy over `destination`, the buffered copy when
// that fails. `destination_attributes` is what stands there as just looked
// up (INVALID_ATTRIBUTES: nothing), or UNKNOWN_ATTRIBUTES.
CopyOutcome copy_with_fallback(const std::wstring& source, const std::wstring& destination,
                               uint32_t destination_attributes = UNKNOWN_ATTRIBUTES);
// -O: makes an existing destination with attributes replaceable. Returns the
// attributes it had, to be given back after the copy, or 0.
uint32_t prepare_overwrite(const std::wstring& destination);
