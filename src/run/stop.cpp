// Ctrl+C and the main thread: who ends the run.
#include "platform/platform.h"
#include "run/terminate.h"

namespace run {
namespace {

// How long the handler gives the main thread to reach a safe point.
constexpr int SAFE_POINT_WAIT_MS = 500;
// How long after Ctrl+C the process ends whatever holds it: a write that
// waits (a full pipe, a hung share) holds the main thread and the streams
// an end in order would write and flush.
constexpr unsigned ABORT_DEADLINE_MS = 1500;
constexpr int POLL_MS = 20;

}  // namespace

bool Termination::claim_the_end() { return main_thread_.exchange(MainThread::ending) != MainThread::ending; }

void Termination::wait_for_the_end() {
    for (;;) platform::sleep_ms(1000);
}

int Termination::wait_for_key() {
    MainThread expected = MainThread::running;
    main_thread_.compare_exchange_strong(expected, MainThread::waiting_for_key);
    int key = platform::read_key();
    expected = MainThread::waiting_for_key;
    // The handler took the run over while we waited: it ends the process.
    if (!main_thread_.compare_exchange_strong(expected, MainThread::running)) wait_for_the_end();
    return key;
}

void Termination::on_interrupt() {
    platform::end_process_after(ABORT_DEADLINE_MS, USER_ABORTED);
    for (int waited = 0; waited < SAFE_POINT_WAIT_MS; waited += POLL_MS) {
        MainThread expected = MainThread::waiting_for_key;
        // Waiting for a key, the main thread touches nothing: the run can be
        // ended from here, and the main thread will not come back to it.
        if (main_thread_.compare_exchange_strong(expected, MainThread::ending)) end_claimed(USER_ABORTED);
        if (expected == MainThread::ending) wait_for_the_end();
        platform::sleep_ms(POLL_MS);
    }
    // The main thread is held in a system call: the process ends without the
    // statistics, which would be written while it might still change them.
    if (claim_the_end()) platform::exit_process(USER_ABORTED);
    wait_for_the_end();
}

}  // namespace run
