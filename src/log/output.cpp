#include "log/output.h"

#include <cstdarg>

#include "platform/platform.h"

namespace text {
namespace {

thread_local HeldOutput* holding = nullptr;

}  // namespace

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
    if (holding) {
        holding->pieces.push_back({stream, text, {}});
        return;
    }
    if ((stream == stdout || stream == stderr) && platform::is_console(stream)) {
        platform::write_console(stream, text.data(), text.size());
        return;
    }
    std::string bytes = to_utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void write_bytes(FILE* stream, const char* bytes, size_t length) {
    if (!stream || length == 0) return;
    if (holding) {
        holding->pieces.push_back({stream, {}, std::string(bytes, length)});
        return;
    }
    std::fwrite(bytes, 1, length, stream);
}

HeldOutput* hold_output(HeldOutput* held) {
    HeldOutput* before = holding;
    holding = held;
    return before;
}

void release(HeldOutput& held) {
    HeldOutput* before = hold_output(nullptr);
    for (const HeldOutput::Piece& piece : held.pieces) {
        if (piece.text.empty())
            write_bytes(piece.stream, piece.bytes.data(), piece.bytes.size());
        else
            write(piece.stream, piece.text);
    }
    held.pieces.clear();
    hold_output(before);
}

}  // namespace text
