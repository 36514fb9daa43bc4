// Directory search with the Windows rules: long or short name matched with
// the DOS wildcard rules, "." and ".." first (except at a drive's root),
// generated 8.3 names. The folder is read and its matching entries looked up
// at find_first, with the folder open (no path walk per entry), as the
// system's own search fills its buffer; find_next hands them out.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/names.h"
#include "platform/posix/host-posix.h"

namespace platform {

struct FindState {
    struct Match {
        posix::EntryInfo info;
        uint32_t index;  // into names.entries
    };
    FolderListing names;  // the names listed, without records
    std::vector<Match> matches;
    std::vector<UnreachableEntry> unreachable;
    size_t next = 0;
};

namespace {

thread_local int last_find_failure = 0;

void copy_name(wchar_t* target, size_t capacity, std::wstring_view name) {
    size_t n = std::min(name.size(), capacity - 1);
    std::wmemcpy(target, name.data(), n);
    target[n] = 0;
}

bool pattern_matches(const std::wstring& pattern, bool matches_all, std::wstring_view name,
                     std::wstring_view short_name) {
    return matches_all || dos_name_match(pattern, name) || (!short_name.empty() && dos_name_match(pattern, short_name));
}

// True when `host` is the folder a drive letter maps to: Windows lists no
// "." and ".." there.
bool is_drive_root(const std::string& host) {
    std::string folder = host;
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    std::wstring drive_form;
    return !folder.empty() ? posix::from_host(folder, drive_form) && drive_form.size() == 3
                           : host == "/" && posix::from_host("/", drive_form);
}

// True when the directory entry's type shows it is no folder and no link to
// one, so that a folders-only listing need not look it up.
bool surely_not_a_folder(unsigned char type) { return type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN; }

// The folder `folder` opened for reading, its host path in `host`; -1 when
// it cannot be.
int open_host_folder(const std::wstring& folder, std::string& host) {
    if (!posix::to_host(folder, host)) return -1;
    return ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Calls take(name, type) for each entry of the open folder `dir_fd` but "."
// and ".."; false when the folder cannot be read. The entries come straight
// from getdents64 on the descriptor the caller holds: opendir would cost a
// second descriptor and three calls to set it up, for every folder.
template <class Take>
bool for_each_entry(int dir_fd, Take take) {
    alignas(struct dirent64) char buffer[32768];
    for (;;) {
        ssize_t n = getdents64(dir_fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += e->d_reclen;
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            take(name, e->d_type);
        }
    }
}

// The host names of a folder one after another, each one's end and type:
// no string of its own per entry.
struct HostNames {
    std::string raw;
    std::vector<uint32_t> ends;
    std::vector<unsigned char> types;

    size_t size() const { return ends.size(); }
    std::string_view operator[](size_t i) const {
        size_t begin = i ? ends[i - 1] : 0;
        return std::string_view(raw).substr(begin, ends[i] - begin);
    }
};

// The entries of the open folder `dir_fd` but "." and ".."; false when the
// folder cannot be read.
bool read_host_names(int dir_fd, HostNames& names) {
    return for_each_entry(dir_fd, [&](const char* name, unsigned char type) {
        names.raw.append(name);
        names.ends.push_back(static_cast<uint32_t>(names.raw.size()));
        names.types.push_back(type);
    });
}

void give_short_names(FolderListing& listing);

// Adds `count` entries named as Windows shows the host names `host_name(i)`
// gives, and their short names when some entry needs one and they are
// `short_names_wanted`.
template <class HostName>
void add_windows_names(FolderListing& listing, size_t count, size_t bytes, HostName host_name,
                       bool short_names_wanted = true) {
    listing.entries.reserve(count);
    listing.names.reserve(bytes);  // a name has no more characters than bytes
    bool any_short = false;
    for (size_t i = 0; i < count; ++i) {
        FolderEntry& e = listing.entries.emplace_back();
        std::string_view name = host_name(i);
        e.name_at = static_cast<uint32_t>(listing.names.size());
        append_windows_text(name.data(), name.size(), HostText::names, listing.names);
        e.name_length = static_cast<uint16_t>(listing.names.size() - e.name_at);
        if (short_names_wanted && !any_short && !is_valid_8dot3(listing.name(e))) any_short = true;
    }
    // Short names are generated once per folder, and only when some entry needs one.
    if (any_short) give_short_names(listing);
}

// The entries a listing by pattern goes through, as indices into `names`
// (DOT and DOT_DOT for "." and ".."): the dots first (not at a drive root),
// and with `folders_only` none whose type shows it is no folder. A drive root
// with files and no folders would then list nothing at all, as if it could
// not be read: the limit is given up there, as file systems that cannot
// apply it do on Windows.
constexpr uint32_t DOT = UINT32_MAX - 1, DOT_DOT = UINT32_MAX;
std::vector<uint32_t> listed_entries(const HostNames& names, bool with_dots, bool folders_only) {
    std::vector<uint32_t> listed;
    if (with_dots) listed = {DOT, DOT_DOT};
    bool any_folder = false;
    for (unsigned char type : names.types) any_folder |= !surely_not_a_folder(type);
    const bool filter = folders_only && (any_folder || with_dots);
    for (size_t i = 0; i < names.size(); ++i)
        if (!filter || !surely_not_a_folder(names.types[i])) listed.push_back(static_cast<uint32_t>(i));
    return listed;
}

// What a listing reads: every entry with its whole record, only folders, or
// every entry without the attribute record (folder bit and size suffice).
enum class Listing { whole, folders_only, sizes_only };

FindHandle find_first_listing(const wchar_t* pattern, FindRecord* rec, Listing kind);

}  // namespace

FindHandle find_first(const wchar_t* pattern, FindRecord* rec) {
    return find_first_listing(pattern, rec, Listing::whole);
}

FindHandle find_first_folders(const wchar_t* pattern, FindRecord* rec) {
    return find_first_listing(pattern, rec, Listing::folders_only);
}

FindHandle find_first_sizes(const wchar_t* pattern, FindRecord* rec) {
    return find_first_listing(pattern, rec, Listing::sizes_only);
}

namespace {

FindHandle find_first_listing(const wchar_t* pattern, FindRecord* rec, Listing kind) {
    const bool folders_only = kind == Listing::folders_only;
    std::wstring whole(pattern);
    size_t sep = whole.find_last_of(L"\\/");
    std::wstring dir = sep == std::wstring::npos ? L"." : whole.substr(0, sep + 1);
    std::wstring name_pattern = sep == std::wstring::npos ? whole : whole.substr(sep + 1);
    if (name_pattern.empty()) return nullptr;
    std::string host;
    last_find_failure = 0;
    int dir_fd = open_host_folder(dir, host);
    if (dir_fd < 0) {
        last_find_failure = errno;
        return nullptr;
    }
    HostNames host_names;
    if (!read_host_names(dir_fd, host_names)) {
        last_find_failure = errno;
        ::close(dir_fd);
        return nullptr;
    }
    const std::vector<uint32_t> listed = listed_entries(host_names, !is_drive_root(host), folders_only);
    auto host_name = [&](size_t i) {
        uint32_t k = listed[i];
        return k == DOT ? std::string_view(".") : k == DOT_DOT ? std::string_view("..") : host_names[k];
    };
    auto* s = new FindState;
    FolderListing& names = s->names;
    add_windows_names(names, listed.size(), host_names.raw.size() + 3, host_name);
    bool matches_all = matches_every_name(name_pattern);
    std::string folder = host;
    if (folder.back() != '/') folder += '/';
    size_t folder_length = folder.size();

    std::string name;
    for (size_t i = 0; i < names.entries.size(); ++i) {
        const FolderEntry& e = names.entries[i];
        if (!pattern_matches(name_pattern, matches_all, names.name(e), names.short_name(e))) continue;
        name.assign(host_name(i));
        folder.resize(folder_length);
        folder += name;
        posix::EntryInfo info;
        if (!posix::entry_info_at(dir_fd, name.c_str(), folder, &info, kind != Listing::sizes_only)) {
            const int failure = errno;
            s->unreachable.push_back({std::wstring(names.name(e)), failure});  // dangling or vanished
            continue;
        }
        s->matches.push_back({info, static_cast<uint32_t>(i)});
    }
    ::close(dir_fd);
    if (!find_next(s, rec)) {
        delete s;
        return nullptr;
    }
    return s;
}

}  // namespace

bool find_next(FindHandle h, FindRecord* rec) {
    if (!h || h->next >= h->matches.size()) return false;
    const FindState::Match& m = h->matches[h->next++];
    const FolderEntry& e = h->names.entries[m.index];
    posix::fill_find_record(m.info, h->names.name(e), rec);
    copy_name(rec->short_name, 14, h->names.short_name(e));
    return true;
}

void find_close(FindHandle h) { delete h; }

int find_failure() { return last_find_failure; }

const std::vector<UnreachableEntry>& find_unreachable(FindHandle h) {
    static const std::vector<UnreachableEntry> none;
    return h ? h->unreachable : none;
}

bool complete_find_record(const wchar_t* path, FindRecord* rec) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    posix::complete_attributes(host, &rec->attributes, &rec->creation_time);
    return true;
}

}  // namespace platform

namespace platform {

namespace {

void give_short_names(FolderListing& listing) {
    listing.short_names.reserve(listing.entries.size() * 12);
    generate_short_names(
        listing.entries.size(), [&](size_t i) { return listing.name(listing.entries[i]); },
        [&](size_t i, std::wstring_view short_name) { listing.give_short_name(listing.entries[i], short_name); });
}

bool matches_any(const std::vector<std::wstring>& patterns, const FolderListing& listing, const FolderEntry& entry) {
    for (const std::wstring& p : patterns)
        if (folder_entry_matches(p, listing, entry)) return true;
    return false;
}

}  // namespace

// Reading ahead keeps a tree's readings in memory and gives each thread an
// arena of its own: a process held to a small address space or data size
// lists by pattern instead, in the little memory that takes.
bool folder_reading_pays() {
    constexpr rlim_t ENOUGH = rlim_t(2) << 30;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit limit;
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < ENOUGH)
            return false;
    }
    return true;
}

FolderListing read_folder(const std::wstring& folder, const std::vector<std::wstring>& patterns,
                          bool with_attribute_records) {
    FolderListing listing;
    std::string host;
    int dir_fd = open_host_folder(folder, host);
    if (dir_fd < 0) {
        listing.failure = errno;
        return listing;
    }
    HostNames raw;
    listing.listed = read_host_names(dir_fd, raw);
    if (!listing.listed) {
        listing.failure = errno;
        ::close(dir_fd);
        return listing;
    }
    listing.with_dots = !is_drive_root(host);
    struct stat folder_stat;
    if (fstat(dir_fd, &folder_stat) == 0)
        listing.identity = {static_cast<uint64_t>(folder_stat.st_dev), static_cast<uint64_t>(folder_stat.st_ino)};
    // Generating short names costs more than the rest of the listing; only
    // a pattern that may match a short name and not its long name needs them.
    const bool short_names_wanted =
        std::any_of(patterns.begin(), patterns.end(), [](const std::wstring& p) { return !matches_every_name(p); });
    add_windows_names(
        listing, raw.size(), raw.raw.size(), [&](size_t i) { return raw[i]; }, short_names_wanted);
    std::vector<FolderEntry>& entries = listing.entries;

    std::string path = host;
    if (path.back() != '/') path += '/';
    const size_t folder_length = path.size();
    const bool with_attributes = with_attribute_records;
    std::string name;
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        FolderEntry& e = entries[i];
        // Folders are looked up whatever the patterns: the walk descends into them.
        bool wanted = !surely_not_a_folder(raw.types[i]) || matches_any(patterns, listing, e);
        if (wanted) {
            name.assign(raw[i]);
            path.resize(folder_length);
            path += name;
            posix::EntryInfo info;
            if (!posix::entry_info_at(dir_fd, name.c_str(), path, &info, with_attributes)) {
                // Dangling or vanished: not listed, as find_first leaves it out.
                const int failure = errno;
                listing.unreachable.push_back({std::wstring(listing.name(e)), failure});
                continue;
            }
            e.has_record = true;
            e.attributes = info.attributes;
            e.size = info.size;
            e.creation = info.creation;
            e.last_access = info.last_access;
            e.last_write = info.last_write;
        }
        if (kept != i) entries[kept] = e;
        ++kept;
    }
    entries.resize(kept);
    ::close(dir_fd);
    return listing;
}

bool look_up_entry_times(const std::wstring& folder, const std::vector<std::wstring_view>& names,
                         std::vector<EntryTimes>* times, bool* folder_reached) {
    times->assign(names.size(), EntryTimes{});
    *folder_reached = false;
    std::string host;
    if (!posix::to_host(folder, host)) return true;  // nothing found: the caller looks up itself
    // The folder as a change reaches it: the copy pass then need not check it
    // again, and nothing beyond a refused link is looked at. The descriptor
    // stays with the layer.
    std::string_view path = host;
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    int dir_fd = posix::folder_for_change(path);
    if (dir_fd < 0) return true;
    *folder_reached = true;
    for (size_t i = 0; i < names.size(); ++i) {
        // Names that find_entry would search for, or whose '\\' it would
        // read as a folder separator, are left to the caller.
        if (std::any_of(names[i].begin(), names[i].end(),
                        [](wchar_t c) { return c == L'*' || c == L'?' || c == L'\\'; }))
            continue;
        struct statx sx;
        std::string name;
        append_host_bytes(names[i].data(), names[i].size(), name);
        if (statx(dir_fd, name.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS, &sx) != 0) continue;
        EntryTimes& t = (*times)[i];
        t.found = true;
        t.is_folder = S_ISDIR(sx.stx_mode);
        t.size = sx.stx_size;
        t.last_write = posix::to_filetime(timespec{static_cast<time_t>(sx.stx_mtime.tv_sec), sx.stx_mtime.tv_nsec});
        t.last_access = posix::to_filetime(timespec{static_cast<time_t>(sx.stx_atime.tv_sec), sx.stx_atime.tv_nsec});
    }
    return true;
}

}  // namespace platform

namespace platform::posix {

void fill_find_record(const EntryInfo& info, std::wstring_view name, FindRecord* rec) {
    rec->attributes = info.attributes;
    rec->creation_time = info.creation;
    rec->last_access_time = info.last_access;
    rec->last_write_time = info.last_write;
    rec->size_high = static_cast<uint32_t>(info.size >> 32);
    rec->size_low = static_cast<uint32_t>(info.size);
    size_t n = std::min(name.size(), size_t(259));
    std::wmemcpy(rec->name, name.data(), n);
    rec->name[n] = 0;
}

}  // namespace platform::posix
