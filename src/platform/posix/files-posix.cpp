// Files on POSIX with the protection Windows enforces: a read-only file is
// never opened for writing, a read-only, hidden or system file is never
// replaced, whatever the caller's POSIX rights (tests and CI run as root).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/names.h"
#include "platform/posix/host-posix.h"

namespace platform {

struct FileState {
    int fd = -1;
    std::string host;
    bool link_itself = false;  // a symbolic link opened for its own times, never its target
};

namespace {

bool lookup(const std::string& host, posix::EntryInfo* info) { return posix::entry_info(host, info); }

bool lookup_at(const posix::ChangePlace& place, const std::string& host, posix::EntryInfo* info,
               bool with_attribute_record = true) {
    return posix::entry_info_at(place.dir, place.name, host, info, with_attribute_record);
}

bool write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the data of `in` to `out`: copy_file_range, else read/write. With
// `expected` (the size fstat gave) the end is taken as reached there, without
// one more call to find it. An interrupt stops the copy between chunks of
// 64 MB (1 MB when read and written), small enough to end a run quickly.
// `*copied` counts the bytes copied: a source that shrank since it was listed
// gives fewer than listed.
bool copy_data(int in, int out, off_t expected, uint64_t* copied_bytes) {
    bool use_range = true;
    off_t copied = 0;
    *copied_bytes = 0;
    for (;;) {
        if (interrupt_requested()) return false;
        if (use_range) {
            ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 26, 0);
            if (n > 0) {
                copied += n;
                *copied_bytes = static_cast<uint64_t>(copied);
                if (copied == expected) return true;
                continue;
            }
            if (n == 0) return true;
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return false;
            use_range = false;
        }
        static thread_local std::vector<char> buffer(1 << 20);
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!write_all(out, buffer.data(), static_cast<size_t>(n))) return false;
        copied += n;
        *copied_bytes = static_cast<uint64_t>(copied);
    }
}

// Copies `length` bytes at `offset` of `in` to the same place in `out`,
// in chunks an interrupt can stop between.
bool copy_range(int in, int out, off_t offset, off_t length) {
    off_t in_at = offset, out_at = offset;
    const off_t end = offset + length;
    bool use_range = true;
    while (in_at < end) {
        if (interrupt_requested()) return false;
        const size_t chunk = static_cast<size_t>(std::min<off_t>(end - in_at, off_t(1) << 26));
        if (use_range) {
            ssize_t n = copy_file_range(in, &in_at, out, &out_at, chunk, 0);
            if (n > 0) continue;
            if (n == 0) return false;  // shorter than it was a moment ago
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return false;
            use_range = false;
        }
        static thread_local std::vector<char> buffer(1 << 20);
        ssize_t n = ::pread(in, buffer.data(), std::min(chunk, buffer.size()), in_at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        for (ssize_t written = 0; written < n;) {
            ssize_t w = ::pwrite(out, buffer.data() + written, static_cast<size_t>(n - written), out_at + written);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            written += w;
        }
        in_at += n;
        out_at += n;
    }
    return true;
}

// A file that holds fewer blocks than its size asks for has holes (or is
// compressed, or keeps its data in its inode): only its data is copied.
bool has_holes(const struct stat& st) { return st.st_size > 0 && off_t(st.st_blocks) * 512 < st.st_size; }

enum class SparseCopy { done, failed, not_told };

// Copies the data of the sparse source `in` of `size` bytes to `out`, found
// with SEEK_DATA and SEEK_HOLE, and leaves its holes holes: a disk image of
// 100 GB with 1 GB of data takes 1 GB at the destination too. not_told when
// the host cannot tell data from holes here.
SparseCopy copy_sparse_data(int in, int out, off_t size, uint64_t* copied) {
    off_t at = 0;
    while (at < size) {
        off_t data = lseek(in, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO) break;  // a hole up to the end
        if (data < 0)
            return at == 0 && (errno == EINVAL || errno == EOPNOTSUPP) ? SparseCopy::not_told : SparseCopy::failed;
        if (data >= size) break;
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0) return SparseCopy::failed;
        hole = std::min(hole, size);  // a source that grew meanwhile is copied as listed
        if (!copy_range(in, out, data, hole - data)) return SparseCopy::failed;
        at = hole;
    }
    if (ftruncate(out, size) != 0) return SparseCopy::failed;
    *copied = static_cast<uint64_t>(size);
    return SparseCopy::done;
}

// The data of `in` (described by `st`) into the empty file `out`: holes of
// a sparse source stay holes, anything else is copied whole (see copy_data).
bool copy_contents(int in, int out, const struct stat& st, off_t expected, uint64_t* copied) {
    *copied = 0;
    if (has_holes(st)) {
        SparseCopy result = copy_sparse_data(in, out, st.st_size, copied);
        if (result != SparseCopy::not_told) return result == SparseCopy::done;
    }
    return copy_data(in, out, expected, copied);
}

// A symbolic link opened for writing is opened as itself: its times may be
// set, its data neither read nor written, and nothing reaches its target
// (which may lie outside the tree that holds the link).
FileHandle open_link_itself(const posix::ChangePlace& place, const std::string& host, Disposition disposition) {
    if (disposition != Disposition::open_existing) {
        errno = EACCES;
        return nullptr;
    }
    int fd = ::openat(place.dir, place.name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto* h = new FileState;
    h->fd = fd;
    h->host = host;
    h->link_itself = true;
    return h;
}

}  // namespace

FileHandle open_file(const wchar_t* path, Access access, Disposition disposition, unsigned flags) {
    std::string host;
    if (!posix::to_host(path, host)) return nullptr;
    // Only what changes an entry is confined to the destination tree: sources are read where links lead.
    const bool changes = access == Access::read_write || disposition != Disposition::open_existing;
    posix::ChangePlace place{AT_FDCWD, host.c_str()};
    if (changes && !posix::place_for_change(host, &place)) return nullptr;
    // Only replacing a file asks for hidden and system, which the attribute
    // record keeps; read-only and the folder bit come with the entry.
    posix::EntryInfo info;
    bool exists = lookup_at(place, host, &info, disposition == Disposition::create_always);
    if (exists && info.is_link && access == Access::read_write) return open_link_itself(place, host, disposition);
    bool is_dir = exists && (info.attributes & ATTR_DIRECTORY);
    if (is_dir && !(flags & OPEN_BACKUP_SEMANTICS)) {
        errno = EACCES;
        return nullptr;
    }
    // A FIFO would block the open or never end, a device would be read
    // until the disk is full: only regular files are files. A character
    // device is opened where the caller takes one (a log on /dev/null), and
    // its type is checked on the descriptor below.
    const bool device_wanted = exists && info.is_special && (flags & OPEN_CHARACTER_DEVICE);
    if (exists && info.is_special && !device_wanted) {
        errno = EACCES;
        return nullptr;
    }
    if (exists && !is_dir) {
        if (disposition == Disposition::create_new) {
            errno = EEXIST;
            return nullptr;
        }
        if (access == Access::read_write && (info.attributes & ATTR_READONLY)) {
            errno = EACCES;
            return nullptr;
        }
        if (disposition == Disposition::create_always && (info.attributes & (ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM))) {
            errno = EACCES;
            return nullptr;
        }
    }
    if (!exists && disposition == Disposition::open_existing) {
        errno = ENOENT;
        return nullptr;
    }
    int oflags = O_CLOEXEC;
    if (is_dir) {
        oflags |= O_RDONLY | O_DIRECTORY;
        if (changes) oflags |= O_NOFOLLOW;
    } else {
        // Non-blocking: an entry that became a FIFO since its lookup cannot hang the open.
        oflags |= (access == Access::read ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY;
        if (disposition == Disposition::create_always) oflags |= O_CREAT | O_TRUNC;
        if (disposition == Disposition::open_always) oflags |= O_CREAT;
        if (disposition == Disposition::create_new) oflags |= O_CREAT | O_EXCL;
        if (flags & OPEN_WRITE_THROUGH) oflags |= O_DSYNC;
        // Whatever is written never goes through a link made since the lookup.
        if (access == Access::read_write) oflags |= O_NOFOLLOW;
    }
    int fd = ::openat(place.dir, place.name, oflags, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    if (device_wanted && (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))) {
        ::close(fd);
        errno = EACCES;
        return nullptr;
    }
    if (flags & OPEN_SEQUENTIAL_SCAN) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    auto* h = new FileState;
    h->fd = fd;
    h->host = host;
    return h;
}

bool read_file(FileHandle h, void* buffer, uint32_t size, uint32_t* done) {
    if (done) *done = 0;
    if (!h) return false;
    for (;;) {
        ssize_t n = ::read(h->fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (done) *done = static_cast<uint32_t>(n);
        return true;
    }
}

bool write_file(FileHandle h, const void* buffer, uint32_t size, uint32_t* done) {
    if (done) *done = 0;
    if (!h || !write_all(h->fd, static_cast<const char*>(buffer), size)) return false;
    if (done) *done = size;
    return true;
}

bool seek_file(FileHandle h, int64_t offset, int whence, int64_t* new_position) {
    if (!h) return false;
    off_t at = lseek(h->fd, static_cast<off_t>(offset), whence);
    if (at < 0) return false;
    if (new_position) *new_position = at;
    return true;
}

bool set_end_of_file(FileHandle h) {
    if (!h) return false;
    off_t at = lseek(h->fd, 0, SEEK_CUR);
    return at >= 0 && ftruncate(h->fd, at) == 0;
}

bool get_file_size(FileHandle h, uint64_t* size) {
    struct stat st;
    if (!h || fstat(h->fd, &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool set_file_times(FileHandle h, const FileTime* creation, const FileTime* last_access,
                    const FileTime* last_write) {
    if (!h) return false;
    // As SetFileTime: a zero time, like a null one, leaves that time alone.
    if (creation && *creation == 0) creation = nullptr;
    if (last_access && *last_access == 0) last_access = nullptr;
    if (last_write && *last_write == 0) last_write = nullptr;
    struct timespec times[2];
    times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
    times[0].tv_sec = times[1].tv_sec = 0;
    if (last_access) times[0] = posix::from_filetime(*last_access);
    if (last_write) times[1] = posix::from_filetime(*last_write);
    if (h->link_itself) {
        // A link holds no attribute record: its creation time is not kept.
        return !(last_access || last_write) || utimensat(h->fd, "", times, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) == 0;
    }
    if ((last_access || last_write) && futimens(h->fd, times) != 0) return false;
    if (creation) {
        posix::DosAttrib dos = posix::read_dos_attrib(h->host, h->fd);
        uint32_t attributes = 0;
        if (dos.present) {
            attributes = dos.attributes;
        } else {
            // Without a record a file shows archive and a folder nothing.
            struct stat st;
            if (fstat(h->fd, &st) == 0 && !S_ISDIR(st.st_mode)) attributes = ATTR_ARCHIVE;
        }
        if (!posix::write_dos_attrib(h->host, h->fd, attributes, *creation)) return false;
    }
    return true;
}

void close_file(FileHandle h) {
    if (!h) return;
    ::close(h->fd);
    delete h;
}

// The mode set_file_attributes would leave on a file of `mode` given `attributes`.
mode_t mode_with_attributes(mode_t mode, uint32_t attributes) {
    constexpr mode_t WRITE_BITS = S_IWUSR | S_IWGRP | S_IWOTH;
    if (attributes & ATTR_READONLY) return mode & ~WRITE_BITS;
    return (mode & WRITE_BITS) ? mode : mode | S_IWUSR;
}

namespace {

// The source of a whole-file copy opened for reading (`name` in the folder
// `dir_fd`, AT_FDCWD for a whole path), with what fstat gave; -1 when it
// cannot be read or is no regular file. It is opened non-blocking, so that a
// FIFO cannot hang the run, and its type is checked on the descriptor.
int open_copy_source(int dir_fd, const char* name, struct stat* st) {
    int in = ::openat(dir_fd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0) return -1;
    if (fstat(in, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(in);
        return -1;
    }
    // Read-ahead pays only where there is much to read.
    if (st->st_size >= (1 << 20)) posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    return in;
}

mode_t process_umask() {
    static const mode_t mask = [] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

// A host path split into its folder and its last name.
struct FolderAndName {
    std::string folder;
    const char* name;
};
FolderAndName split_host_path(const std::string& host) {
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos) return {".", host.c_str()};
    return {slash == 0 ? "/" : host.substr(0, slash), host.c_str() + slash + 1};
}

// The folder of the latest copies, kept open (O_PATH) while the copies stay
// in it: each then names only its own entry, not its whole path again.
class OpenFolder {
public:
    OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder() { close_folder(); }
    // A descriptor of `folder`, -1 when it cannot be opened.
    int fd_of(const std::string& folder) {
        if (fd_ >= 0 && folder == path_) return fd_;
        close_folder();
        fd_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) path_ = folder;
        return fd_;
    }

private:
    void close_folder() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        path_.clear();
    }
    int fd_ = -1;
    std::string path_;
};

thread_local OpenFolder source_folder;

// The open folder of the new file `host` and its name there: reached as
// every change is (posix::folder_for_change). -1 when it cannot be.
int folder_of_new_file(const std::string& host, const char** name) {
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos) {
        *name = host.c_str();
        return posix::folder_for_change(".");
    }
    *name = host.c_str() + slash + 1;
    return posix::folder_for_change(std::string_view(host).substr(0, slash));
}

// Set once the destination's file system has shown it makes no nameless files.
std::atomic<bool> nameless_files_refused{false};

// A file without a name in the folder `dir_fd` (O_TMPFILE), -1 when none
// can be made.
int create_nameless(int dir_fd, mode_t mode) {
    int fd = ::openat(dir_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        nameless_files_refused.store(true, std::memory_order_relaxed);
    return fd;
}

// Gives the nameless file `fd` the name `name` in the folder `dir_fd`, never
// replacing anything there. Linking a descriptor itself needs a privilege
// (CAP_DAC_READ_SEARCH); without it the descriptor's /proc link serves, and
// is used from then on.
bool link_nameless(int fd, int dir_fd, const char* name) {
    static std::atomic<bool> through_proc{false};
    if (!through_proc.load(std::memory_order_relaxed)) {
        if (linkat(fd, "", dir_fd, name, AT_EMPTY_PATH) == 0) return true;
        if (errno != ENOENT && errno != EPERM) return false;
    }
    char link[48];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    if (linkat(AT_FDCWD, link, dir_fd, name, AT_SYMLINK_FOLLOW) != 0) return false;
    through_proc.store(true, std::memory_order_relaxed);
    return true;
}

// A new file being written that takes its name `name` in the folder `dir`
// only once complete: until then it has none, so that a run cut off by a
// kill, a crash or a write limit leaves nothing behind. Where the file system
// makes no nameless files and `named_meanwhile` allows it, the file has its
// name from the start.
struct NewFile {
    int fd = -1;
    bool nameless = false;
};

NewFile create_new_file(int dir, const char* name, mode_t mode, bool named_meanwhile) {
    if (!nameless_files_refused.load(std::memory_order_relaxed)) {
        int fd = create_nameless(dir, mode);
        if (fd >= 0) return {fd, true};
        if (!nameless_files_refused.load(std::memory_order_relaxed)) return {};
    }
    if (!named_meanwhile) return {};
    return {::openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode), false};
}

// Names the new file when `complete`, and closes it. False when it is not
// complete or could not be named or closed: nothing of it is left then.
bool finish_new_file(const NewFile& file, int dir, const char* name, bool complete) {
    bool named = !file.nameless;
    if (complete && file.nameless) named = complete = link_nameless(file.fd, dir, name);
    if (::close(file.fd) != 0) complete = false;
    if (!complete && named) ::unlinkat(dir, name, 0);
    return complete;
}

// Copies the data of `in` (which it closes) to the new file `out`, then gives
// `out` its attribute record and times, and `mode` unless `has_mode` says it
// was created with it.
bool fill_copy(int in, int out, const struct stat& st, const std::string& to, const CopyDetails& details,
               mode_t mode, bool has_mode, uint64_t* copied) {
    bool ok = copy_contents(in, out, st, st.st_size > 0 ? st.st_size : -1, copied);
    ::close(in);
    // The attribute record goes first, while the copy is still writable.
    constexpr uint32_t KEPT = ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE;
    if (ok) ok = posix::write_dos_attrib(to, out, details.attributes & KEPT, details.creation);
    struct timespec times[2] = {posix::from_filetime(details.last_access), posix::from_filetime(details.last_write)};
    if (ok) ok = futimens(out, times) == 0;
    if (ok && !has_mode) ok = fchmod(out, mode) == 0;
    return ok;
}

// The whole-file copy of `from` into the new file `to`, given `details`
// while open (see NewFile for `named_meanwhile`).
bool copy_into_new_file(const std::string& from, const std::string& to, const CopyDetails& details,
                        bool named_meanwhile, uint64_t* copied) {
    FolderAndName source_place = split_host_path(from);
    const char* name = nullptr;
    int source_dir = source_folder.fd_of(source_place.folder);
    int dir = source_dir < 0 ? -1 : folder_of_new_file(to, &name);
    if (dir < 0) return false;
    struct stat st;
    int in = open_copy_source(source_dir, source_place.name, &st);
    if (in < 0) return false;
    // Nobody can open a file without a name: it is created with its final
    // mode at once (kept writable for the attribute record), which saves the
    // chmod unless the umask takes bits away.
    mode_t mode = mode_with_attributes(st.st_mode & 0777, details.attributes);
    mode_t created = mode | S_IWUSR;
    NewFile out = create_new_file(dir, name, created, named_meanwhile);
    if (out.fd < 0) {
        ::close(in);
        return false;
    }
    bool has_mode = out.nameless && (created & ~process_umask()) == mode;
    return finish_new_file(out, dir, name, fill_copy(in, out.fd, st, to, details, mode, has_mode, copied));
}

// Gives the new copy `out` of the source `st` what CopyFileW gives: the
// source's attributes (`source_attributes`) and last write time, and as its
// creation time `creation`.
bool give_copy_file_details(int out, const std::string& to, const struct stat& st, uint32_t source_attributes,
                            FileTime creation) {
    uint32_t kept = source_attributes & (ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE);
    if (!posix::write_dos_attrib(to, out, kept, creation)) return false;
    struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    return futimens(out, times) == 0 && fchmod(out, st.st_mode & 0777) == 0;
}

}  // namespace

bool copy_file(const wchar_t* source, const wchar_t* destination, bool fail_if_exists, uint64_t* copied,
               uint32_t /*source_attributes: a sparse source is told by its blocks*/) {
    uint64_t bytes = 0;
    if (!copied) copied = &bytes;
    std::string from, to;
    if (!posix::to_host(source, from) || !posix::to_host(destination, to))
        return false;
    posix::EntryInfo source_info, target_info;
    if (!lookup(from, &source_info) || (source_info.attributes & ATTR_DIRECTORY) || source_info.is_special)
        return false;
    posix::ChangePlace target;
    if (!posix::place_for_change(to, &target)) return false;
    bool replacing = lookup_at(target, to, &target_info);
    if (replacing) {
        if (fail_if_exists) return false;
        if (target_info.attributes & (ATTR_DIRECTORY | ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM)) return false;
    }
    struct stat st, target_st;
    int in = open_copy_source(AT_FDCWD, from.c_str(), &st);
    if (in < 0) return false;
    if (replacing && fstatat(target.dir, target.name, &target_st, 0) == 0 && target_st.st_dev == st.st_dev &&
        target_st.st_ino == st.st_ino) {
        // A file copied onto itself (or a link to it) would be emptied: refused.
        ::close(in);
        return false;
    }
    // The copy carries the source's attributes and last write time; its
    // creation time is its own (the replaced file's, or now), as Windows does.
    FileTime creation = replacing ? target_info.creation : now_filetime();
    if (!replacing) {
        const char* name = nullptr;
        int dir = folder_of_new_file(to, &name);
        NewFile out = dir < 0 ? NewFile{} : create_new_file(dir, name, 0600, true);
        if (out.fd < 0) {
            ::close(in);
            return false;
        }
        bool ok = copy_contents(in, out.fd, st, -1, copied) &&
                  give_copy_file_details(out.fd, to, st, source_info.attributes, creation);
        ::close(in);
        return finish_new_file(out, dir, name, ok);
    }
    int out = ::openat(target.dir, target.name, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = copy_contents(in, out, st, -1, copied) &&
              give_copy_file_details(out, to, st, source_info.attributes, creation);
    ::close(in);
    if (::close(out) != 0) ok = false;
    if (!ok) ::unlinkat(target.dir, target.name, 0);
    return ok;
}

bool copy_file_with_details(const wchar_t* source, const wchar_t* new_file, const CopyDetails& details,
                            uint64_t* copied) {
    uint64_t bytes = 0;
    if (!copied) copied = &bytes;
    std::string from, to;
    if (!posix::to_host(source, from) || !posix::to_host(new_file, to))
        return false;
    return copy_into_new_file(from, to, details, true, copied);
}

bool copy_file_to_free_name(const wchar_t* source, const wchar_t* destination, const CopyDetails& details,
                            uint64_t* copied) {
    uint64_t bytes = 0;
    if (!copied) copied = &bytes;
    if (nameless_files_refused.load(std::memory_order_relaxed)) return false;
    std::string from, to;
    if (!posix::to_host(source, from) || !posix::to_host(destination, to))
        return false;
    return copy_into_new_file(from, to, details, false, copied);
}

namespace {

// An ASCII prefix at the start of a host name.
bool begins_with(const char* name, const wchar_t* prefix) {
    for (; *prefix; ++name, ++prefix)
        if (static_cast<unsigned char>(*name) != *prefix) return false;
    return true;
}

bool before(const struct timespec& t, FileTime since) {
    return posix::to_filetime(t) < since;
}

}  // namespace

int remove_abandoned_files(const std::wstring& folder, const wchar_t* prefix,
                           bool (*abandoned)(const std::wstring& name), FileTime since) {
    std::string host;
    if (!posix::to_host(folder, host)) return 0;
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    int reached = posix::folder_for_change(host.empty() ? std::string_view("/") : std::string_view(host));
    int listed = reached < 0 ? -1 : ::openat(reached, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = listed < 0 ? nullptr : fdopendir(listed);
    if (!d) {
        if (listed >= 0) ::close(listed);
        return 0;
    }
    int removed = 0;
    while (dirent* e = readdir(d)) {
        if (!begins_with(e->d_name, prefix)) continue;
        if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN) continue;
        // The names looked for are ASCII: any other byte makes another name.
        std::wstring name;
        for (const char* c = e->d_name; *c; ++c) name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        if (!abandoned(name)) continue;
        // A run writing the file changes it (and so its status change time)
        // with every piece; the program's own copies in the folder came after
        // it started.
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (!before(st.st_ctim, since)) continue;
        if (unlinkat(dirfd(d), e->d_name, 0) == 0) ++removed;
    }
    closedir(d);
    return removed;
}

bool create_directory(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    posix::ChangePlace place;
    return posix::place_for_change(host, &place) && ::mkdirat(place.dir, place.name, 0777) == 0;
}

bool delete_file(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    posix::ChangePlace place;
    if (!posix::place_for_change(host, &place)) return false;
    posix::EntryInfo info;
    if (lookup_at(place, host, &info) && (info.attributes & ATTR_READONLY)) return false;
    return ::unlinkat(place.dir, place.name, 0) == 0;
}

namespace {

// `source` renamed to `destination`, both reached as changes are.
struct Renaming {
    std::string from, to;
    posix::ChangePlace source, target;
};
bool places_of_renaming(const wchar_t* source, const wchar_t* destination, Renaming* r) {
    return posix::to_host(source, r->from) && posix::to_host(destination, r->to) &&
           posix::place_for_change(r->from, &r->source) && posix::place_for_change(r->to, &r->target);
}

bool rename_places(const Renaming& r, unsigned flags) {
    return renameat2(r.source.dir, r.source.name, r.target.dir, r.target.name, flags) == 0;
}

}  // namespace

bool move_file_replace(const wchar_t* source, const wchar_t* destination) {
    Renaming r;
    if (!places_of_renaming(source, destination, &r)) return false;
    // Most renames land on a free name (a new copy): tried first without
    // replacing, so that only a name already taken is looked up.
    if (rename_places(r, RENAME_NOREPLACE)) return true;
    posix::EntryInfo info;
    if (lookup_at(r.target, r.to, &info) && (info.attributes & (ATTR_DIRECTORY | ATTR_READONLY))) return false;
    return rename_places(r, 0);
}

bool move_file_onto(const wchar_t* source, const wchar_t* destination, uint32_t attributes) {
    if (attributes & (ATTR_DIRECTORY | ATTR_READONLY)) return false;
    Renaming r;
    return places_of_renaming(source, destination, &r) && rename_places(r, 0);
}

namespace {

// A stream to read: the open never waits (a FIFO without a writer would hold
// it for ever) and a device or socket is refused (/dev/zero would be read
// without end), as is a folder, which the runtime on Windows does not open
// either (read as a list, it would be an empty one). A FIFO then reads as a
// pipe does: to its end once no writer is left. Without `pipes_too` only
// a regular file is taken.
FILE* open_stream_to_read(const std::string& host, const char* mode, bool pipes_too) {
    int fd = ::open(host.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    bool readable = fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || (pipes_too && S_ISFIFO(st.st_mode)));
    int flags = readable ? fcntl(fd, F_GETFL) : -1;
    FILE* stream = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, mode) : nullptr;
    if (!stream) {
        ::close(fd);
        errno = readable ? errno : EACCES;
    }
    return stream;
}

// The open(2) flags of a stream mode that writes ("a+", "r+", "w", ...).
int flags_of_writing_mode(const char* mode) {
    int flags = std::strchr(mode, '+') ? O_RDWR : O_WRONLY;
    if (mode[0] == 'w') flags |= O_CREAT | O_TRUNC;
    if (mode[0] == 'a') flags |= O_CREAT | O_APPEND;
    return flags;
}

// A stream to write: the open never waits, and a FIFO or socket is refused.
// A log on one would hold the run for ever once nobody reads it (a FIFO
// takes 64 KB, then every write waits), and Ctrl+C could not end a run held
// there. A character device such as /dev/null is a log that discards.
FILE* open_stream_to_write(const std::string& host, const char* mode) {
    int fd = ::open(host.c_str(), flags_of_writing_mode(mode) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    bool writable = fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISCHR(st.st_mode));
    int flags = writable ? fcntl(fd, F_GETFL) : -1;
    FILE* stream = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, mode) : nullptr;
    if (!stream) {
        ::close(fd);
        errno = writable ? errno : EACCES;
    }
    return stream;
}

}  // namespace

FILE* open_stream(const wchar_t* path, const char* mode) {
    std::string host;
    if (!posix::to_host(path, host)) return nullptr;
    bool writes = std::strpbrk(mode, "wa+") != nullptr;
    bool replaces = mode[0] == 'w';
    posix::EntryInfo info;
    if (writes && lookup(host, &info)) {
        // As the runtime opens it: never writing a read-only file, never
        // replacing ("w") a hidden or system one.
        uint32_t refused = ATTR_READONLY | (replaces ? ATTR_HIDDEN | ATTR_SYSTEM : 0);
        if (info.attributes & refused) {
            errno = EACCES;
            return nullptr;
        }
    }
    return writes ? open_stream_to_write(host, mode) : open_stream_to_read(host, mode, true);
}

FILE* open_temporary_stream(std::wstring* folder) {
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string host = tmpdir && *tmpdir ? tmpdir : "/tmp";
    folder->clear();
    append_windows_text(host.data(), host.size(), HostText::typed, *folder);
    int fd = ::open(host.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without nameless files: a name, taken away at once.
        std::string name = host + "/kestro-XXXXXX";
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(name.c_str());
    }
    if (fd < 0) return nullptr;
    FILE* stream = fdopen(fd, "w+b");
    if (!stream) ::close(fd);
    return stream;
}

FILE* open_file_data_stream(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return nullptr;
    return open_stream_to_read(host, "rb", false);
}

}  // namespace platform
