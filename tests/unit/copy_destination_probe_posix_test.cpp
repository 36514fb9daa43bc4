// Destinations looked up ahead of the copy pass: they come back for the
// folders planned, once, and a large folder is shared among the threads in
// chunks, each complete or never begun.
#include <unistd.h>

#include "copy/destination_probe.h"
#include "walk_fixture.h"

namespace {

class DestinationProbeTest : public WalkTest {
protected:
    // The look-ups of every entry of the source folder `source`, in `destination`.
    std::shared_ptr<DestinationLookups> every_file(const std::wstring& source, const std::wstring& destination) {
        auto lookups = std::make_shared<DestinationLookups>();
        lookups->listing =
            std::make_shared<const platform::FolderListing>(platform::read_folder(source, {L"*.*"}, false));
        lookups->folder = destination;
        for (size_t i = 0; i < lookups->listing->entries.size(); ++i) lookups->looked_up.push_back(i);
        return lookups;
    }
};

TEST_F(DestinationProbeTest, LookupsComeBackForThePlannedFoldersOnly) {
    make_file("t0/l0/f1.txt", 1);
    make_file("t0/l0/f2.txt", 2);
    make_file("t0/l1/f1.txt", 1);
    // The destination holds a copy of t0/l0/f1.txt only.
    make_file("dst/f1.txt", 1);
    DestinationProbe probe(2);
    std::vector<DestinationProbe::Job> jobs;
    jobs.push_back({folder(L"t0/l0"), every_file(folder(L"t0/l0"), folder(L"dst"))});
    jobs.push_back({folder(L"t0/l1"), every_file(folder(L"t0/l1"), folder(L"t0/nothing"))});
    probe.look_up_ahead(std::move(jobs));
    usleep(200000);  // time for the threads to begin both

    auto first = probe.take(folder(L"t0/l0"));
    auto second = probe.take(folder(L"t0/l1"));
    EXPECT_EQ(probe.take(folder(L"t1/l0")), nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (size_t i = 0; i < first->listing->entries.size(); ++i)
        EXPECT_EQ(first->times[i].found, first->listing->name(first->listing->entries[i]) == L"f1.txt");
    for (const platform::EntryTimes& t : second->times) EXPECT_FALSE(t.found);
    EXPECT_EQ(probe.take(folder(L"t0/l0")), nullptr);  // taken once
}

TEST_F(DestinationProbeTest, ALargeFolderIsLookedUpInChunksByEveryThread) {
    for (int i = 0; i < 2500; ++i) make_file("big/f" + std::to_string(i) + ".txt");
    DestinationProbe probe(3);
    std::wstring big = folder(L"big");
    probe.look_up_ahead({{big, every_file(big, big)}});  // every name is there
    // Give the threads the time to begin before the copy pass takes the folder.
    usleep(200000);
    auto taken = probe.take(big);
    ASSERT_NE(taken, nullptr);
    size_t found = 0, fresh = 0;
    for (size_t i = 0; i < taken->times.size(); ++i) {
        found += taken->times[i].found;
        fresh += taken->seen_of(i) != std::chrono::steady_clock::time_point{};
    }
    // Chunks that no thread had begun when the copy pass came are left not
    // found and never seen; every chunk begun is complete.
    EXPECT_EQ(found, fresh);
    EXPECT_GE(found, DestinationLookups::CHUNK);
    EXPECT_TRUE(found % DestinationLookups::CHUNK == 0 || found == 2500) << found;
}

// A probe whose threads the system all refused (here: none asked for) plans
// nothing and keeps the copy pass from waiting on look-ups no one makes.
TEST_F(DestinationProbeTest, WhenNoThreadStartsNothingIsPlannedOrAwaited) {
    make_file("a/f.txt", 1);
    DestinationProbe probe(0);
    probe.look_up_ahead({{folder(L"a"), every_file(folder(L"a"), folder(L"a"))}});
    EXPECT_EQ(probe.take(folder(L"a")), nullptr);
}

}  // namespace
