// Line-piece reading of list files, as fgets/fgetws with a fixed buffer do
// it: a line longer than the piece comes back as several pieces, a piece
// ends after its '\n', and a NUL byte ends the text of its piece (the rest of
// that piece is skipped), so binary files read safely. "\r\n" reads as "\n"
// on every host, as the Windows runtime's text mode gives it.
#pragma once

#include <cstdio>
#include <string>

// The next piece of at most `max_bytes` bytes; false at the end of the file.
bool read_byte_piece(FILE* stream, size_t max_bytes, std::string& piece);

// Wide pieces: the bytes are UTF-8 (a stray byte stands for itself); a piece
// holds at most `max_chars` characters.
class WidePieceReader {
public:
    explicit WidePieceReader(FILE* stream) : stream_(stream) {}
    bool next(size_t max_chars, std::wstring& piece);

private:
    bool fill();
    FILE* stream_;
    std::string carry_;     // an unfinished UTF-8 sequence at a chunk's end
    std::wstring pending_;  // decoded text not yet handed out
    size_t position_ = 0;
};

// A list file that is counted and then read again must be readable twice. A
// pipe (kestro -S <(find ...)) is not: its bytes are moved into a nameless
// temporary file in the host's temporary folder, which takes its place (the
// pipe is closed). The list may be as long as that folder has room for.
// Returns the stream to read; null, after a message on standard error that
// says what failed, when the bytes could not be kept.
FILE* readable_twice(FILE* stream);

// Removes one trailing '\n', if there is one.
void remove_line_end(std::string& line);
