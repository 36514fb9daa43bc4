#include "options/list_reader.h"

#include "common/text.h"
#include "log/output.h"
#include "platform/platform.h"

namespace {

// getc with "\r\n" read as "\n".
int next_byte(FILE* stream) {
    int c = std::getc(stream);
    if (c == '\r') {
        int following = std::getc(stream);
        if (following == '\n') return '\n';
        if (following != EOF) std::ungetc(following, stream);
    }
    return c;
}

// Bytes of an unfinished UTF-8 sequence at the end of `bytes` (0 to 3).
size_t unfinished_sequence_length(const std::string& bytes) {
    size_t n = bytes.size();
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
        auto b = static_cast<unsigned char>(bytes[n - back]);
        if (b >= 0x80 && b <= 0xBF) continue;  // a continuation byte: look further back
        size_t needed = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 1;
        return needed > back ? back : 0;
    }
    return 0;
}

}  // namespace

bool read_byte_piece(FILE* stream, size_t max_bytes, std::string& piece) {
    piece.clear();
    if (max_bytes == 0) return false;
    while (piece.size() < max_bytes) {
        int c = next_byte(stream);
        if (c == EOF) break;
        piece += static_cast<char>(c);
        if (c == '\n') break;
    }
    if (piece.empty()) return false;
    size_t nul = piece.find('\0');
    if (nul != std::string::npos) piece.resize(nul);
    return true;
}

bool WidePieceReader::fill() {
    constexpr size_t CHUNK = 4096;
    std::string bytes;
    bytes.swap(carry_);
    bool line_ended = false, at_end = false;
    while (bytes.size() < CHUNK) {
        int c = next_byte(stream_);
        if (c == EOF) {
            at_end = true;
            break;
        }
        bytes += static_cast<char>(c);
        if (c == '\n') {
            line_ended = true;
            break;
        }
    }
    if (!line_ended && !at_end) {
        size_t unfinished = unfinished_sequence_length(bytes);
        carry_ = bytes.substr(bytes.size() - unfinished);
        bytes.resize(bytes.size() - unfinished);
    }
    if (bytes.empty() && carry_.empty()) return false;
    pending_ = text::from_utf8(bytes);
    position_ = 0;
    return true;
}

bool WidePieceReader::next(size_t max_chars, std::wstring& piece) {
    piece.clear();
    if (max_chars == 0) return false;
    while (piece.size() < max_chars) {
        if (position_ >= pending_.size() && !fill()) break;
        if (position_ >= pending_.size()) continue;  // only an unfinished sequence so far
        wchar_t c = pending_[position_++];
        piece += c;
        if (c == L'\n') break;
    }
    if (piece.empty()) return false;
    size_t nul = piece.find(L'\0');
    if (nul != std::wstring::npos) piece.resize(nul);
    return true;
}

void remove_line_end(std::string& line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
}

FILE* readable_twice(FILE* stream) {
    if (std::fseek(stream, 0, SEEK_CUR) == 0) return stream;
    std::wstring folder;
    FILE* copy = platform::open_temporary_stream(&folder);
    if (!copy) {
        const int failure = platform::last_failure();
        std::fclose(stream);
        text::print(stderr, "\n\nCan't make a temporary file for the list in %ls: %ls\n", folder.c_str(),
                    platform::failure_text(failure).c_str());
        return nullptr;
    }
    // As long as the temporary folder has room: a failed write says why.
    char buffer[65536];
    size_t got;
    bool stored = true;
    while (stored && (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        stored = std::fwrite(buffer, 1, got, copy) == got;
    stored = stored && std::fflush(copy) == 0;
    const int failure = platform::last_failure();
    const bool read_whole = !std::ferror(stream);
    std::fclose(stream);
    if (!stored || !read_whole) {
        std::fclose(copy);
        if (!stored)
            text::print(stderr, "\n\nCan't store the list in a temporary file in %ls: %ls\n", folder.c_str(),
                        platform::failure_text(failure).c_str());
        else
            text::print(stderr, "\n\nCan't read the list: %ls\n", platform::failure_text(failure).c_str());
        return nullptr;
    }
    std::rewind(copy);
    return copy;
}
