// Environment, Ctrl+C routing and process exit.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>

#include "platform/host_state.h"
#include "platform/win32/host-win32.h"

namespace platform {

namespace {

// Runs on the thread the system creates for the console event; the handler
// does not return before the process ends, so returning is only reached for
// events it ignores.
BOOL WINAPI console_event(DWORD event) {
    if ((event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) && host_state::events.interrupt) {
        host_state::report_interrupt();
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int last_failure() { return static_cast<int>(GetLastError()); }

bool failure_means_missing(int failure) {
    switch (static_cast<DWORD>(failure)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME: return true;
        default: return false;
    }
}

std::wstring failure_text(int failure) {
    wchar_t* words = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(failure), 0, reinterpret_cast<wchar_t*>(&words), 0,
                                  nullptr);
    std::wstring text = length ? std::wstring(words, length) : L"error " + std::to_wstring(failure);
    if (words) LocalFree(words);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

bool get_env(const char* name, std::wstring* value) {
    std::wstring wide_name;
    for (const char* c = name; *c; ++c) wide_name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    const wchar_t* found = _wgetenv(wide_name.c_str());
    if (!found) return false;
    if (value) *value = found;
    return true;
}

void install_interrupt_routing() { SetConsoleCtrlHandler(console_event, TRUE); }

void end_process_after(unsigned ms, int code) {
    try {
        std::thread([ms, code] {
            Sleep(ms);
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the orderly end is all there is.
    }
}

void exit_process(int code) {
    if (host_state::exit_hook) host_state::exit_hook(code);
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
