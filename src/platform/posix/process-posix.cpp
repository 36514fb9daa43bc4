// Environment, the interrupt thread and process exit on POSIX.
#include <pthread.h>
#include <sys/syscall.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "platform/host_state.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix/host-posix.h"

namespace platform {

int last_failure() { return errno; }

std::wstring failure_text(int failure) {
    char buffer[256];
    const char* words = strerror_r(failure, buffer, sizeof buffer);
    std::wstring text;
    append_windows_text(words, std::char_traits<char>::length(words), HostText::typed, text);
    return text;
}

bool failure_means_missing(int failure) { return failure == ENOENT || failure == ENOTDIR; }

bool get_env(const char* name, std::wstring* value) {
    const char* v = std::getenv(name);
    if (!v) return false;
    if (value) {
        value->clear();
        append_windows_text(v, std::char_traits<char>::length(v), HostText::typed, *value);
    }
    return true;
}

void install_interrupt_routing() {
    // SIGINT and SIGTERM are taken by a thread of their own, as a Windows
    // console handler runs on its own thread; no stdio in a signal handler.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A closed screen pipe (kestro ... | head) must not end a backup half
    // done: writes to it fail instead, and the copy goes on.
    signal(SIGPIPE, SIG_IGN);
    std::thread([set]() {
        int signal_number = 0;
        while (sigwait(&set, &signal_number) != 0) {
        }
        host_state::report_interrupt();
    }).detach();
}

void end_process_after(unsigned ms, int code) {
    try {
        std::thread([ms, code] {
            sleep_ms(ms);
            posix::restore_terminal();
            // Straight to the kernel: an _exit a runtime wraps (a sanitizer's
            // end work) may itself wait on what the blocked write holds.
            syscall(SYS_exit_group, code);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the orderly end is all there is.
    }
}

void exit_process(int code) {
    if (host_state::exit_hook) host_state::exit_hook(code);
    posix::restore_terminal();
    std::fflush(nullptr);
    _exit(code);
}

}  // namespace platform
