#include "copy/copy_workers.h"

#include <chrono>
#include <system_error>

#include "platform/platform.h"

CopyWorkers::CopyWorkers(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this] { work_loop(); });
        } catch (const std::system_error&) {
            break;  // the host gives no more threads: fewer workers do
        }
    }
}

CopyWorkers::~CopyWorkers() { stop(); }

void CopyWorkers::hand(Job& job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job.state = stopping_ ? State::not_done : State::waiting;
        if (!stopping_) queue_.push_back(&job);
    }
    job_ready_.notify_one();
}

CopyWorkers::State CopyWorkers::state_of(const Job& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    return job.state;
}

bool CopyWorkers::wait_for(const Job& job, unsigned ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    awaited_ = &job;
    bool ended = job_ended_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
        return job.state == State::done || job.state == State::not_done;
    });
    awaited_ = nullptr;
    return ended;
}

void CopyWorkers::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (Job* job : queue_) job->state = State::not_done;
        queue_.clear();
    }
    job_ready_.notify_all();
    // A worker ends once its job is done.
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
}

void CopyWorkers::work_loop() {
    for (;;) {
        Job* job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            job_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            job = queue_.front();
            queue_.pop_front();
            // After Ctrl+C no copy is begun.
            if (platform::interrupt_requested()) {
                job->state = State::not_done;
                job_ended_.notify_all();
                continue;
            }
            job->state = State::working;
        }
        job->work();
        bool awaited;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job->state = State::done;
            awaited = job == awaited_;
        }
        if (awaited) job_ended_.notify_all();
    }
}
