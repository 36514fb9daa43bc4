// Any bytes read as a hash log: every line is a record, empty or no record,
// and what comes out holds only what a record can hold: one file per path,
// each with an MD5 digest, the lines in range and in order.
#include <set>
#include <string>
#include <string_view>

#include "copy/hash_log_lines.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view log(reinterpret_cast<const char*>(data), size);
    HashLogReader reader;
    size_t lines = 0, start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string_view::npos; start = end + 1, ++lines)
        reader.take_line(log.substr(start, end - start));
    if (start < log.size()) reader.take_line(log.substr(start)), ++lines;

    std::set<std::wstring> paths;
    size_t records = 0;
    for (const RecordedFile& file : reader.files()) {
        FUZZ_CHECK(!file.path.empty() && paths.insert(file.path).second);
        FUZZ_CHECK(is_hex_digest(file.md5, 32));
        FUZZ_CHECK(file.sha1.empty() || is_hex_digest(file.sha1, 40));
        FUZZ_CHECK(file.line >= 1 && file.line <= lines);
        ++records;
    }
    size_t before = 0;
    for (const NotARecord& line : reader.not_records()) {
        FUZZ_CHECK(line.line > before && line.line <= lines);
        before = line.line;
    }
    FUZZ_CHECK(records + reader.not_recorded() + reader.not_records().size() <= lines);
    return 0;
}
