// The console on POSIX: keys come from a terminal on standard input; a
// redirected standard input never has a key waiting.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "common/text.h"
#include "platform/platform.h"

namespace platform {
namespace {

// Reads one byte from a terminal without echo or line buffering.
int read_terminal_key() {
    struct termios saved, raw;
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return -1;
    raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char c = 0;
    ssize_t n = ::read(STDIN_FILENO, &c, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return n == 1 ? c : -1;
}

}  // namespace

bool key_waiting() {
    if (!isatty(STDIN_FILENO)) return false;
    // Without canonical mode a single key is visible at once.
    struct termios saved, raw;
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return false;
    raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    struct pollfd p = {STDIN_FILENO, POLLIN, 0};
    bool waiting = poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return waiting;
}

int read_key() {
    if (isatty(STDIN_FILENO)) return read_terminal_key();
    unsigned char c = 0;
    return ::read(STDIN_FILENO, &c, 1) == 1 ? c : -1;
}

int read_char() {
    unsigned char c = 0;
    return ::read(STDIN_FILENO, &c, 1) == 1 ? c : -1;
}

void discard_console_input() {
    if (isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

bool is_console(FILE*) {
    // A POSIX terminal takes UTF-8 like a file does: no wide path needed.
    return false;
}

void write_console(FILE* stream, const wchar_t* text, size_t length) {
    std::string bytes = text::to_utf8(text, length);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

bool select_file_dialog(const wchar_t* title, std::wstring& chosen) {
    text::print(stdout, "\n%ls: ", title);
    std::string line;
    for (;;) {
        int c = read_char();
        if (c < 0 || c == '\n') break;
        if (c != '\r') line += static_cast<char>(c);
    }
    if (line.empty()) return false;
    chosen = text::from_utf8(line);
    return true;
}

void set_file_apis_ansi() {}
void set_file_apis_oem() {}
bool file_apis_are_ansi() { return true; }

}  // namespace platform
