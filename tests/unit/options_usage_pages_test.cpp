// The help pages fit the console they are shown on.
#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "options/usage_pages.h"

namespace {

// Every line fits 80 columns without wrapping, and a page with its banner
// (5 lines) and prompt (1 line) fits a 30-line screen.
void expect_fits_screen(const std::wstring& page) {
    size_t lines = 0, start = 0;
    for (size_t end; (end = page.find(L'\n', start)) != std::wstring::npos; start = end + 1, ++lines)
        EXPECT_LE(end - start, 79u) << text::to_utf8(page.substr(start, end - start));
    EXPECT_LE(page.size() - start, 79u);
    EXPECT_LE(lines, 24u);
}

TEST(HelpPages, FitTheScreen) {
    for (int i = 0; i < USAGE_PAGE_COUNT; ++i) {
        SCOPED_TRACE("usage page " + std::to_string(i + 1));
        expect_fits_screen(usage_page(i));
    }
    for (int i = 0; i < LOG_HELP_PAGE_COUNT; ++i) {
        SCOPED_TRACE("log help page " + std::to_string(i + 1));
        expect_fits_screen(log_help_page(i));
    }
}

}  // namespace
