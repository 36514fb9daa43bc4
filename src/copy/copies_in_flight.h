// Files in flight in the copy pass with copy workers: each file is decided on
// the main thread in walk order, its copy goes to a worker, and its records
// and counts are written on the main thread when its turn in walk order has
// come and its copy is done. Screen and logs read as with one thread.
//
// What the decisions depend on is kept as one thread would see it: a file
// is decided only once every copy in flight that reads or writes its source
// or its destination is done; a file whose name has a '~' (another file's
// short name, perhaps) is decided and copied with nothing in flight; folder
// times are set with nothing in flight.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "copy/copy_context.h"
#include "copy/copy_workers.h"
#include "platform/platform.h"

struct DestinationHint;
struct FileWork;
struct ProgressPoint;

// The three steps of a file (copy/per_file.h) as the files in flight run
// them: decide on the main thread in walk order, work on any thread, finish
// on the main thread in walk order.
class FileSteps {
public:
    virtual ~FileSteps() = default;
    virtual void decide(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                        const platform::FindRecord& record, const ProgressPoint& at, bool record_complete,
                        const DestinationHint* hint, FileWork& work) = 0;
    virtual void work(const CopyContext& c, FileWork& work) = 0;
    virtual void finish(const CopyContext& c, FileWork& work) = 0;
};
// The program's steps: decide_file, do_file_work, finish_file_work.
FileSteps& per_file_steps();

class CopiesInFlight : public CopyWaits {
public:
    // At most this many files (16 per worker) are copied ahead of their turn,
    // and at most MAX_FILES_IN_FLIGHT files wait for theirs. Past either
    // limit the walk waits until half of them are finished.
    static constexpr size_t COPIES_PER_WORKER = 16;
    static constexpr size_t MAX_FILES_IN_FLIGHT = 4096;

    CopiesInFlight(const CopyContext& c, unsigned workers, FileSteps& steps = per_file_steps());
    ~CopiesInFlight() override;

    // One file of the walk, as process_file takes it.
    void take_file(const std::wstring& dir, const std::wstring& name, const platform::FindRecord& record,
                   const ProgressPoint& at, bool record_complete, const DestinationHint* hint);
    // Finishes, in order, every file in flight whose copy touches `path`.
    void finish_touching(const std::wstring& path) override;
    // Finishes every file in flight.
    void finish_all() override;
    // The run ends: with `whole`, every file is finished; otherwise the
    // workers stop, the files whose work is done are finished in order and
    // the rest are dropped as never reached.
    void settle(bool whole);

private:
    struct InFlight;

    void file_decided(InFlight& file);
    void finish_ready();
    void wait_for_front();
    void wait_for(const InFlight& file);
    void drain_to_half();
    size_t index_reaching_half() const;
    void finish_front();
    std::unique_ptr<InFlight> fresh_in_flight();
    void retire_front();
    void forget(InFlight& file);
    bool front_is_decided() const;
    CopyWorkers::State state_of(const InFlight& file);

    const CopyContext& c_;
    FileSteps& steps_;
    CopyWorkers workers_;
    size_t copy_limit_;
    std::deque<std::unique_ptr<InFlight>> files_;  // walk order
    std::vector<std::unique_ptr<InFlight>> spare_;  // retired, for files to come
    size_t copies_ = 0;                            // of files_, those that go to a copy
    // The paths (their keys) that the copies in flight read or write.
    std::unordered_map<uint64_t, unsigned> touched_;
    bool finishing_ = false;
    std::thread::id main_thread_;
};
