// The files of the log set: their names, and the default log's trimming at
// its end-of-file mark.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "log/log_files.h"
#include "log/log_name_value.h"
#include "platform/platform.h"

namespace {

TEST(LogFiles, NamesTakeTheSuffixBeforeTheExtensionOrLog) {
    struct Case {
        const wchar_t* base;
        int32_t bit;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"C:\\logs\\run.txt", LOG_LIST, L"C:\\logs\\run_LIST.txt"},
        {L"C:\\logs\\run", LOG_DEFAULT, L"C:\\logs\\run"},
        {L"C:\\logs\\run", LOG_LIST, L"C:\\logs\\run_LIST.LOG"},
        {L"C:\\logs\\run.log", LOG_COPIED, L"C:\\logs\\run_COPIED.log"},
        {L"C:\\logs\\run.log", LOG_NOT_COPIED, L"C:\\logs\\run_NOT_COPIED.log"},
        {L"C:\\logs\\run.log", LOG_ERROR, L"C:\\logs\\run_ERROR.log"},
        {L"C:\\logs\\run.log", LOG_RENAMED, L"C:\\logs\\run_RENAMED_FILES.log"},
        {L"C:\\lo.gs\\run", LOG_LIST, L"C:\\lo.gs\\run_LIST.LOG"},       // a dot in a folder is no extension
        {L"C:\\logs\\a.b.c", LOG_ERROR, L"C:\\logs\\a.b_ERROR.c"},       // the last dot starts it
    };
    for (const Case& c : cases) EXPECT_EQ(log_file_name(c.base, c.bit), c.name) << c.bit;
}

class DefaultLogTrim : public testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        folder_ = std::filesystem::temp_directory_path() / ("kestro-log-" + std::to_string(seed()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path host(const char* name) const { return folder_ / name; }
    std::wstring windows_name(const char* name) const {
        std::wstring full;
        EXPECT_TRUE(platform::full_path(host(name).wstring().c_str(), full));
        return full;
    }
    void write(const char* name, const std::string& bytes) const {
        std::ofstream(host(name), std::ios::binary) << bytes;
    }
    std::string read(const char* name) const {
        std::ifstream in(host(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path folder_;
};

TEST_F(DefaultLogTrim, CutsAtTheFirstMarkOfALongEnoughFile) {
    struct Case {
        std::string before, after;
    };
    const Case cases[] = {
        {std::string("earlier run\n\x1a" "after", 18), "earlier run\n"},
        {std::string("earlier run\n\0\0\0\0", 16), "earlier run\n"},
        {std::string("one\n\0two\x1a\n", 10), "one\n"},              // the first mark of either kind
        {"no mark in this file\n", "no mark in this file\n"},
        {std::string("123456789\x1a", 10), "123456789"},            // ten bytes are examined
        {std::string("12345678\x1a", 9), std::string("12345678\x1a", 9)},  // nine are not
        {"", ""},
    };
    for (const Case& c : cases) {
        write("run.log", c.before);
        EXPECT_TRUE(trim_at_end_of_file_mark(windows_name("run.log")));
        EXPECT_EQ(read("run.log"), c.after) << c.before.size();
    }
}

TEST_F(DefaultLogTrim, CreatesAMissingFileEmpty) {
    EXPECT_TRUE(trim_at_end_of_file_mark(windows_name("new.log")));
    EXPECT_TRUE(std::filesystem::exists(host("new.log")));
    EXPECT_EQ(read("new.log"), "");
}

TEST_F(DefaultLogTrim, AFileThatCanNeitherBeOpenedNorCreatedIsRefused) {
    std::filesystem::create_directories(host("folder.log"));
    EXPECT_FALSE(trim_at_end_of_file_mark(windows_name("folder.log")));
}

}  // namespace
