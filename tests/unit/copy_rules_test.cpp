// The copy engine's pure rules: destination folders (tree, --dirs mirrors,
// flattening), rename suffixes, the selection tests, the time breakdown and
// the COPIED record's path bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "copy/destination.h"
#include "copy/records.h"
#include "copy/selection.h"
#include "copy/time_breakdown.h"
#include "run_fixture.h"
#include "state/config.h"
#include "state/run_state.h"

namespace {

constexpr platform::FileTime SECOND = 10000000ULL;

// A FILETIME for a UTC calendar time (days from 1601 counted by the platform).
platform::FileTime utc_filetime(int64_t seconds_since_1970) {
    return platform::FILETIME_UNIX_EPOCH + static_cast<uint64_t>(seconds_since_1970) * SECOND;
}

class CopyRules : public ::testing::Test, protected TestRun {
protected:
    void SetUp() override { run_.target.destination_root = L"\\\\?\\E:\\backup"; }
};

TEST_F(CopyRules, TreeReplicationKeepsTheFolderBelowTheStartPath) {
    // Start path "\\?\C:\data" stored without its trailing backslash.
    run_.target.current_start_path_len = static_cast<int32_t>(std::wcslen(L"\\\\?\\C:\\data"));
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\"), L"\\\\?\\E:\\backup\\");
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\work\\x\\"), L"\\\\?\\E:\\backup\\work\\x\\");
    // One trailing backslash of the root is dropped: the same paths come out.
    run_.target.destination_root = L"\\\\?\\E:\\backup\\";
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\work\\"), L"\\\\?\\E:\\backup\\work\\");
}

TEST_F(CopyRules, DirsFileStartPathsKeepTheSeparatorUnderTheMirror) {
    // A --dirs start path is stored with its trailing backslash; the driver
    // has already mirrored it under the root.
    run_.target.current_start_path_len = static_cast<int32_t>(std::wcslen(L"\\\\?\\C:\\data\\x\\"));
    run_.target.destination_root = L"\\\\?\\E:\\backup\\data\\x\\";
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\x\\"), L"\\\\?\\E:\\backup\\data\\x\\");
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\x\\sub\\"), L"\\\\?\\E:\\backup\\data\\x\\sub\\");
}

TEST_F(CopyRules, BareDriveDestination) {
    run_.target.destination_root = L"E:";
    run_.target.current_start_path_len = static_cast<int32_t>(std::wcslen(L"\\\\?\\C:\\data"));
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\w\\"), L"E:\\w\\");
}

TEST_F(CopyRules, FlatteningNumbersFoldersAfterEachFullOne) {
    config_.options.flatten = 3;  // 1 to 5: never sub-folders
    run_.renames.flatten_copied = 30;
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\data\\deep\\"), L"\\\\?\\E:\\backup\\");

    config_.options.flatten = 100;
    run_.renames.flatten_copied = 0;
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\a\\"), L"\\\\?\\E:\\backup\\");
    run_.renames.flatten_copied = 99;
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\a\\"), L"\\\\?\\E:\\backup\\");
    run_.renames.flatten_copied = 100;  // copy 101 opens 0001
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\a\\"), L"\\\\?\\E:\\backup\\0001\\");
    // Files passed over at the same count stay in that folder.
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\a\\"), L"\\\\?\\E:\\backup\\0001\\");
    run_.renames.flatten_copied = 200;
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\a\\"), L"\\\\?\\E:\\backup\\0002\\");
    run_.renames.flatten_copied = 201;
    EXPECT_EQ(destination_folder(context_, L"\\\\?\\C:\\a\\"), L"\\\\?\\E:\\backup\\0002\\");
}

TEST_F(CopyRules, DuplicateNumbersRunAcrossTheWholeRun) {
    EXPECT_EQ(renamed_duplicate(run_.renames, L"\\\\?\\E:\\b\\name.ext"), L"\\\\?\\E:\\b\\name[0000].ext");
    EXPECT_EQ(renamed_duplicate(run_.renames, L"\\\\?\\E:\\b\\other.tar.gz"), L"\\\\?\\E:\\b\\other.tar[0001].gz");
    EXPECT_EQ(renamed_duplicate(run_.renames, L"E:\\b.d\\noext"), L"E:\\b.d\\noext[0002]");
    EXPECT_EQ(run_.renames.dupe_index, 3);
}

TEST_F(CopyRules, TildeCheckRules) {
    EXPECT_TRUE(has_early_tilde(L"ABCDEF~1.TXT"));
    EXPECT_TRUE(has_early_tilde(L"1234567~"));
    EXPECT_FALSE(has_early_tilde(L"12345678~x"));  // ninth character
    EXPECT_FALSE(has_early_tilde(L"plain.txt"));
    EXPECT_EQ(tilde_time_suffix(1765170123), L".D[70123]");
    EXPECT_EQ(tilde_time_suffix(123456789), L".D[ 6789]");
}

TEST_F(CopyRules, AttributeSelectionNeedsEveryRequestedBit) {
    config_.options.attr_select = 1;
    config_.options.attr_readonly = 1;
    config_.options.attr_hidden = 1;
    EXPECT_FALSE(passes_attribute_test(context_, platform::ATTR_READONLY));
    EXPECT_TRUE(passes_attribute_test(context_, platform::ATTR_READONLY | platform::ATTR_HIDDEN));
    config_.options.attr_readonly = config_.options.attr_hidden = 0;
    config_.options.attr_dir_level = 1;  // -a d: no effect
    EXPECT_TRUE(passes_attribute_test(context_, platform::ATTR_ARCHIVE));
    config_.options.attr_dir_level = 2;  // -a D: files never pass
    EXPECT_FALSE(passes_attribute_test(context_, platform::ATTR_ARCHIVE));
}

TEST_F(CopyRules, DateRangeIsStrictAndAnySelectedKindPasses) {
    platform::FindRecord r;
    r.creation_time = 500;
    r.last_write_time = 100;
    r.last_access_time = 100;
    config_.younger_cutoff = 100;
    config_.older_cutoff = 500;
    config_.age_use_write = 'a';
    EXPECT_TRUE(passes_date_range_test(context_, r));  // neither bound in force: skipped
    config_.options.older_select = 1;
    EXPECT_FALSE(passes_date_range_test(context_, r));  // 100 is not above 100
    r.last_write_time = 101;
    EXPECT_TRUE(passes_date_range_test(context_, r));
    r.last_write_time = 100;
    config_.age_use_create = 'a';  // 500 is not below 500 either
    EXPECT_FALSE(passes_date_range_test(context_, r));
    r.creation_time = 499;
    EXPECT_TRUE(passes_date_range_test(context_, r));
}

TEST_F(CopyRules, SizeBoundsIncludeTheirValue) {
    config_.options.size_greater_select = 1;
    config_.size_greater = 100;
    EXPECT_TRUE(passes_size_test(context_, 100));
    EXPECT_FALSE(passes_size_test(context_, 99));
    config_.options.size_greater_select = 0;
    config_.options.size_less_select = 1;
    config_.size_less = 100;
    EXPECT_TRUE(passes_size_test(context_, 100));
    EXPECT_FALSE(passes_size_test(context_, 101));
    EXPECT_FALSE(passes_size_test(context_, 5000000000LL));
}

TEST_F(CopyRules, TimeOfKindPicksByLetter) {
    platform::FindRecord r;
    r.creation_time = 1;
    r.last_access_time = 2;
    r.last_write_time = 3;
    EXPECT_EQ(time_of_kind(r, 'A'), 2u);
    EXPECT_EQ(time_of_kind(r, 'c'), 1u);
    EXPECT_EQ(time_of_kind(r, 'w'), 3u);
    EXPECT_EQ(time_of_kind(r, 'x'), 3u);
}

TEST_F(CopyRules, ZeroFileTimeShowsAs1980WithoutDayOrClock) {
    for (bool zulu : {true, false}) {
        CalendarFields f = split_file_time(0, zulu);
        EXPECT_EQ(f.year, 1980);
        EXPECT_EQ(f.month, 0);
        EXPECT_EQ(f.day, 0);
        EXPECT_EQ(f.hour + f.minute + f.second, 0);
    }
}

TEST_F(CopyRules, UtcBreakdownOfAKnownTime) {
    // 2020-02-29 23:59:58.250 UTC
    CalendarFields f = split_file_time(utc_filetime(1583020798) + 2500000, true);
    EXPECT_EQ(f.year, 2020);
    EXPECT_EQ(f.month, 2);
    EXPECT_EQ(f.day, 29);
    EXPECT_EQ(f.hour, 23);
    EXPECT_EQ(f.minute, 59);
    EXPECT_EQ(f.second, 58);
    EXPECT_EQ(f.millisecond, 250);
}

TEST(CopiedRecordPath, CharactersAbove127BecomeTheirFirstUtf8Byte) {
    EXPECT_EQ(copied_path_bytes(L"C:\\a.txt"), "C:\\a.txt");
    EXPECT_EQ(copied_path_bytes(L"C:\\\u00dcber\\a.txt"), "C:\\\xC3" "ber\\a.txt");
    EXPECT_EQ(copied_path_bytes(L"\u00e9\u4e2d"), "\xC3\xE4");
    // A character beyond the BMP keeps the rest of the path.
    std::wstring beyond = L"x";
    if (sizeof(wchar_t) == 2) {
        beyond += static_cast<wchar_t>(0xD83D);
        beyond += static_cast<wchar_t>(0xDE00);
    } else {
        beyond += static_cast<wchar_t>(0x1F600);
    }
    beyond += L"y";
    EXPECT_EQ(copied_path_bytes(beyond.c_str()), "x\xF0y");
}

}  // namespace
