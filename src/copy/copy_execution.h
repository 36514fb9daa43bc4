// Copying one file's data and the overwrite of protected destinations (-O).
#pragma once

#include <cstdint>
#include <string>

// The platform's whole-file copy over `destination`, the buffered copy when
// that fails. True when one of them copied the whole file.
bool copy_with_fallback(const std::wstring& source, const std::wstring& destination);
// -O: makes an existing destination with attributes replaceable. Returns the
// attributes it had, to be given back after the copy, or 0.
uint32_t prepare_overwrite(const std::wstring& destination);
