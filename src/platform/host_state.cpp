#include "platform/host_state.h"

#include <new>

namespace platform {
namespace host_state {

std::atomic<bool> interrupted{false};
HostEvents events;
std::thread::id events_thread;
void (*exit_hook)(int code) = nullptr;

void report_interrupt() {
    interrupted.store(true);
    if (events.interrupt) events.interrupt(events.context);
}

void install_new_handler() {
    std::set_new_handler([] {
        // The folder reader's and the copy workers' threads get the failure
        // and stop; the main thread meets the shortage where the run can end
        // in order.
        if (std::this_thread::get_id() != events_thread || !events.out_of_memory) throw std::bad_alloc();
        events.out_of_memory(events.context);
    });
}

}  // namespace host_state

void install_host_events(const HostEvents& events) {
    host_state::events = events;
    host_state::events_thread = std::this_thread::get_id();
    host_state::install_new_handler();
    install_interrupt_routing();
}

bool interrupt_requested() { return host_state::interrupted.load(std::memory_order_acquire); }

void set_exit_hook(void (*hook)(int code)) { host_state::exit_hook = hook; }

}  // namespace platform
