#include "copy/records.h"

#include <algorithm>

#include "common/paths.h"
#include "copy/copy_context.h"
#include "log/output.h"
#include "platform/pause.h"
#include "platform/platform.h"

namespace {

void write_time_fields(const text::Out& out, FILE* log, const FileTimeBreakdown& t) {
    const CalendarFields& c = t.creation;
    const CalendarFields& w = t.last_write;
    const CalendarFields& a = t.last_access;
    out.print(log, "%04d/%02d/%02d|%02d:%02d:%02dc|", c.year, c.month, c.day, c.hour, c.minute, c.second);
    out.print(log, "%04d/%02d/%02d|%02d:%02d:%02dm|", w.year, w.month, w.day, w.hour, w.minute, w.second);
    out.print(log, "%04d/%02d/%02d|%02d:%02d:%02da|", a.year, a.month, a.day, a.hour, a.minute, a.second);
}

wint_t delimiter(const CopyContext& c) { return static_cast<wint_t>(c.config.list_delimiter); }

// A name column is never wider than the longest path, so a huge -w costs
// output in proportion to the names, not to the number given.
constexpr int32_t WIDEST_NAME_COLUMN = 32767;
int column_width(int32_t width) { return std::clamp(width, -WIDEST_NAME_COLUMN, WIDEST_NAME_COLUMN); }

}  // namespace

void write_list_record(const CopyContext& c, const std::wstring& source, int64_t size, const FileTimeBreakdown& times) {
    if (!c.run.logs.list_log) return;
    c.out.print(c.run.logs.list_log, "\n%ls|", paths::display(source));
    c.out.print(c.run.logs.list_log, " %lld|", static_cast<long long>(size));
    write_time_fields(c.out, c.run.logs.list_log, times);
}

void write_not_copied_record(const CopyContext& c, const std::wstring& source, const char* reason) {
    c.out.print(c.run.logs.not_copied_log, "\n%ls| %s", source.c_str(), reason);
}

void write_listing_line(const CopyContext& c, const std::wstring& source, const wchar_t* size_text,
                        const std::wstring& destination) {
    c.out.print(c.run.screen, "%ls%lc", paths::display(source), delimiter(c));
    if (c.options.list_only > 1)
        c.out.print(c.run.screen, "%10ls %lc ==> %lc %ls", size_text, delimiter(c), delimiter(c),
                    paths::display(destination));
    c.out.print(c.run.screen, "\n");
}

void write_screen_copy_lines(const CopyContext& c, const std::wstring& source, const std::wstring& name,
                             const wchar_t* size_text, const std::wstring& destination) {
    if (!c.run.screen) return;
    // One write for both lines: the screen stream is unbuffered.
    std::wstring lines =
        c.options.name_only
            ? text::format("%-*ls%lc", column_width(c.options.alt_name_width), name.c_str(), delimiter(c))
            : text::format("%-*.*ls%lc", column_width(c.options.name_width), column_width(c.options.name_width),
                           paths::display(source), delimiter(c));
    lines += text::format("\n %10ls ==> %ls", size_text, paths::display(destination));
    c.out.write(c.run.screen, lines);
}

void write_copy_error(const CopyContext& c, const std::wstring& source, const std::wstring& destination) {
    c.out.print(c.run.screen, "\n\n%ls\nNOT COPIED (error) to %ls ", paths::display(source),
                paths::display(destination));
    if (c.run.logs.error_log && c.run.logs.error_log != stderr)
        c.out.print(c.run.logs.error_log, "\n%ls | NOT COPIED to %ls", paths::display(source),
                    paths::display(destination));
}

void write_refused_link(const CopyContext& c, const platform::RefusedLink& link) {
    if (link.path.empty() || !c.run.logs.error_log) return;
    if (!c.run.refused_links_named.insert(link.path).second) return;
    c.out.print(c.run.logs.error_log, "\nLink %ls not followed: its owner %ls is neither this run's user nor root\n",
                paths::display(link.path), link.owner.c_str());
}

void write_link_refused_here(const CopyContext& c) {
    platform::RefusedLink link;
    if (platform::take_refused_link(&link)) write_refused_link(c, link);
}

void write_not_reached(const CopyContext& c, const std::wstring& path, int failure) {
    if (!c.run.logs.error_log) return;
    const bool folder = !path.empty() && path.back() == L'\\';
    std::wstring shown = paths::without_trailing_backslash(paths::display(path));
    c.out.print(c.run.logs.error_log, folder ? "\nCan't list folder %ls: %ls\n" : "\nCan't reach %ls: %ls\n",
                shown.c_str(), platform::failure_text(failure).c_str());
}

std::string copied_path_bytes(const wchar_t* path) {
    std::string bytes;
    for (const wchar_t* p = path; *p; ++p) {
        uint32_t c = static_cast<uint32_t>(*p);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
        } else if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            // A UTF-16 pair stands for one character: one byte for both units.
            bytes += static_cast<char>(0xF0);
            ++p;
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
        } else {
            bytes += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
        }
    }
    return bytes;
}

void write_copied_record(const CopyContext& c, const wchar_t* size_text, const std::wstring& source,
                         const std::wstring& destination, const FileTimeBreakdown& times) {
    if (!c.run.logs.copied_log) return;
    c.out.print(c.run.logs.copied_log, "%14ls |", size_text);
    std::string bytes = copied_path_bytes(paths::display(source));
    c.out.write_bytes(c.run.logs.copied_log, bytes.data(), bytes.size());
    c.out.print(c.run.logs.copied_log, "|");
    c.out.print(c.run.logs.copied_log, " ==> |%ls|", paths::display(destination));
    write_time_fields(c.out, c.run.logs.copied_log, times);
}

void write_copied_line_end(const CopyContext& c) { c.out.print(c.run.logs.copied_log, "\n"); }

void write_renamed_before(const CopyContext& c, const std::wstring& destination) {
    c.out.print(c.run.logs.renamed_log, "\n%ls |RENAMED TO:|", paths::display(destination));
    c.out.print(c.run.screen, "\n\nDUPE_FILE: %ls ==> ", paths::display(destination));
}

void write_renamed_after(const CopyContext& c, const std::wstring& destination) {
    c.out.print(c.run.logs.renamed_log, " %ls\n", paths::display(destination));
    c.out.print(c.run.screen, "  %ls\n", paths::display(destination));
}

void write_progress(const CopyContext& c, int32_t files_processed, int64_t bytes_processed) {
    Run& run = c.run;
    std::wstring processed = text::format_count(bytes_processed);
    c.out.print(run.screen, "\n %ld of %ld files:    %ls of %ls bytes\n", long(files_processed) + 1,
                long(run.counters.files_to_process), processed.c_str(), run.bytes_to_process_text.c_str());
    if (bytes_processed > run.progress_next) {
        show_rate(c, run.counters.bytes_to_process, bytes_processed);
        pause_seconds(3);
        run.progress_next = bytes_processed + 200000000;
    }
}

void show_rate(const CopyContext& c, int64_t total_bytes, int64_t bytes_so_far) {
    int64_t now = platform::now_seconds();
    if (total_bytes != 0) {
        int64_t elapsed = now - c.run.walk_start_time;
        double projected = double(elapsed) / (double(bytes_so_far) / double(total_bytes));
        int64_t remaining = static_cast<int64_t>(projected - double(elapsed));
        int hours = static_cast<int>(remaining / 3600);
        int minutes = static_cast<int>(remaining % 3600 / 60);
        int seconds = static_cast<int>(remaining % 60);
        // Within the run's first second there is no rate yet: count one second.
        int64_t run_seconds = now - c.run.run_start_time > 0 ? now - c.run.run_start_time : 1;
        double rate = double(bytes_so_far) / double(run_seconds) / 1000000.0 * 60.0;
        c.out.print(c.run.screen, "\n\n\n%.0f meg/min  %2d hrs. %2d mins. %2d secs remaining\n\n\n", rate, hours,
                    minutes, seconds);
        return;
    }
    int64_t minutes = (now - c.run.walk_start_time) / 60;
    if (minutes == 0) return;
    c.out.print(c.run.screen, "\n\n\n%.0f meg/min \n\n\n", double(bytes_so_far / minutes / 1000000));
}
