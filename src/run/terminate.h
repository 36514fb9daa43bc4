// The one routine that ends every run, and the way Ctrl+C reaches it. The
// driver makes one Termination and installs it as the run's ending: the
// parts below the driver end the run through it (state/run_end.h).
//
// The interrupt handler runs on a thread of its own and only asks; the main
// thread ends the run at its next safe point (between files, between chunks
// of a copy) or, when it is waiting for a key, the handler ends it, as the
// main thread then touches nothing.
#pragma once

#include <atomic>

#include "state/run_state.h"

class CopyEngine;

namespace run {

// The text of an exit reason ("USER_ABORTED", ...).
const char* reason_text(int reason);

class Termination : public RunEnding {
public:
    Termination(const Configuration& config, Run& run);

    // The copy pass whose files in flight are settled before the statistics.
    void settle_copies_of(CopyEngine* engine) { engine_ = engine; }

    // Writes the statistics to the screen and the open logs, closes the
    // streams and ends the process with `reason` as exit code. Called on the
    // main thread; should another thread already be ending the run, it waits
    // for the end.
    [[noreturn]] void end_run(int reason) override;
    [[noreturn]] void exit_at_once(int code) override;
    // platform::read_key while the interrupt handler may end the run meanwhile.
    int wait_for_key() override;

    // The interrupt handler: returns only when the process has ended.
    void on_interrupt();

    // Claims the end of the run for the caller: false when another thread
    // already ends it (the caller then must not touch the run any more).
    bool claim_the_end();

private:
    // What the main thread is doing, as the interrupt handler may act on it.
    enum class MainThread { running, waiting_for_key, ending };

    // The end of the run for a caller that has claimed it.
    [[noreturn]] void end_claimed(int reason);
    // Waits for the process to end.
    [[noreturn]] static void wait_for_the_end();

    const Configuration& config_;
    Run& run_;
    CopyEngine* engine_ = nullptr;
    std::atomic<MainThread> main_thread_{MainThread::running};
};

}  // namespace run
