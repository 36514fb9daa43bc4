// Ending a run on Ctrl+C. The interrupt handler runs on a thread of its own
// and only asks; the main thread ends the run at its next safe point (between
// files, between chunks of a copy) or, when it is waiting for a key, the
// handler ends it, as the main thread then touches nothing.
#pragma once

namespace run {

// The interrupt handler: returns only when the process has ended.
void on_interrupt(int signal_number);
// A safe point of the main thread: ends the run (USER_ABORTED) when an
// interrupt has come.
void stop_if_requested();
// platform::read_key while the interrupt handler may end the run meanwhile.
int wait_for_key();

// Claims the end of the run for the caller: false when another thread
// already ends it (the caller then must not touch the run any more).
bool claim_the_end();
// Waits for the process to end.
[[noreturn]] void wait_for_the_end();
// For fuzz targets whose exit hook came back from the end of a run: the next
// run may be ended again.
void release_the_end();

}  // namespace run
