// Folders read whole and read ahead: a folder read once answers every
// pattern as a listing by that pattern would, the reader hands out folders
// however far its threads have got and keeps them for a second pass within
// its limit; many names of a folder are looked up as a lookup by name would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "walk/folder_reader.h"
#include "walk_fixture.h"

namespace {

std::set<std::wstring> listed_by_pattern(const std::wstring& folder, const std::wstring& pattern) {
    std::set<std::wstring> names;
    platform::FindRecord rec;
    platform::FindHandle h = platform::find_first((folder + pattern).c_str(), &rec);
    if (!h) return names;
    do {
        std::wstring name = rec.name;
        if (name != L"." && name != L"..") names.insert(name);
    } while (platform::find_next(h, &rec));
    platform::find_close(h);
    return names;
}

std::set<std::wstring> matched_in_reading(const platform::FolderListing& listing, const std::wstring& pattern) {
    std::set<std::wstring> names;
    for (const platform::FolderEntry& e : listing.entries)
        if (e.has_record && platform::folder_entry_matches(pattern, listing, e)) names.insert(std::wstring(listing.name(e)));
    return names;
}

const platform::FolderEntry* entry_named(const platform::FolderListing& listing, const std::wstring& name) {
    for (const platform::FolderEntry& e : listing.entries)
        if (listing.name(e) == name) return &e;
    return nullptr;
}

class ReadFolder : public WalkTest {};

TEST_F(ReadFolder, OneReadingAnswersEveryPatternAsAListingWould) {
    make_file("a.txt", 3);
    make_file("b.dat", 5);
    make_file("LongFileName.text", 7);
    make_file("Another Long Name.txt", 9);
    make_file("x", 1);
    make_folder("sub.txt");
    std::filesystem::create_directory_symlink(root_ / "sub.txt", root_ / "lnk");
    std::filesystem::create_symlink(root_ / "gone", root_ / "dangling.txt");

    const std::vector<std::wstring> patterns = {L"*.*", L"*.txt", L"?.txt", L"*.tex", L"ANOTHE~1.TXT", L"l*", L"*"};
    for (const std::wstring& pattern : patterns) {
        platform::FolderListing listing = platform::read_folder(start_, {pattern}, true);
        ASSERT_TRUE(listing.listed);
        EXPECT_TRUE(listing.with_dots);
        EXPECT_EQ(matched_in_reading(listing, pattern), listed_by_pattern(start_, pattern)) << pattern.c_str();
        // A dangling link is as absent as from a listing; dots are left out.
        EXPECT_EQ(entry_named(listing, L"dangling.txt"), nullptr);
        EXPECT_EQ(entry_named(listing, L"."), nullptr);
    }

    platform::FolderListing listing = platform::read_folder(start_, {L"*.txt"}, true);
    // Folders are looked up whatever the patterns; unmatched files are not.
    ASSERT_NE(entry_named(listing, L"lnk"), nullptr);
    EXPECT_TRUE(entry_named(listing, L"lnk")->has_record);
    EXPECT_EQ(entry_named(listing, L"lnk")->attributes & (platform::ATTR_DIRECTORY | platform::ATTR_REPARSE_POINT),
              platform::ATTR_DIRECTORY | platform::ATTR_REPARSE_POINT);
    ASSERT_NE(entry_named(listing, L"b.dat"), nullptr);
    EXPECT_FALSE(entry_named(listing, L"b.dat")->has_record);
    EXPECT_EQ(entry_named(listing, L"a.txt")->size, 3u);
    EXPECT_EQ(listing.short_name(*entry_named(listing, L"LongFileName.text")), L"LONGFI~1.TEX");
    EXPECT_EQ(listing.short_name(*entry_named(listing, L"a.txt")), L"");
}

TEST_F(ReadFolder, RecordsMatchTheListingsRecords) {
    make_file("one.bin", 4096);
    platform::FolderListing whole = platform::read_folder(start_, {L"*.*"}, true);
    platform::FindRecord from_listing;
    platform::FindHandle h = platform::find_first((start_ + L"one.bin").c_str(), &from_listing);
    ASSERT_NE(h, nullptr);
    platform::find_close(h);
    platform::FindRecord from_reading;
    platform::fill_find_record(whole, *entry_named(whole, L"one.bin"), &from_reading);
    EXPECT_EQ(from_reading.attributes, from_listing.attributes);
    EXPECT_EQ(from_reading.size(), 4096u);
    EXPECT_EQ(from_reading.last_write_time, from_listing.last_write_time);
    EXPECT_EQ(from_reading.creation_time, from_listing.creation_time);
    EXPECT_EQ(std::wstring(from_reading.name), L"one.bin");
}

TEST_F(ReadFolder, AMissingFolderIsNotListed) {
    EXPECT_FALSE(platform::read_folder(start_ + L"nothing\\", {L"*.*"}, false).listed);
}

TEST_F(ReadFolder, EntryTimesAgreeWithTheLookupByName) {
    make_file("here.txt", 10);
    make_file("odd*name", 1);
    make_folder("folder");
    std::filesystem::create_symlink(root_ / "here.txt", root_ / "link.txt");
    std::vector<std::wstring> names = {L"here.txt", L"absent.txt", L"odd*name", L"folder", L"link.txt"};
    std::vector<std::wstring_view> views(names.begin(), names.end());
    std::vector<platform::EntryTimes> times;
    bool reached = false;
    ASSERT_TRUE(platform::look_up_entry_times(start_, views, &times, &reached));
    ASSERT_EQ(times.size(), names.size());
    EXPECT_TRUE(reached);

    platform::FindRecord rec;
    ASSERT_TRUE(platform::find_entry((start_ + L"here.txt").c_str(), &rec, false));
    EXPECT_TRUE(times[0].found);
    EXPECT_EQ(times[0].last_write, rec.last_write_time);
    EXPECT_EQ(times[0].size, 10u);
    EXPECT_FALSE(times[1].found);
    EXPECT_FALSE(times[2].found);  // a name with a wildcard is left to the caller
    EXPECT_TRUE(times[3].found);
    EXPECT_TRUE(times[3].is_folder);
    EXPECT_TRUE(times[4].found);  // links are followed
    EXPECT_EQ(times[4].size, 10u);

    // A folder that is not there is not reached, and finds nothing.
    ASSERT_TRUE(platform::look_up_entry_times(start_ + L"gone\\", views, &times, &reached));
    EXPECT_FALSE(reached);
    EXPECT_FALSE(times[0].found);
}

class FolderReaderTest : public WalkTest {
protected:
    // A tree of 3 x 4 folders with two files each, and the folders in the
    // order a depth-first walk reaches them.
    void make_tree() {
        order_.push_back(start_);
        for (int a = 0; a < 3; ++a) {
            std::wstring top = L"t" + std::to_wstring(a);
            order_.push_back(folder(top));
            for (int b = 0; b < 4; ++b) {
                std::wstring low = top + L"/l" + std::to_wstring(b);
                make_file(std::filesystem::path(low).string() + "/f1.txt", 1);
                make_file(std::filesystem::path(low).string() + "/f2.txt", 2);
                order_.push_back(folder(low));
            }
        }
    }
    std::vector<std::wstring> order_;
};

TEST_F(FolderReaderTest, HandsOutEveryFolderWhateverItsThreadsHaveReadAndKeepsThem) {
    make_tree();
    for (unsigned threads : {0u, 1u, 3u}) {
        FolderReader reader({.patterns = {L"*.*"}, .skip = {}, .threads = threads, .retained_limit = 1 << 20});
        for (const std::wstring& dir : order_) {
            auto listing = reader.take(dir, Keep::for_copy_pass);
            ASSERT_TRUE(listing->listed);
            auto fresh = platform::read_folder(dir, {L"*.*"}, false);
            ASSERT_EQ(listing->entries.size(), fresh.entries.size());
        }
        // Kept for the second pass, which lets them go.
        for (const std::wstring& dir : order_) {
            ASSERT_NE(reader.peek(dir), nullptr);
            reader.take(dir, Keep::no);
            EXPECT_EQ(reader.peek(dir), nullptr);
        }
    }
}

TEST_F(FolderReaderTest, ReadsAheadAllButTheFoldersItIsToSkip) {
    make_tree();
    std::wstring skipped = folder(L"t1");
    FolderReader reader({.patterns = {L"*.*"}, .skip = [&](const std::wstring& d) { return d == skipped; }, .threads = 1, .retained_limit = 1 << 20});
    reader.take(start_, Keep::for_copy_pass);
    // The thread reads t0, t2 and everything below them on its own.
    std::wstring last = folder(L"t2/l3");
    for (int i = 0; i < 500 && !reader.peek(last); ++i) usleep(10000);
    EXPECT_NE(reader.peek(last), nullptr);
    EXPECT_NE(reader.peek(folder(L"t0/l0")), nullptr);
    EXPECT_EQ(reader.peek(skipped), nullptr);
    EXPECT_EQ(reader.peek(folder(L"t1/l0")), nullptr);
}

TEST_F(FolderReaderTest, KeepsNoMoreThanItsLimit) {
    make_tree();
    FolderReader reader({.patterns = {L"*.*"}, .skip = {}, .threads = 2, .retained_limit = 3000});
    for (const std::wstring& dir : order_) reader.take(dir, Keep::for_copy_pass);
    size_t kept = 0;
    for (const std::wstring& dir : order_) kept += reader.peek(dir) != nullptr;
    EXPECT_LT(kept, order_.size());
    EXPECT_NE(reader.peek(start_), nullptr);  // the first ones are kept
}

TEST_F(FolderReaderTest, ReadingTheWatchedFolderEndsKeepingAndReadingAhead) {
    make_tree();
    platform::FileIdentity watched;
    ASSERT_TRUE(platform::get_file_identity(folder(L"t1").c_str(), &watched));
    FolderReader reader({.patterns = {L"*.*"}, .skip = {}, .threads = 2, .retained_limit = 1 << 20});
    reader.watch_for(watched);
    reader.take(start_, Keep::for_copy_pass);
    usleep(200000);  // the threads read ahead until they meet t1
    EXPECT_TRUE(reader.reads_each_folder_when_reached());
    // Nothing read ahead is handed out any more: t1 and what lies below it
    // are read when the walk asks, as they are then.
    EXPECT_EQ(reader.peek(folder(L"t1")), nullptr);
    EXPECT_EQ(reader.peek(folder(L"t1/l0")), nullptr);
    make_file("t1/l0/written-meanwhile.txt", 1);
    auto listing = reader.take(folder(L"t1/l0"), Keep::for_copy_pass);
    EXPECT_EQ(listing->entries.size(), 3u);
    EXPECT_EQ(reader.peek(folder(L"t1/l0")), nullptr);  // and not kept
}

TEST_F(FolderReaderTest, ReadingEachFolderWhenReachedLetsGoOfWhatWasKept) {
    make_tree();
    FolderReader reader({.patterns = {L"*.*"}, .skip = {}, .threads = 1, .retained_limit = 1 << 20});
    for (const std::wstring& dir : order_) reader.take(dir, Keep::for_copy_pass);
    ASSERT_NE(reader.peek(folder(L"t0/l0")), nullptr);
    reader.read_each_folder_when_reached();
    for (const std::wstring& dir : order_) EXPECT_EQ(reader.peek(dir), nullptr);
    make_file("t0/l0/new.txt", 1);
    EXPECT_EQ(reader.take(folder(L"t0/l0"), Keep::for_copy_pass)->entries.size(), 3u);
}

TEST_F(FolderReaderTest, FoldersBelowALinkAreNeitherKeptNorReadAhead) {
    make_tree();
    FolderReader reader({.patterns = {L"*.*"}, .skip = {}, .threads = 2, .retained_limit = 1 << 20});
    reader.take(folder(L"t0"), Keep::no, Below::read_when_reached);
    usleep(100000);
    EXPECT_EQ(reader.peek(folder(L"t0/l0")), nullptr);
}

}  // namespace
