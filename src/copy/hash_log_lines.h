// The hash log read back: the lines the hashing step appends run after run
// (hash_records.h) taken apart into the files they record and their digests,
// for --VERIFY=. Pure text work: nothing here touches a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One side of a record: a path as the log shows it and its digest texts
// (empty when the record holds none; a failure text stays as written).
struct HashLogPart {
    std::wstring path;
    std::string md5, sha1;
};

struct HashLogLine {
    enum class Kind {
        blank,
        record,        // a line of the tree copy: source, destination or both, with bars
        listed,        // a line of source-list mode: one path and its MD5, no bar
        not_a_record,  // anything else: garbage, a line cut short
    };
    Kind kind = Kind::blank;
    std::vector<HashLogPart> parts;  // a record: 1 or 2 (source, destination); listed: 1
};

// `line` without its '\n' (a trailing '\r' is ignored); its bytes are UTF-8.
HashLogLine parse_hash_log_line(std::string_view line);

// A file to verify: the last record of its path.
struct RecordedFile {
    std::wstring path;  // as the log shows it
    std::string md5;    // upper-case hexadecimal
    std::string sha1;   // empty when the record holds none
    size_t line = 0;    // of the record, from 1
};

struct NotARecord {
    size_t line = 0;
    std::string text;  // its first 256 bytes
};

// Reads the lines of a hash log in order. Each record names the file that is
// checked: its destination when it has one, else its source. Source-list
// mode writes a file's two sides on two lines, the source after an empty
// line and the destination right below it; they are taken as one record.
class HashLogReader {
public:
    void take_line(std::string_view line);
    // After the last line: the files, in the order of their last records.
    std::vector<RecordedFile> files();
    // Paths whose last record holds a failure text in place of its MD5.
    size_t not_recorded() const { return not_recorded_; }
    const std::vector<NotARecord>& not_records() const { return not_records_; }

private:
    void add(const HashLogPart& part, size_t line);
    void flush_listed_source();

    size_t line_ = 0;
    bool blank_before_ = false;  // the line before was empty (a source-list record begins)
    bool has_listed_source_ = false;
    HashLogPart listed_source_;
    size_t listed_source_line_ = 0;
    std::vector<RecordedFile> records_;  // every record taken, later ones after
    std::vector<bool> superseded_;
    std::unordered_map<std::wstring, size_t> last_of_path_;
    size_t not_recorded_ = 0;
    std::vector<NotARecord> not_records_;
};

// True when `text` is a digest of `hex_digits` hexadecimal digits.
bool is_hex_digest(std::string_view text, size_t hex_digits);
