#include "run/header.h"

#include <cstdio>
#include <string>

#include "log/log_set.h"
#include "log/output.h"
#include "run/time_text.h"
#include "state/run_state.h"

namespace {

struct ZoneText {
    std::string local, gmt;
    std::wstring standard_name, daylight_name;
    std::wstring standard_abbreviation, daylight_abbreviation;
    int offset_hours = 0;
    wchar_t daylight_mark = L' ';
};

}  // namespace

// Three letters from a zone name: its first three characters, the second
// replaced by the letter after the first blank, the third by the letter after
// the next blank.
std::wstring zone_abbreviation(const std::wstring& name) {
    std::wstring abbreviation = name.substr(0, 3);
    size_t blank = name.find(L' ');
    if (blank != std::wstring::npos && blank + 1 < name.size()) {
        if (abbreviation.size() >= 2) abbreviation[1] = name[blank + 1];
        size_t next = name.find(L' ', blank + 2);
        if (next != std::wstring::npos && next + 1 < name.size() && abbreviation.size() >= 3)
            abbreviation[2] = name[next + 1];
    }
    return abbreviation;
}

namespace {

ZoneText gather_zone_text() {
    ZoneText z;
    int64_t now = platform::now_seconds();
    z.local = ctime_text(now, false);
    z.gmt = ctime_text(now, true);
    platform::TimeZoneInfo tz = platform::time_zone();
    z.standard_name = tz.standard_name;
    z.daylight_name = tz.daylight ? tz.daylight_name : std::wstring();
    z.standard_abbreviation = zone_abbreviation(z.standard_name);
    for (auto& c : z.standard_abbreviation)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    z.daylight_abbreviation = zone_abbreviation(z.daylight_name);
    z.offset_hours = static_cast<int>(tz.offset_seconds / 3600);
    z.daylight_mark = (tz.daylight && !tz.daylight_name.empty()) ? L'*' : L' ';
    return z;
}

void print_zone_part(FILE* stream, const ZoneText& z) {
    text::print(stream, "%.5s %ls ", z.local.c_str() + 11, z.standard_name.c_str());
    text::print(stream, "(%ls/%ls:%d%lc)", z.standard_abbreviation.c_str(), z.daylight_abbreviation.c_str(),
                z.offset_hours, static_cast<wint_t>(z.daylight_mark));
}

// The time part of the default log and the error log.
void print_log_time(FILE* stream, const ZoneText& z) {
    text::print(stream, "\n Started ");
    if (!z.standard_name.empty()) {
        text::print(stream, "%s GMT, ", z.gmt.c_str());
        print_zone_part(stream, z);
    } else {
        text::print(stream, "%s Local Time: ", z.local.c_str());
    }
}

void print_command_line(FILE* stream, int argc, wchar_t** argv) {
    for (int i = 0; i < argc; ++i) text::print(stream, "%ls ", argv[i]);
}

}  // namespace

void print_header(const Configuration& config, Run& run, int argc, wchar_t** argv) {
    ZoneText z = gather_zone_text();
    if (config.options.silent) return;

    text::print(run.screen, "\n Started ");
    if (!z.standard_name.empty())
        text::print(run.screen, "%s GMT, ", z.gmt.c_str());
    else
        text::print(run.screen, "%s ", z.local.c_str());
    print_zone_part(run.screen, z);
    text::print(run.screen, "\n");
    print_command_line(run.screen, argc, argv);
    text::print(run.screen, "\n\n");

    if (run.logs.default_log) {
        print_log_time(run.logs.default_log, z);
        text::print(run.logs.default_log, "\n");
        text::print(run.logs.default_log, " Command line: ");
        print_command_line(run.logs.default_log, argc, argv);
        text::print(run.logs.default_log, "\n");
        if (config.options.bypass_active) text::print(run.logs.default_log, "  **** BYPASS DIRS option used\n");
        if (config.options.dirs_file_mode) text::print(run.logs.default_log, "  **** DIR LIST option used\n");
        if (config.ini_used) text::print(run.logs.default_log, " INI_FILE%s\n END INI FILE\n", config.ini_echo.c_str());
        close_log_stream(run.logs, run.logs.default_log);
    }

    if (config.options.error_log_given && run.logs.error_log) {
        text::print(run.logs.error_log, "\n%.60s\n", "************************************************************");
        print_log_time(run.logs.error_log, z);
        text::print(run.logs.error_log, "\n");
        text::print(run.logs.error_log, " Command line: ");
        print_command_line(run.logs.error_log, argc, argv);
        text::print(run.logs.error_log, "\n\n");
    }
}
