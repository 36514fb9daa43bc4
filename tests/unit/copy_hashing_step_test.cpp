// The hashing step on real files with SHA-1 values wanted (no option asks
// for them from the command line yet): what reaches the COPIED log, the
// screen and the hash log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "common/md5.h"
#include "common/text.h"
#include "copy/file_hashing.h"
#include "copy/hashing_hook.h"
#include "known_digests.h"
#include "platform/platform.h"
#include "run_fixture.h"
#include "state/config.h"
#include "state/run_state.h"
#include "stream_contents.h"

namespace {

class HashingStep : public testing::Test, protected TestRun {
protected:
    void SetUp() override {
        std::random_device seed;
        root_ = std::filesystem::temp_directory_path() / ("kestro-hashing-step-" + std::to_string(seed()));
        std::filesystem::create_directories(root_);
        std::ofstream(root_ / "source", std::ios::binary) << "abc";
        std::ofstream(root_ / "other", std::ios::binary) << "a";
        ::Run& run = run_;
        run.screen = screen_ = std::tmpfile();
        run.logs.copied_log = copied_ = std::tmpfile();
        run.logs.hash_log = hash_ = std::tmpfile();
    }
    void TearDown() override {
        ::Run& run = run_;
        run.screen = run.logs.copied_log = run.logs.hash_log = nullptr;
        for (FILE* f : {screen_, copied_, hash_}) std::fclose(f);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    // The long-path form the walk hands over, and the form the logs show.
    std::wstring path(const char* name) {
        std::wstring full;
        EXPECT_TRUE(platform::full_path((root_ / name).wstring().c_str(), full));
        return L"\\\\?\\" + full;
    }
    std::string shown(const char* name) { return text::to_utf8(path(name).substr(4)); }
    // The hashing step as the per-file routine takes it: the reading half, then the writing half.
    void hash_copied_file(const std::wstring& source, const std::wstring& destination) {
        const WantedHashTexts wanted = wanted_hash_texts(context_, run_.logs);
        write_hash_records(context_, source, destination, hash_file_and_copy(source, destination, wanted, 3));
    }

    std::filesystem::path root_;
    FILE* screen_ = nullptr;
    FILE* copied_ = nullptr;
    FILE* hash_ = nullptr;
};

}  // namespace

TEST_F(HashingStep, BothSidesWithSha1Values) {
    config_.options.hash_mode = 8;
    config_.options.sha1_wanted = 1;
    hash_copied_file(path("source"), path("other"));
    EXPECT_EQ(stream_contents(copied_), std::string(MD5_OF_ABC) + "|");
    EXPECT_EQ(stream_contents(screen_), " [HASH ERROR]");
    EXPECT_EQ(stream_contents(hash_), "\n\n" + shown("source") + "  | " + MD5_OF_ABC + "  | " + SHA1_OF_ABC + " |" +
                                          shown("other") + "  | " + MD5_OF_A + "  | " + SHA1_OF_A + " |[HASH ERROR]");
}

TEST_F(HashingStep, Sha1ValuesAloneAreShownNowhere) {
    config_.options.sha1_wanted = 1;
    hash_copied_file(path("source"), path("source"));
    EXPECT_EQ(stream_contents(copied_) + stream_contents(screen_) + stream_contents(hash_), "");
}

// A large file's two sides are read at once: each side still gets its own
// digests, the same as when they are read one after the other.
TEST_F(HashingStep, LargeFileSidesReadAtOnceKeepTheirOwnDigests) {
    std::string data(5 << 20, '\0');
    std::mt19937 bytes(7);
    for (char& b : data) b = static_cast<char>(bytes());
    std::ofstream(root_ / "large", std::ios::binary) << data;
    data.back() = static_cast<char>(data.back() ^ 1);
    std::ofstream(root_ / "large copy", std::ios::binary) << data;
    WantedHashTexts wanted;
    wanted.source_md5 = wanted.destination_md5 = wanted.source_sha1 = wanted.destination_sha1 = true;

    const FileHashTexts apart = hash_file_and_copy(path("large"), path("large copy"), wanted, data.size());
    const FileHashTexts in_turn = hash_file_and_copy(path("large"), path("large copy"), wanted, 0);

    md5::State state;
    md5::start(state);
    md5::feed(state, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    unsigned char digest[md5::DIGEST_SIZE];
    md5::finish(state, digest);
    EXPECT_EQ(apart.destination_md5, hashing::hex_text(digest, sizeof digest));
    EXPECT_NE(apart.source_md5, apart.destination_md5);
    EXPECT_NE(apart.source_sha1, apart.destination_sha1);
    EXPECT_EQ(apart.source_md5, in_turn.source_md5);
    EXPECT_EQ(apart.destination_md5, in_turn.destination_md5);
    EXPECT_EQ(apart.source_sha1, in_turn.source_sha1);
    EXPECT_EQ(apart.destination_sha1, in_turn.destination_sha1);
}
