// Exclusion patterns: our own wildcard matcher and the test that
// applies exclude_types to a file name.
#pragma once

#include <span>
#include <string>
#include <string_view>

// Matches `name` against `pattern` with fnmatch's rules for flags 0: '*',
// '?', bracket expressions ('!' or '^' negates, ranges, ']' first and '-'
// last are ordinary), '\' escapes; '/' and a leading '.' are ordinary
// characters and letter case counts. True on a match. An unterminated
// bracket expression matches nothing.
bool wildcard_matches(const wchar_t* pattern, const wchar_t* name);

// The exclusions of a run (-x, -X, --exclude=): the patterns of
// exclude_types, with exclude_select and exclude_case_sensitive.
class Exclusions {
public:
    Exclusions(std::span<const std::wstring> patterns, bool active, bool case_sensitive);
    // True when exclusions are on and the file name (no folder part)
    // matches a pattern of exclude_types. The name is upper-cased first
    // (ASCII letters, as the C runtime does) unless exclude_case_sensitive.
    bool excludes(std::wstring_view name);

private:
    bool active_, case_sensitive_;
    std::span<const std::wstring> patterns_;
    std::wstring scratch_;  // kept between calls: no allocation per file
};
