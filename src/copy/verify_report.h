// The lines of --VERIFY=: a line per file that is not as recorded (screen and
// NOT_COPIED log), the hash log's lines that are no records, the listing of
// -n, and the summary (screen and default log).
#pragma once

#include "copy/copy_context.h"

#include <cstdint>
#include <string>

#include "copy/hash_log_lines.h"

enum class Verdict { ok, changed, missing, unreadable };

struct VerifyCounts {
    int32_t ok = 0, changed = 0, missing = 0, unreadable = 0;
    int32_t not_recorded = 0;  // paths whose last record holds a failure text
    int32_t not_records = 0;   // lines of the hash log that are no records
    bool all_ok() const { return changed == 0 && missing == 0 && unreadable == 0; }
};

const char* verdict_text(Verdict verdict);

// `reason`: the host's words for an unreadable file.
void write_verify_fault(const CopyContext& c, const std::wstring& path, Verdict verdict, const std::wstring& reason);
void write_not_a_record(const CopyContext& c, const std::wstring& hash_log, const NotARecord& line);
void write_would_check(const CopyContext& c, const std::wstring& path);
void write_verify_summary(const CopyContext& c, const std::wstring& hash_log, const VerifyCounts& counts);
// -n: how many files would be verified.
void write_listing_summary(const CopyContext& c, const std::wstring& hash_log, int32_t files);
