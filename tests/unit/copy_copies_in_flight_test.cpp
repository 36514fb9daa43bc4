// The files in flight with steps of the test's own: records come out in walk
// order whatever order the copies end in, the walk is held back past the
// limit of copies in flight, a decision waits for the copies touching its
// path, copies run side by side, and an early end leaves a gap-free prefix.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "copy/copies_in_flight.h"
#include "copy/file_work.h"
#include "copy/per_file.h"
#include "run_fixture.h"

namespace {

// A file's steps as the files in flight see them, with the paths a copy
// touches taken from the test's table and the work a short sleep.
class RecordingSteps : public FileSteps {
public:
    struct Planned {
        std::wstring source, destination;
        int work_ms = 0;
    };

    void decide(const CopyContext& c, const std::wstring&, const std::wstring& name, const platform::FindRecord&,
                const ProgressPoint&, bool, const DestinationHint*, FileWork& work) override {
        const Planned& plan = plans.at(std::stoul(name));
        // As the program's decision does: the copies that touch this file's
        // source end before it is looked at.
        c.wait_for_copies_touching(plan.source);
        decided_after.push_back(finished.size());
        work.source = plan.source;
        work.destination = plan.destination;
        work.goes_to_copy = true;
        work.size = static_cast<int64_t>(std::stoul(name));  // the file's number, to tell them apart
    }
    void work(const CopyContext&, FileWork& work) override {
        int now = ++running;
        for (int seen = most_at_once.load(); now > seen && !most_at_once.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(plans.at(static_cast<size_t>(work.size)).work_ms));
        --running;
    }
    void finish(const CopyContext&, FileWork& work) override { finished.push_back(static_cast<size_t>(work.size)); }

    std::vector<Planned> plans;
    std::vector<size_t> finished;       // file numbers, in the order of their finish
    std::vector<size_t> decided_after;  // per decision: how many files were finished by then
    std::atomic<int> running{0}, most_at_once{0};
};

class FilesInFlight : public testing::Test, protected TestRun {
protected:
    // Hands file `i` of the plan to `copies`.
    void take(CopiesInFlight& copies, size_t i) {
        platform::FindRecord record{};
        copies.take_file(L"C:\\src\\", std::to_wstring(i), record, ProgressPoint{}, true, nullptr);
    }
    // Plans `count` files with their own paths and the given work times.
    void plan(size_t count, int work_ms) {
        for (size_t i = 0; i < count; ++i)
            steps.plans.push_back({L"C:\\src\\" + std::to_wstring(i), L"E:\\dst\\" + std::to_wstring(i), work_ms});
    }
    std::vector<size_t> in_walk_order(size_t count) {
        std::vector<size_t> order(count);
        for (size_t i = 0; i < count; ++i) order[i] = i;
        return order;
    }

    RecordingSteps steps;
};

TEST_F(FilesInFlight, RecordsComeInWalkOrderWhateverOrderTheCopiesEndIn) {
    // Early files copy slowly, late ones at once: their work ends first.
    for (size_t i = 0; i < 12; ++i)
        steps.plans.push_back({L"C:\\src\\" + std::to_wstring(i), L"E:\\dst\\" + std::to_wstring(i), i < 4 ? 40 : 0});
    CopiesInFlight copies(context_, 4, steps);
    context_.in_flight = &copies;
    for (size_t i = 0; i < 12; ++i) take(copies, i);
    copies.finish_all();
    EXPECT_EQ(steps.finished, in_walk_order(12));
}

TEST_F(FilesInFlight, TheWalkWaitsPastTheLimitOfCopiesInFlight) {
    const size_t limit = CopiesInFlight::COPIES_PER_WORKER;  // one worker
    plan(3 * limit, 3);
    CopiesInFlight copies(context_, 1, steps);
    context_.in_flight = &copies;
    size_t most_in_flight = 0;
    for (size_t i = 0; i < 3 * limit; ++i) {
        take(copies, i);
        size_t in_flight = i + 1 - steps.finished.size();
        most_in_flight = std::max(most_in_flight, in_flight);
        EXPECT_LE(in_flight, limit) << "after file " << i;
    }
    // The walk did run ahead of the copies, as far as the limit allows.
    EXPECT_GE(most_in_flight, limit / 2 + 1);
    copies.finish_all();
    EXPECT_EQ(steps.finished, in_walk_order(3 * limit));
}

TEST_F(FilesInFlight, ADecisionWaitsForTheCopiesThatTouchItsSource) {
    // File 3 reads what file 1 writes: file 1 (and, in order, file 0) must be
    // finished before file 3 is decided; file 2 need not be.
    plan(4, 60);
    steps.plans[3].source = steps.plans[1].destination;
    CopiesInFlight copies(context_, 4, steps);
    context_.in_flight = &copies;
    for (size_t i = 0; i < 4; ++i) take(copies, i);
    EXPECT_GE(steps.decided_after[3], 2u);
    EXPECT_EQ(steps.decided_after[1], 0u);  // nothing touched file 1's source before it
    copies.finish_all();
    EXPECT_EQ(steps.finished, in_walk_order(4));
}

TEST_F(FilesInFlight, CopiesRunSideBySide) {
    plan(16, 30);
    CopiesInFlight copies(context_, 4, steps);
    context_.in_flight = &copies;
    for (size_t i = 0; i < 16; ++i) take(copies, i);
    copies.finish_all();
    EXPECT_GE(steps.most_at_once.load(), 2);
    EXPECT_LE(steps.most_at_once.load(), 4);
}

TEST_F(FilesInFlight, AnEarlyEndFinishesAGapFreePrefixAndDropsTheRest) {
    plan(40, 15);
    CopiesInFlight copies(context_, 2, steps);
    context_.in_flight = &copies;
    for (size_t i = 0; i < 40; ++i) take(copies, i);
    copies.settle(false);
    // What was finished is the walk's first files, none left out.
    EXPECT_EQ(steps.finished, in_walk_order(steps.finished.size()));
    EXPECT_LT(steps.finished.size(), 40u);
    EXPECT_EQ(steps.running.load(), 0);  // the workers have stopped
}

TEST_F(FilesInFlight, ANormalEndFinishesEveryFile) {
    plan(40, 2);
    CopiesInFlight copies(context_, 2, steps);
    context_.in_flight = &copies;
    for (size_t i = 0; i < 40; ++i) take(copies, i);
    copies.settle(true);
    EXPECT_EQ(steps.finished, in_walk_order(40));
}

}  // namespace
