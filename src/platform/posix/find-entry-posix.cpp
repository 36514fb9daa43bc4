// One entry looked up by name: a single statx when the long name exists, the
// folder listing (for 8.3 names) only when it does not.
#include <algorithm>
#include <cwchar>

#include "platform/posix/host.h"

namespace platform {

bool find_entry(const wchar_t* path, FindRecord* rec) {
    std::wstring whole(path);
    size_t sep = whole.find_last_of(L"\\/");
    std::wstring name = sep == std::wstring::npos ? whole : whole.substr(sep + 1);
    std::string host;
    posix::EntryInfo info;
    if (!name.empty() && name.find_first_of(L"*?") == std::wstring::npos && posix::to_host(whole, host)) {
        std::string raw = host.substr(host.find_last_of('/') + 1);
        if (posix::entry_info(host, raw, &info)) {
            *rec = FindRecord{};
            rec->attributes = info.attributes;
            rec->creation_time = info.creation;
            rec->last_access_time = info.last_access;
            rec->last_write_time = info.last_write;
            rec->size_high = static_cast<uint32_t>(info.size >> 32);
            rec->size_low = static_cast<uint32_t>(info.size);
            size_t n = std::min(name.size(), size_t(259));
            std::wmemcpy(rec->name, name.data(), n);
            rec->name[n] = 0;
            return true;
        }
    }
    FindHandle h = find_first(path, rec);
    if (!h) return false;
    find_close(h);
    return true;
}

}  // namespace platform
