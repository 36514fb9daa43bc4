// The per-file routine on real folders: flattening with duplicate renaming,
// the tilde check and its RENAMED lines, and --dirs start paths (stored with
// their trailing backslash) landing under their mirrored folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/paths.h"
#include "common/text.h"
#include "copy/per_file.h"
#include "platform/platform.h"
#include "run/terminate.h"
#include "run_fixture.h"
#include "state/config.h"
#include "state/run_state.h"
#include "stream_contents.h"

namespace {

class PerFile : public ::testing::Test, protected TestRun {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kestro-per-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        host = pattern;
        shown = std::tmpfile();
        run_.screen = shown;
        run_.logs.error_log = stderr;
        run_.counting_pass = 0;
    }
    void TearDown() override {
        std::fclose(shown);
        std::system(("rm -rf '" + host + "'").c_str());
    }

    // The long-path Windows form of a folder below the test's folder, with '\'.
    std::wstring folder(const std::string& relative) {
        std::string path = host + "/" + relative;
        std::wstring full;
        EXPECT_TRUE(platform::full_path(std::wstring(path.begin(), path.end()).c_str(), full));
        if (full.back() != L'\\') full += L'\\';
        return paths::long_form(full);
    }
    void make(const std::string& relative, const std::string& data) {
        std::system(("mkdir -p \"$(dirname '" + host + "/" + relative + "')\"").c_str());
        FILE* f = std::fopen((host + "/" + relative).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
    std::string read(const std::string& relative) {
        FILE* f = std::fopen((host + "/" + relative).c_str(), "rb");
        if (!f) return "<missing>";
        std::string data = stream_contents(f);
        std::fclose(f);
        return data;
    }
    // Hands a file to the per-file routine as the walk does.
    void hand_over(const std::wstring& dir, const std::wstring& name) {
        platform::FindRecord record;
        ASSERT_TRUE(platform::find_entry((dir + name).c_str(), &record));
        process_file(context_, dir, name, record, {});
    }

    std::string host;
    FILE* shown = nullptr;
};

TEST_F(PerFile, FlattenedDuplicatesGetRunWideNumbers) {
    make("src/a/x.txt", "first");
    make("src/b/x.txt", "second");
    make("src/c/x.txt", "third");
    make("dst/keep", "");
    run_.target.destination_root = folder("dst");
    config_.options.flatten = 1;
    config_.options.nodupe = 1;
    config_.options.copy_all = 1;  // as --nodupe sets it
    hand_over(folder("src/a"), L"x.txt");
    hand_over(folder("src/b"), L"x.txt");
    hand_over(folder("src/c"), L"x.txt");
    EXPECT_EQ(read("dst/x.txt"), "first");
    EXPECT_EQ(read("dst/x[0000].txt"), "second");
    EXPECT_EQ(read("dst/x[0001].txt"), "third");
    EXPECT_EQ(run_.counters.files_copied, 3);
}

// On POSIX a '~' name clashes only with an entry of that very name: the
// generated short name of another file is no name it can reach.
TEST_F(PerFile, TildeClashIsRenamedAndRecorded) {
    make("src/ABCDEF~1.TXT", "short-looking name");
    make("dst/ABCDEFGHIJ.TXT", "long name, untouched");
    make("dst/ABCDEF~1.TXT", "earlier copy, untouched");
    run_.target.destination_root = folder("dst");
    run_.target.current_start_path_len = static_cast<int32_t>(folder("src").size() - 1);
    config_.options.check_tilde = 1;
    FILE* renamed = std::tmpfile();
    run_.logs.renamed_log = renamed;
    hand_over(folder("src"), L"ABCDEF~1.TXT");

    std::string log = stream_contents(renamed);
    std::fclose(renamed);
    std::string shown_text = stream_contents(shown);
    EXPECT_EQ(read("dst/ABCDEFGHIJ.TXT"), "long name, untouched");
    EXPECT_EQ(read("dst/ABCDEF~1.TXT"), "earlier copy, untouched");
    // name.ext.D[nnnnn]: five digits of the clock.
    ASSERT_NE(log.find("ABCDEF~1.TXT |RENAMED TO:| "), std::string::npos) << log;
    size_t suffix = log.find("ABCDEF~1.TXT.D[");
    ASSERT_NE(suffix, std::string::npos) << log;
    std::string renamed_name = log.substr(log.rfind('\\') + 1);
    ASSERT_EQ(renamed_name.size(), std::string("ABCDEF~1.TXT.D[12345]\n").size()) << log;
    renamed_name.pop_back();
    EXPECT_EQ(read("dst/" + renamed_name), "short-looking name");
    EXPECT_NE(shown_text.find("\n\nDUPE_FILE: "), std::string::npos) << shown_text;
}

TEST_F(PerFile, DirsStartPathsLandUnderTheirMirroredFolder) {
    make("data/x/a.txt", "top");
    make("data/x/sub/b.txt", "below");
    std::wstring start = folder("data/x");  // stored with its trailing '\'
    run_.target.current_start_path_len = static_cast<int32_t>(start.size());
    run_.target.destination_root = folder("backup/data/x");
    hand_over(start, L"a.txt");
    hand_over(start + L"sub\\", L"b.txt");
    EXPECT_EQ(read("backup/data/x/a.txt"), "top");
    EXPECT_EQ(read("backup/data/x/sub/b.txt"), "below");
    EXPECT_EQ(read("backup/data/xa.txt"), "<missing>");
}

// A source that shrank or grew between its listing and its copy: the
// statistics and the COPIED record count what was copied, the screen's size
// line and the processed bytes what was listed. With -h the whole-file copy
// goes by another way (a temporary name), which counts alike.
TEST_F(PerFile, ASourceChangedSinceItsListingCountsWhatWasCopied) {
    struct Case {
        size_t listed, copied;
        int hash_mode;
    };
    for (Case c : {Case{2000000, 314966, 0}, Case{2000000, 314966, 1}, Case{1000, 5000, 0}}) {
        SCOPED_TRACE(testing::Message() << c.listed << " -> " << c.copied << " hash " << c.hash_mode);
        TestRun fresh;  // each case counts from nothing
        ::Run& run_ = fresh.run_;
        Configuration& config_ = fresh.config_;
        const CopyContext& context_ = fresh.context_;
        run_.screen = shown;
        run_.logs.error_log = stderr;
        run_.counting_pass = 0;
        FILE* copied_log = std::tmpfile();
        run_.logs.copied_log = copied_log;
        config_.options.hash_mode = c.hash_mode;
        make("src/a.bin", std::string(c.listed, 'x'));
        std::system(("rm -rf '" + host + "/dst'").c_str());
        run_.target.destination_root = folder("dst");
        run_.target.current_start_path_len = static_cast<int32_t>(folder("src").size() - 1);
        platform::FindRecord record;
        ASSERT_TRUE(platform::find_entry((folder("src") + L"a.bin").c_str(), &record));
        make("src/a.bin", std::string(c.copied, 'y'));
        process_file(context_, folder("src"), L"a.bin", record, {});

        EXPECT_EQ(read("dst/a.bin"), std::string(c.copied, 'y'));
        EXPECT_EQ(run_.counters.bytes_copied, static_cast<int64_t>(c.copied));
        EXPECT_EQ(run_.counters.bytes_processed, static_cast<int64_t>(c.listed));
        std::string listed_text = text::to_utf8(text::format_count(static_cast<int64_t>(c.listed)));
        std::string copied_text = text::to_utf8(text::format_count(static_cast<int64_t>(c.copied)));
        EXPECT_NE(stream_contents(shown).find(" " + listed_text + " ==> "), std::string::npos);
        std::string record_text = stream_contents(copied_log);
        EXPECT_EQ(record_text.find(std::string(14 - copied_text.size(), ' ') + copied_text + " |"), 0u) << record_text;
        run_.logs.copied_log = nullptr;
        std::fclose(copied_log);
    }
}

}  // namespace

// A record the walk listed without the attribute record is completed before
// the copy: the copy gets the source's hidden and system attributes and its
// creation time as from a whole record, and a read-only source's copy is
// writable.
TEST(PerFileDeferred, CopiesGetTheAttributesAndTimesOfWholeRecords) {
    char pattern[] = "/tmp/kestro-deferred-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string host = pattern;
    TestRun test;
    ::Run& run_ = test.run_;
    const CopyContext& context_ = test.context_;
    FILE* shown = std::tmpfile();
    run_.screen = shown;
    run_.logs.error_log = stderr;
    run_.counting_pass = 0;
    auto win = [&](const std::string& relative) {
        std::wstring full;
        std::string path = host + "/" + relative;
        EXPECT_TRUE(platform::full_path(std::wstring(path.begin(), path.end()).c_str(), full));
        return paths::long_form(full);
    };
    ASSERT_EQ(std::system(("mkdir -p '" + host + "/src' && echo data > '" + host + "/src/hs.txt' && echo ro > '" +
                           host + "/src/ro.txt' && chmod 444 '" + host + "/src/ro.txt'").c_str()),
              0);
    const platform::FileTime created = 130000000000000000ULL;
    ASSERT_TRUE(platform::set_file_attributes(win("src/hs.txt").c_str(), platform::ATTR_HIDDEN | platform::ATTR_SYSTEM));
    platform::FileHandle h = platform::open_file(win("src/hs.txt").c_str(), platform::Access::read_write,
                                                 platform::Disposition::open_existing);
    ASSERT_TRUE(platform::set_file_times(h, &created, nullptr, nullptr));
    platform::close_file(h);
    ASSERT_TRUE(process_file_defers_attributes(context_));  // the default options copy by write time only

    for (const char* name : {"hs.txt", "ro.txt"}) {
        std::wstring wide(name, name + std::strlen(name));
        for (bool deferred : {false, true}) {
            run_.target.destination_root = win(deferred ? "deferred" : "whole") + L"\\";
            run_.target.current_start_path_len = static_cast<int32_t>(win("src").size());
            platform::FindRecord record;
            std::wstring pattern_path = win("src") + L"\\" + wide;
            platform::FindHandle listing = deferred ? platform::find_first_sizes(pattern_path.c_str(), &record)
                                                    : platform::find_first(pattern_path.c_str(), &record);
            ASSERT_NE(listing, nullptr);
            platform::find_close(listing);
            process_file(context_, win("src") + L"\\", wide, record, {}, !deferred);
        }
        platform::FindRecord whole, deferred;
        ASSERT_TRUE(platform::find_entry((win("whole") + L"\\" + wide).c_str(), &whole));
        ASSERT_TRUE(platform::find_entry((win("deferred") + L"\\" + wide).c_str(), &deferred));
        EXPECT_EQ(deferred.attributes, whole.attributes) << name;
        EXPECT_EQ(deferred.creation_time, whole.creation_time) << name;
        EXPECT_EQ(deferred.last_write_time, whole.last_write_time) << name;
        EXPECT_FALSE(deferred.attributes & platform::ATTR_READONLY) << name;
    }
    platform::FindRecord copy;
    ASSERT_TRUE(platform::find_entry((win("deferred") + L"\\hs.txt").c_str(), &copy));
    EXPECT_EQ(copy.attributes & (platform::ATTR_HIDDEN | platform::ATTR_SYSTEM),
              platform::ATTR_HIDDEN | platform::ATTR_SYSTEM);
    EXPECT_EQ(copy.creation_time, created);
    std::fclose(shown);
    run_.screen = nullptr;
    std::system(("chmod -R u+w '" + host + "'; rm -rf '" + host + "'").c_str());
}
