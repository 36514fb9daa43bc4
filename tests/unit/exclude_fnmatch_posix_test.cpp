// The exclusion matcher against the C library's fnmatch (flags 0) over many
// generated patterns and names. fnmatch takes an unterminated '[' as a plain
// character where our matcher matches nothing, so the generated bracket
// expressions are always closed; exclude_test.cpp covers the unterminated case.
#include <fnmatch.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/exclusions.h"

namespace {

// '.', ':' and '=' are left out inside brackets: after '[' they would start
// fnmatch's collating, class and equivalence forms, which we do not have.
const std::string NAME_CHARS = "abcAB-]![^\\*?./";
const std::string LITERAL_CHARS = "abcAB-]!^./";
const std::string BRACKET_CHARS = "abcAB-]![^*?/";

struct Generated {
    std::string pattern;
    std::string name;  // close to a name the pattern matches
};

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    Generated next() {
        Generated g;
        int tokens = pick(0, 6);
        for (int i = 0; i < tokens; ++i) add_token(g);
        if (pick(0, 9) < 4) mutate(g.name);
        return g;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    char one_of(const std::string& set) { return set[static_cast<size_t>(pick(0, int(set.size()) - 1))]; }

    void add_token(Generated& g) {
        switch (pick(0, 9)) {
        case 0:
        case 1:
        case 2: {
            char c = one_of(LITERAL_CHARS);
            g.pattern += c;
            g.name += c;
            break;
        }
        case 3: {
            char c = one_of(NAME_CHARS);
            g.pattern += '\\';
            g.pattern += c;
            g.name += c;
            break;
        }
        case 4:
            g.pattern += '?';
            g.name += one_of(NAME_CHARS);
            break;
        case 5:
        case 6: {
            g.pattern += pick(0, 3) == 0 ? "**" : "*";
            for (int n = pick(0, 3); n > 0; --n) g.name += one_of(NAME_CHARS);
            break;
        }
        default:
            add_bracket(g);
        }
    }

    void add_bracket(Generated& g) {
        g.pattern += '[';
        if (pick(0, 2) == 0) g.pattern += pick(0, 1) ? '!' : '^';
        for (int items = pick(1, 3); items > 0; --items) {
            add_bracket_char(g.pattern);
            if (pick(0, 3) == 0) {
                g.pattern += '-';
                add_bracket_char(g.pattern);
            }
        }
        if (pick(0, 4) == 0) g.pattern += '-';
        g.pattern += ']';
        g.name += one_of(BRACKET_CHARS);
    }

    void add_bracket_char(std::string& pattern) {
        if (pick(0, 5) == 0) pattern += '\\';
        pattern += one_of(BRACKET_CHARS);
    }

    void mutate(std::string& name) {
        size_t at = name.empty() ? 0 : static_cast<size_t>(pick(0, int(name.size()) - 1));
        switch (pick(0, 2)) {
        case 0:
            name.insert(name.begin() + long(std::min(at, name.size())), one_of(NAME_CHARS));
            break;
        case 1:
            if (!name.empty()) name.erase(at, 1);
            break;
        default:
            if (!name.empty()) name[at] = one_of(NAME_CHARS);
        }
    }

    std::mt19937 rng_;
};

std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(WildcardMatchAgainstFnmatch, GeneratedPatternsAgree) {
    Generator generator(20240611);
    int agreed = 0, disagreed = 0, matched = 0;
    const int total = 300000;
    for (int i = 0; i < total; ++i) {
        Generated g = generator.next();
        bool expected = fnmatch(g.pattern.c_str(), g.name.c_str(), 0) == 0;
        bool actual = wildcard_matches(widen(g.pattern).c_str(), widen(g.name).c_str());
        if (actual == expected) {
            ++agreed;
        } else {
            ADD_FAILURE() << "pattern \"" << g.pattern << "\" name \"" << g.name << "\": fnmatch " << expected
                          << ", ours " << actual;
            if (++disagreed == 20) break;  // enough to see the pattern
        }
        if (expected) ++matched;
    }
    EXPECT_EQ(disagreed, 0);
    EXPECT_EQ(agreed, total);
    // The generator must exercise both outcomes substantially.
    EXPECT_GT(matched, total / 5);
    EXPECT_LT(matched, total * 4 / 5);
}

}  // namespace
