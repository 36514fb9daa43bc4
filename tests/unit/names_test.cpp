// The name rules of the Windows file system that the POSIX layer gives: the
// directory search's wildcard match and generated 8.3 names.
#include "platform/names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using platform::dos_name_match;
using platform::generate_short_names;
using platform::is_valid_8dot3;

namespace {

const std::vector<std::wstring> kNames = {L"a.txt", L"ab.txt", L"abc.txt", L"noext", L"x.y.z"};

std::vector<std::wstring> matches(const std::wstring& pattern, const std::vector<std::wstring>& names = kNames) {
    std::vector<std::wstring> out;
    for (const auto& n : names)
        if (dos_name_match(pattern, n)) out.push_back(n);
    return out;
}

using Names = std::vector<std::wstring>;

TEST(DosNameMatch, DesignTable) {
    EXPECT_EQ(matches(L"*.*"), kNames);
    EXPECT_EQ(matches(L"*"), kNames);
    EXPECT_EQ(matches(L"*."), Names({L"noext"}));
    EXPECT_EQ(matches(L"?.txt"), Names({L"a.txt"}));
    EXPECT_EQ(matches(L"a?.txt"), Names({L"a.txt", L"ab.txt"}));
    for (const wchar_t* p : {L"a??.txt", L"*.t?t", L"A*.TXT"})
        EXPECT_EQ(matches(p), Names({L"a.txt", L"ab.txt", L"abc.txt"})) << p;
    EXPECT_EQ(matches(L"x.*"), Names({L"x.y.z"}));
    EXPECT_EQ(matches(L"noext.*"), Names({L"noext"}));
    EXPECT_EQ(matches(L"ab*."), Names());
    EXPECT_EQ(matches(L"*z"), Names({L"x.y.z"}));
}

TEST(DosNameMatch, QuestionMarkRunsStopAtDotOrEnd) {
    // A run of '?' matches up to its length, fewer only before a '.' or the end.
    EXPECT_TRUE(dos_name_match(L"???", L"ab"));
    EXPECT_TRUE(dos_name_match(L"???", L"abc"));
    EXPECT_FALSE(dos_name_match(L"???", L"abcd"));
    EXPECT_TRUE(dos_name_match(L"???.?", L"a.b"));
    EXPECT_TRUE(dos_name_match(L"???.?", L"a."));
    EXPECT_FALSE(dos_name_match(L"???.?", L"abcd.b"));
    EXPECT_FALSE(dos_name_match(L"a??b", L"ab"));  // no dot or end after the run: each '?' takes one
    EXPECT_TRUE(dos_name_match(L"a??b", L"axyb"));
    EXPECT_FALSE(dos_name_match(L"a??b", L"axb"));
    EXPECT_TRUE(dos_name_match(L"????????.???", L"readme.md"));
    EXPECT_TRUE(dos_name_match(L"????????.???", L"readme"));  // ".???" at the end of the name: nothing
}

TEST(DosNameMatch, DotRules) {
    EXPECT_TRUE(dos_name_match(L"x.*", L"x"));      // ".*" at the end also matches no extension
    EXPECT_TRUE(dos_name_match(L"x.*", L"x."));
    EXPECT_FALSE(dos_name_match(L"x.*", L"xy"));
    EXPECT_TRUE(dos_name_match(L"x.?", L"x"));
    EXPECT_FALSE(dos_name_match(L"x.txt", L"x"));   // a literal dot needs a dot
    EXPECT_TRUE(dos_name_match(L"*.", L"makefile"));
    EXPECT_FALSE(dos_name_match(L"*.", L"a.b"));
    EXPECT_FALSE(dos_name_match(L"*.", L".profile"));
    EXPECT_FALSE(dos_name_match(L"a*.", L"a.b.c"));
    EXPECT_TRUE(dos_name_match(L"*.z", L"x.y.z"));
    EXPECT_TRUE(dos_name_match(L"x.y.*", L"x.y.z"));
    EXPECT_TRUE(dos_name_match(L"*.*.*", L"x.y.z"));
    EXPECT_TRUE(dos_name_match(L".*", L".profile"));
    EXPECT_TRUE(dos_name_match(L"*.profile", L".profile"));
    EXPECT_FALSE(dos_name_match(L"?profile", L".profile"));  // '?' never takes a '.'
    EXPECT_TRUE(dos_name_match(L"*", L".."));
}

TEST(DosNameMatch, CaseIsIgnoredBeyondAscii) {
    EXPECT_TRUE(dos_name_match(L"README.*", L"readme.txt"));
    EXPECT_TRUE(dos_name_match(L"*.TXT", L"a.tXt"));
    EXPECT_TRUE(dos_name_match(L"\u00c9T\u00c9.*", L"\u00e9t\u00e9.doc"));   // Latin-1
    EXPECT_TRUE(dos_name_match(L"\u0416*", L"\u0436\u0443\u043a"));         // Cyrillic
    EXPECT_TRUE(dos_name_match(L"\u0152*", L"\u0153uvre"));                 // Latin Extended-A
    EXPECT_FALSE(dos_name_match(L"a*", L"b.txt"));
}

TEST(DosNameMatch, ManyStarsStayFast) {
    // Backtracking without memory would take about 2^30 steps here.
    std::wstring name(200, L'a');
    EXPECT_FALSE(dos_name_match(L"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(dos_name_match(L"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*", name));
    std::wstring long_pattern;
    for (int i = 0; i < 100; ++i) long_pattern += L"?*";
    EXPECT_FALSE(dos_name_match(long_pattern + L"b", std::wstring(300, L'a')));
}

TEST(ShortNames, ValidEightDotThree) {
    for (const wchar_t* n : {L"A.TXT", L"readme.txt", L"ABCDEFGH.ABC", L"NOEXT", L"a-b_c~1.x", L"{}$%.!@#", L".", L".."})
        EXPECT_TRUE(is_valid_8dot3(n)) << n;
    for (const wchar_t* n : {L"ABCDEFGHI.TXT", L"A.TEXT", L"a b.txt", L"a.b.c", L".profile", L"", L"a+b.txt",
                             L"x[1].txt", L"\u00e9t\u00e9.doc", L"name."})
        EXPECT_FALSE(is_valid_8dot3(n)) << n;
}

TEST(ShortNames, NumberedInNameOrderWithinStemAndExtension) {
    std::vector<std::wstring> names = {L"abcdefghij.extension", L"readme.txt", L"ABCDEFXYZ.EXT",
                                       L"abcdefg.html", L"a b c.txt", L".profile", L"x.y.z.tar.gz",
                                       L"+++.txt"};
    std::vector<std::wstring> s = generate_short_names(names);
    ASSERT_EQ(s.size(), names.size());
    // "ABCDEFXYZ.EXT" sorts before "abcdefghij.extension": it takes ~1.
    EXPECT_EQ(s[0], L"ABCDEF~2.EXT");
    EXPECT_EQ(s[1], L"");
    EXPECT_EQ(s[2], L"ABCDEF~1.EXT");
    EXPECT_EQ(s[3], L"ABCDEF~1.HTM");  // another extension: numbered on its own
    EXPECT_EQ(s[4], L"ABC~1.TXT");     // spaces dropped
    EXPECT_EQ(s[5], L"PROFIL~1");
    EXPECT_EQ(s[6], L"XYZTAR~1.GZ");   // the last dot starts the extension
    EXPECT_EQ(s[7], L"_~1.TXT");       // nothing valid in the stem
    for (const auto& name : s) {
        if (!name.empty()) {
            EXPECT_TRUE(is_valid_8dot3(name)) << name;
        }
    }
}

TEST(ShortNames, StemShrinksForLongNumbersAndSkipsTakenNames) {
    std::vector<std::wstring> names;
    for (int i = 0; i < 12; ++i) names.push_back(L"longfilename" + std::to_wstring(100 + i) + L".data");
    names.push_back(L"LONGFI~3.DAT");  // an entry whose long name is a would-be short name
    std::vector<std::wstring> s = generate_short_names(names);
    EXPECT_EQ(s[0], L"LONGFI~1.DAT");
    EXPECT_EQ(s[1], L"LONGFI~2.DAT");
    EXPECT_EQ(s[2], L"LONGFI~4.DAT");  // ~3 is taken
    EXPECT_EQ(s[7], L"LONGFI~9.DAT");
    EXPECT_EQ(s[8], L"LONGF~10.DAT");
    EXPECT_EQ(s[11], L"LONGF~13.DAT");
    EXPECT_EQ(s[12], L"");
    std::set<std::wstring> distinct(s.begin(), s.end() - 1);
    EXPECT_EQ(distinct.size(), s.size() - 1);
    for (size_t i = 0; i + 1 < s.size(); ++i) EXPECT_TRUE(is_valid_8dot3(s[i])) << s[i];
}

// Host names Windows cannot hold: each maps to one Windows name and back to
// exactly its bytes.
TEST(HostNames, MapLosslesslyAndBack) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"plain.txt", L"plain.txt"},
        {"..\\secret\\s.txt", L"..\uF05Csecret\uF05Cs.txt"},
        {"report?.txt", L"report\uF03F.txt"},
        {"*", L"\uF02A"},
        {"a:b\"c<d>e|f", L"a\uF03Ab\uF022c\uF03Cd\uF03Ee\uF07Cf"},
        {"tab\there\x1f", L"tab\uF009here\uF01F"},
        {"caf\xe9", L"caf\xDCE9"},                          // Latin-1: a stray byte
        {"caf\xc3\xa9", L"caf\u00e9"},                      // UTF-8 stays a character
        {"\xc0\xaf", L"\xDCC0\xDCAF"},                      // overlong: two stray bytes
        {"\xed\xb3\xa9", L"\xDCED\xDCB3\xDCA9"},            // an encoded surrogate is no UTF-8
        {"\xef\x81\x9c", L"\xDCEF\xDC81\xDC9C"},            // U+F05C itself would read back as '\'
        {"\xef\x81\x9d", L"\uF05D"},                        // a private character that is no image
        {"\xf0\x9f\x98\x80.txt", std::wstring(L"\U0001F600.txt")},
    };
    for (const auto& [host, windows] : cases) {
        EXPECT_EQ(platform::windows_name(host), windows) << host;
        EXPECT_EQ(platform::host_bytes(windows), host) << host;
    }
}

TEST(HostNames, PathsAndTypedText) {
    const std::string host_path = "/data/a\\b/c\xe9";
    std::wstring path;
    platform::append_windows_text(host_path.data(), host_path.size(), platform::HostText::names, path);
    EXPECT_EQ(path, L"\\data\\a\uF05Cb\\c\xDCE9");
    EXPECT_EQ(platform::host_bytes(path), host_path);
    // A command line keeps its separators, drive colons and wildcards.
    const std::string line = "C:\\x\\*.txt /d caf\xe9";
    std::wstring typed;
    platform::append_windows_text(line.data(), line.size(), platform::HostText::typed, typed);
    EXPECT_EQ(typed, L"C:\\x\\*.txt /d caf\xDCE9");
}

}  // namespace
