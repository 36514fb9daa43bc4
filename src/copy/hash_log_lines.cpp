#include "copy/hash_log_lines.h"

#include "common/text.h"

namespace {

constexpr size_t MD5_DIGITS = 32;
constexpr size_t SHA1_DIGITS = 40;
constexpr std::string_view PATH_END = "  ";  // the two blanks after a path
// Source-list mode's MD5 failure text, the one text with blanks that may
// stand where its digest would.
constexpr std::string_view LISTED_FAILURE = "- ERROR - FILE POSSIBLY LOCKED -";
// Of a line that is no record, enough is kept to find it (a file that is no
// hash log at all may have lines of any length).
constexpr size_t NOT_A_RECORD_KEPT = 256;

bool is_blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

std::string_view trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The hashing step writes a failure text where it could not read the file,
// and nothing at all when it had no buffer.
bool is_failure_text(std::string_view text) { return text.empty() || text.find("ERROR") != std::string_view::npos; }

bool is_digest_or_failure(std::string_view text, size_t hex_digits) {
    return is_hex_digest(text, hex_digits) || is_failure_text(text);
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

// The paths the hashing step writes are full: a drive ("C:\"), a network
// path or one in long-path form ("\\"). Anything else is no path of a record.
bool is_full_path(std::string_view path) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return true;
    return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

std::vector<std::string_view> split_at_bars(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        size_t bar = line.find('|');
        fields.push_back(line.substr(0, bar));
        if (bar == std::string_view::npos) return fields;
        line.remove_prefix(bar + 1);
    }
}

// "PATH  " as "%ls  " writes it; false for anything else.
bool take_path_field(std::string_view field, HashLogPart& part) {
    if (field.size() <= PATH_END.size() || !field.ends_with(PATH_END)) return false;
    std::string_view path = field.substr(0, field.size() - PATH_END.size());
    if (!is_full_path(path)) return false;
    part.path = text::from_utf8(path.data(), path.size());
    return true;
}

// " TEXT " as " %s " writes it (with " | %s " after it, two blanks end it).
bool is_digest_field(std::string_view field) { return !field.empty() && field[0] == ' '; }

bool is_verdict_field(std::string_view field) { return field == "[OK]" || field == "[HASH ERROR]"; }

// A line of the tree copy: one or two sides, each a path, an MD5 text and
// maybe a SHA-1 text, then maybe the verdict of -h.
HashLogLine parse_barred_line(std::string_view line) {
    std::vector<std::string_view> fields = split_at_bars(line);
    HashLogLine parsed;
    size_t i = 0;
    while (i < fields.size() && parsed.parts.size() < 2 && !is_verdict_field(fields[i])) {
        HashLogPart part;
        if (!take_path_field(fields[i++], part)) return HashLogLine{HashLogLine::Kind::not_a_record, {}};
        if (i == fields.size() || !is_digest_field(fields[i])) return HashLogLine{HashLogLine::Kind::not_a_record, {}};
        std::string_view md5 = trimmed(fields[i++]);
        if (!is_digest_or_failure(md5, MD5_DIGITS)) return HashLogLine{HashLogLine::Kind::not_a_record, {}};
        part.md5 = upper(md5);
        if (i < fields.size() && is_digest_field(fields[i])) {
            std::string_view sha1 = trimmed(fields[i++]);
            if (!is_digest_or_failure(sha1, SHA1_DIGITS)) return HashLogLine{HashLogLine::Kind::not_a_record, {}};
            part.sha1 = upper(sha1);
        }
        parsed.parts.push_back(std::move(part));
    }
    if (i < fields.size() && is_verdict_field(fields[i]) && !parsed.parts.empty()) ++i;
    if (i != fields.size() || parsed.parts.empty()) return HashLogLine{HashLogLine::Kind::not_a_record, {}};
    parsed.kind = HashLogLine::Kind::record;
    return parsed;
}

// A line of source-list mode: "PATH  MD5 ", the MD5 a digest or the failure text.
HashLogLine parse_listed_line(std::string_view line) {
    std::string_view rest = line.substr(0, line.find_last_not_of(' ') + 1);
    std::string_view md5;
    if (rest.ends_with(LISTED_FAILURE))
        md5 = LISTED_FAILURE;
    else if (rest.size() > MD5_DIGITS && is_hex_digest(rest.substr(rest.size() - MD5_DIGITS), MD5_DIGITS))
        md5 = rest.substr(rest.size() - MD5_DIGITS);
    else
        return HashLogLine{HashLogLine::Kind::not_a_record, {}};
    HashLogPart part;
    if (!take_path_field(rest.substr(0, rest.size() - md5.size()), part))
        return HashLogLine{HashLogLine::Kind::not_a_record, {}};
    part.md5 = upper(md5);
    HashLogLine parsed{HashLogLine::Kind::listed, {}};
    parsed.parts.push_back(std::move(part));
    return parsed;
}

}  // namespace

bool is_hex_digest(std::string_view text, size_t hex_digits) {
    if (text.size() != hex_digits) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

HashLogLine parse_hash_log_line(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (is_blank(line)) return HashLogLine{};
    if (line.find('|') != std::string_view::npos) return parse_barred_line(line);
    return parse_listed_line(line);
}

void HashLogReader::take_line(std::string_view line) {
    ++line_;
    HashLogLine parsed = parse_hash_log_line(line);
    const bool after_blank = blank_before_;
    // Each record begins with a line end, which leaves the first line of the
    // log empty: only an empty line below it separates.
    blank_before_ = parsed.kind == HashLogLine::Kind::blank && line_ > 1;
    if (parsed.kind == HashLogLine::Kind::listed) {
        // Right below a source line: that file's destination.
        if (!after_blank && has_listed_source_) {
            has_listed_source_ = false;
            return add(parsed.parts.front(), line_);
        }
        flush_listed_source();
        if (!after_blank) return add(parsed.parts.front(), line_);  // a destination alone (-hd)
        has_listed_source_ = true;
        listed_source_ = std::move(parsed.parts.front());
        listed_source_line_ = line_;
        return;
    }
    flush_listed_source();
    if (parsed.kind == HashLogLine::Kind::record) return add(parsed.parts.back(), line_);
    if (parsed.kind == HashLogLine::Kind::not_a_record) {
        if (line.ends_with('\r')) line.remove_suffix(1);
        not_records_.push_back(NotARecord{line_, std::string(line.substr(0, NOT_A_RECORD_KEPT))});
    }
}

void HashLogReader::flush_listed_source() {
    if (!has_listed_source_) return;
    has_listed_source_ = false;
    add(listed_source_, listed_source_line_);
}

void HashLogReader::add(const HashLogPart& part, size_t line) {
    RecordedFile file{part.path, part.md5, is_failure_text(part.sha1) ? std::string() : part.sha1, line};
    auto [earlier, first] = last_of_path_.try_emplace(part.path, records_.size());
    if (!first) {
        superseded_[earlier->second] = true;
        earlier->second = records_.size();
    }
    records_.push_back(std::move(file));
    superseded_.push_back(false);
}

std::vector<RecordedFile> HashLogReader::files() {
    flush_listed_source();
    std::vector<RecordedFile> files;
    not_recorded_ = 0;
    for (size_t i = 0; i < records_.size(); ++i) {
        if (superseded_[i]) continue;
        if (is_failure_text(records_[i].md5))
            ++not_recorded_;
        else
            files.push_back(records_[i]);
    }
    return files;
}
