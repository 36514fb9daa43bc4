// Putting a file in place on real folders: a copy onto a free name, and a
// name that was free when looked up but is taken by the time the copy is
// complete. Whatever happens, no partial file is left beside the copy.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "copy/copy_execution.h"
#include "platform/platform.h"
#include "run_fixture.h"
#include "stream_contents.h"

namespace {

class CopyExecution : public ::testing::Test, protected TestRun {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kestro-copy-execution-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        host = pattern;
        details.attributes = platform::ATTR_ARCHIVE;
        details.creation = 130000000000000000ULL;
        details.last_access = 131000000000000000ULL;
        details.last_write = 131012228967891234ULL;
    }
    void TearDown() override { std::system(("chmod -R u+w '" + host + "'; rm -rf '" + host + "'").c_str()); }

    std::wstring win(const std::string& name) {
        std::string path = host + "/" + name;
        std::wstring full;
        EXPECT_TRUE(platform::full_path(std::wstring(path.begin(), path.end()).c_str(), full));
        return full;
    }
    void make(const std::string& name, const std::string& data) {
        FILE* f = std::fopen((host + "/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
    std::string read(const std::string& name) {
        FILE* f = std::fopen((host + "/" + name).c_str(), "rb");
        if (!f) return "<missing>";
        std::string data = stream_contents(f);
        std::fclose(f);
        return data;
    }
    std::vector<std::string> entries() {
        std::vector<std::string> names;
        platform::FindRecord record;
        platform::FindHandle h = platform::find_first((win("") + L"\\*").c_str(), &record);
        if (!h) return names;
        do {
            std::wstring name = record.name;
            if (name != L"." && name != L"..") names.emplace_back(name.begin(), name.end());
        } while (platform::find_next(h, &record));
        platform::find_close(h);
        std::sort(names.begin(), names.end());
        return names;
    }
    // The copy of a source listed with `details` onto a name the lookup found free.
    CopyOutcome copy(const std::string& from, const std::string& to) {
        platform::FindRecord record{};
        record.attributes = details.attributes;
        record.creation_time = details.creation;
        record.last_access_time = details.last_access;
        record.last_write_time = details.last_write;
        FileCopy copy =
            copy_over(context_, win(from), win(to), record, platform::INVALID_ATTRIBUTES, CopyAttributes::as_source);
        return copy.outcome;
    }

    std::string host;
    platform::CopyDetails details;
};

TEST_F(CopyExecution, FreeNameGetsTheCompleteCopyWithItsTimes) {
    make("source", "the data");
    EXPECT_EQ(copy("source", "copy"), CopyOutcome::complete_copy);
    platform::FindRecord record;  // looked up before a read moves the access time
    ASSERT_TRUE(platform::find_entry(win("copy").c_str(), &record));
    EXPECT_EQ(record.last_write_time, details.last_write);
    EXPECT_EQ(record.last_access_time, details.last_access);
    EXPECT_EQ(read("copy"), "the data");
    EXPECT_EQ(entries(), (std::vector<std::string>{"copy", "source"}));
}

TEST_F(CopyExecution, NameTakenSinceTheLookupIsReplacedUnlessProtected) {
    make("source", "new data");
    make("appeared", "written meanwhile");
    EXPECT_EQ(copy("source", "appeared"), CopyOutcome::complete_copy);
    EXPECT_EQ(read("appeared"), "new data");

    make("locked", "read-only meanwhile");
    ASSERT_EQ(chmod((host + "/locked").c_str(), 0444), 0);
    EXPECT_EQ(copy("source", "locked"), CopyOutcome::failed);
    EXPECT_EQ(read("locked"), "read-only meanwhile");
    EXPECT_EQ(entries(), (std::vector<std::string>{"appeared", "locked", "source"}));
}

TEST_F(CopyExecution, UnreadableSourceLeavesNothing) {
    EXPECT_EQ(copy("missing", "copy"), CopyOutcome::failed);
    ASSERT_EQ(mkdir((host + "/folder").c_str(), 0777), 0);
    EXPECT_EQ(copy("folder", "copy"), CopyOutcome::failed);
    EXPECT_EQ(entries(), (std::vector<std::string>{"folder"}));
}

}  // namespace
