// The memo typed on a redirected standard input and appended to its file.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "options/memo.h"
#include "platform/platform.h"
#include "stream_contents.h"
#include "with_input_posix.h"

namespace {

struct Typed {
    std::string file;  // the memo file after the input
    std::string left;  // what the memo input left unread
};

// Types `input` into the memo input over a memo file that holds an earlier
// memo; the prompt goes nowhere.
Typed type_memo(const std::string& input) {
    FILE* file = std::tmpfile();
    FILE* left = std::tmpfile();
    std::fputs("earlier\n", file);
    std::fflush(file);
    int code = run_with_input(input, [&] {
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
        memo_input(file);
        std::fflush(file);
        for (int c; (c = platform::read_char()) >= 0;) std::fputc(c, left);
        std::fflush(left);
        return 0;
    });
    EXPECT_EQ(code, 0);
    Typed typed{stream_contents(file), stream_contents(left)};
    std::fclose(file);
    std::fclose(left);
    return typed;
}

TEST(MemoInput, AppendsWhatWasTypedAndLeavesTheRest) {
    const std::string long_line(12000, 'x');
    const struct {
        const char* name;
        std::string input, file, left;
    } cases[] = {
        {"two blank lines end it", "first line\r\n\nsecond\n\n\nleft for later\n",
         "earlier\nfirst line\n\nsecond\n\n", "left for later\n"},
        {"the end of input ends it", "only line", "earlier\nonly line\n", ""},
        {"nothing typed", "", "earlier\n", ""},
        {"text is kept as typed", "Gr\xC3\xBC\xC3\x9F" "e\n\n\n", "earlier\nGr\xC3\xBC\xC3\x9F" "e\n\n", ""},
        {"the rest of a line past the bound is dropped", long_line + "\nnext\n",
         "earlier\n" + std::string(4999, 'x') + "\n" + std::string(4999, 'x') + "\n", "next\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Typed typed = type_memo(c.input);
        EXPECT_EQ(typed.file, c.file);
        EXPECT_EQ(typed.left, c.left);
    }
}

}  // namespace
