// The tree walk on real folders: which files reach the copy engine, in which
// order and how often, and what the counting pass adds up.
#include <algorithm>
#include <map>

#include "walk_fixture.h"

namespace {

using Entry = std::pair<std::wstring, std::wstring>;  // folder, name

class WalkTreeTest : public WalkTest {
protected:
    void SetUp() override {
        WalkTest::SetUp();
        make_file("top.txt", 5);
        make_file("top.dat", 7);
        make_file("A/a1.txt", 11);
        make_file("A/a2.dat", 13);
        make_file("A/deep/d.txt", 17);
        make_file("AB/ab.txt", 19);
        make_file("B/b.txt", 23);
        make_file("NOTE.TXT/inner.dat", 29);  // a folder named like a file
    }

    std::vector<Entry> handed() const {
        std::vector<Entry> list;
        for (const auto& f : handed_files()) list.emplace_back(f.dir, f.name);
        return list;
    }

    static std::vector<Entry> sorted(std::vector<Entry> list) {
        std::sort(list.begin(), list.end());
        return list;
    }

    std::vector<Entry> all_files() const {
        return {{folder(L""), L"top.txt"},   {folder(L""), L"top.dat"},      {folder(L"A"), L"a1.txt"},
                {folder(L"A"), L"a2.dat"},   {folder(L"A/deep"), L"d.txt"},  {folder(L"AB"), L"ab.txt"},
                {folder(L"B"), L"b.txt"},    {folder(L"NOTE.TXT"), L"inner.dat"}};
    }

    // Depth-first with a folder's own files last: the files of any folder's
    // tree form one unbroken run, and the folder's own files end that run.
    void expect_depth_first(const std::vector<Entry>& list) const {
        std::vector<std::wstring> folders;
        for (const auto& e : list) folders.push_back(e.first);
        for (const auto& f : folders) {
            size_t first = list.size(), last = 0;
            for (size_t i = 0; i < list.size(); ++i) {
                if (list[i].first.compare(0, f.size(), f) != 0) continue;
                first = std::min(first, i);
                last = i;
            }
            bool own_files_started = false;
            for (size_t i = first; i <= last; ++i) {
                ASSERT_EQ(list[i].first.compare(0, f.size(), f), 0)
                    << "the tree of " << testing::PrintToString(f) << " is interrupted at " << i;
                if (list[i].first == f)
                    own_files_started = true;
                else
                    ASSERT_FALSE(own_files_started)
                        << testing::PrintToString(list[i].first) << " comes after files of its parent";
            }
        }
    }
};

TEST_F(WalkTreeTest, CopyPassHandsEveryFileOnceDepthFirst) {
    walk(start_);
    std::vector<Entry> list = handed();
    EXPECT_EQ(sorted(list), sorted(all_files()));
    expect_depth_first(list);
    EXPECT_EQ(handed_files().size(), 8u);
    const std::map<std::wstring, uint64_t> sizes = {{L"top.txt", 5},  {L"top.dat", 7}, {L"a1.txt", 11},
                                                    {L"a2.dat", 13},   {L"d.txt", 17},   {L"ab.txt", 19},
                                                    {L"b.txt", 23},    {L"inner.dat", 29}};
    for (const auto& f : handed_files()) {
        EXPECT_EQ(f.dir.back(), L'\\');
        EXPECT_EQ(f.name, std::wstring(f.record.name));
        EXPECT_FALSE(f.record.attributes & platform::ATTR_DIRECTORY);
        EXPECT_EQ(f.record.size(), sizes.at(f.name)) << testing::PrintToString(f.name);
    }
}

TEST_F(WalkTreeTest, FileMatchingTwoTypesIsHandedTwiceTypeByType) {
    config_.file_types.add(L"*.TXT");
    walk(start_);
    std::vector<Entry> list = handed();
    std::vector<Entry> expected = all_files();
    for (const auto& e : all_files())
        if (e.second.size() > 4 && e.second.substr(e.second.size() - 4) == L".txt") expected.push_back(e);
    EXPECT_EQ(sorted(list), sorted(expected));
    EXPECT_EQ(handed_files().size(), 13u);
    expect_depth_first(list);
    // In each folder the *.* listing comes first, then the *.TXT one.
    std::map<std::wstring, std::vector<std::wstring>> by_folder;
    for (const auto& e : list) by_folder[e.first].push_back(e.second);
    const auto& top = by_folder[folder(L"")];
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top.back(), L"top.txt");
    EXPECT_EQ(sorted({{L"", top[0]}, {L"", top[1]}}), sorted({{L"", L"top.dat"}, {L"", L"top.txt"}}));
}

TEST_F(WalkTreeTest, TypeBeginningWithDashEndsTheList) {
    config_.file_types.clear();
    config_.file_types.add(L"*.TXT");
    config_.file_types.add(L"-");
    config_.file_types.add(L"*.DAT");
    walk(start_);
    EXPECT_EQ(sorted(handed()), sorted({{folder(L""), L"top.txt"},
                                        {folder(L"A"), L"a1.txt"},
                                        {folder(L"A/deep"), L"d.txt"},
                                        {folder(L"AB"), L"ab.txt"},
                                        {folder(L"B"), L"b.txt"}}));
}

TEST_F(WalkTreeTest, WithoutRecursionOnlyTheStartFolderIsListed) {
    config_.options.recurse = 0;
    walk(start_);
    EXPECT_EQ(sorted(handed()), sorted({{folder(L""), L"top.txt"}, {folder(L""), L"top.dat"}}));
}

TEST_F(WalkTreeTest, ExcludedFilesAreSkippedInTheCopyPassOnly) {
    config_.options.exclude_select = 1;
    config_.exclude_types.add(L"*.DAT");
    walk(start_);
    for (const auto& e : handed()) EXPECT_NE(e.second.substr(e.second.size() - 4), L".dat");
    EXPECT_EQ(handed_files().size(), 5u);

    // The counting pass counts them all, and hands nothing over.
    run_.counting_pass = 1;
    config_.options.dest_given = 1;
    walk(start_);
    EXPECT_EQ(run_.counters.files_to_process, 8);
    EXPECT_EQ(handed_files().size(), 5u);
}

TEST_F(WalkTreeTest, CountingPassCountsFilesAndBytesPerMatchingType) {
    run_.counting_pass = 1;
    config_.options.dest_given = 1;
    walk(start_);
    EXPECT_TRUE(handed_files().empty());
    EXPECT_EQ(run_.counters.files_to_process, 8);
    EXPECT_EQ(run_.counters.bytes_to_process, 5 + 7 + 11 + 13 + 17 + 19 + 23 + 29);

    run_.counters.files_to_process = 0;
    run_.counters.bytes_to_process = 0;
    config_.file_types.add(L"*.TXT");
    walk(start_);
    EXPECT_EQ(run_.counters.files_to_process, 13);
    EXPECT_EQ(run_.counters.bytes_to_process, 124 + 5 + 11 + 17 + 19 + 23);
}

TEST_F(WalkTreeTest, CountingPassWithoutDestinationCountsNothing) {
    run_.counting_pass = 1;
    config_.options.dest_given = 0;
    walk(start_);
    EXPECT_EQ(run_.counters.files_to_process, 0);
    EXPECT_EQ(run_.counters.bytes_to_process, 0);
    EXPECT_TRUE(handed_files().empty());
}

TEST_F(WalkTreeTest, BypassIsAPrefixWithoutRegardToCase) {
    config_.options.bypass_active = 1;
    std::wstring a = folder(L"A");
    a.pop_back();  // bypass entries are full paths without the trailing '\'
    config_.bypass_list.add(paths::upper_ascii(a));
    walk(start_);
    // A, its subfolder and the sibling AB (same prefix) are skipped.
    EXPECT_EQ(sorted(handed()), sorted({{folder(L""), L"top.txt"},
                                        {folder(L""), L"top.dat"},
                                        {folder(L"B"), L"b.txt"},
                                        {folder(L"NOTE.TXT"), L"inner.dat"}}));

    // Bypassing the start folder itself skips everything, in both passes.
    config_.bypass_list.clear();
    config_.bypass_list.add(start_);
    handed_files().clear();
    walk(start_);
    run_.counting_pass = 1;
    config_.options.dest_given = 1;
    walk(start_);
    EXPECT_TRUE(handed_files().empty());
    EXPECT_EQ(run_.counters.files_to_process, 0);
}

TEST_F(WalkTreeTest, BypassListIsIgnoredUnlessActive) {
    config_.bypass_list.add(start_);
    walk(start_);
    EXPECT_EQ(handed().size(), 8u);
}

TEST_F(WalkTreeTest, MissingFolderIsSkippedSilently) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    walk(folder(L"no such folder"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(handed_files().empty());
}

class WalkCountingFiguresTest : public WalkTest {};

TEST_F(WalkCountingFiguresTest, FigureAtEveryThousandFiles) {
    for (int i = 0; i < 2500; ++i) make_file("many/f" + std::to_string(i));
    run_.counting_pass = 1;
    config_.options.dest_given = 1;
    testing::internal::CaptureStderr();
    walk(start_);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "   1000\b\b\b\b\b\b\b   2000\b\b\b\b\b\b\b");
    EXPECT_EQ(run_.counters.files_to_process, 2500);
}

}  // namespace
