// Windows paths on a POSIX host: drive letters map to host folders.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/names.h"
#include "platform/posix/host-posix.h"

namespace platform::posix {
namespace {

const DriveMap* drive_map_override = nullptr;

// Drive letter to host folder (without a trailing '/', "" for the root):
// KESTRO_DRIVES, read once.
const DriveMap& drive_map() {
    if (drive_map_override) return *drive_map_override;
    static const DriveMap map = parse_drive_map(std::getenv("KESTRO_DRIVES"));
    return map;
}

wchar_t upper_letter(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool is_drive_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

std::string host_cwd() {
    std::vector<char> buffer(PATH_MAX);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The drive of the current folder, 'C' when none maps it.
wchar_t current_drive() {
    std::wstring cwd;
    if (from_host(host_cwd(), cwd) && cwd.size() >= 2) return cwd[0];
    return L'C';
}

// Splits on '\' and '/', resolves "." and "..", never above the root.
std::vector<std::wstring> normalised_components(const std::wstring& rest) {
    std::vector<std::wstring> parts;
    size_t i = 0;
    while (i <= rest.size()) {
        size_t j = i;
        while (j < rest.size() && rest[j] != L'\\' && rest[j] != L'/') ++j;
        std::wstring part = rest.substr(i, j - i);
        if (part.empty() || part == L".") {
        } else if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(part);
        }
        i = j + 1;
    }
    return parts;
}

// Folders of paths longer than the host takes whole (PATH_MAX), opened piece
// by piece and kept open, so that such a path can be handed to the host as
// "/proc/self/fd/N/name". The latest few stay open, one set per thread: no
// platform call uses more than two paths at once.
class LongPathFolders {
public:
    LongPathFolders() = default;
    LongPathFolders(const LongPathFolders&) = delete;
    LongPathFolders& operator=(const LongPathFolders&) = delete;
    ~LongPathFolders() {
        for (Slot& slot : slots_)
            if (slot.fd >= 0) ::close(slot.fd);
    }
    // A descriptor of `folder`, -1 when it cannot be reached.
    int fd_of(const std::string& folder) {
        for (Slot& slot : slots_)
            if (slot.fd >= 0 && slot.folder == folder) return slot.fd;
        Slot& slot = slots_[next_++ % slots_.size()];
        if (slot.fd >= 0) ::close(slot.fd);
        slot.fd = open_in_pieces(folder);
        slot.folder = slot.fd >= 0 ? folder : std::string();
        return slot.fd;
    }

private:
    // Opens `folder` in pieces shorter than PATH_MAX, each relative to the last.
    static int open_in_pieces(const std::string& folder) {
        int fd = AT_FDCWD;
        size_t start = 0;
        while (start < folder.size()) {
            size_t end = folder.size();
            if (end - start >= PATH_MAX) {
                end = folder.rfind('/', start + PATH_MAX - 1);
                if (end == std::string::npos || end <= start) end = start;  // a name longer than a piece
            }
            int next = end > start ? ::openat(fd, folder.substr(start, end - start).c_str(),
                                              O_PATH | O_DIRECTORY | O_CLOEXEC)
                                   : -1;
            if (fd != AT_FDCWD) ::close(fd);
            if (next < 0) return -1;
            fd = next;
            start = end + 1;
        }
        return fd;
    }

    struct Slot {
        std::string folder;
        int fd = -1;
    };
    std::array<Slot, 4> slots_;
    unsigned next_ = 0;
};

// A host path the host takes whole: one longer than PATH_MAX becomes its
// last name below a descriptor of its folder. False when that folder cannot
// be reached.
bool within_path_limit(std::string& host) {
    if (host.size() < PATH_MAX) return true;
    size_t end = host.find_last_not_of('/');
    size_t slash = end == std::string::npos ? std::string::npos : host.rfind('/', end);
    if (slash == std::string::npos || slash == 0) return false;
    thread_local LongPathFolders folders;
    int fd = folders.fd_of(host.substr(0, slash));
    if (fd < 0) return false;
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "/proc/self/fd/%d", fd);
    host.replace(0, slash, prefix);
    return true;
}

}  // namespace

DriveMap parse_drive_map(const char* mappings) {
    DriveMap m;
    if (!mappings || !*mappings) {
        m[L'C'] = "";
        return m;
    }
    std::string all(mappings);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(';', start);
        if (end == std::string::npos) end = all.size();
        std::string item = all.substr(start, end - start);
        // "X=/host/folder"; a folder that is not absolute names nothing.
        if (item.size() >= 3 && item[1] == '=' && std::isalpha(static_cast<unsigned char>(item[0])) &&
            item[2] == '/') {
            std::string folder = item.substr(2);
            while (!folder.empty() && folder.back() == '/') folder.pop_back();
            m[static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(item[0])))] = folder;
        }
        start = end + 1;
    }
    return m;
}

void override_drive_map(const DriveMap* map) { drive_map_override = map; }

bool from_host(const std::string& host, std::wstring& path) {
    const std::map<wchar_t, std::string>& map = drive_map();
    wchar_t best = 0;
    size_t best_length = 0;
    for (const auto& [letter, folder] : map) {
        bool holds = folder.empty() ? (!host.empty() && host[0] == '/')
                                    : (host.compare(0, folder.size(), folder) == 0 &&
                                       (host.size() == folder.size() || host[folder.size()] == '/'));
        if (holds && (best == 0 || folder.size() > best_length)) {
            best = letter;
            best_length = folder.size();
        }
    }
    if (best == 0) return false;
    std::string rest = host.substr(best_length);
    path.assign(1, best);
    path += L':';
    if (rest.empty() || rest[0] != '/') path += L'\\';
    append_windows_text(rest.data(), rest.size(), HostText::names, path);
    return true;
}

bool to_host(const std::wstring& input, std::string& host) {
    std::wstring_view path = input;
    if (path.starts_with(L"\\\\?\\")) {
        path.remove_prefix(4);
        if (path.starts_with(L"UNC\\")) return false;
    } else if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/')) {
        return false;  // \\server\share names nothing here
    }
    host.clear();
    std::wstring_view rest;
    if (path.size() >= 2 && path[1] == L':' && is_drive_letter(path[0])) {
        auto it = drive_map().find(upper_letter(path[0]));
        if (it == drive_map().end()) return false;
        rest = path.substr(2);
        if (!rest.empty() && rest[0] != L'\\' && rest[0] != L'/') {
            // "E:name" is relative to the drive's current folder: its root,
            // or the current folder when it is the current drive.
            if (upper_letter(path[0]) == current_drive()) {
                append_host_bytes(rest.data(), rest.size(), host);
                return within_path_limit(host);
            }
            host = it->second;
            host += '/';
        } else {
            host = it->second;
        }
    } else if (!path.empty() && (path[0] == L'\\')) {
        auto it = drive_map().find(current_drive());
        if (it == drive_map().end()) return false;
        host = it->second;
        rest = path;
    } else {
        // Relative to the current folder: the host resolves it.
        append_host_bytes(path.data(), path.size(), host);
        return within_path_limit(host);
    }
    append_host_bytes(rest.data(), rest.size(), host);
    if (host.empty()) host = "/";
    return within_path_limit(host);
}

}  // namespace platform::posix

namespace platform {

using posix::from_host;

std::wstring current_directory() {
    std::wstring path;
    if (!from_host(posix::host_cwd(), path)) path = L"C:\\";
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "\\server\share" of a UNC path (separators made '\'), and where the rest begins.
std::wstring unc_root(const std::wstring& path, size_t* rest_at) {
    size_t i = 2;
    for (int part = 0; part < 2; ++part) {
        while (i < path.size() && !is_separator(path[i])) ++i;
        if (part == 0 && i < path.size()) ++i;
    }
    std::wstring root = L"\\\\" + path.substr(2, i - 2);
    for (auto& c : root)
        if (c == L'/') c = L'\\';
    *rest_at = i;
    return root;
}

// Windows drops the trailing dots and spaces of a path's last name.
void strip_trailing_dots_and_spaces(std::vector<std::wstring>& parts) {
    if (parts.empty()) return;
    std::wstring& last = parts.back();
    size_t end = last.find_last_not_of(L". ");
    if (end == std::wstring::npos) parts.pop_back();
    else last.erase(end + 1);
}

}  // namespace

bool full_path(const wchar_t* input, std::wstring& out, size_t limit) {
    std::wstring path = input ? input : L"";
    if (path.empty()) return false;
    std::wstring prefix;
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        prefix = L"\\\\?\\";
        path.erase(0, 4);
        if (path.size() == 2 && path[1] == L':' && posix::is_drive_letter(path[0])) {
            out = prefix + path;  // "\\?\X:" stays as it is
            return out.size() <= limit;
        }
        if (path.empty()) return false;
    }
    bool trailing = is_separator(path.back());
    std::wstring root;  // "C:" or "\\server\share", and the rest to resolve below it
    std::wstring rest;
    if (path[0] == L'/' && !(path.size() > 1 && path[1] == L'/')) {
        // A POSIX absolute path becomes its drive form.
        std::wstring drive_form;
        if (!from_host(host_bytes(path), drive_form)) return false;
        root = drive_form.substr(0, 2);
        rest = drive_form.substr(2);
    } else if (path.size() > 1 && is_separator(path[0]) && is_separator(path[1])) {
        size_t rest_at = 0;
        root = unc_root(path, &rest_at);
        rest = path.substr(rest_at);
    } else if (path.size() >= 2 && path[1] == L':' && posix::is_drive_letter(path[0])) {
        root = path.substr(0, 2);
        rest = path.substr(2);
        if (!rest.empty() && !is_separator(rest[0])) {
            // "X:name": below the current folder when X is its drive, else the root.
            std::wstring cwd = current_directory();
            if (posix::upper_letter(cwd[0]) == posix::upper_letter(path[0]))
                rest = cwd.substr(2) + L"\\" + rest;
            else
                rest = L"\\" + rest;
        }
    } else if (is_separator(path[0])) {
        std::wstring cwd = current_directory();
        root = cwd.substr(0, 2);
        rest = path;
    } else {
        std::wstring cwd = current_directory();
        root = cwd.substr(0, 2);
        rest = cwd.substr(2) + L"\\" + path;
    }
    std::vector<std::wstring> parts = posix::normalised_components(rest);
    if (prefix.empty() && !trailing) strip_trailing_dots_and_spaces(parts);
    out = prefix + root;
    if (parts.empty()) {
        if (root[0] != L'\\' || trailing) out += L'\\';  // "X:" is "X:\"
    } else {
        for (const auto& part : parts) out += L"\\" + part;
        if (trailing) out += L'\\';
    }
    return out.size() <= limit;
}

std::wstring program_path() {
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return L"kestro";
    std::string host(buffer.data(), static_cast<size_t>(n));
    std::wstring path;
    if (from_host(host, path)) return path;
    return text::from_utf8(host);
}

}  // namespace platform
