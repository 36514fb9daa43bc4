#include "common/exclusions.h"

#include <cwctype>

#include "common/paths.h"

namespace {

// A failed match either lets an enclosing '*' try its next position, or
// (give_up) tells it that no later position can succeed either: everything
// between two stars has a fixed length, so a later start for the outer star
// only hands the inner one fewer characters to try.
enum Outcome { matched = 0, not_matched = 1, give_up = 2 };

Outcome match_from(const wchar_t* p, const wchar_t* s);

// Reads one bracket character at `p` ('\' takes the next one literally).
// Returns false at the end of the pattern.
bool read_bracket_char(const wchar_t*& p, wchar_t* c) {
    wchar_t ch = *p;
    if (ch == L'\\') ch = *++p;
    if (ch == 0) return false;
    ++p;
    *c = ch;
    return true;
}

// `p` points just after '['. Decides whether `c` is selected by the bracket
// expression and returns the pattern position after its closing ']', or null
// when the expression is not terminated.
const wchar_t* match_bracket(const wchar_t* p, wchar_t c, bool* selected) {
    bool negated = false;
    if (*p == L'!' || *p == L'^') {
        negated = true;
        ++p;
    }
    bool found = false;
    for (bool first = true;; first = false) {
        if (*p == L']' && !first) break;
        wchar_t low, high;
        if (!read_bracket_char(p, &low)) return nullptr;
        high = low;
        if (*p == L'-' && p[1] != L']') {
            ++p;
            if (!read_bracket_char(p, &high)) return nullptr;
        }
        if (c >= low && c <= high) found = true;
    }
    *selected = found != negated;
    return p + 1;
}

// `p` is at a '*': the run of '*' and '?' and the rest of the pattern.
Outcome match_star(const wchar_t* p, const wchar_t* s) {
    for (; *p == L'*' || *p == L'?'; ++p) {
        if (*p == L'?') {
            if (*s == 0) return give_up;
            ++s;
        }
    }
    if (*p == 0) return matched;
    const wchar_t next = *p == L'\\' ? p[1] : *p;
    for (; *s; ++s) {
        if (next != L'[' && *s != next) continue;
        Outcome outcome = match_from(p, s);
        if (outcome != not_matched) return outcome;
    }
    return give_up;
}

Outcome match_from(const wchar_t* p, const wchar_t* s) {
    for (;;) {
        switch (*p) {
            case 0: return *s == 0 ? matched : not_matched;
            case L'*': return match_star(p, s);
            case L'?':
                if (*s == 0) return not_matched;
                ++p;
                break;
            case L'[': {
                if (*s == 0) return not_matched;
                bool selected = false;
                p = match_bracket(p + 1, *s, &selected);
                if (!p || !selected) return not_matched;
                break;
            }
            case L'\\':
                // A lone '\' at the end matches nothing: p[1] is 0 and *s is not.
                if (p[1] == 0 || p[1] != *s) return not_matched;
                p += 2;
                break;
            default:
                if (*p != *s) return not_matched;
                ++p;
                break;
        }
        ++s;
    }
}

}  // namespace

bool wildcard_matches(const wchar_t* pattern, const wchar_t* name) { return match_from(pattern, name) == matched; }

Exclusions::Exclusions(std::span<const std::wstring> patterns, bool active, bool case_sensitive)
    : active_(active), case_sensitive_(case_sensitive), patterns_(patterns) {}

bool Exclusions::excludes(std::wstring_view name) {
    if (!active_) return false;
    scratch_.assign(name);
    if (!case_sensitive_)
        for (wchar_t& c : scratch_) c = paths::upper_ascii(c);
    for (const std::wstring& pattern : patterns_) {
        if (pattern.empty()) break;
        if (wildcard_matches(pattern.c_str(), scratch_.c_str())) return true;
    }
    return false;
}
