// The per-file routine on real folders: flattening with duplicate renaming,
// the tilde check and its RENAMED lines, and --dirs start paths (stored with
// their trailing backslash) landing under their mirrored folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/paths.h"
#include "copy/per_file.h"
#include "platform/platform.h"
#include "run/config.h"

namespace {

std::string contents(FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    return bytes;
}

class PerFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kestro-per-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        host = pattern;
        ASSERT_TRUE(create_run_configuration());
        shown = std::tmpfile();
        screen = shown;
        error_log = stderr;
        flatten_copied = flatten_folder = dupe_index = files_copied = 0;
        tilde_index = 1;
        counting_pass = 0;
    }
    void TearDown() override {
        std::fclose(shown);
        screen = renamed_log = nullptr;
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
        std::string data = contents(f);
        std::fclose(f);
        return data;
    }
    // Hands a file to the per-file routine as the walk does.
    void hand_over(const std::wstring& dir, const std::wstring& name) {
        platform::FindRecord record;
        ASSERT_TRUE(platform::find_entry((dir + name).c_str(), &record));
        process_file(dir, name, record);
    }

    std::string host;
    FILE* shown = nullptr;
};

TEST_F(PerFile, FlattenedDuplicatesGetRunWideNumbers) {
    make("src/a/x.txt", "first");
    make("src/b/x.txt", "second");
    make("src/c/x.txt", "third");
    make("dst/keep", "");
    dest_path = folder("dst");
    opt->flatten = 1;
    opt->nodupe = 1;
    opt->copy_all = 1;  // as --nodupe sets it
    hand_over(folder("src/a"), L"x.txt");
    hand_over(folder("src/b"), L"x.txt");
    hand_over(folder("src/c"), L"x.txt");
    EXPECT_EQ(read("dst/x.txt"), "first");
    EXPECT_EQ(read("dst/x[0000].txt"), "second");
    EXPECT_EQ(read("dst/x[0001].txt"), "third");
    EXPECT_EQ(files_copied, 3);
}

TEST_F(PerFile, TildeClashIsRenamedAndRecorded) {
    make("src/ABCDEF~1.TXT", "short-looking name");
    make("dst/ABCDEFGHIJ.TXT", "long name, untouched");
    dest_path = folder("dst");
    current_start_path_len = static_cast<int32_t>(folder("src").size() - 1);
    opt->check_tilde = 1;
    FILE* renamed = std::tmpfile();
    renamed_log = renamed;
    hand_over(folder("src"), L"ABCDEF~1.TXT");

    std::string log = contents(renamed);
    std::fclose(renamed);
    std::string shown_text = contents(shown);
    EXPECT_EQ(read("dst/ABCDEFGHIJ.TXT"), "long name, untouched");
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
    current_start_path_len = static_cast<int32_t>(start.size());
    dest_path = folder("backup/data/x");
    hand_over(start, L"a.txt");
    hand_over(start + L"sub\\", L"b.txt");
    EXPECT_EQ(read("backup/data/x/a.txt"), "top");
    EXPECT_EQ(read("backup/data/x/sub/b.txt"), "below");
    EXPECT_EQ(read("backup/data/xa.txt"), "<missing>");
}

}  // namespace
