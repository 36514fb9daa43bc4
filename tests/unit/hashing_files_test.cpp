// The hash texts of files: whole files read around the read-piece edges,
// empty files, and files that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "copy/file_hashing.h"
#include "digest_text.h"
#include "platform/platform.h"

namespace {

class FileHashing : public testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() / ("kestro-hash-" + std::to_string(seed()));
        std::filesystem::create_directories(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Writes `bytes` to `name` and returns the file's Windows path.
    std::wstring make_file(const std::string& name, const std::string& bytes) {
        std::ofstream(root_ / name, std::ios::binary) << bytes;
        return windows_path(name);
    }
    std::wstring windows_path(const std::string& name) {
        std::wstring full;
        EXPECT_TRUE(platform::full_path((root_ / name).wstring().c_str(), full));
        return full;
    }

    std::filesystem::path root_;
};

}  // namespace

TEST_F(FileHashing, EmptyFileGivesTheDigestsOfEmptyInput) {
    std::wstring path = make_file("empty", "");
    EXPECT_EQ(hashing::md5_of_file(path), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(hashing::hash_texts_of_file(path, false, true).sha1, "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

// One reading gives both digests of the whole file, whichever side of a
// read piece (64 KiB, 512 KiB) it ends on.
TEST_F(FileHashing, WholeFileAroundReadPieceEdges) {
    std::mt19937 generator(11);
    for (size_t size : {1u, 65535u, 65536u, 65537u, 524287u, 524288u, 524289u, 2 * 524288u + 3}) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(generator());
        std::wstring path = make_file(std::to_string(size) + ".bin", bytes);
        hashing::HashTexts both = hashing::hash_texts_of_file(path, true, true);
        EXPECT_EQ(both.md5, md5_text(bytes)) << size;
        EXPECT_EQ(both.sha1, sha1_text(bytes)) << size;
        EXPECT_EQ(hashing::md5_of_file(path), both.md5) << size;
        hashing::HashTexts sha1_alone = hashing::hash_texts_of_file(path, false, true);
        EXPECT_EQ(sha1_alone.sha1, both.sha1) << size;
        EXPECT_TRUE(sha1_alone.md5.empty()) << size;
        EXPECT_TRUE(hashing::hash_texts_of_file(path, true, false).sha1.empty());
    }
}

// A missing file cannot be opened; a folder opens but cannot be read. Both
// give the failure texts, never the digest of what little was read.
TEST_F(FileHashing, UnreadableFilesGiveFailureTexts) {
    std::filesystem::create_directories(root_ / "folder");
    for (const char* name : {"missing", "folder"}) {
        hashing::HashTexts texts = hashing::hash_texts_of_file(windows_path(name), true, true);
        EXPECT_EQ(texts.md5, "- ERROR - FILE POSSIBLY LOCKED -") << name;
        EXPECT_EQ(texts.sha1, "-- ERROR - FILE POSSIBLY LOCKED BY OS --") << name;
        EXPECT_TRUE(hashing::holds_error(texts.md5) && hashing::holds_error(texts.sha1)) << name;
    }
    EXPECT_TRUE(hashing::holds_error(""));
    EXPECT_FALSE(hashing::holds_error("D41D8CD98F00B204E9800998ECF8427E"));
}
