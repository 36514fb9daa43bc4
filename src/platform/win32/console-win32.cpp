// Keyboard, console output and the open-file dialog.
#include "platform/win32/host-win32.h"  // <windows.h> before <commdlg.h>

#include <commdlg.h>
#include <conio.h>
#include <io.h>

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

HANDLE stream_handle(FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool handle_is_console(HANDLE h) {
    DWORD mode;
    return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) != 0;
}

// Whether a standard stream (0, 1, 2) is a console does not change during a
// run: asked once each, as output and keyboard polls come per file.
bool standard_stream_is_console(int fd) {
    static std::atomic<int> known[3] = {-1, -1, -1};
    int value = known[fd].load(std::memory_order_relaxed);
    if (value < 0) {
        HANDLE h = fd == 0 ? GetStdHandle(STD_INPUT_HANDLE) : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
        value = handle_is_console(h) ? 1 : 0;
        known[fd].store(value, std::memory_order_relaxed);
    }
    return value == 1;
}

bool input_is_console() { return standard_stream_is_console(0); }

}  // namespace

bool key_waiting() { return input_is_console() && _kbhit() != 0; }

int read_key() {
    if (input_is_console()) return _getch();
    // Redirected input: the next byte, through the runtime's stream so that
    // read_char and line reads see the same input.
    int c = std::getchar();
    return c == EOF ? -1 : c;
}

int read_char() {
    int c = std::getchar();
    return c == EOF ? -1 : c;
}

void discard_console_input() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (handle_is_console(in)) FlushConsoleInputBuffer(in);
}

bool is_console(FILE* stream) {
    if (!stream) return false;
    int fd = _fileno(stream);
    if (fd >= 0 && fd <= 2) return standard_stream_is_console(fd);
    return handle_is_console(stream_handle(stream));
}

void write_console(FILE* stream, const wchar_t* text, size_t length) {
    std::fflush(stream);  // keep the order of anything the runtime still holds
    HANDLE h = stream_handle(stream);
    // Old consoles refuse very large writes: hand the text over in pieces.
    constexpr size_t piece = 8192;
    while (length > 0) {
        DWORD count = static_cast<DWORD>(length < piece ? length : piece);
        DWORD written = 0;
        if (!WriteConsoleW(h, text, count, &written, nullptr) || written == 0) return;
        text += written;
        length -= written;
    }
}

bool select_file_dialog(const wchar_t* title, std::wstring& chosen) {
    // comdlg32 is loaded here, on the one use of the dialog: importing it
    // would load the window system into every run (slow starts for nothing).
    using OpenDialog = BOOL(WINAPI*)(LPOPENFILENAMEW);
    static HMODULE comdlg32 = LoadLibraryW(L"comdlg32.dll");
    static OpenDialog open_dialog =
        comdlg32 ? reinterpret_cast<OpenDialog>(reinterpret_cast<void*>(GetProcAddress(comdlg32, "GetOpenFileNameW")))
                 : nullptr;
    if (!open_dialog) return false;

    static const wchar_t filters[] = L"All Files (*.*)\0*.*\0Data Files (*.OUT)\0*.OUT\0";
    wchar_t file[260] = {};
    wchar_t file_title[260] = {};
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = filters;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrFileTitle = file_title;
    ofn.nMaxFileTitle = 260;
    ofn.lpstrTitle = title;
    if (!open_dialog(&ofn)) return false;
    chosen = file;
    return true;
}

// ---- Code pages of narrow file-name calls -------------------------------------

void set_file_apis_ansi() { SetFileApisToANSI(); }
void set_file_apis_oem() { SetFileApisToOEM(); }
bool file_apis_are_ansi() { return AreFileApisANSI() != 0; }

}  // namespace platform
