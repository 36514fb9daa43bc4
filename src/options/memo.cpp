#include "options/memo.h"

#include "log/output.h"
#include "platform/platform.h"

namespace {

// The memo takes at most two pieces of one line (the first of them brings an
// empty memo to its limit), and a character is at most 4 bytes.
constexpr size_t LINE_BYTES_KEPT = 2 * MemoText::LINE_PIECE * 4;

// Reads one line of standard input without its line end, keeping at most
// `limit` bytes of it; the rest of a longer line is read and dropped, so that
// it answers no later question. False at the end of input with nothing read.
bool read_typed_line(std::string& line, size_t limit) {
    line.clear();
    bool read_any = false;
    for (int c; (c = platform::read_char()) >= 0;) {
        read_any = true;
        if (c == '\n') break;
        if (line.size() < limit) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return read_any;
}

}  // namespace

bool MemoText::add_blank_line() {
    // The first blank line keeps a paragraph break; a second one ends the memo.
    if (++blank_lines_ >= 2) return false;
    text_ += L'\n';
    return true;
}

bool MemoText::add_text(const std::wstring& piece) {
    blank_lines_ = 0;
    text_ += piece;
    text_ += L'\n';
    return text_.size() <= LIMIT;
}

bool MemoText::add_typed_line(const std::wstring& line) {
    if (line.size() <= LINE_PIECE) return is_blank(line) ? add_blank_line() : add_text(line);
    // The pieces of a long line are its text, however short the last one is.
    for (size_t at = 0; at < line.size(); at += LINE_PIECE)
        if (!add_text(line.substr(at, LINE_PIECE))) return false;
    return true;
}

void memo_input(FILE* memo_file) {
    text::print(stdout, "\n\n\nInput up to 2000 characters of your memo information now.\n");
    text::print(stdout, "End with two blank lines (carriage returns)%c\n\n\n", 7);
    MemoText memo;
    std::string bytes;
    for (bool more = true; more && read_typed_line(bytes, LINE_BYTES_KEPT);) {
        std::wstring line = text::from_utf8(bytes);
        // Keys typed ahead while a line was entered are not part of the memo.
        if (!MemoText::is_blank(line)) platform::discard_console_input();
        more = memo.add_typed_line(line);
    }
    platform::discard_console_input();
    text::write(memo_file, memo.text());
}
