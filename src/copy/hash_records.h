// The hash log's lines and the verdict of the hashing step, for the files
// of the walk and of source-list mode.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The bits of hash_mode.
constexpr int32_t HASH_SOURCE = 2;       // -hs
constexpr int32_t HASH_DESTINATION = 4;  // -hd
constexpr int32_t HASH_BOTH = 8;         // -h, -H: both sides, compared

inline bool hashes_source(int32_t hash_mode) { return hash_mode & (HASH_SOURCE | HASH_BOTH); }
inline bool hashes_destination(int32_t hash_mode) { return hash_mode & (HASH_DESTINATION | HASH_BOTH); }

// The hash texts of a file and its copy; a text not computed stays empty.
struct FileHashTexts {
    std::string source_md5, destination_md5, source_sha1, destination_sha1;
    // A side left unread for want of an input buffer.
    bool source_no_buffer = false, destination_no_buffer = false;
};

// "OK" when both MD5 texts are digests and equal, else "HASH ERROR".
const char* hash_verdict(const FileHashTexts& texts);

// One line for a file of the walk: the source part (-h, -hs), a bar and the
// destination part (-h) or a line break and the destination part (-hd),
// SHA-1 texts after the MD5 texts when wanted, and with -h the verdict when
// neither MD5 text is a failure. Paths are shown without "\\?\".
void write_hash_log_line(FILE* hash_log, int32_t hash_mode, bool sha1_wanted, const std::wstring& source,
                         const std::wstring& destination, const FileHashTexts& texts);
// Source-list mode's lines: MD5 texts only, paths as given (long-path
// form), no verdict.
void write_listed_hash_log_lines(FILE* hash_log, int32_t hash_mode, const std::wstring& source,
                                 const std::wstring& destination, const FileHashTexts& texts);
