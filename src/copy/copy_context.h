// What the copy pass is handed: the configuration, frozen, the run state, and
// the copies in flight that a decision may have to wait for.
#pragma once

#include <string>

#include "log/output.h"
#include "state/run_state.h"

// The copies in flight of the copy pass with copy workers
// (copy/copies_in_flight.h): a file is decided only once the copies that
// read or write its source or its destination are finished.
class CopyWaits {
public:
    virtual ~CopyWaits() = default;
    // Finishes, in order, every file in flight whose copy touches `path`.
    virtual void finish_touching(const std::wstring& path) = 0;
    // Finishes every file in flight.
    virtual void finish_all() = 0;
};

struct CopyContext {
    CopyContext(const Configuration& config, Run& run) : config(config), run(run) {}

    const Configuration& config;
    Run& run;
    const OptionRecord& options = config.options;
    // Null while the run copies with one thread.
    CopyWaits* in_flight = nullptr;
    // Where the copy's screen and log lines go: straight to their streams, or
    // held while files before the one being decided still have records to come.
    text::Out out;

    void wait_for_copies_touching(const std::wstring& path) const {
        if (in_flight) in_flight->finish_touching(path);
    }
    void wait_for_all_copies() const {
        if (in_flight) in_flight->finish_all();
    }
};
