// The memo: free text the user types for the run, kept in the memo file.
#pragma once

#include <cstdio>
#include <string>

// The memo as it is typed: which lines it keeps and when the input ends.
class MemoText {
public:
    // The input ends once the memo is longer than this many characters.
    static constexpr size_t LIMIT = 5000;
    // A typed line longer than this is kept as several lines of this length.
    static constexpr size_t LINE_PIECE = 4999;

    // A line of fewer than two characters counts as blank.
    static bool is_blank(const std::wstring& line) { return line.size() < 2; }

    // Takes one typed line, without its line end. False once the memo is
    // finished: at a second blank line in a row, or past the limit.
    bool add_typed_line(const std::wstring& line);

    const std::wstring& text() const { return text_; }

private:
    bool add_blank_line();
    bool add_text(const std::wstring& piece);

    std::wstring text_;
    int blank_lines_ = 0;
};

// Asks for the memo, reads it from standard input and appends it to
// `memo_file`.
void memo_input(FILE* memo_file);
