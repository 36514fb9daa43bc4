// The copy workers: threads that run the jobs handed to them (the work on a
// file's data and metadata) in the order they are handed, while the main
// thread decides the files after them.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CopyWorkers {
public:
    // not_done: the workers stopped (an interrupt, the end of the run) before
    // they began the work; nothing of the file was touched.
    enum class State { waiting, working, done, not_done };
    struct Job {
        std::function<void()> work;
        State state = State::waiting;
    };

    // Starts up to `threads` workers; threads() tells how many did start.
    explicit CopyWorkers(unsigned threads);
    ~CopyWorkers();
    CopyWorkers(const CopyWorkers&) = delete;
    CopyWorkers& operator=(const CopyWorkers&) = delete;

    unsigned threads() const { return static_cast<unsigned>(threads_.size()); }  // as started
    // Queues `job`, which the caller keeps until it is done or not_done.
    void hand(Job& job);
    State state_of(const Job& job);
    // Waits up to `ms` milliseconds for `job` to be done or not_done; true
    // when it is. Only the end of the job awaited wakes the waiter: one
    // waiting for a job deep in the queue sleeps through those before it.
    bool wait_for(const Job& job, unsigned ms);
    // Workers take no more jobs (those waiting become not_done); returns once
    // the jobs begun are done and the workers have ended.
    void stop();

private:
    void work_loop();

    std::mutex mutex_;
    std::condition_variable job_ready_, job_ended_;
    std::deque<Job*> queue_;
    const Job* awaited_ = nullptr;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
