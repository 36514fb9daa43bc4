// The console on POSIX: keys come from a terminal on standard input; a
// redirected standard input never has a key waiting.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "common/text.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix/host-posix.h"

namespace platform {
namespace posix {
namespace {

// The terminal's settings while a key read has changed them, so that an
// exit from the interrupt thread can give the terminal back as it was.
struct SavedTerminal {
    std::atomic<bool> changed{false};
    struct termios settings;
};
SavedTerminal saved_terminal;

// Switches standard input's terminal out of line mode (and echo); false when
// it is no terminal.
bool enter_key_mode(bool keep_signals) {
    struct termios raw;
    if (tcgetattr(STDIN_FILENO, &saved_terminal.settings) != 0) return false;
    raw = saved_terminal.settings;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    if (!keep_signals) raw.c_lflag &= static_cast<tcflag_t>(~ISIG);  // Ctrl+C arrives as the key 3
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    saved_terminal.changed = true;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    return true;
}

}  // namespace

void restore_terminal() {
    if (saved_terminal.changed.exchange(false)) tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal.settings);
}

}  // namespace posix

namespace {

// Whether standard input is a terminal, asked once: the walk polls the
// keyboard for every file.
bool input_is_terminal() {
    static const bool terminal = isatty(STDIN_FILENO) != 0;
    return terminal;
}

// Reads one byte from a terminal without echo or line buffering.
int read_terminal_key() {
    if (!posix::enter_key_mode(false)) return -1;
    unsigned char c = 0;
    ssize_t n;
    do {
        n = ::read(STDIN_FILENO, &c, 1);
    } while (n < 0 && errno == EINTR);
    posix::restore_terminal();
    return n == 1 ? c : -1;
}

}  // namespace

bool key_waiting() {
    if (!input_is_terminal()) return false;
    // Without line mode a single key is visible at once.
    if (!posix::enter_key_mode(true)) return false;
    struct pollfd p = {STDIN_FILENO, POLLIN, 0};
    bool waiting = poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    posix::restore_terminal();
    return waiting;
}

int read_key() {
    if (isatty(STDIN_FILENO)) return read_terminal_key();
    return read_char();
}

int read_char() {
    unsigned char c = 0;
    ssize_t n;
    do {
        n = ::read(STDIN_FILENO, &c, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? c : -1;
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
    std::wstring prompt = std::wstring(L"\n") + title + L": ";
    write_console(stdout, prompt.data(), prompt.size());
    std::string line;
    for (;;) {
        int c = read_char();
        if (c < 0 || c == '\n') break;
        if (c != '\r') line += static_cast<char>(c);
    }
    if (line.empty()) return false;
    // The dialog answers with a full path.
    std::wstring answer;
    append_windows_text(line.data(), line.size(), HostText::typed, answer);
    if (!full_path(answer.c_str(), chosen)) chosen = answer;
    return true;
}

void set_file_apis_ansi() {}
void set_file_apis_oem() {}
bool file_apis_are_ansi() { return true; }

}  // namespace platform
