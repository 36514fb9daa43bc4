// The process-wide state the host forces on the program, all of it here:
// the host reports Ctrl+C on a thread of its own, and the allocator's new
// handler and the fuzz targets' exit hook are plain functions, so what they
// reach cannot be handed down. Everything else the program changes lives
// in the run state the driver makes. Besides these, the POSIX backend keeps
// the terminal settings a key read changed (posix/console-posix.cpp), so
// that an exit from the interrupt thread gives the terminal back.
//
// What the program learns of the host once and keeps, as the host will not
// change it during a run, is kept where it is learnt: devices without
// extended attributes (posix/attributes-posix.cpp), a kernel that refuses
// nameless files or links through /proc (posix/files-posix.cpp), the
// consoles among the standard streams, the dialog library and Wine itself
// (win32/), the processor's SHA-1 instructions (common/sha1.cpp). Like the
// host's own last error, the reason the calling thread's last folder
// listing failed is kept per thread (find-posix.cpp, find-win32.cpp). Buffers
// kept per thread for the run are scratch, not state: the open folder
// descriptors and the copy buffer of posix/files-posix.cpp and
// posix/paths-posix.cpp, the copy and hash buffers of copy/. The temporary
// names of partial copies carry the process's stamp and a counter
// (copy/temporary.cpp).
#pragma once

#include <atomic>
#include <thread>

#include "platform/platform.h"

namespace platform::host_state {

// Ctrl+C (or SIGTERM) has come.
extern std::atomic<bool> interrupted;
// What the run installed for Ctrl+C and for memory that cannot be had.
extern HostEvents events;
// The thread that installed them: only there does a failed allocation end the run.
extern std::thread::id events_thread;
// Fuzz targets only: called with the exit code instead of ending the process.
extern void (*exit_hook)(int code);

// Sets `interrupted` and calls the run's interrupt handler; returns only if
// none is installed.
void report_interrupt();
// Installs the new handler that turns an allocation failure on the events
// thread into the run's end (other threads get std::bad_alloc).
void install_new_handler();

}  // namespace platform::host_state
