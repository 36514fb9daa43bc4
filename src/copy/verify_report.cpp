#include "copy/verify_report.h"

#include "common/paths.h"
#include "log/log_set.h"
#include "log/output.h"

namespace {

// How much of a line that is no record is shown: enough to find it.
constexpr int SHOWN_LINE_CHARS = 100;

void write_counts(FILE* stream, const std::wstring& hash_log, const VerifyCounts& counts) {
    text::print(stream, "\n\n Verified against %ls\n", hash_log.c_str());
    text::print(stream, "   %-14s%9ld files\n", "OK", long(counts.ok));
    text::print(stream, "   %-14s%9ld files\n", "CHANGED", long(counts.changed));
    text::print(stream, "   %-14s%9ld files\n", "MISSING", long(counts.missing));
    text::print(stream, "   %-14s%9ld files\n", "UNREADABLE", long(counts.unreadable));
    if (counts.not_recorded)
        text::print(stream, "   %-14s%9ld files (a failure text in place of the digest)\n", "not recorded",
                    long(counts.not_recorded));
    if (counts.not_records)
        text::print(stream, "   %-14s%9ld lines of the hash log\n", "not records", long(counts.not_records));
}

void write_listing_count(FILE* stream, const std::wstring& hash_log, int32_t files) {
    text::print(stream, "\n\n %ld files would be verified against %ls\n", long(files), hash_log.c_str());
}

// The summary goes to the screen and, reopened for it, to the default log.
template <typename Writer>
void to_screen_and_default_log(const CopyContext& c, Writer write) {
    if (!c.options.silent) write(c.run.screen);
    if (c.config.log_base_name.empty()) return;
    if (!reopen_default_log(c.run.logs, c.config.log_base_name, "a+")) return;
    write(c.run.logs.default_log);
    close_log_stream(c.run.logs, c.run.logs.default_log);
}

}  // namespace

const char* verdict_text(Verdict verdict) {
    switch (verdict) {
        case Verdict::ok: return "OK";
        case Verdict::changed: return "CHANGED";
        case Verdict::missing: return "MISSING";
        default: return "UNREADABLE";
    }
}

void write_verify_fault(const CopyContext& c, const std::wstring& path, Verdict verdict, const std::wstring& reason) {
    const char* what = verdict_text(verdict);
    const wchar_t* shown = paths::display(path);
    if (reason.empty()) {
        c.out.print(c.run.screen, "\n%-10s %ls\n", what, shown);
        c.out.print(c.run.logs.not_copied_log, "\n%ls| %s", shown, what);
    } else {
        c.out.print(c.run.screen, "\n%-10s %ls: %ls\n", what, shown, reason.c_str());
        c.out.print(c.run.logs.not_copied_log, "\n%ls| %s: %ls", shown, what, reason.c_str());
    }
}

void write_not_a_record(const CopyContext& c, const std::wstring& hash_log, const NotARecord& line) {
    std::wstring shown = text::from_utf8(line.text);
    c.out.print(c.run.screen, "\nLine %ld of %ls is no record: %.*ls\n", long(line.line), hash_log.c_str(),
                SHOWN_LINE_CHARS, shown.c_str());
    c.out.print(c.run.logs.not_copied_log, "\n%ls| line %ld is no record", hash_log.c_str(), long(line.line));
}

void write_would_check(const CopyContext& c, const std::wstring& path) {
    c.out.print(c.run.screen, "%ls%lc\n", paths::display(path), static_cast<wint_t>(c.config.list_delimiter));
}

void write_verify_summary(const CopyContext& c, const std::wstring& hash_log, const VerifyCounts& counts) {
    to_screen_and_default_log(c, [&](FILE* stream) { write_counts(stream, hash_log, counts); });
}

void write_listing_summary(const CopyContext& c, const std::wstring& hash_log, int32_t files) {
    to_screen_and_default_log(c, [&](FILE* stream) { write_listing_count(stream, hash_log, files); });
}
