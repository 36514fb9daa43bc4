#include "run/run_state.h"

#include <memory>
#include <new>

namespace {
std::unique_ptr<Run> current;
}

Run& current_run() { return *current; }

bool start_new_run() {
    std::unique_ptr<Run> fresh(new (std::nothrow) Run);
    if (!fresh || !start_new_config()) return false;
    current = std::move(fresh);
    return true;
}
