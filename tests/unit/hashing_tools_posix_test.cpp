// The hash texts of real files against md5sum and sha1sum, and a sparse
// file of more than 4 GiB (a 32-bit length or offset would show).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "copy/file_hashing.h"
#include "platform/platform.h"

namespace {

// The first word of a tool's output, in upper case.
std::string tool_digest(const char* tool, const std::filesystem::path& file) {
    std::string command = std::string(tool) + " '" + file.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "no " + std::string(tool);
    std::string digest;
    for (int c; (c = std::fgetc(pipe)) != EOF && !std::isspace(c);) digest += static_cast<char>(std::toupper(c));
    pclose(pipe);
    return digest;
}

std::wstring windows_path(const std::filesystem::path& file) {
    std::wstring full;
    EXPECT_TRUE(platform::full_path(file.wstring().c_str(), full));
    return full;
}

class FileHashingTools : public testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() / ("kestro-hash-tools-" + std::to_string(seed()));
        std::filesystem::create_directories(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    void expect_tools_agree(const std::filesystem::path& file) {
        hashing::HashTexts texts = hashing::hash_texts_of_file(windows_path(file), true, true);
        EXPECT_EQ(texts.md5, tool_digest("md5sum", file)) << file;
        EXPECT_EQ(texts.sha1, tool_digest("sha1sum", file)) << file;
    }
    std::filesystem::path root_;
};

}  // namespace

TEST_F(FileHashingTools, FilesOfSeveralSizes) {
    std::mt19937 generator(5);
    for (size_t size : {0u, 3u, 64u, 65536u, 524288u + 1, 3u * 1048576u + 17}) {
        std::filesystem::path file = root_ / (std::to_string(size) + ".bin");
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(generator());
        std::ofstream(file, std::ios::binary) << bytes;
        expect_tools_agree(file);
    }
}

TEST_F(FileHashingTools, SparseFileLargerThanFourGiB) {
    std::filesystem::path file = root_ / "sparse";
    int fd = ::open(file.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    // Data at both ends, a hole between: the size is 4 GiB + 4 KiB + 5 bytes.
    const off_t size = (off_t(1) << 32) + 4096 + 5;
    ASSERT_EQ(::pwrite(fd, "start", 5, 0), 5);
    ASSERT_EQ(::pwrite(fd, "end", 3, size - 3), 3);
    ::close(fd);
    // What md5sum and sha1sum say of this file; hashing 4 GiB three times
    // over would make this the slowest test by far.
    hashing::HashTexts texts = hashing::hash_texts_of_file(windows_path(file), true, true);
    EXPECT_EQ(texts.md5, "59F48F9FF83314C39B6FB534F64CE950");
    EXPECT_EQ(texts.sha1, "56BB2778020CDA346B8B632AB4EAEF37703E2B55");
}
