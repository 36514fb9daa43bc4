// How many copy workers a run gets: what KESTRO_COPY_THREADS asks for, unless
// the decisions depend on copies before them or the walk reads what the
// copies change, which keeps the copy pass on one thread.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>

#include "common/paths.h"
#include "copy/copy_threads.h"
#include "run_fixture.h"

namespace {

class CopyWorkerCount : public testing::Test, protected TestRun {
protected:
    void SetUp() override {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() / ("kestro-workers-" + std::to_string(seed()));
        std::filesystem::create_directories(root_ / "src" / "inner");
        std::filesystem::create_directories(root_ / "dst");
        setenv("KESTRO_COPY_THREADS", "4", 1);
        config_.options.dest_given = 1;
    }
    void TearDown() override {
        unsetenv("KESTRO_COPY_THREADS");
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    // The long-path form of a folder below the test's root, ending with '\'.
    std::wstring folder(const std::string& relative) {
        std::wstring full;
        EXPECT_TRUE(platform::full_path((root_ / relative).wstring().c_str(), full));
        return paths::long_form(full) + L"\\";
    }
    unsigned workers(const std::string& source, const std::string& destination, bool lists_folders_again = false) {
        config_.source_paths.clear();
        config_.source_paths.add(folder(source));
        config_.dest_path = folder(destination);
        return copy_workers_for_this_run(context_, lists_folders_again);
    }

    std::filesystem::path root_;
};

TEST_F(CopyWorkerCount, SeparateTreesGetTheWorkersAsked) { EXPECT_EQ(workers("src", "dst"), 4u); }

TEST_F(CopyWorkerCount, OneThreadWhereDecisionsDependOnCopiesBefore) {
    config_.options.list_only = 1;  // nothing is copied
    EXPECT_EQ(workers("src", "dst"), 1u);
    config_.options.list_only = 0;
    config_.options.flatten = 6;  // numbered folders fill up as files are copied
    EXPECT_EQ(workers("src", "dst"), 1u);
    config_.options.flatten = 5;  // flattening into one folder
    EXPECT_EQ(workers("src", "dst"), 4u);
}

TEST_F(CopyWorkerCount, OneThreadWhereTheWalkReadsWhatCopiesChange) {
    EXPECT_EQ(workers("src", "dst", true), 1u);  // folders listed again for another file type
    EXPECT_EQ(workers("src", "src/inner"), 1u);  // the destination inside the source
    EXPECT_EQ(workers("src/inner", "src"), 1u);  // the source inside the destination
    EXPECT_EQ(workers("src", "missing"), 1u);    // a destination not there yet cannot be told apart
}

TEST(CopyThreadsAsked, NumbersFromOneToSixtyFour) {
    EXPECT_EQ(copy_threads_asked(L"1"), 1u);
    EXPECT_EQ(copy_threads_asked(L"64"), 64u);
    for (const wchar_t* refused : {L"", L"0", L"65", L"004", L"-2", L"4x", L"x"})
        EXPECT_EQ(copy_threads_asked(refused), 0u) << testing::PrintToString(std::wstring(refused));
}

}  // namespace
