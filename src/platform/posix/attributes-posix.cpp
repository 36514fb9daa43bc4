// Windows attributes and times on POSIX: read-only from the write bits, the
// folder bit from the type, hidden/system/archive and the creation time in
// user.DOSATTRIB (the form shared with Wine and SMB servers).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <sys/syscall.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/posix/host-posix.h"

namespace platform::posix {
namespace {

constexpr const char* XATTR_NAME = "user.DOSATTRIB";
constexpr uint32_t KEPT_IN_XATTR = ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE;

uint16_t get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint64_t get64(const unsigned char* p) { return uint64_t(get32(p)) | (uint64_t(get32(p + 4)) << 32); }
// Little-endian fields written into a buffer with room for them.
char* put16(char* at, uint16_t v) {
    *at++ = static_cast<char>(v & 0xFF);
    *at++ = static_cast<char>(v >> 8);
    return at;
}
char* put32(char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) *at++ = static_cast<char>((v >> (8 * i)) & 0xFF);
    return at;
}
char* put64(char* at, uint64_t v) { return put32(put32(at, static_cast<uint32_t>(v)), static_cast<uint32_t>(v >> 32)); }

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

DosAttrib parse_dos_attrib(const char* value, size_t length) {
    DosAttrib result;
    if (length < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X') || !is_hex(value[2])) return result;
    size_t i = 2;
    uint32_t attributes = 0;
    while (i < length && is_hex(value[i])) {
        char c = value[i++];
        attributes = attributes * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    result.present = true;
    result.attributes = attributes;
    if (i >= length || value[i] != '\0') return result;
    size_t blob = i + 1;
    if (blob % 2) ++blob;  // the text is padded to an even length
    if (blob + 6 > length) return result;
    const auto* b = reinterpret_cast<const unsigned char*>(value + blob);
    size_t available = length - blob;
    uint16_t version = get16(b);
    if (version == 3 && available >= 6 + 4 + 4 + 4 + 8 + 8 + 8) {
        uint32_t valid = get32(b + 6);
        if (valid & 1) result.attributes = get32(b + 10);
        if ((valid & 0x10) && available >= 6 + 4 + 4 + 4 + 8 + 8 + 8) {
            result.has_creation_time = true;
            result.creation_time = get64(b + 6 + 4 + 4 + 4 + 8 + 8);
        }
    } else if (version == 4 && available >= 6 + 4 + 4 + 8 + 8) {
        uint32_t valid = get32(b + 6);
        if (valid & 1) result.attributes = get32(b + 10);
        if (valid & 0x10) {
            result.has_creation_time = true;
            result.creation_time = get64(b + 6 + 4 + 4 + 8);
        }
    }
    return result;
}

std::string encode_dos_attrib(uint32_t attributes, FileTime creation_time) {
    // Every copy gets one: built in place, one allocation in all.
    char value[64];
    char* at = value;
    *at++ = '0';
    *at++ = 'x';
    char digits[8];
    int n = 0;
    uint32_t rest = attributes;
    do {
        digits[n++] = "0123456789abcdef"[rest & 0xF];
        rest >>= 4;
    } while (rest != 0);
    while (n) *at++ = digits[--n];
    *at++ = '\0';
    if ((at - value) % 2) *at++ = '\0';  // the text is padded to an even length
    at = put16(at, 3);
    at = put32(at, 3);
    at = put32(at, 0x1 | 0x10);
    at = put32(at, attributes);
    at = put32(at, 0);  // ea_size
    at = put64(at, 0);  // size
    at = put64(at, 0);  // alloc_size
    at = put64(at, creation_time);
    at = put64(at, 0);  // change time
    return std::string(value, at);
}

namespace {

// Devices whose file system answered that it has no extended attributes:
// their entries are not asked again (a walk over 100,000 files would
// otherwise make 100,000 failing calls).
class DevicesWithoutXattrs {
public:
    bool contains(uint64_t device) {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::find(devices_.begin(), devices_.end(), device) != devices_.end();
    }
    void add(uint64_t device) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (std::find(devices_.begin(), devices_.end(), device) == devices_.end()) devices_.push_back(device);
    }

private:
    std::mutex mutex_;
    std::vector<uint64_t> devices_;
};

DevicesWithoutXattrs& devices_without_xattrs() {
    static DevicesWithoutXattrs devices;
    return devices;
}

bool unsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

#ifndef SYS_getxattrat
#if defined(__x86_64__) || defined(__aarch64__) || defined(__riscv)
#define SYS_getxattrat 464
#endif
#endif

#ifndef SYS_setxattrat
#if defined(__x86_64__) || defined(__aarch64__) || defined(__riscv)
#define SYS_setxattrat 463
#endif
#endif

struct XattrArgs {
    uint64_t value;
    uint32_t size;
    uint32_t flags;
};

// getxattr of `name` inside the folder `dir_fd`, without walking the whole
// path again: getxattrat where the kernel has it, else the path.
ssize_t get_xattr_at(int dir_fd, const char* name, const std::string& host, char* buffer, size_t size) {
#ifdef SYS_getxattrat
    static std::atomic<bool> missing{false};
    if (dir_fd != AT_FDCWD && !missing.load(std::memory_order_relaxed)) {
        XattrArgs args{reinterpret_cast<uintptr_t>(buffer), static_cast<uint32_t>(size), 0};
        long n = syscall(SYS_getxattrat, dir_fd, name, 0, XATTR_NAME, &args, sizeof args);
        if (n >= 0 || errno != ENOSYS) return n;
        missing.store(true, std::memory_order_relaxed);
    }
#else
    (void)dir_fd;
    (void)name;
#endif
    return getxattr(host.c_str(), XATTR_NAME, buffer, size);
}

// lsetxattr of `name` inside the folder `dir_fd` (AT_FDCWD: `name` is a
// whole path): setxattrat where the kernel has it, else through the folder's
// descriptor in /proc, so that the folder is the one the descriptor holds,
// whatever its path leads to now.
int set_xattr_at(int dir_fd, const char* name, const std::string& value) {
    if (dir_fd == AT_FDCWD) return lsetxattr(name, XATTR_NAME, value.data(), value.size(), 0);
#ifdef SYS_setxattrat
    static std::atomic<bool> missing{false};
    if (!missing.load(std::memory_order_relaxed)) {
        XattrArgs args{reinterpret_cast<uintptr_t>(value.data()), static_cast<uint32_t>(value.size()), 0};
        long rc = syscall(SYS_setxattrat, dir_fd, name, AT_SYMLINK_NOFOLLOW, XATTR_NAME, &args, sizeof args);
        if (rc == 0 || errno != ENOSYS) return static_cast<int>(rc);
        missing.store(true, std::memory_order_relaxed);
    }
#endif
    std::string through = "/proc/self/fd/" + std::to_string(dir_fd) + "/" + name;
    return lsetxattr(through.c_str(), XATTR_NAME, value.data(), value.size(), 0);
}

DosAttrib read_dos_attrib_on(uint64_t device, int dir_fd, const char* name, const std::string& host) {
    if (devices_without_xattrs().contains(device)) return DosAttrib{};
    char buffer[256];
    ssize_t n = get_xattr_at(dir_fd, name, host, buffer, sizeof buffer);
    if (n < 0 && unsupported(errno)) devices_without_xattrs().add(device);
    if (n <= 0) return DosAttrib{};
    return parse_dos_attrib(buffer, static_cast<size_t>(n));
}

}  // namespace

DosAttrib read_dos_attrib(const std::string& host, int fd) {
    char buffer[256];
    ssize_t n = fd >= 0 ? fgetxattr(fd, XATTR_NAME, buffer, sizeof buffer)
                        : getxattr(host.c_str(), XATTR_NAME, buffer, sizeof buffer);
    if (n <= 0) return DosAttrib{};
    return parse_dos_attrib(buffer, static_cast<size_t>(n));
}

bool write_dos_attrib(const std::string& host, int fd, uint32_t attributes, FileTime creation_time) {
    std::string value = encode_dos_attrib(attributes, creation_time);
    int rc = fd >= 0 ? fsetxattr(fd, XATTR_NAME, value.data(), value.size(), 0)
                     : setxattr(host.c_str(), XATTR_NAME, value.data(), value.size(), 0);
    // A file system without extended attributes keeps only read-only and
    // the folder bit, silently.
    return rc == 0 || unsupported(errno);
}

bool write_dos_attrib_at(const ChangePlace& place, uint32_t attributes, FileTime creation_time) {
    return set_xattr_at(place.dir, place.name, encode_dos_attrib(attributes, creation_time)) == 0 || unsupported(errno);
}

FileTime to_filetime(const struct timespec& t) {
    int64_t units = int64_t(t.tv_sec) * 10000000 + t.tv_nsec / 100;
    return static_cast<FileTime>(units + int64_t(FILETIME_UNIX_EPOCH));
}

struct timespec from_filetime(FileTime t) {
    int64_t units = static_cast<int64_t>(t) - int64_t(FILETIME_UNIX_EPOCH);
    struct timespec ts;
    ts.tv_sec = units / 10000000;
    ts.tv_nsec = (units % 10000000) * 100;
    if (ts.tv_nsec < 0) {
        ts.tv_nsec += 1000000000;
        ts.tv_sec -= 1;
    }
    return ts;
}

namespace {

FileTime statx_filetime(const struct statx_timestamp& t) {
    return to_filetime(timespec{static_cast<time_t>(t.tv_sec), static_cast<long>(t.tv_nsec)});
}

}  // namespace

bool entry_info_at(int dir_fd, const char* name, const std::string& host, EntryInfo* info,
                   bool with_attribute_record) {
    constexpr unsigned WANTED = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    struct statx sx;
    if (statx(dir_fd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT, WANTED, &sx) != 0) return false;
    info->is_link = S_ISLNK(sx.stx_mode);
    if (info->is_link && statx(dir_fd, name, AT_STATX_SYNC_AS_STAT, WANTED, &sx) != 0)
        return false;  // a dangling link is as absent as on Windows
    bool is_dir = S_ISDIR(sx.stx_mode);
    info->is_special = !is_dir && !S_ISREG(sx.stx_mode);
    uint64_t device = (uint64_t(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    DosAttrib dos = with_attribute_record ? read_dos_attrib_on(device, dir_fd, name, host) : DosAttrib{};
    uint32_t attributes = 0;
    if (dos.present) {
        attributes = dos.attributes & KEPT_IN_XATTR;
    } else if (!is_dir) {
        // A leading '.' does not make a name hidden here: a copy keeps hidden,
        // and a hidden copy could never be replaced by the next update.
        attributes |= ATTR_ARCHIVE;
    }
    if (!(sx.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= ATTR_READONLY;
    if (is_dir) attributes |= ATTR_DIRECTORY;
    if (info->is_link) attributes |= ATTR_REPARSE_POINT;
    if (attributes == 0) attributes = ATTR_NORMAL;
    info->attributes = attributes;
    info->size = is_dir ? 0 : sx.stx_size;
    info->last_access = statx_filetime(sx.stx_atime);
    info->last_write = statx_filetime(sx.stx_mtime);
    if (dos.has_creation_time)
        info->creation = dos.creation_time;
    else if (sx.stx_mask & STATX_BTIME)
        info->creation = statx_filetime(sx.stx_btime);
    else
        info->creation = info->last_write;
    return true;
}

void complete_attributes(const std::string& host, uint32_t* attributes, FileTime* creation) {
    DosAttrib dos = read_dos_attrib(host);
    if (!dos.present) return;  // what entry_info_at gave stands
    uint32_t completed = (*attributes & (ATTR_READONLY | ATTR_DIRECTORY | ATTR_REPARSE_POINT)) | (dos.attributes & KEPT_IN_XATTR);
    *attributes = completed ? completed : ATTR_NORMAL;
    if (dos.has_creation_time) *creation = dos.creation_time;
}

bool entry_info(const std::string& host, EntryInfo* info) { return entry_info_at(AT_FDCWD, host.c_str(), host, info); }

}  // namespace platform::posix

namespace platform {

uint32_t get_file_attributes(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return INVALID_ATTRIBUTES;
    posix::EntryInfo info;
    if (!posix::entry_info(host, &info)) return INVALID_ATTRIBUTES;
    return info.attributes;
}

// One statx: the attribute record is not needed to tell a folder.
bool is_folder(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    struct statx sx;
    return statx(AT_FDCWD, host.c_str(), AT_STATX_SYNC_AS_STAT, STATX_TYPE, &sx) == 0 && S_ISDIR(sx.stx_mode);
}

bool set_file_attributes(const wchar_t* path, uint32_t attributes) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    posix::ChangePlace place;
    if (!posix::place_for_change(host, &place)) return false;
    posix::EntryInfo info;
    if (!posix::entry_info_at(place.dir, place.name, host, &info)) return false;
    struct stat st;
    if (fstatat(place.dir, place.name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISLNK(st.st_mode)) {
        // A link keeps no attributes of its own here, and those of its
        // target (perhaps outside the tree that holds the link) are not its to change.
        errno = EPERM;
        return false;
    }
    mode_t old_mode = st.st_mode & 07777;
    mode_t mode = old_mode;
    if (attributes & ATTR_READONLY)
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        mode |= S_IWUSR;
    // The attribute record is written while the file is writable: a user
    // other than root may change user.* attributes only then.
    bool gains_write = (mode & S_IWUSR) && !(old_mode & S_IWUSR);
    if (gains_write && fchmodat(place.dir, place.name, mode, 0) != 0) return false;
    // The creation time shown so far is kept with the new attributes.
    if (!posix::write_dos_attrib_at(place, attributes & (ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE), info.creation))
        return false;
    return gains_write || mode == old_mode || fchmodat(place.dir, place.name, mode, 0) == 0;
}

bool path_accessible(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    return access(host.c_str(), F_OK) == 0;
}

bool get_file_identity(const wchar_t* path, FileIdentity* identity) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return false;
    identity->volume = static_cast<uint64_t>(st.st_dev);
    identity->id = static_cast<uint64_t>(st.st_ino);
    return true;
}

}  // namespace platform
