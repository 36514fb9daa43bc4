// Directory search with the Windows rules: long or short name matched with
// the DOS wildcard rules, "." and ".." first, generated 8.3 names.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/names.h"
#include "platform/posix/host.h"

namespace platform {

struct FindState {
    std::string folder;  // host folder, ending with '/'
    std::wstring pattern;
    std::vector<std::string> raw_names;   // as the host stores them
    std::vector<std::wstring> names;      // as the program sees them
    std::vector<std::wstring> short_names;
    size_t next = 0;
};

namespace {

void copy_name(wchar_t* target, size_t capacity, const std::wstring& name) {
    size_t n = std::min(name.size(), capacity - 1);
    std::wmemcpy(target, name.data(), n);
    target[n] = 0;
}

// Fills `rec` with the next matching entry; false when the listing is done.
bool advance(FindState* s, FindRecord* rec) {
    while (s->next < s->names.size()) {
        size_t i = s->next++;
        const std::wstring& name = s->names[i];
        const std::wstring& short_name = s->short_names[i];
        if (!dos_name_match(s->pattern, name) && (short_name.empty() || !dos_name_match(s->pattern, short_name)))
            continue;
        posix::EntryInfo info;
        const std::string& raw = s->raw_names[i];
        std::string host = (raw == "." || raw == "..") ? s->folder + raw : s->folder + raw;
        if (!posix::entry_info(host, raw, &info)) continue;  // vanished or dangling
        *rec = FindRecord{};
        rec->attributes = info.attributes;
        rec->creation_time = info.creation;
        rec->last_access_time = info.last_access;
        rec->last_write_time = info.last_write;
        rec->size_high = static_cast<uint32_t>(info.size >> 32);
        rec->size_low = static_cast<uint32_t>(info.size);
        copy_name(rec->name, 260, name);
        copy_name(rec->short_name, 14, short_name);
        return true;
    }
    return false;
}

}  // namespace

FindHandle find_first(const wchar_t* pattern, FindRecord* rec) {
    std::wstring whole(pattern);
    size_t sep = whole.find_last_of(L"\\/");
    std::wstring dir = sep == std::wstring::npos ? L"." : whole.substr(0, sep + 1);
    std::wstring name_pattern = sep == std::wstring::npos ? whole : whole.substr(sep + 1);
    if (name_pattern.empty()) return nullptr;
    // A folder path such as "C:\" keeps its separator; otherwise it is dropped.
    std::string host;
    if (!posix::to_host_resolving_short_names(dir, host)) return nullptr;
    DIR* d = opendir(host.c_str());
    if (!d) return nullptr;
    auto* s = new FindState;
    s->folder = host;
    if (s->folder.empty() || s->folder.back() != '/') s->folder += '/';
    s->pattern = name_pattern;
    s->raw_names = {".", ".."};
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        s->raw_names.emplace_back(e->d_name);
    }
    closedir(d);
    s->names.reserve(s->raw_names.size());
    for (const auto& raw : s->raw_names) s->names.push_back(text::from_utf8(raw));
    s->short_names = generate_short_names(s->names);
    if (!advance(s, rec)) {
        delete s;
        return nullptr;
    }
    return s;
}

bool find_next(FindHandle h, FindRecord* rec) { return h && advance(h, rec); }

void find_close(FindHandle h) { delete h; }

}  // namespace platform
