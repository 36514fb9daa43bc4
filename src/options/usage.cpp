// Paging of the usage and log help screens: a page, then the prompt on the
// error stream, then one key decides whether the next page follows.
#include "options/usage.h"

#include "log/output.h"
#include "options/banner.h"
#include "options/usage_pages.h"
#include "platform/platform.h"
#include "state/run_state.h"

namespace {

constexpr int KEY_CTRL_C = 3;
constexpr int KEY_ESC = 27;

// Shows the page prompt and reads one key: false when the user leaves.
// One key per prompt, so the rest of a typed line answers the next prompts.
bool next_page_wanted(Run& run) {
    print_centred(stderr, L"RETURN TO CONTINUE");
    int key = wait_for_key(run);
    return key >= 0 && key != KEY_CTRL_C && key != KEY_ESC;
}

// Leaving the help early is not an error of the run: no statistics.
[[noreturn]] void leave_help(Run& run) { exit_at_once(run, ILLEGAL_OPTION); }

}  // namespace

void show_usage(Run& run) {
    platform::discard_console_input();
    for (int page = 0; page < USAGE_PAGE_COUNT; ++page) {
        print_banner(1);
        // Keys pressed while the first banner was drawn must not turn pages.
        if (page == 0) platform::discard_console_input();
        text::write(stdout, usage_page(page));
        if (page == USAGE_PAGE_COUNT - 1) break;
        if (!next_page_wanted(run)) {
            if (page == 0) text::write(stdout, L"\n");
            leave_help(run);
        }
    }
    exit_at_once(run, NORMAL_EXIT);
}

void show_log_help(Run& run) {
    for (int page = 0; page < LOG_HELP_PAGE_COUNT; ++page) {
        text::write(stdout, page == 0 ? L"\n\n\n" : L"\n\n\n\n\n");
        text::write(stdout, log_help_page(page));
        if (page == LOG_HELP_PAGE_COUNT - 1) {
            text::write(stdout, L"\n\n\n");
            return;
        }
        text::write(stdout, page == 0 ? L"\n" : L"\n\n\n");
        if (!next_page_wanted(run)) leave_help(run);
    }
}
