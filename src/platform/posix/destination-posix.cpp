// The destination tree on POSIX: changes beneath the root the user named are
// reached from a descriptor of that root, one name at a time, so that a folder
// link planted in the tree (or swapped in for a folder during the run) by
// another user cannot lead a write outside it. A link owned by the run's user
// or by root is followed, as the kernel's protected-links rule trusts them.
#include <linux/openat2.h>
#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <mutex>

#include "platform/posix/host-posix.h"

namespace platform::posix {

namespace {

// The root, set before any thread but the main one runs; its descriptor is
// opened at first use (-m may make the root itself) and kept for the run.
struct DestinationRoot {
    std::string host;  // without a trailing '/'; empty with no root (or "/")
    bool set = false;
    std::atomic<int> fd{-1};
    std::mutex opening;
};
DestinationRoot destination_root;

int root_descriptor() {
    int fd = destination_root.fd.load(std::memory_order_acquire);
    if (fd >= 0) return fd;
    std::lock_guard<std::mutex> lock(destination_root.opening);
    fd = destination_root.fd.load(std::memory_order_relaxed);
    if (fd >= 0) return fd;
    // The root itself is followed wherever it leads: the user chose it.
    const std::string& host = destination_root.host;
    fd = ::open(host.empty() ? "/" : host.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) destination_root.fd.store(fd, std::memory_order_release);
    return fd;
}

// The part of `folder` below the root ("" for the root itself); false when
// `folder` does not lie beneath the root.
bool below_root(std::string_view folder, std::string_view* relative) {
    if (!destination_root.set) return false;
    const std::string& root = destination_root.host;
    if (folder.substr(0, root.size()) != root) return false;
    std::string_view rest = folder.substr(root.size());
    if (!rest.empty() && rest.front() != '/') return false;
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    *relative = rest;
    return true;
}

// The link a change of this thread refused last.
struct Refusal {
    bool refused = false;
    std::string link;
    uid_t owner = 0;
};
thread_local Refusal last_refusal;

bool trusted_owner(uid_t owner) { return owner == 0 || owner == geteuid(); }

// Opens what the link `name` in `parent` leads to, when its owner is one the
// rule trusts; `shown` is the link's host path, for the refusal. The link is
// opened itself first, so the owner checked is that of the link whose target
// is then read, whatever is put in its place meanwhile.
int open_through_link(int parent, const char* name, const std::string& shown) {
    int link = ::openat(parent, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (link < 0) return -1;
    struct stat st;
    if (fstat(link, &st) != 0 || !S_ISLNK(st.st_mode)) {
        ::close(link);
        errno = ENOTDIR;
        return -1;
    }
    if (!trusted_owner(st.st_uid)) {
        ::close(link);
        last_refusal = {true, shown, st.st_uid};
        errno = EACCES;
        return -1;
    }
    char target[PATH_MAX];
    ssize_t n = readlinkat(link, "", target, sizeof target - 1);
    ::close(link);
    if (n < 0) return -1;
    target[n] = '\0';
    // Where a trusted link leads its owner chose: it is followed as the kernel follows it.
    return ::openat(parent, target, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// The folder `relative` below `root`, name by name, without following a link
// the rule does not allow.
int open_name_by_name(int root, std::string_view relative) {
    int at = root;
    std::string shown = destination_root.host, name;
    while (!relative.empty()) {
        size_t slash = relative.find('/');
        name.assign(relative.substr(0, slash));
        relative.remove_prefix(slash == std::string_view::npos ? relative.size() : slash + 1);
        if (name.empty()) continue;
        shown.append("/").append(name);
        int next = ::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && (errno == ENOTDIR || errno == ELOOP)) next = open_through_link(at, name.c_str(), shown);
        if (at != root) ::close(at);
        if (next < 0) return -1;
        at = next;
    }
    return at == root ? fcntl(root, F_DUPFD_CLOEXEC, 0) : at;
}

std::atomic<bool> no_openat2{false};

// The folder `relative` below `root`: at once where no link is on the way
// (openat2), else name by name.
int open_beneath(int root, std::string_view relative) {
    if (!relative.empty() && !no_openat2.load(std::memory_order_relaxed)) {
        struct open_how how = {};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
        std::string path(relative);
        long fd = syscall(SYS_openat2, root, path.c_str(), &how, sizeof how);
        if (fd >= 0) return static_cast<int>(fd);
        if (errno == ENOSYS) no_openat2.store(true, std::memory_order_relaxed);
        // ELOOP: a link on the way, which the rule may allow.
        if (errno != ENOSYS && errno != ELOOP && errno != EXDEV && errno != EINVAL && errno != E2BIG) return -1;
    }
    return open_name_by_name(root, relative);
}

// A folder of this thread's latest changes, kept open while they stay in it.
struct ChangeFolder {
    std::string path;
    int fd = -1;
    ~ChangeFolder() { forget(); }
    void forget() {
        if (fd >= 0) ::close(fd);
        fd = -1;
        path.clear();
    }
};
// Two: a rename may take a file from one folder to another, and a folder
// is made in its parent while the copies go on in the folder.
struct ChangeFolders {
    ChangeFolder slot[2];
    int latest = 0;
};
thread_local ChangeFolders change_folders;

int open_folder_for_change(const std::string& folder) {
    std::string_view relative;
    if (!below_root(folder, &relative))
        return ::open(folder.empty() ? "/" : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int root = root_descriptor();
    return root < 0 ? -1 : open_beneath(root, relative);
}

std::wstring owner_name(uid_t owner) {
    struct passwd entry, *found = nullptr;
    char buffer[4096];
    std::string name;
    if (getpwuid_r(owner, &entry, buffer, sizeof buffer, &found) == 0 && found)
        name = found->pw_name;
    else
        name = std::to_string(owner);
    return std::wstring(name.begin(), name.end());
}

}  // namespace

int folder_for_change(std::string_view folder) {
    ChangeFolders& open = change_folders;
    for (int i : {open.latest, 1 - open.latest}) {
        if (open.slot[i].fd >= 0 && open.slot[i].path == folder) {
            open.latest = i;
            return open.slot[i].fd;
        }
    }
    open.latest = 1 - open.latest;
    ChangeFolder& reused = open.slot[open.latest];
    reused.forget();
    reused.path.assign(folder);
    reused.fd = open_folder_for_change(reused.path);
    if (reused.fd < 0) reused.path.clear();
    return reused.fd;
}

bool place_for_change(const std::string& host, ChangePlace* place) {
    size_t slash = host.find_last_of('/');
    std::string_view folder = slash == std::string::npos ? std::string_view() : std::string_view(host).substr(0, slash);
    std::string_view relative;
    if (slash == std::string::npos || !below_root(folder, &relative)) {
        *place = {AT_FDCWD, host.c_str()};
        return true;
    }
    int dir = folder_for_change(folder);
    if (dir < 0) return false;
    *place = {dir, host.c_str() + slash + 1};
    return true;
}

}  // namespace platform::posix

namespace platform {

void confine_changes_beneath(const std::wstring& root) {
    std::string host;
    if (!posix::to_host(root, host)) return;
    while (!host.empty() && host.back() == '/') host.pop_back();
    posix::destination_root.host = host;
    posix::destination_root.set = true;
}

bool changes_refused_in(const std::wstring& folder) {
    std::string host;
    if (!posix::to_host(folder, host)) return false;
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    posix::last_refusal.refused = false;
    return posix::folder_for_change(host) < 0 && posix::last_refusal.refused;
}

bool take_refused_link(RefusedLink* link) {
    posix::Refusal& refusal = posix::last_refusal;
    if (!refusal.refused) return false;
    refusal.refused = false;
    link->path.clear();
    if (!posix::from_host(refusal.link, link->path)) link->path.assign(refusal.link.begin(), refusal.link.end());
    link->owner = posix::owner_name(refusal.owner);
    return true;
}

}  // namespace platform
