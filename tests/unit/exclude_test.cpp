// The exclusion matcher and the exclude test.
#include "common/exclusions.h"
#include "run_fixture.h"

#include <gtest/gtest.h>

#include "state/config.h"
#include "state/run_state.h"

namespace {

bool matches(const wchar_t* pattern, const wchar_t* name) { return wildcard_matches(pattern, name); }

TEST(WildcardMatch, StarsAndQuestionMarks) {
    EXPECT_TRUE(matches(L"*", L""));
    EXPECT_TRUE(matches(L"*", L"ANY.NAME"));
    EXPECT_FALSE(matches(L"?", L""));
    EXPECT_TRUE(matches(L"?", L"A"));
    EXPECT_FALSE(matches(L"?", L"AB"));
    EXPECT_TRUE(matches(L"A**", L"A"));
    EXPECT_TRUE(matches(L"A**B", L"AB"));
    EXPECT_TRUE(matches(L"*.OBJ", L"FILE.OBJ"));
    EXPECT_FALSE(matches(L"*.OBJ", L"FILE.OBJX"));
    EXPECT_TRUE(matches(L"*?", L"X"));
    EXPECT_FALSE(matches(L"*??", L"X"));
    EXPECT_TRUE(matches(L"*?*?*", L"XY"));
    EXPECT_TRUE(matches(L"A*B*C", L"AXXBYYBC"));
    EXPECT_FALSE(matches(L"A*B*C", L"AXXBYYBCD"));
    // '/' and a leading '.' are ordinary characters.
    EXPECT_TRUE(matches(L"*", L".HIDDEN"));
    EXPECT_TRUE(matches(L"?A", L".A"));
    EXPECT_TRUE(matches(L"A?B", L"A/B"));
    EXPECT_TRUE(matches(L"A*B", L"A/X/B"));
}

TEST(WildcardMatch, CaseIsSignificant) {
    EXPECT_FALSE(matches(L"*.obj", L"FILE.OBJ"));
    EXPECT_TRUE(matches(L"*.obj", L"file.obj"));
    EXPECT_FALSE(matches(L"[a-z]", L"Q"));
}

TEST(WildcardMatch, BracketExpressions) {
    EXPECT_TRUE(matches(L"[!A-C]*", L"DATA"));
    EXPECT_FALSE(matches(L"[!A-C]*", L"BETA"));
    EXPECT_TRUE(matches(L"[^A-C]*", L"ZETA"));
    EXPECT_FALSE(matches(L"[^A-C]*", L"CHI"));
    EXPECT_TRUE(matches(L"[]A]", L"]"));
    EXPECT_TRUE(matches(L"[]A]", L"A"));
    EXPECT_FALSE(matches(L"[]A]", L"B"));
    EXPECT_TRUE(matches(L"[!]]", L"X"));
    EXPECT_FALSE(matches(L"[!]]", L"]"));
    EXPECT_TRUE(matches(L"[A-]", L"A"));
    EXPECT_TRUE(matches(L"[A-]", L"-"));
    EXPECT_FALSE(matches(L"[A-]", L"B"));
    EXPECT_TRUE(matches(L"[-A]", L"-"));
    EXPECT_TRUE(matches(L"[A-Z-9]", L"-"));    // '-' after a range is an item
    EXPECT_FALSE(matches(L"[Z-A]", L"M"));     // a reversed range is empty
    EXPECT_TRUE(matches(L"[\\]]", L"]"));
    EXPECT_TRUE(matches(L"[A-\\]]", L"]"));    // range from 'A' to an escaped ']'
    EXPECT_TRUE(matches(L"[A-\\]]", L"Q"));
    EXPECT_FALSE(matches(L"[A-\\]]", L"a"));
    EXPECT_TRUE(matches(L"[!-\\-]", L"!"));    // escaped range end '-'
    EXPECT_TRUE(matches(L"[!-\\-]", L"X"));    // negated, one item from '-' to '-'
    EXPECT_FALSE(matches(L"[!-\\-]", L"-"));
    EXPECT_FALSE(matches(L"[A]", L""));
    EXPECT_TRUE(matches(L"*[0-9]", L"FILE7"));
    EXPECT_FALSE(matches(L"*[0-9]", L"FILE"));
    EXPECT_TRUE(matches(L"[[]", L"["));
}

TEST(WildcardMatch, UnterminatedBracketMatchesNothing) {
    for (const wchar_t* pattern : {L"[AB", L"[", L"[!", L"[]", L"[A-", L"[A\\]", L"*[AB", L"X[AB"}) {
        for (const wchar_t* name : {L"", L"A", L"[AB", L"[", L"XA", L"[!", L"[]", L"X[AB"})
            EXPECT_FALSE(matches(pattern, name)) << "pattern " << testing::PrintToString(pattern);
    }
}

TEST(WildcardMatch, BackslashEscapes) {
    EXPECT_TRUE(matches(L"\\*", L"*"));
    EXPECT_FALSE(matches(L"\\*", L"X"));
    EXPECT_TRUE(matches(L"A\\?", L"A?"));
    EXPECT_FALSE(matches(L"A\\?", L"AB"));
    EXPECT_TRUE(matches(L"\\[A]", L"[A]"));
    EXPECT_TRUE(matches(L"*\\*", L"AB*"));
    EXPECT_FALSE(matches(L"*\\*", L"AB"));
    EXPECT_TRUE(matches(L"\\\\", L"\\"));
    // A pattern that ends in a lone backslash matches nothing.
    EXPECT_FALSE(matches(L"\\", L"\\"));
    EXPECT_FALSE(matches(L"A\\", L"A"));
    EXPECT_FALSE(matches(L"*\\", L"A\\"));
}

TEST(WildcardMatch, ManyStarsStayFast) {
    // Backtracking over every star position would take ages here.
    std::wstring name(250, L'A');
    EXPECT_FALSE(matches(L"*A*A*A*A*A*A*A*A*A*A*A*A*B", name.c_str()));
    EXPECT_TRUE(matches(L"*A*A*A*A*A*A*A*A*A*A*A*A*", name.c_str()));
}

class ExcludeTest : public testing::Test, protected TestRun {
protected:
    void SetUp() override { config_.options.exclude_select = 1; }
    // The exclusions as the run makes them from the configuration as it stands.
    int exclude_test(const wchar_t* name) { return config_.exclusions().excludes(name) ? 1 : 0; }
};

TEST_F(ExcludeTest, PatternsExcludeNothingWhileExclusionsAreOff) {
    config_.exclude_types.add(L"*.OBJ");
    EXPECT_EQ(exclude_test(L"ANY.OBJ"), 1);
    config_.options.exclude_select = 0;
    EXPECT_EQ(exclude_test(L"ANY.OBJ"), 0);
}

TEST_F(ExcludeTest, NameIsUpperCasedBeforeMatching) {
    config_.exclude_types.add(L"*.OBJ");
    EXPECT_EQ(exclude_test(L"FILE.OBJ"), 1);
    EXPECT_EQ(exclude_test(L"file.obj"), 1);
    EXPECT_EQ(exclude_test(L"file.c"), 0);
    // Only ASCII letters are upper-cased, as the C runtime does in its
    // default locale: "É*" leaves "été.txt" alone.
    config_.exclude_types.add(L"\u00C9*");
    EXPECT_EQ(exclude_test(L"\u00E9t\u00E9.txt"), 0);
    EXPECT_EQ(exclude_test(L"\u00C9t\u00E9.txt"), 1);
}

TEST_F(ExcludeTest, CaseSensitiveComparesTheNameAsIs) {
    config_.options.exclude_case_sensitive = 1;
    config_.exclude_types.add(L"*.obj");
    EXPECT_EQ(exclude_test(L"FILE.OBJ"), 0);
    EXPECT_EQ(exclude_test(L"file.obj"), 1);
    // Upper-case patterns (as an exclude file stores them) then only hit upper-case names.
    config_.exclude_types.add(L"*.TMP");
    EXPECT_EQ(exclude_test(L"A.TMP"), 1);
    EXPECT_EQ(exclude_test(L"a.tmp"), 0);
}

TEST_F(ExcludeTest, AnyPatternOfTheListExcludes) {
    config_.exclude_types.add(L"*.OBJ");
    config_.exclude_types.add(L"~*");
    config_.exclude_types.add(L"[!A-C]*");
    EXPECT_EQ(exclude_test(L"~draft.doc"), 1);
    EXPECT_EQ(exclude_test(L"zeta.txt"), 1);
    EXPECT_EQ(exclude_test(L"beta.obj"), 1);
    EXPECT_EQ(exclude_test(L"beta.txt"), 0);
}

}  // namespace
