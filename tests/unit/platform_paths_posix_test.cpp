// Windows paths on a POSIX host: drive mapping both ways, the full-path rules
// and lookups through generated short names.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "common/text.h"
#include "platform/platform.h"
#include "platform/posix/host-posix.h"

namespace {

using platform::posix::DriveMap;

// Makes `map` the drive map while it lives, and puts the old one back.
class ScopedDrives {
public:
    explicit ScopedDrives(DriveMap map) : map_(std::move(map)) { platform::posix::override_drive_map(&map_); }
    ~ScopedDrives() { platform::posix::override_drive_map(nullptr); }

private:
    DriveMap map_;
};

// A fresh folder under /tmp that becomes the current folder while it lives.
class ScopedFolder {
public:
    ScopedFolder() {
        char name[] = "/tmp/kestro_paths_XXXXXX";
        path_ = mkdtemp(name);
        char* real = realpath(path_.c_str(), nullptr);
        path_ = real;
        free(real);
        char* old = getcwd(nullptr, 0);
        old_cwd_ = old;
        free(old);
        EXPECT_EQ(chdir(path_.c_str()), 0);
    }
    ~ScopedFolder() {
        if (chdir(old_cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << old_cwd_;
        std::string command = "rm -rf '" + path_ + "'";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot remove " << path_;
    }
    const std::string& path() const { return path_; }
    std::wstring wide() const { return text::from_utf8(path_); }

private:
    std::string path_, old_cwd_;
};

std::wstring full(const std::wstring& in, size_t limit = 32768) {
    std::wstring out;
    if (!platform::full_path(in.c_str(), out, limit)) return L"<fail>";
    return out;
}

std::string host(const std::wstring& in) {
    std::string out;
    if (!platform::posix::to_host(in, out)) return "<none>";
    return out;
}

std::wstring drive_form(const std::string& in) {
    std::wstring out;
    if (!platform::posix::from_host(in, out)) return L"<none>";
    return out;
}

TEST(DriveMapping, ReadsLettersAndFoldersOfTheVariable) {
    DriveMap m = platform::posix::parse_drive_map("C=/;e=/tmp/x/;F=relative;bad;G=/mnt/g//");
    EXPECT_EQ(m.size(), 3u);
    EXPECT_EQ(m[L'C'], "");
    EXPECT_EQ(m[L'E'], "/tmp/x");
    EXPECT_EQ(m[L'G'], "/mnt/g");
    EXPECT_EQ(m.count(L'F'), 0u);
    DriveMap unset = platform::posix::parse_drive_map(nullptr);
    EXPECT_EQ(unset, (DriveMap{{L'C', ""}}));
}

TEST(DriveMapping, ToHostAndBack) {
    ScopedDrives drives({{L'C', ""}, {L'E', "/tmp/x"}});
    EXPECT_EQ(host(L"C:\\"), "/");
    EXPECT_EQ(host(L"C:\\home\\ann\\a.txt"), "/home/ann/a.txt");
    EXPECT_EQ(host(L"\\\\?\\C:\\home\\ann\\"), "/home/ann/");
    EXPECT_EQ(host(L"e:\\data\\f"), "/tmp/x/data/f");
    EXPECT_EQ(host(L"E:"), "/tmp/x");
    EXPECT_EQ(host(L"E:/mixed\\seps"), "/tmp/x/mixed/seps");
    EXPECT_EQ(host(L"D:\\anything"), "<none>");  // unmapped drive
    EXPECT_EQ(host(L"\\\\server\\share\\f"), "<none>");
    EXPECT_EQ(host(L"\\\\?\\UNC\\server\\share\\f"), "<none>");
    EXPECT_EQ(host(L"sub\\f.txt"), "sub/f.txt");  // relative: left to the host

    EXPECT_EQ(drive_form("/home/ann"), L"C:\\home\\ann");
    EXPECT_EQ(drive_form("/tmp/x"), L"E:\\");
    EXPECT_EQ(drive_form("/tmp/x/data/f"), L"E:\\data\\f");
    EXPECT_EQ(drive_form("/tmp/xy/f"), L"C:\\tmp\\xy\\f");  // not inside /tmp/x
    EXPECT_EQ(drive_form("/"), L"C:\\");
}

TEST(DriveMapping, UnmappedRootNamesNothing) {
    ScopedDrives drives({{L'E', "/tmp/x"}});
    EXPECT_EQ(host(L"C:\\home"), "<none>");
    EXPECT_EQ(drive_form("/home/ann"), L"<none>");
    EXPECT_EQ(full(L"/home/ann"), L"<fail>");
    EXPECT_EQ(full(L"/tmp/x/a"), L"E:\\a");
}

TEST(FullPath, AbsoluteForms) {
    ScopedDrives drives({{L'C', ""}, {L'E', "/tmp/x"}});
    EXPECT_EQ(full(L"C:\\a\\b"), L"C:\\a\\b");
    EXPECT_EQ(full(L"C:\\a\\.\\b\\..\\c"), L"C:\\a\\c");
    EXPECT_EQ(full(L"C:\\a\\..\\..\\.."), L"C:\\");  // never above the root
    EXPECT_EQ(full(L"C:\\a\\b\\"), L"C:\\a\\b\\");   // a trailing separator stays
    EXPECT_EQ(full(L"C:\\a\\b\\..\\"), L"C:\\a\\");
    EXPECT_EQ(full(L"C:/a//b"), L"C:\\a\\b");
    EXPECT_EQ(full(L"E:"), L"E:\\");                 // a bare drive is its root
    EXPECT_EQ(full(L"C:\\a\\b."), L"C:\\a\\b");       // trailing dots and spaces go
    EXPECT_EQ(full(L"C:\\a\\b. ."), L"C:\\a\\b");
    EXPECT_EQ(full(L"\\\\?\\C:\\a\\..\\b"), L"\\\\?\\C:\\b");
    EXPECT_EQ(full(L"\\\\?\\C:\\a\\.\\b\\"), L"\\\\?\\C:\\a\\b\\");
    EXPECT_EQ(full(L"\\\\?\\C:"), L"\\\\?\\C:");
    EXPECT_EQ(full(L"\\\\server\\share\\x\\..\\y"), L"\\\\server\\share\\y");
    EXPECT_EQ(full(L"/home/ann/data"), L"C:\\home\\ann\\data");
    EXPECT_EQ(full(L"/tmp/x/data/"), L"E:\\data\\");  // under the longest mapped folder
    EXPECT_EQ(full(L""), L"<fail>");
}

TEST(FullPath, LimitCountsCharacters) {
    ScopedDrives drives({{L'C', ""}});
    EXPECT_EQ(full(L"C:\\abcd", 7), L"C:\\abcd");
    EXPECT_EQ(full(L"C:\\abcde", 7), L"<fail>");
    std::wstring deep = L"C:";
    for (int i = 0; i < 23; ++i) deep += L"\\0123456789";  // 255 characters
    EXPECT_EQ(full(deep, 260), deep);
    EXPECT_EQ(full(deep + L"\\0123456789", 260), L"<fail>");
    EXPECT_EQ(full(deep + L"\\0123456789", 32768), deep + L"\\0123456789");
}

TEST(FullPath, RelativeFormsUseTheCurrentFolder) {
    ScopedFolder folder;
    ASSERT_EQ(mkdir("sub", 0777), 0);
    ScopedDrives drives({{L'C', ""}, {L'E', folder.path()}});
    EXPECT_EQ(platform::current_directory(), L"E:\\");
    ASSERT_EQ(chdir("sub"), 0);
    EXPECT_EQ(platform::current_directory(), L"E:\\sub");
    EXPECT_EQ(full(L"f.txt"), L"E:\\sub\\f.txt");
    EXPECT_EQ(full(L".\\g\\..\\f.txt"), L"E:\\sub\\f.txt");
    EXPECT_EQ(full(L".."), L"E:\\");
    EXPECT_EQ(full(L"."), L"E:\\sub");
    EXPECT_EQ(full(L"E:f.txt"), L"E:\\sub\\f.txt");   // the current drive's current folder
    EXPECT_EQ(full(L"C:f.txt"), L"C:\\f.txt");        // another drive: its root
    EXPECT_EQ(full(L"\\top\\f.txt"), L"E:\\top\\f.txt");  // rooted, on the current drive
    EXPECT_EQ(host(L"\\top"), folder.path() + "/top");
    EXPECT_EQ(host(L"E:f.txt"), "f.txt");
}

}  // namespace
