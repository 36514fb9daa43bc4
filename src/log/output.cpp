#include "log/output.h"

#include <cstdarg>

#include "platform/platform.h"

namespace text {

void print(FILE* stream, const char* format, ...) {
    if (!stream) return;
    va_list args;
    va_start(args, format);
    std::wstring result = vformat(format, args);
    va_end(args);
    write(stream, result);
}

void write(FILE* stream, const wchar_t* text) {
    if (!stream || !text) return;
    write(stream, std::wstring(text));
}

void write(FILE* stream, const std::wstring& text) {
    if (!stream || text.empty()) return;
    if ((stream == stdout || stream == stderr) && platform::is_console(stream)) {
        platform::write_console(stream, text.data(), text.size());
        return;
    }
    // Most lines are short and ASCII: they go out from the stack, with no
    // allocation per line.
    char ascii[512];
    if (text.size() <= sizeof ascii) {
        size_t i = 0;
        for (; i < text.size() && static_cast<uint32_t>(text[i]) < 0x80; ++i) ascii[i] = static_cast<char>(text[i]);
        if (i == text.size()) {
            std::fwrite(ascii, 1, i, stream);
            return;
        }
    }
    std::string bytes = to_utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void write_bytes(FILE* stream, const char* bytes, size_t length) {
    if (!stream || length == 0) return;
    std::fwrite(bytes, 1, length, stream);
}

void release(HeldOutput& held) {
    for (const HeldOutput::Piece& piece : held.pieces) {
        if (piece.text.empty())
            write_bytes(piece.stream, piece.bytes.data(), piece.bytes.size());
        else
            write(piece.stream, piece.text);
    }
    held.pieces.clear();
}

void Out::print(FILE* stream, const char* format, ...) const {
    if (!stream) return;
    va_list args;
    va_start(args, format);
    std::wstring result = vformat(format, args);
    va_end(args);
    write(stream, result);
}

void Out::write(FILE* stream, const std::wstring& text) const {
    if (!held) return text::write(stream, text);
    if (stream && !text.empty()) held->pieces.push_back({stream, text, {}});
}

void Out::write_bytes(FILE* stream, const char* bytes, size_t length) const {
    if (!held) return text::write_bytes(stream, bytes, length);
    if (stream && length != 0) held->pieces.push_back({stream, {}, std::string(bytes, length)});
}

}  // namespace text
