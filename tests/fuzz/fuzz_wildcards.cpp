// The exclusion matcher and the directory search's name match take any
// pattern against any name without reading past either.
#include "common/exclusions.h"
#include "fuzz_support.h"
#include "platform/names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TwoTexts texts = split_in_two(data, size);
    const std::wstring& pattern = texts.first;
    const std::wstring& name = texts.second;
    bool excluded = wildcard_matches(pattern.c_str(), name.c_str());
    // A pattern without wildcard or escape characters matches exactly itself.
    if (pattern.find_first_of(L"*?[\\") == std::wstring::npos) FUZZ_CHECK(excluded == (pattern == name));
    bool listed = platform::dos_name_match(pattern, name);
    if (pattern == L"*" || pattern == L"*.*") FUZZ_CHECK(listed);
    return 0;
}
