// The help pages fit the console they are shown on, and hold the texts they
// quote whole.
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

// The texts the help screens quote, byte for byte: users and scripts look
// for them, so none may be broken across lines or reworded.
struct QuotedText {
    enum Screens { usage, log_help, both } screens;
    const wchar_t* text;
};

const QuotedText QUOTED_TEXTS[] = {
    {QuotedText::usage, L"Usage: kestro  (optional)source_dir  (optional)destination_dir  -[OPTIONS]\n"},
    {QuotedText::usage, L"\n        The -p and -d are really mandatory"},
    {QuotedText::usage, L"MAX of 200 filetypes"},
    {QuotedText::usage, L"can have up to 10 filetypes"},
    {QuotedText::usage, L"\nIf KESTRO fails, test it with and without the --SHADOW_COPY option.\n"},
    {QuotedText::usage, L".D[nnnnn]"},
    {QuotedText::usage, L"--CHK_TILDE[=ON|OFF]"},
    {QuotedText::usage, L"C:\\program files | anyother | delimeted information | on the line"},
    {QuotedText::both, L"There are 3 ways to get logfile creations. \n"},
    {QuotedText::both, L"-1 +  logfilename[[!;|]xx]: filename to create logging file(s).     \n"},
    {QuotedText::usage, L"For ALL logfiles use: \"logfilename!63\" or greater. Normal is !31\n"},
    {QuotedText::log_help, L"      For ALL logfiles use: \"logfilename!63\" or greater. Normal is !31\n"},
    {QuotedText::both, L"contains command line, and minimal statistics"},
    {QuotedText::both, L"contains list of ALL files scanned for copy"},
    {QuotedText::both, L"contains list of ALL files successfully copied"},
    {QuotedText::both, L"contains list of files scanned but not copied"},
    {QuotedText::both, L"contains files meeting criteria, but had COPY error"},
    {QuotedText::both, L"destination file renamed due to duplicate"},
    {QuotedText::both, L"all==all logs ==63  list==listfile  == 2,   copy==copied file    == 4"},
    {QuotedText::both, L"not==notcopied== 8  error==errorfile==16,   dupes==duperenamefile==32"},
    {QuotedText::usage, L"kestro.ini  file syntax:  [LOGFILE=name[ [[!|;] [bitmask] keyword,keyword..]]]\n"},
    {QuotedText::both, L"LOGFILENAME must be supplied elsewhere"},
    {QuotedText::log_help, L"Alternate -- (minusminus)  option to the -1 logfile\n\n"},
    {QuotedText::log_help, L"example:  --logfile=logname.ext!2   --err=12\n"},
    {QuotedText::log_help, L"the kestro.ini option\n\n"},
};

std::wstring all_usage_pages() {
    std::wstring pages;
    for (int i = 0; i < USAGE_PAGE_COUNT; ++i) pages += usage_page(i);
    return pages;
}

std::wstring all_log_help_pages() {
    std::wstring pages;
    for (int i = 0; i < LOG_HELP_PAGE_COUNT; ++i) pages += log_help_page(i);
    return pages;
}

TEST(HelpPages, HoldEveryQuotedTextWhole) {
    const std::wstring usage = all_usage_pages();
    const std::wstring log_help = all_log_help_pages();
    for (const QuotedText& quoted : QUOTED_TEXTS) {
        SCOPED_TRACE(text::to_utf8(quoted.text));
        if (quoted.screens != QuotedText::log_help) {
            EXPECT_NE(usage.find(quoted.text), std::wstring::npos) << "not whole on the usage screens";
        }
        if (quoted.screens != QuotedText::usage) {
            EXPECT_NE(log_help.find(quoted.text), std::wstring::npos) << "not whole on the log help screens";
        }
    }
}

}  // namespace
