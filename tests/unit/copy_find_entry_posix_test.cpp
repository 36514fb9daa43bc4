// The single-entry lookup the copy engine uses for destinations: found by
// long name or 8.3 name, missing names fail, and the light form agrees with
// the full one on the times it reads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

class FindEntry : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kestro-find-entry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        host = pattern;
        ASSERT_TRUE(platform::full_path(std::wstring(host.begin(), host.end()).c_str(), folder));
        folder += L'\\';
    }
    void TearDown() override { std::system(("rm -rf '" + host + "'").c_str()); }

    void make(const std::string& name, const std::string& data, time_t mtime) {
        std::string path = host + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        struct timespec times[2] = {{mtime + 7, 0}, {mtime, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    std::string host;
    std::wstring folder;
};

constexpr platform::FileTime filetime_of(time_t seconds) {
    return platform::FILETIME_UNIX_EPOCH + static_cast<platform::FileTime>(seconds) * 10000000ULL;
}

TEST_F(FindEntry, ByLongNameWithAndWithoutAttributes) {
    make("report.txt", "12345", 1262304000);
    for (bool with_attributes : {true, false}) {
        platform::FindRecord r;
        ASSERT_TRUE(platform::find_entry((folder + L"report.txt").c_str(), &r, with_attributes));
        EXPECT_EQ(r.last_write_time, filetime_of(1262304000));
        EXPECT_EQ(r.last_access_time, filetime_of(1262304007));
        EXPECT_EQ(r.size(), 5u);
        EXPECT_STREQ(r.name, L"report.txt");
        if (with_attributes) {
            EXPECT_EQ(r.attributes, platform::ATTR_ARCHIVE);
        }
    }
}

TEST_F(FindEntry, MissingNamesAndPatternsFail) {
    make("a.txt", "a", 1262304000);
    platform::FindRecord r;
    EXPECT_FALSE(platform::find_entry((folder + L"b.txt").c_str(), &r));
    EXPECT_FALSE(platform::find_entry((folder + L"b.txt").c_str(), &r, false));
    EXPECT_FALSE(platform::find_entry((folder + L"NOSUCH~1.TXT").c_str(), &r, false));
    // A pattern is a search, as the directory search makes it.
    ASSERT_TRUE(platform::find_entry((folder + L"*.txt").c_str(), &r));
    EXPECT_STREQ(r.name, L"a.txt");
}

// Each host name is its own file: a generated short name finds only an
// entry that has it as its own name.
TEST_F(FindEntry, AGeneratedShortNameIsNoOtherEntrysName) {
    make("ABCDEFGHIJ.TXT", "long", 1262304000);
    for (bool with_attributes : {true, false}) {
        platform::FindRecord r;
        EXPECT_FALSE(platform::find_entry((folder + L"ABCDEF~1.TXT").c_str(), &r, with_attributes));
    }
    make("ABCDEF~1.TXT", "its own", 1262304000);
    for (bool with_attributes : {true, false}) {
        platform::FindRecord r;
        ASSERT_TRUE(platform::find_entry((folder + L"ABCDEF~1.TXT").c_str(), &r, with_attributes));
        EXPECT_STREQ(r.name, L"ABCDEF~1.TXT");
        EXPECT_EQ(r.size(), 7u);
    }
}

}  // namespace
