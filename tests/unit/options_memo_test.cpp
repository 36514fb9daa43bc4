// The memo's rules: blank lines, the end of the input, the size bound and
// lines longer than the line buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options/memo.h"

namespace {

struct MemoCase {
    const char* name;
    std::vector<std::wstring> lines;
    std::wstring expected;
    int finished_at;  // index of the line that ends the input; -1: still open
};

std::wstring run_of(wchar_t c, size_t n) { return std::wstring(n, c); }

TEST(MemoText, KeepsLinesAndEndsAsTyped) {
    const std::wstring hundred = run_of(L'a', 100);
    std::vector<std::wstring> fifty_lines(50, hundred);
    std::wstring fifty_kept;
    for (int i = 0; i < 50; ++i) fifty_kept += hundred + L"\n";

    const MemoCase cases[] = {
        {"one blank keeps a break, two end", {L"first", L"", L"second", L"", L"", L"never"},
         L"first\n\nsecond\n\n", 4},
        {"a single character is blank", {L"x", L"note", L"y", L"z"}, L"\nnote\n\n", 3},
        {"a blank run is reset by text", {L"a1", L"", L"b2", L"", L"c3"}, L"a1\n\nb2\n\nc3\n", -1},
        {"the line past 5,000 characters is kept and ends it", fifty_lines, fifty_kept, 49},
        {"a long line is taken in pieces of 4,999", {run_of(L'b', 12000)},
         run_of(L'b', 4999) + L"\n" + run_of(L'b', 4999) + L"\n", 0},
        {"the last piece of a long line is text however short",
         {run_of(L'c', 5000)}, run_of(L'c', 4999) + L"\nc\n", 0},
    };
    for (const MemoCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoText memo;
        int finished_at = -1;
        for (size_t i = 0; i < c.lines.size() && finished_at < 0; ++i)
            if (!memo.add_typed_line(c.lines[i])) finished_at = static_cast<int>(i);
        EXPECT_EQ(finished_at, c.finished_at);
        EXPECT_EQ(memo.text(), c.expected);
    }
}

}  // namespace
