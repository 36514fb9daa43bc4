// Environment, Ctrl+C routing and process exit.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/host-win32.h"

namespace platform {

namespace {

void (*interrupt_handler)(int) = nullptr;
std::atomic<bool> interrupted{false};

// Runs on the thread the system creates for the console event; the handler
// does not return before the process ends, so returning is only reached for
// events it ignores.
BOOL WINAPI console_event(DWORD event) {
    if ((event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) && interrupt_handler) {
        interrupted.store(true);
        interrupt_handler(2);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool get_env(const char* name, std::wstring* value) {
    std::wstring wide_name;
    for (const char* c = name; *c; ++c) wide_name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    const wchar_t* found = _wgetenv(wide_name.c_str());
    if (!found) return false;
    if (value) *value = found;
    return true;
}

void install_interrupt_handler(void (*handler)(int)) {
    interrupt_handler = handler;
    SetConsoleCtrlHandler(console_event, TRUE);
}

bool interrupt_requested() { return interrupted.load(std::memory_order_acquire); }

namespace {
void (*exit_hook)(int) = nullptr;
}

void set_exit_hook(void (*hook)(int code)) { exit_hook = hook; }

void exit_process(int code) {
    if (exit_hook) exit_hook(code);
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
