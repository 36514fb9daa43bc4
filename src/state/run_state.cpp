#include "state/run_state.h"

#include <cstdio>

#include "platform/platform.h"

void end_run(Run& run, int reason) {
    if (run.ending) run.ending->end_run(reason);
    std::fflush(nullptr);
    platform::exit_process(reason);
}

void exit_at_once(Run& run, int code) {
    if (run.ending) run.ending->exit_at_once(code);
    std::fflush(nullptr);
    platform::exit_process(code);
}

void stop_if_requested(Run& run) {
    if (platform::interrupt_requested()) end_run(run, USER_ABORTED);
}

int wait_for_key(Run& run) { return run.ending ? run.ending->wait_for_key() : platform::read_key(); }
