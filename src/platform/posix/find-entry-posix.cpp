// One entry looked up by name: a single statx. Only a pattern lists the
// folder, so looking up a missing file in a large folder costs no more than
// looking up a present one.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>

#include "platform/posix/host-posix.h"

namespace platform {

namespace {

bool by_find_first(const wchar_t* path, FindRecord* rec) {
    FindHandle h = find_first(path, rec);
    if (!h) return false;
    find_close(h);
    return true;
}

// The write and access times and the size of an existing entry, by one statx.
bool times_only(const std::string& host, FindRecord* rec) {
    struct statx sx;
    if (statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS, &sx) != 0) return false;
    *rec = FindRecord{};
    if (S_ISDIR(sx.stx_mode)) rec->attributes = ATTR_DIRECTORY;
    struct timespec write_time = {static_cast<time_t>(sx.stx_mtime.tv_sec), sx.stx_mtime.tv_nsec};
    struct timespec access_time = {static_cast<time_t>(sx.stx_atime.tv_sec), sx.stx_atime.tv_nsec};
    rec->last_write_time = posix::to_filetime(write_time);
    rec->last_access_time = posix::to_filetime(access_time);
    rec->size_high = static_cast<uint32_t>(sx.stx_size >> 32);
    rec->size_low = static_cast<uint32_t>(sx.stx_size);
    return true;
}

}  // namespace

bool find_entry(const wchar_t* path, FindRecord* rec, bool with_attributes) {
    std::wstring whole(path);
    size_t sep = whole.find_last_of(L"\\/");
    std::wstring name = sep == std::wstring::npos ? whole : whole.substr(sep + 1);
    if (name.empty()) return false;
    if (name.find_first_of(L"*?") != std::wstring::npos) return by_find_first(path, rec);
    // Each host name is its own file: an exact name never finds another
    // entry through its generated short name.
    std::string host;
    if (!posix::to_host(whole, host)) {
        errno = ENOENT;  // an unmapped drive or a network path: nothing is there
        return false;
    }
    if (with_attributes) {
        posix::EntryInfo info;
        if (!posix::entry_info(host, &info)) return false;
        *rec = FindRecord{};
        posix::fill_find_record(info, name, rec);
        return true;
    }
    if (!times_only(host, rec)) return false;
    size_t n = std::min(name.size(), size_t(259));
    std::wmemcpy(rec->name, name.data(), n);
    rec->name[n] = 0;
    return true;
}

}  // namespace platform
