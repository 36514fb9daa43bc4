// Interim command line: positional source and destination, and -d.
// The full option parser replaces this file.
#include "options/options.h"

#include "common/paths.h"
#include "options/lists.h"
#include "options/usage.h"
#include "platform/platform.h"
#include "run/config.h"
#include "run/terminate.h"

void parse_options(int argc, wchar_t** argv) {
    int i = 1;
    for (; i < argc && argv[i][0] != L'-' && argv[i][0] != L'+' && argv[i][0] != L'/'; ++i) {
        if (source_paths.empty()) {
            add_start_path(argv[i]);
        } else {
            std::wstring full;
            if (platform::full_path(argv[i], full)) dest_path = full;
        }
    }
    for (; i < argc; ++i) {
        const wchar_t* a = argv[i];
        if (a[0] != L'-' && a[0] != L'/' && a[0] != L'+') break;
        if (a[1] == L'd') {
            std::wstring value = a[2] ? a + 2 : (i + 1 < argc ? argv[++i] : L"");
            if (value.empty() || value[0] == L'-') run::terminate(run::ILLEGAL_OPTION);
            std::wstring full;
            if (!platform::full_path(value.c_str(), full)) run::terminate(run::ILLEGAL_OPTION);
            opt->dest_given = 1;
            dest_path = (full.size() >= 2 && (full[0] == L'\\' || full[1] == L'\\')) ? full : paths::LONG_PREFIX + full;
        } else if (a[1] == L'-') {
            // long options are accepted and ignored until their parser exists
        } else {
            show_usage();
        }
    }
    if (file_types.empty()) add_file_type(L"*.*");
    if (!error_log) error_log = stderr;
}
