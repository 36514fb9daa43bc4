// The Win32 backend against the system it wraps: the records, attributes,
// protections and times the program relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/host-win32.h"

namespace {

using namespace platform;

class Win32Platform : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        dir = std::wstring(temp) + L"kestro-w32-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(counter++);
        ASSERT_TRUE(create_directory(dir.c_str()));
    }

    void TearDown() override { remove_tree(dir); }

    static void remove_tree(const std::wstring& path) {
        FindRecord rec;
        FindHandle h = find_first((path + L"\\*").c_str(), &rec);
        if (h) {
            do {
                std::wstring name = rec.name;
                if (name == L"." || name == L"..") continue;
                std::wstring child = path + L"\\" + name;
                set_file_attributes(child.c_str(), ATTR_NORMAL);
                if (rec.attributes & ATTR_DIRECTORY)
                    remove_tree(child);
                else
                    delete_file(child.c_str());
            } while (find_next(h, &rec));
            find_close(h);
        }
        RemoveDirectoryW(path.c_str());
    }

    std::wstring at(const std::wstring& name) const { return dir + L"\\" + name; }

    void write(const std::wstring& name, const std::string& data) {
        FileHandle h = open_file(at(name).c_str(), Access::read_write, Disposition::create_always);
        ASSERT_NE(h, nullptr);
        uint32_t done = 0;
        ASSERT_TRUE(write_file(h, data.data(), static_cast<uint32_t>(data.size()), &done));
        EXPECT_EQ(done, data.size());
        close_file(h);
    }

    std::string read(const std::wstring& name) {
        FileHandle h = open_file(at(name).c_str(), Access::read, Disposition::open_existing);
        if (!h) return "<absent>";
        std::string out;
        char buffer[4096];
        uint32_t got = 0;
        while (read_file(h, buffer, sizeof buffer, &got) && got > 0) out.append(buffer, got);
        close_file(h);
        return out;
    }

    std::vector<FindRecord> list(const std::wstring& pattern) {
        std::vector<FindRecord> out;
        FindRecord rec;
        FindHandle h = find_first(at(pattern).c_str(), &rec);
        if (!h) return out;
        do out.push_back(rec);
        while (find_next(h, &rec));
        find_close(h);
        return out;
    }

    std::wstring dir;
    static inline int counter = 0;
};

TEST_F(Win32Platform, ListingGivesDotEntriesFirstThenRecordsWithSizesAndShortNames) {
    write(L"a.txt", "12345");
    write(L"a rather long name.text", std::string(70000, 'x'));
    std::vector<FindRecord> records = list(L"*");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_STREQ(records[0].name, L".");
    EXPECT_STREQ(records[1].name, L"..");
    EXPECT_TRUE(records[0].attributes & ATTR_DIRECTORY);
    auto find = [&](const wchar_t* name) {
        return *std::find_if(records.begin(), records.end(),
                             [&](const FindRecord& r) { return std::wstring(r.name) == name; });
    };
    FindRecord small = find(L"a.txt"), large = find(L"a rather long name.text");
    EXPECT_EQ(small.size(), 5u);
    EXPECT_STREQ(small.short_name, L"");  // a valid 8.3 name has no second name
    EXPECT_EQ(large.size(), 70000u);
    EXPECT_NE(std::wstring(large.short_name).find(L'~'), std::wstring::npos);
    EXPECT_FALSE(small.attributes & ATTR_DIRECTORY);
    EXPECT_NE(small.last_write_time, 0u);

    EXPECT_EQ(list(L"*.txt").size(), 1u);

    // The folders-only listing keeps every folder (files may or may not come).
    ASSERT_TRUE(create_directory(at(L"sub folder").c_str()));
    std::vector<std::wstring> folders;
    FindRecord rec;
    FindHandle h = find_first_folders(at(L"*").c_str(), &rec);
    ASSERT_NE(h, nullptr);
    do
        if (rec.attributes & ATTR_DIRECTORY) folders.push_back(rec.name);
    while (find_next(h, &rec));
    find_close(h);
    EXPECT_EQ(folders, (std::vector<std::wstring>{L".", L"..", L"sub folder"}));
    EXPECT_EQ(find_first(at(L"none*.xyz").c_str(), &small), nullptr);
    EXPECT_EQ(find_first(at(L"missing\\*").c_str(), &small), nullptr);
}

TEST_F(Win32Platform, WritesReadsSeeksAndTruncates) {
    // Larger than one system write, so the write loop and the size are exercised.
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    write(L"data.bin", data);
    EXPECT_EQ(read(L"data.bin"), data);

    FileHandle h = open_file(at(L"data.bin").c_str(), Access::read_write, Disposition::open_existing);
    ASSERT_NE(h, nullptr);
    uint64_t size = 0;
    ASSERT_TRUE(get_file_size(h, &size));
    EXPECT_EQ(size, data.size());
    int64_t position = -1;
    ASSERT_TRUE(seek_file(h, -10, SEEK_END, &position));
    EXPECT_EQ(position, static_cast<int64_t>(data.size()) - 10);
    ASSERT_TRUE(seek_file(h, 100, SEEK_SET));
    ASSERT_TRUE(seek_file(h, 5, SEEK_CUR, &position));
    EXPECT_EQ(position, 105);
    ASSERT_TRUE(set_end_of_file(h));
    ASSERT_TRUE(get_file_size(h, &size));
    EXPECT_EQ(size, 105u);
    close_file(h);
    EXPECT_EQ(read(L"data.bin"), data.substr(0, 105));
}

TEST_F(Win32Platform, DispositionsBehaveAsCreateFile) {
    EXPECT_EQ(open_file(at(L"absent").c_str(), Access::read, Disposition::open_existing), nullptr);
    write(L"f", "old");
    EXPECT_EQ(open_file(at(L"f").c_str(), Access::read_write, Disposition::create_new), nullptr);
    FileHandle h = open_file(at(L"f").c_str(), Access::read_write, Disposition::open_always);
    ASSERT_NE(h, nullptr);
    close_file(h);
    EXPECT_EQ(read(L"f"), "old");
    write(L"f", "n");
    EXPECT_EQ(read(L"f"), "n");
}

TEST_F(Win32Platform, ProtectedFilesAreRefusedAsWindowsDoes) {
    auto opens = [&](const wchar_t* name, Disposition disposition) {
        FileHandle h = open_file(at(name).c_str(), Access::read_write, disposition);
        close_file(h);
        return h != nullptr;
    };
    write(L"src", "new data");
    write(L"ro", "keep");
    ASSERT_TRUE(set_file_attributes(at(L"ro").c_str(), ATTR_READONLY));
    EXPECT_EQ(get_file_attributes(at(L"ro").c_str()) & (ATTR_READONLY | ATTR_DIRECTORY), ATTR_READONLY);
    EXPECT_FALSE(opens(L"ro", Disposition::open_existing));
    EXPECT_FALSE(opens(L"ro", Disposition::create_always));
    EXPECT_FALSE(copy_file(at(L"src").c_str(), at(L"ro").c_str(), false));
    EXPECT_FALSE(move_file_replace(at(L"src").c_str(), at(L"ro").c_str()));
    EXPECT_EQ(read(L"ro"), "keep");
    EXPECT_EQ(read(L"src"), "new data");

    // A hidden file may be written in place but not replaced.
    write(L"hidden", "keep");
    ASSERT_TRUE(set_file_attributes(at(L"hidden").c_str(), ATTR_HIDDEN));
    EXPECT_FALSE(opens(L"hidden", Disposition::create_always));
    EXPECT_FALSE(copy_file(at(L"src").c_str(), at(L"hidden").c_str(), false));
    EXPECT_EQ(read(L"hidden"), "keep");
    EXPECT_TRUE(opens(L"hidden", Disposition::open_existing));

    // Clearing the protection lets the copy through, with the source's data.
    ASSERT_TRUE(set_file_attributes(at(L"ro").c_str(), ATTR_NORMAL));
    EXPECT_TRUE(copy_file(at(L"src").c_str(), at(L"ro").c_str(), false));
    EXPECT_EQ(read(L"ro"), "new data");
    EXPECT_FALSE(copy_file(at(L"src").c_str(), at(L"ro").c_str(), true));
}

// The copy keeps data, attributes and write time both ways: CopyFileExW, and
// the allocated ranges of a source listed as sparse written into a sparse
// copy (where the file system tells no ranges, as Wine's, the whole file is
// one range).
TEST_F(Win32Platform, CopyKeepsDataAttributesAndWriteTime) {
    const std::string data = "abc" + std::string(3 << 20, '\0') + "end";
    write(L"src", data);
    FileTime when = FILETIME_UNIX_EPOCH + 1500000000ULL * 10000000ULL;
    FileHandle h = open_file(at(L"src").c_str(), Access::read_write, Disposition::open_existing,
                             OPEN_BACKUP_SEMANTICS | OPEN_SEQUENTIAL_SCAN);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(set_file_times(h, nullptr, nullptr, &when));
    close_file(h);
    ASSERT_TRUE(set_file_attributes(at(L"src").c_str(), ATTR_HIDDEN | ATTR_ARCHIVE));
    for (uint32_t listed : {ATTR_HIDDEN | ATTR_ARCHIVE, ATTR_HIDDEN | ATTR_ARCHIVE | ATTR_SPARSE_FILE}) {
        SCOPED_TRACE(listed);
        write(L"taken", "kept");
        uint64_t copied = 0;
        EXPECT_FALSE(copy_file(at(L"src").c_str(), at(L"taken").c_str(), true, nullptr, listed));
        EXPECT_EQ(read(L"taken"), "kept");
        ASSERT_TRUE(copy_file(at(L"src").c_str(), at(L"dst").c_str(), true, &copied, listed));
        EXPECT_EQ(copied, data.size());
        EXPECT_TRUE(read(L"dst") == data);
        EXPECT_TRUE(get_file_attributes(at(L"dst").c_str()) & ATTR_HIDDEN);
        std::vector<FindRecord> records = list(L"dst");
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].last_write_time, when);
        ASSERT_TRUE(set_file_attributes(at(L"dst").c_str(), ATTR_NORMAL));
        ASSERT_TRUE(delete_file(at(L"dst").c_str()));
    }
}

TEST_F(Win32Platform, FileAndFolderTimesRoundTripThroughTheListing) {
    write(L"f", "x");
    ASSERT_TRUE(create_directory(at(L"sub").c_str()));
    EXPECT_FALSE(create_directory(at(L"sub").c_str()));
    const FileTime creation = FILETIME_UNIX_EPOCH + 1000000000ULL * 10000000ULL;
    const FileTime access = creation + 86400ULL * 10000000ULL;
    const FileTime write_time = access + 3600ULL * 10000000ULL + 1234567;
    for (const wchar_t* name : {L"f", L"sub"}) {
        // The time setters' open: read/write, existing, backup semantics.
        FileHandle h = open_file(at(name).c_str(), Access::read_write, Disposition::open_existing,
                                 OPEN_BACKUP_SEMANTICS | OPEN_SEQUENTIAL_SCAN);
        ASSERT_NE(h, nullptr) << "opening for its times failed";
        ASSERT_TRUE(set_file_times(h, &creation, &access, &write_time));
        close_file(h);
        std::vector<FindRecord> records = list(name);
        ASSERT_EQ(records.size(), 1u);
        // Wine keeps no creation time of its own: it cannot show this one.
        if (!win32::running_under_wine()) {
            EXPECT_EQ(records[0].creation_time, creation);
        }
        EXPECT_EQ(records[0].last_access_time, access);
        EXPECT_EQ(records[0].last_write_time, write_time);
    }
}

TEST_F(Win32Platform, IdentityNamesTheSameFileWhateverTheSpelling) {
    write(L"one", "1");
    write(L"two", "2");
    ASSERT_TRUE(create_directory(at(L"sub").c_str()));
    FileIdentity a, b, c, d;
    ASSERT_TRUE(get_file_identity(at(L"one").c_str(), &a));
    ASSERT_TRUE(get_file_identity((dir + L"\\sub\\..\\one").c_str(), &b));
    ASSERT_TRUE(get_file_identity(at(L"two").c_str(), &c));
    ASSERT_TRUE(get_file_identity(at(L"sub").c_str(), &d));
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a == c);
    EXPECT_FALSE(a == d);
    EXPECT_FALSE(get_file_identity(at(L"absent").c_str(), &a));
}

TEST_F(Win32Platform, MoveReplacesAndDeleteRemoves) {
    write(L"a", "first");
    write(L"b", "second");
    ASSERT_TRUE(move_file_replace(at(L"a").c_str(), at(L"b").c_str()));
    EXPECT_EQ(read(L"b"), "first");
    EXPECT_EQ(get_file_attributes(at(L"a").c_str()), INVALID_ATTRIBUTES);
    EXPECT_FALSE(path_accessible(at(L"a").c_str()));
    EXPECT_TRUE(path_accessible(at(L"b").c_str()));
    EXPECT_TRUE(delete_file(at(L"b").c_str()));
    EXPECT_FALSE(delete_file(at(L"b").c_str()));
}

TEST_F(Win32Platform, StreamsOpenWidePaths) {
    FILE* f = open_stream(at(L"\u00e9t\u00e9.log").c_str(), "a+");
    ASSERT_NE(f, nullptr);
    std::fputs("line\n", f);
    std::fclose(f);
    // Text mode as the runtime has it: the line end is written as CR LF.
    EXPECT_EQ(read(L"\u00e9t\u00e9.log"), "line\r\n");
    EXPECT_EQ(open_stream(at(L"missing\\x.log").c_str(), "r"), nullptr);
}

TEST_F(Win32Platform, FullPathIsAbsoluteAndHonoursItsLimit) {
    std::wstring full;
    ASSERT_TRUE(full_path(L"rel\\..\\name.txt", full));
    EXPECT_EQ(full, current_directory() + (current_directory().back() == L'\\' ? L"" : L"\\") + L"name.txt");
    ASSERT_TRUE(full_path(L"C:\\a\\b\\..\\c", full));
    EXPECT_EQ(full, L"C:\\a\\c");
    EXPECT_TRUE(full_path(L"C:\\abcdef", full, 9));
    EXPECT_FALSE(full_path(L"C:\\abcdefg", full, 9));
    std::wstring program = program_path();
    EXPECT_EQ(program.substr(program.size() - 4), L".exe");
    EXPECT_EQ(program[1], L':');
}

TEST(Win32PlatformTime, ConversionsAgreeWithTheCalendar) {
    SystemTime st;
    ASSERT_TRUE(filetime_to_systemtime(FILETIME_UNIX_EPOCH + 10000000ULL * 86400 * 31 + 1230000, &st));
    EXPECT_EQ(st.year, 1970);
    EXPECT_EQ(st.month, 2);
    EXPECT_EQ(st.day, 1);
    EXPECT_EQ(st.day_of_week, 0);  // a Sunday
    EXPECT_EQ(st.milliseconds, 123);

    std::tm t{};
    ASSERT_TRUE(utc_time(951782400, &t));  // 2000-02-29 00:00:00 UTC
    EXPECT_EQ(t.tm_year, 100);
    EXPECT_EQ(t.tm_mon, 1);
    EXPECT_EQ(t.tm_mday, 29);
    ASSERT_TRUE(local_time(951782400, &t));
    EXPECT_EQ(make_local_time(&t), 951782400);

    FileTime local = 0;
    ASSERT_TRUE(filetime_to_local(FILETIME_UNIX_EPOCH, &local));
    TimeZoneInfo tz = time_zone();
    EXPECT_FALSE(tz.standard_name.empty());

    int64_t seconds = now_seconds();
    int64_t from_filetime = static_cast<int64_t>((now_filetime() - FILETIME_UNIX_EPOCH) / 10000000ULL);
    EXPECT_LE(std::abs(from_filetime - seconds), 2);
}

TEST(Win32PlatformProcess, EnvironmentAndRedirectedInput) {
    ASSERT_EQ(_wputenv(L"KESTRO_W32_TEST=v\u00e4lue"), 0);
    std::wstring value;
    ASSERT_TRUE(get_env("KESTRO_W32_TEST", &value));
    EXPECT_EQ(value, L"v\u00e4lue");
    EXPECT_FALSE(get_env("KESTRO_W32_TEST_ABSENT", &value));
    // The tests run with standard input that is no console: no key is waiting.
    if (!is_console(stdin)) {
        EXPECT_FALSE(key_waiting());
    }
}

}  // namespace
