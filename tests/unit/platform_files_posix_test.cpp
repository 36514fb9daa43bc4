// The POSIX layer's files, attributes, times and directory search, checked on
// real files in a temporary folder mapped as drive T:. The tests run as root
// in CI: the protection cases check what the layer itself refuses.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"
#include "platform/posix/host-posix.h"

namespace {

using namespace platform;
using posix::DosAttrib;

// A temporary folder seen as the drive T: (and C: as the host root).
class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/kestro_files_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        root_ = name;
        drives_ = {{L'C', ""}, {L'T', root_}};
        posix::override_drive_map(&drives_);
    }
    void TearDown() override {
        posix::override_drive_map(nullptr);
        std::string command = "chmod -R u+w '" + root_ + "' && rm -rf '" + root_ + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string host(const std::string& name) const { return root_ + "/" + name; }
    static std::wstring win(const std::string& name) { return L"T:\\" + text::from_utf8(name); }
    void write(const std::string& name, const std::string& data) {
        std::ofstream(host(name), std::ios::binary) << data;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(host(name), std::ios::binary);
        std::ostringstream bytes;  // taken whole, not a character at a time: the copies read are 64 MB
        bytes << in.rdbuf();
        return bytes.str();
    }
    bool exists(const std::string& name) const { return access(host(name).c_str(), F_OK) == 0; }
    // True when the folder's file system keeps user extended attributes.
    bool has_xattrs() {
        write(".probe", "");
        bool ok = setxattr(host(".probe").c_str(), "user.kestro_probe", "1", 1, 0) == 0;
        unlink(host(".probe").c_str());
        return ok;
    }
    FindRecord find_one(const std::wstring& pattern) {
        FindRecord rec;
        FindHandle h = find_first(pattern.c_str(), &rec);
        EXPECT_NE(h, nullptr) << text::to_utf8(pattern);
        find_close(h);
        return rec;
    }
    std::vector<std::wstring> listing(const std::wstring& pattern) {
        std::vector<std::wstring> names;
        FindRecord rec;
        FindHandle h = find_first(pattern.c_str(), &rec);
        if (!h) return names;
        do names.push_back(rec.name);
        while (find_next(h, &rec));
        find_close(h);
        return names;
    }

    void check_copy_with_details(bool (*copier)(const wchar_t*, const wchar_t*, const CopyDetails&, uint64_t*));
    static mode_t process_umask() {
        mode_t mask = umask(0);
        umask(mask);
        return mask;
    }

    std::string root_;
    posix::DriveMap drives_;
};

#define SKIP_WITHOUT_XATTRS() \
    if (!has_xattrs()) GTEST_SKIP() << "the file system of /tmp keeps no user extended attributes"

// ---- user.DOSATTRIB ---------------------------------------------------------

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}
std::string le(uint64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
DosAttrib parse(const std::string& value) { return posix::parse_dos_attrib(value.data(), value.size()); }

TEST(DosAttribFormat, ReadsWineTextForm) {
    DosAttrib a = parse("0x22");
    EXPECT_TRUE(a.present);
    EXPECT_EQ(a.attributes, 0x22u);
    EXPECT_FALSE(a.has_creation_time);
    EXPECT_EQ(parse(std::string("0x6\0", 4)).attributes, 0x6u);
    EXPECT_EQ(parse("0X1F").attributes, 0x1Fu);
    EXPECT_FALSE(parse("22").present);
    EXPECT_FALSE(parse("0x").present);
    EXPECT_FALSE(parse("").present);
}

TEST(DosAttribFormat, ReadsSambaVersion3And4Blobs) {
    const uint64_t created = 0x01D2030405060708ULL;
    // Version 3: "0x20" NUL, padding, version 3 twice, flags, attributes, ...
    std::string v3 = std::string("0x20\0\0", 6) + le(3, 2) + le(3, 4) + le(0x11, 4) + le(0x26, 4) + le(0, 4) +
                     le(0, 8) + le(0, 8) + le(created, 8) + le(0, 8);
    DosAttrib a = parse(v3);
    EXPECT_EQ(a.attributes, 0x26u);  // the blob's attributes win over the text
    EXPECT_TRUE(a.has_creation_time);
    EXPECT_EQ(a.creation_time, created);
    std::string v3_no_time = v3;
    v3_no_time[12] = 0x01;  // valid flags: attributes only
    a = parse(v3_no_time);
    EXPECT_EQ(a.attributes, 0x26u);
    EXPECT_FALSE(a.has_creation_time);
    // Version 4 after an odd-length text "0x2" NUL (4 bytes: no padding).
    std::string v4 = std::string("0x2\0", 4) + le(4, 2) + le(4, 4) + le(0x11, 4) + le(0x2, 4) + le(0x55, 8) +
                     le(created, 8);
    a = parse(v4);
    EXPECT_EQ(a.attributes, 0x2u);
    EXPECT_TRUE(a.has_creation_time);
    EXPECT_EQ(a.creation_time, created);
    v4[10] = 0x01;
    EXPECT_FALSE(parse(v4).has_creation_time);
    // A cut blob keeps the text's attributes.
    a = parse(v3.substr(0, 20));
    EXPECT_TRUE(a.present);
    EXPECT_EQ(a.attributes, 0x20u);
    EXPECT_FALSE(a.has_creation_time);
}

TEST(DosAttribFormat, WritesVersion3Layout) {
    const uint64_t created = 0x0102030405060708ULL;
    std::string expected = std::string("0x22\0\0", 6) + bytes({3, 0}) + bytes({3, 0, 0, 0}) + bytes({0x11, 0, 0, 0}) +
                           bytes({0x22, 0, 0, 0}) + std::string(4 + 8 + 8, '\0') +
                           bytes({8, 7, 6, 5, 4, 3, 2, 1}) + std::string(8, '\0');
    EXPECT_EQ(posix::encode_dos_attrib(0x22, created), expected);
    std::string odd = posix::encode_dos_attrib(0x2, created);
    EXPECT_EQ(odd.substr(0, 6), std::string("0x2\0\3\0", 6));  // "0x2" NUL is already even
    EXPECT_EQ(odd.size(), 4u + 50u);
    DosAttrib back = parse(odd);
    EXPECT_EQ(back.attributes, 0x2u);
    EXPECT_EQ(back.creation_time, created);
}

// ---- Attributes -------------------------------------------------------------

TEST_F(PlatformFiles, DefaultAttributes) {
    write("plain.txt", "x");
    write(".profile", "x");
    ASSERT_EQ(mkdir(host("dir").c_str(), 0777), 0);
    write("locked.txt", "x");
    ASSERT_EQ(chmod(host("locked.txt").c_str(), 0444), 0);
    EXPECT_EQ(get_file_attributes(win("plain.txt").c_str()), ATTR_ARCHIVE);
    EXPECT_EQ(get_file_attributes(win(".profile").c_str()), ATTR_ARCHIVE);  // a dot-name is not hidden
    EXPECT_EQ(get_file_attributes(win("dir").c_str()), ATTR_DIRECTORY);
    EXPECT_EQ(get_file_attributes(win("locked.txt").c_str()), ATTR_ARCHIVE | ATTR_READONLY);
    EXPECT_EQ(get_file_attributes(win("missing").c_str()), INVALID_ATTRIBUTES);
    EXPECT_EQ(get_file_attributes(L"Q:\\anything"), INVALID_ATTRIBUTES);
}

TEST_F(PlatformFiles, SetAttributesKeepsThemAndTheCreationTime) {
    SKIP_WITHOUT_XATTRS();
    write("f.txt", "x");
    FileTime created = 130000000000000000ULL;  // 2012
    FileHandle h = open_file(win("f.txt").c_str(), Access::read_write, Disposition::open_existing);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(set_file_times(h, &created, nullptr, nullptr));
    close_file(h);
    ASSERT_TRUE(set_file_attributes(win("f.txt").c_str(), ATTR_HIDDEN | ATTR_SYSTEM | ATTR_READONLY));
    EXPECT_EQ(get_file_attributes(win("f.txt").c_str()), ATTR_HIDDEN | ATTR_SYSTEM | ATTR_READONLY);
    struct stat st;
    ASSERT_EQ(stat(host("f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    char raw[128];
    ssize_t n = getxattr(host("f.txt").c_str(), "user.DOSATTRIB", raw, sizeof raw);
    EXPECT_EQ(std::string(raw, n > 0 ? n : 0), posix::encode_dos_attrib(ATTR_HIDDEN | ATTR_SYSTEM, created));
    FindRecord rec = find_one(win("f.txt"));
    EXPECT_EQ(rec.attributes, ATTR_HIDDEN | ATTR_SYSTEM | ATTR_READONLY);
    EXPECT_EQ(rec.creation_time, created);
    // Clearing everything: the owner may write again and nothing else is set.
    ASSERT_TRUE(set_file_attributes(win("f.txt").c_str(), ATTR_NORMAL));
    ASSERT_EQ(stat(host("f.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    EXPECT_EQ(get_file_attributes(win("f.txt").c_str()), ATTR_NORMAL);
    EXPECT_EQ(find_one(win("f.txt")).creation_time, created);
    // A dot-name with an attribute record shows what the record says.
    write(".shown", "x");
    ASSERT_TRUE(set_file_attributes(win(".shown").c_str(), ATTR_HIDDEN));
    EXPECT_EQ(get_file_attributes(win(".shown").c_str()), ATTR_HIDDEN);
}

TEST_F(PlatformFiles, ReadsAttributesWrittenByOthers) {
    SKIP_WITHOUT_XATTRS();
    write("wine.txt", "x");
    ASSERT_EQ(setxattr(host("wine.txt").c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
    EXPECT_EQ(get_file_attributes(win("wine.txt").c_str()), ATTR_HIDDEN | ATTR_ARCHIVE);
    EXPECT_EQ(find_one(win("wine.txt")).attributes, ATTR_HIDDEN | ATTR_ARCHIVE);
}

// ---- Times ------------------------------------------------------------------

TEST(FileTimeConversion, BothWaysAlsoBefore1970) {
    EXPECT_EQ(posix::to_filetime({0, 0}), FILETIME_UNIX_EPOCH);
    EXPECT_EQ(posix::to_filetime({1, 123456789}), FILETIME_UNIX_EPOCH + 10000000 + 1234567);
    EXPECT_EQ(posix::to_filetime({-1, 500000000}), FILETIME_UNIX_EPOCH - 5000000);
    for (FileTime t : {FileTime(0), FileTime(94405824000000000ULL), FILETIME_UNIX_EPOCH - 1,
                       FILETIME_UNIX_EPOCH, FileTime(131012228967890123ULL)}) {
        struct timespec ts = posix::from_filetime(t);
        EXPECT_GE(ts.tv_nsec, 0);
        EXPECT_LT(ts.tv_nsec, 1000000000);
        EXPECT_EQ(posix::to_filetime(ts), t);
    }
}

TEST_F(PlatformFiles, TimesToOneHundredNanoseconds) {
    write("t.txt", "x");
    const FileTime access_time = 131012228967890123ULL, write_time = 131012228967891234ULL;
    FileHandle h = open_file(win("t.txt").c_str(), Access::read_write, Disposition::open_existing);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(set_file_times(h, nullptr, &access_time, &write_time));
    close_file(h);
    FindRecord rec = find_one(win("t.txt"));
    EXPECT_EQ(rec.last_access_time, access_time);
    EXPECT_EQ(rec.last_write_time, write_time);
    // Null times are left alone; a time before 1970 is kept.
    const FileTime old = 110133216000000000ULL;  // 1950-01-01
    h = open_file(win("t.txt").c_str(), Access::read_write, Disposition::open_existing);
    ASSERT_TRUE(set_file_times(h, nullptr, nullptr, &old));
    close_file(h);
    rec = find_one(win("t.txt"));
    EXPECT_EQ(rec.last_access_time, access_time);
    EXPECT_EQ(rec.last_write_time, old);
    // A zero time leaves that time alone too, as SetFileTime does.
    const FileTime zero = 0;
    h = open_file(win("t.txt").c_str(), Access::read_write, Disposition::open_existing);
    ASSERT_TRUE(set_file_times(h, &zero, &zero, &zero));
    close_file(h);
    FindRecord after = find_one(win("t.txt"));
    EXPECT_EQ(after.last_access_time, access_time);
    EXPECT_EQ(after.last_write_time, old);
    EXPECT_EQ(after.creation_time, rec.creation_time);
}

TEST_F(PlatformFiles, CreationTimeFromRecordElseBirthTime) {
    SKIP_WITHOUT_XATTRS();
    write("c.txt", "x");
    FileTime before = find_one(win("c.txt")).creation_time;
    EXPECT_GT(before, FILETIME_UNIX_EPOCH);  // the birth time or the write time: never empty
    const FileTime created = 120000000000000000ULL, written = 131012228967891234ULL;
    ASSERT_EQ(mkdir(host("d").c_str(), 0777), 0);
    for (const char* name : {"c.txt", "d"}) {
        FileHandle h = open_file(win(name).c_str(), Access::read_write, Disposition::open_existing,
                                 OPEN_BACKUP_SEMANTICS);
        ASSERT_NE(h, nullptr) << name;
        ASSERT_TRUE(set_file_times(h, &created, nullptr, &written));
        close_file(h);
        FindRecord rec = find_one(win(name));
        EXPECT_EQ(rec.creation_time, created) << name;
        EXPECT_EQ(rec.last_write_time, written) << name;
    }
    EXPECT_EQ(get_file_attributes(win("d").c_str()), ATTR_DIRECTORY);  // no archive bit came with the time
}

// ---- Protection as Windows enforces it --------------------------------------

TEST_F(PlatformFiles, RefusesWhatWindowsRefusesEvenForRoot) {
    SKIP_WITHOUT_XATTRS();
    write("ro.txt", "ro");
    write("hidden.txt", "h");
    write("system.txt", "s");
    write("src.txt", "new data");
    ASSERT_TRUE(set_file_attributes(win("ro.txt").c_str(), ATTR_READONLY));
    ASSERT_TRUE(set_file_attributes(win("hidden.txt").c_str(), ATTR_HIDDEN));
    ASSERT_TRUE(set_file_attributes(win("system.txt").c_str(), ATTR_SYSTEM));
    EXPECT_EQ(open_file(win("ro.txt").c_str(), Access::read_write, Disposition::open_existing), nullptr);
    EXPECT_EQ(open_file(win("ro.txt").c_str(), Access::read_write, Disposition::open_always), nullptr);
    FileHandle reader = open_file(win("ro.txt").c_str(), Access::read, Disposition::open_existing);
    EXPECT_NE(reader, nullptr);
    close_file(reader);
    for (const char* name : {"ro.txt", "hidden.txt", "system.txt"}) {
        EXPECT_EQ(open_file(win(name).c_str(), Access::read_write, Disposition::create_always), nullptr) << name;
        EXPECT_FALSE(copy_file(win("src.txt").c_str(), win(name).c_str(), false)) << name;
    }
    EXPECT_EQ(open_stream(win("ro.txt").c_str(), "a"), nullptr);
    EXPECT_EQ(open_stream(win("hidden.txt").c_str(), "w"), nullptr);
    FILE* appending = open_stream(win("hidden.txt").c_str(), "a");
    EXPECT_NE(appending, nullptr);
    if (appending) fclose(appending);
    EXPECT_FALSE(delete_file(win("ro.txt").c_str()));
    EXPECT_FALSE(move_file_replace(win("src.txt").c_str(), win("ro.txt").c_str()));
    EXPECT_EQ(read("ro.txt"), "ro");
    EXPECT_EQ(read("hidden.txt"), "h");
    EXPECT_EQ(read("system.txt"), "s");
    EXPECT_TRUE(exists("src.txt"));
    // Once the attribute is cleared the same calls succeed.
    ASSERT_TRUE(set_file_attributes(win("ro.txt").c_str(), ATTR_NORMAL));
    EXPECT_TRUE(move_file_replace(win("src.txt").c_str(), win("ro.txt").c_str()));
    EXPECT_EQ(read("ro.txt"), "new data");
    EXPECT_TRUE(delete_file(win("ro.txt").c_str()));
    EXPECT_FALSE(exists("ro.txt"));
}

TEST_F(PlatformFiles, OpenDispositions) {
    write("e.txt", "abc");
    EXPECT_EQ(open_file(win("e.txt").c_str(), Access::read_write, Disposition::create_new), nullptr);
    EXPECT_EQ(open_file(win("none.txt").c_str(), Access::read, Disposition::open_existing), nullptr);
    ASSERT_EQ(mkdir(host("d").c_str(), 0777), 0);
    EXPECT_EQ(open_file(win("d").c_str(), Access::read, Disposition::open_existing), nullptr);
    FileHandle h = open_file(win("n.txt").c_str(), Access::read_write, Disposition::create_new);
    ASSERT_NE(h, nullptr);
    uint32_t done = 0;
    EXPECT_TRUE(write_file(h, "hello", 5, &done));
    EXPECT_EQ(done, 5u);
    int64_t at = -1;
    EXPECT_TRUE(seek_file(h, 2, SEEK_SET, &at));
    EXPECT_EQ(at, 2);
    EXPECT_TRUE(set_end_of_file(h));
    uint64_t size = 0;
    EXPECT_TRUE(get_file_size(h, &size));
    EXPECT_EQ(size, 2u);
    close_file(h);
    h = open_file(win("e.txt").c_str(), Access::read_write, Disposition::create_always);
    ASSERT_NE(h, nullptr);
    close_file(h);
    EXPECT_EQ(read("e.txt"), "");
    EXPECT_FALSE(read_file(nullptr, nullptr, 0, &done));
}

// ---- Whole-file copy ----------------------------------------------------------

TEST_F(PlatformFiles, CopyKeepsDataAttributesAndWriteTime) {
    std::mt19937 random(7);
    std::string big(5 * 1024 * 1024 + 17, '\0');
    for (auto& c : big) c = static_cast<char>(random());
    write("empty", "");
    write("small", "small data");
    write("big", big);
    {
        std::ofstream sparse(host("sparse"), std::ios::binary);
        sparse.seekp(8 * 1024 * 1024);
        sparse << "end";
    }
    for (const char* name : {"empty", "small", "big", "sparse"}) {
        std::string copy = std::string(name) + ".copy";
        ASSERT_TRUE(copy_file(win(name).c_str(), win(copy).c_str(), true)) << name;
        EXPECT_EQ(read(copy), read(name)) << name;
    }
    const FileTime written = 131012228967891234ULL;
    FileHandle h = open_file(win("small").c_str(), Access::read_write, Disposition::open_existing);
    ASSERT_TRUE(set_file_times(h, nullptr, nullptr, &written));
    close_file(h);
    bool xattrs = has_xattrs();
    if (xattrs) {
        ASSERT_TRUE(set_file_attributes(win("small").c_str(), ATTR_HIDDEN | ATTR_READONLY));
    } else {
        ASSERT_TRUE(set_file_attributes(win("small").c_str(), ATTR_READONLY));
    }
    FileTime before_copy = now_filetime();
    ASSERT_TRUE(copy_file(win("small").c_str(), win("small.2").c_str(), false));
    FindRecord rec = find_one(win("small.2"));
    EXPECT_EQ(rec.attributes, (xattrs ? ATTR_HIDDEN : ATTR_ARCHIVE) | ATTR_READONLY);
    EXPECT_EQ(rec.last_write_time, written);
    EXPECT_GE(rec.creation_time + 10000000, before_copy);  // the copy's own creation time
    EXPECT_FALSE(copy_file(win("small").c_str(), win("small.2").c_str(), true));  // fail_if_exists
    EXPECT_FALSE(copy_file(win("missing").c_str(), win("m.copy").c_str(), false));
    EXPECT_FALSE(exists("m.copy"));
}

// The copy with details is given its attributes and all three times while
// open; it only ever creates a new file and leaves nothing behind on failure.
using CopyWithDetails = bool (*)(const wchar_t*, const wchar_t*, const CopyDetails&, uint64_t*);

// Both whole-file copies that give a new file its details: what the copy
// holds, and that nothing is left where a copy cannot be made.
void PlatformFiles::check_copy_with_details(CopyWithDetails copier) {
    std::mt19937 random(11);
    std::string big(3 * 1024 * 1024 + 5, '\0');
    for (auto& c : big) c = static_cast<char>(random());
    write("empty", "");
    write("big", big);
    write("ro", "read-only source");
    ASSERT_EQ(chmod(host("ro").c_str(), 0444), 0);
    write("open", "writable by all");
    ASSERT_EQ(chmod(host("open").c_str(), 0666), 0);
    ASSERT_EQ(chmod(host("big").c_str(), 0640), 0);
    CopyDetails details;
    details.creation = 130000000000000000ULL;
    details.last_access = 131000000000000000ULL;
    details.last_write = 131012228967891234ULL;
    bool xattrs = has_xattrs();
    const uint32_t kept = xattrs ? ATTR_HIDDEN | ATTR_SYSTEM : ATTR_ARCHIVE;
    struct Case {
        const char* source;
        uint32_t attributes;
        mode_t mode;  // the source's permissions, less the write bits for read-only
    };
    const mode_t usual = 0666 & ~process_umask();
    for (Case c : {Case{"empty", kept, usual}, Case{"big", kept | ATTR_READONLY, 0440},
                   Case{"ro", ATTR_ARCHIVE, 0644}, Case{"open", ATTR_ARCHIVE, 0666}}) {
        std::string copy = std::string(c.source) + ".copy";
        details.attributes = c.attributes;
        uint64_t copied = 1;
        ASSERT_TRUE(copier(win(c.source).c_str(), win(copy).c_str(), details, &copied)) << c.source;
        EXPECT_EQ(copied, read(c.source).size()) << c.source;
        FindRecord rec = find_one(win(copy));  // before reading it changes the access time
        EXPECT_EQ(rec.attributes, c.attributes) << c.source;  // a read-only source's copy is writable
        EXPECT_EQ(rec.last_write_time, details.last_write) << c.source;
        EXPECT_EQ(rec.last_access_time, details.last_access) << c.source;
        if (xattrs) {
            EXPECT_EQ(rec.creation_time, details.creation) << c.source;
        }
        EXPECT_EQ(read(copy), read(c.source)) << c.source;
        struct stat st;
        ASSERT_EQ(stat(host(copy).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.source;
    }
    write("taken", "kept as it was");
    EXPECT_FALSE(copier(win("big").c_str(), win("taken").c_str(), details, nullptr));
    EXPECT_EQ(read("taken"), "kept as it was");
    EXPECT_FALSE(copier(win("missing").c_str(), win("m.copy").c_str(), details, nullptr));
    EXPECT_FALSE(exists("m.copy"));
    ASSERT_EQ(mkdir(host("folder").c_str(), 0777), 0);
    EXPECT_FALSE(copier(win("folder").c_str(), win("f.copy").c_str(), details, nullptr));
    EXPECT_FALSE(exists("f.copy"));
    std::vector<std::wstring> left = listing(win("*"));
    const std::vector<std::wstring> expected = {L"big",  L"big.copy", L"empty", L"empty.copy", L"folder",
                                                L"open", L"open.copy", L"ro", L"ro.copy", L"taken"};
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected);
}

TEST_F(PlatformFiles, CopyWithDetailsGivesAttributesAndTimes) { check_copy_with_details(copy_file_with_details); }

TEST_F(PlatformFiles, CopyToFreeNameGivesAttributesAndTimes) { check_copy_with_details(copy_file_to_free_name); }

// A sparse source keeps its holes in every whole-file copy, new or replacing,
// and its data byte for byte: data at the start and in the middle, a hole
// between and one up to the end.
TEST_F(PlatformFiles, SparseSourceKeepsItsHolesInEveryCopy) {
    constexpr off_t SIZE = 64 << 20, MIDDLE = 20 << 20;
    std::string head(4096, 'h'), middle(1 << 20, '\0');
    std::mt19937 random(5);
    for (auto& c : middle) c = static_cast<char>(random());
    {
        std::ofstream sparse(host("image"), std::ios::binary);
        sparse << head;
        sparse.seekp(MIDDLE);
        sparse << middle;
    }
    ASSERT_EQ(truncate(host("image").c_str(), SIZE), 0);
    auto allocated = [&](const std::string& name) {
        struct stat st;
        EXPECT_EQ(stat(host(name).c_str(), &st), 0) << name;
        return off_t(st.st_blocks) * 512;
    };
    const off_t source = allocated("image");
    if (source >= SIZE) GTEST_SKIP() << "the file system of /tmp keeps no holes";
    write("replaced", "an older copy");
    CopyDetails details;
    details.attributes = ATTR_ARCHIVE;
    details.last_write = 131012228967891234ULL;
    uint64_t copied[4] = {};
    ASSERT_TRUE(copy_file(win("image").c_str(), win("new").c_str(), true, &copied[0]));
    ASSERT_TRUE(copy_file(win("image").c_str(), win("replaced").c_str(), false, &copied[1]));
    ASSERT_TRUE(copy_file_with_details(win("image").c_str(), win("detailed").c_str(), details, &copied[2]));
    bool nameless = copy_file_to_free_name(win("image").c_str(), win("free").c_str(), details, &copied[3]);
    std::vector<std::string> copies = {"new", "replaced", "detailed"};
    if (nameless) copies.push_back("free");
    const std::string data = read("image");
    for (size_t i = 0; i < copies.size(); ++i) {
        EXPECT_EQ(copied[i], uint64_t(SIZE)) << copies[i];
        EXPECT_TRUE(read(copies[i]) == data) << copies[i];
        EXPECT_LE(allocated(copies[i]), source + (1 << 20)) << copies[i];
    }
}

// A rename to a free name takes no lookup; one onto a taken name replaces
// a plain file and refuses a read-only file or a folder, as the caller's
// lookup tells them when it has looked already.
TEST_F(PlatformFiles, MoveReplacingFreeAndTakenNames) {
    write("a", "first");
    ASSERT_TRUE(move_file_replace(win("a").c_str(), win("free").c_str()));
    EXPECT_FALSE(exists("a"));
    EXPECT_EQ(read("free"), "first");
    write("b", "second");
    ASSERT_TRUE(move_file_replace(win("b").c_str(), win("free").c_str()));
    EXPECT_EQ(read("free"), "second");
    write("c", "third");
    ASSERT_EQ(mkdir(host("folder").c_str(), 0777), 0);
    EXPECT_FALSE(move_file_replace(win("c").c_str(), win("folder").c_str()));
    write("ro", "protected");
    ASSERT_EQ(chmod(host("ro").c_str(), 0444), 0);
    EXPECT_FALSE(move_file_replace(win("c").c_str(), win("ro").c_str()));
    EXPECT_EQ(read("ro"), "protected");
    EXPECT_EQ(read("c"), "third");
    EXPECT_FALSE(move_file_replace(win("missing").c_str(), win("elsewhere").c_str()));
    // Onto a name looked up by the caller, its attributes decide.
    EXPECT_FALSE(move_file_onto(win("c").c_str(), win("free").c_str(), ATTR_READONLY | ATTR_ARCHIVE));
    EXPECT_FALSE(move_file_onto(win("c").c_str(), win("folder").c_str(), ATTR_DIRECTORY));
    EXPECT_EQ(read("free"), "second");
    ASSERT_TRUE(move_file_onto(win("c").c_str(), win("free").c_str(), ATTR_ARCHIVE));
    EXPECT_FALSE(exists("c"));
    EXPECT_EQ(read("free"), "third");
}

TEST_F(PlatformFiles, CopyOntoItselfLosesNothing) {
    write("self.txt", "precious");
    ASSERT_EQ(link(host("self.txt").c_str(), host("alias.txt").c_str()), 0);
    EXPECT_FALSE(copy_file(win("self.txt").c_str(), win("self.txt").c_str(), false));
    EXPECT_FALSE(copy_file(win("self.txt").c_str(), win("alias.txt").c_str(), false));
    EXPECT_EQ(read("self.txt"), "precious");
}

TEST_F(PlatformFiles, FailedCopyLeavesNoPartialDestination) {
    write("big", std::string(3 * 1024 * 1024, 'x'));
    // Files beyond 1 MB cannot be written while the limit holds: the copy fails midway.
    struct rlimit old_limit, limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    limit = old_limit;
    limit.rlim_cur = 1024 * 1024;
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    bool copied = copy_file(win("big").c_str(), win("big.copy").c_str(), false);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(copied);
    EXPECT_FALSE(exists("big.copy"));
}

// ---- Directory search and short names ----------------------------------------

TEST_F(PlatformFiles, SearchListsDotsFirstAndMatchesWithDosRules) {
    ASSERT_EQ(mkdir(host("d").c_str(), 0777), 0);
    for (const char* name : {"a.txt", "ab.txt", "abc.txt", "noext", "x.y.z"}) write(std::string("d/") + name, "x");
    ASSERT_EQ(mkdir(host("d/sub").c_str(), 0777), 0);
    std::vector<std::wstring> all = listing(win("d\\sub\\*.*"));
    EXPECT_EQ(all, (std::vector<std::wstring>{L".", L".."}));
    all = listing(win("d\\*"));
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0], L".");
    EXPECT_EQ(all[1], L"..");
    EXPECT_EQ(all.size(), 8u);
    std::vector<std::wstring> found = listing(win("d\\A?.TXT"));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"a.txt", L"ab.txt"}));
    found = listing(win("d\\*."));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"noext", L"sub"}));
    EXPECT_TRUE(listing(win("d\\*.none")).empty());
    EXPECT_TRUE(listing(L"Q:\\*").empty());
    FindRecord rec = find_one(win("d\\sub"));
    EXPECT_EQ(rec.attributes, ATTR_DIRECTORY);
    EXPECT_EQ(rec.size(), 0u);
}

TEST_F(PlatformFiles, DriveRootListsNoDots) {
    write("only.txt", "x");
    EXPECT_EQ(listing(L"T:\\*.*"), std::vector<std::wstring>{L"only.txt"});
    EXPECT_EQ(listing(L"\\\\?\\T:\\*"), std::vector<std::wstring>{L"only.txt"});
}

TEST_F(PlatformFiles, SizesAndLinks) {
    write("five", "12345");
    ASSERT_EQ(symlink("five", host("link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", host("dangling").c_str()), 0);
    FindRecord rec = find_one(win("link"));
    EXPECT_EQ(rec.size(), 5u);
    EXPECT_TRUE(rec.attributes & ATTR_REPARSE_POINT);
    EXPECT_TRUE(listing(win("dangling")).empty());
    EXPECT_EQ(get_file_attributes(win("dangling").c_str()), INVALID_ATTRIBUTES);
}

// The counting listing leaves the attribute record unread but must meet the
// same entries with the same folder bits and sizes as the whole listing.
TEST_F(PlatformFiles, SizesListingMatchesTheWholeListing) {
    ASSERT_EQ(mkdir(host("d").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(host("d/sub").c_str(), 0777), 0);
    write("d/three.txt", "123");
    write("d/seven.dat", "1234567");
    ASSERT_EQ(symlink("seven.dat", host("d/link").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", host("d/dangling").c_str()), 0);
    ASSERT_TRUE(set_file_attributes(win("d\\three.txt").c_str(), ATTR_HIDDEN | ATTR_SYSTEM));
    auto entries = [](FindHandle h, FindRecord& rec) {
        std::vector<std::pair<std::wstring, std::pair<bool, uint64_t>>> seen;
        if (!h) return seen;
        do seen.push_back({rec.name, {(rec.attributes & ATTR_DIRECTORY) != 0, rec.size()}});
        while (find_next(h, &rec));
        find_close(h);
        std::sort(seen.begin(), seen.end());
        return seen;
    };
    for (const char* pattern : {"d\\*.*", "d\\*.TXT", "d\\none*"}) {
        FindRecord whole, sizes;
        auto expected = entries(find_first(win(pattern).c_str(), &whole), whole);
        auto got = entries(find_first_sizes(win(pattern).c_str(), &sizes), sizes);
        EXPECT_EQ(got, expected) << pattern;
    }
    FindRecord rec;
    auto all = entries(find_first_sizes(win("d\\*").c_str(), &rec), rec);
    ASSERT_EQ(all.size(), 6u);  // . .. link seven.dat sub three.txt: not the dangling link
    EXPECT_EQ(find_first_sizes(win("missing\\*").c_str(), &rec), nullptr);
}

TEST_F(PlatformFiles, ShortNamesServeTheSearchOnly) {
    write("ABCDEFGHIJ.EXT", "long one");
    write("abcdefzzzz.ext", "second");
    write("short.txt", "s");
    FindRecord rec = find_one(win("ABCDEF~1.EXT"));
    EXPECT_STREQ(rec.name, L"ABCDEFGHIJ.EXT");
    EXPECT_STREQ(rec.short_name, L"ABCDEF~1.EXT");
    rec = find_one(win("abcdef~2.ext"));
    EXPECT_STREQ(rec.name, L"abcdefzzzz.ext");
    EXPECT_STREQ(find_one(win("short.txt")).short_name, L"");
    EXPECT_EQ(listing(win("*~2.*")), std::vector<std::wstring>{L"abcdefzzzz.ext"});
    // An exact name never reaches another entry through its short name: it
    // names a file of its own, which may be made beside the long one.
    EXPECT_EQ(get_file_attributes(win("ABCDEF~1.EXT").c_str()), INVALID_ATTRIBUTES);
    EXPECT_EQ(open_file(win("ABCDEF~2.EXT").c_str(), Access::read, Disposition::open_existing), nullptr);
    FileHandle h = open_file(win("ABCDEF~2.EXT").c_str(), Access::read_write, Disposition::create_new);
    ASSERT_NE(h, nullptr);
    close_file(h);
    EXPECT_EQ(read("abcdefzzzz.ext"), "second");
    EXPECT_FALSE(delete_file(win("ABCDEF~1.EXT").c_str()));
    EXPECT_EQ(read("ABCDEFGHIJ.EXT"), "long one");
    ASSERT_EQ(mkdir(host("Long Folder Name").c_str(), 0777), 0);
    write("Long Folder Name/inner.txt", "in");
    EXPECT_EQ(get_file_attributes(win("LONGFO~1\\inner.txt").c_str()), INVALID_ATTRIBUTES);
}

TEST_F(PlatformFiles, DirectoriesAndIdentity) {
    EXPECT_TRUE(create_directory(win("new").c_str()));
    EXPECT_FALSE(create_directory(win("new").c_str()));
    EXPECT_FALSE(create_directory(win("a\\b").c_str()));  // no parent
    EXPECT_FALSE(create_directory(L"Q:\\x"));
    EXPECT_TRUE(path_accessible(win("new").c_str()));
    FileIdentity a, b;
    ASSERT_TRUE(get_file_identity(win("new").c_str(), &a));
    ASSERT_EQ(symlink(host("new").c_str(), host("again").c_str()), 0);
    ASSERT_TRUE(get_file_identity(win("again").c_str(), &b));
    EXPECT_TRUE(a == b);
}

}  // namespace
