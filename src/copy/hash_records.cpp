#include "copy/hash_records.h"

#include "common/paths.h"
#include "copy/file_hashing.h"
#include "log/output.h"

const char* hash_verdict(const FileHashTexts& texts) {
    bool agree = !hashing::holds_error(texts.source_md5) && !hashing::holds_error(texts.destination_md5) &&
                 texts.source_md5 == texts.destination_md5;
    return agree ? "OK" : "HASH ERROR";
}

void write_hash_log_line(FILE* hash_log, int32_t hash_mode, bool sha1_wanted, const std::wstring& source,
                         const std::wstring& destination, const FileHashTexts& texts) {
    if (!hash_log) return;
    const bool both = hash_mode & HASH_BOTH;
    if (hashes_source(hash_mode)) {
        text::print(hash_log, "\n\n%ls  | %s ", paths::display(source), texts.source_md5.c_str());
        if (sha1_wanted) text::print(hash_log, " | %s ", texts.source_sha1.c_str());
    }
    if (hashes_destination(hash_mode)) {
        text::print(hash_log, both ? "|" : "\n");
        text::print(hash_log, "%ls  | %s ", paths::display(destination), texts.destination_md5.c_str());
        if (sha1_wanted) text::print(hash_log, " | %s ", texts.destination_sha1.c_str());
    }
    if (both && !hashing::holds_error(texts.source_md5) && !hashing::holds_error(texts.destination_md5))
        text::print(hash_log, "|[%s]", hash_verdict(texts));
}

void write_listed_hash_log_lines(FILE* hash_log, int32_t hash_mode, const std::wstring& source,
                                 const std::wstring& destination, const FileHashTexts& texts) {
    if (!hash_log) return;
    if (hashes_source(hash_mode)) text::print(hash_log, "\n\n%ls  %s ", source.c_str(), texts.source_md5.c_str());
    if (hashes_destination(hash_mode))
        text::print(hash_log, "\n%ls  %s ", destination.c_str(), texts.destination_md5.c_str());
}
