// What a folder read whole gives, in the terms of a listing by pattern: the
// same for every host.
#include <algorithm>

#include "platform/names.h"
#include "platform/platform.h"

namespace platform {

bool folder_entry_matches(const std::wstring& pattern, const FolderEntry& entry) {
    if (pattern == L"*" || pattern == L"*.*") return true;
    return dos_name_match(pattern, entry.name) || (!entry.short_name.empty() && dos_name_match(pattern, entry.short_name));
}

void fill_find_record(const FolderEntry& entry, FindRecord* rec) {
    rec->attributes = entry.attributes;
    rec->creation_time = entry.creation;
    rec->last_access_time = entry.last_access;
    rec->last_write_time = entry.last_write;
    rec->size_high = static_cast<uint32_t>(entry.size >> 32);
    rec->size_low = static_cast<uint32_t>(entry.size);
    size_t n = std::min(entry.name.size(), size_t(259));
    entry.name.copy(rec->name, n);
    rec->name[n] = 0;
    n = std::min(entry.short_name.size(), size_t(13));
    entry.short_name.copy(rec->short_name, n);
    rec->short_name[n] = 0;
}

}  // namespace platform
