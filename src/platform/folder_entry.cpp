// What a folder read whole gives, in the terms of a listing by pattern: the
// same for every host.
#include <algorithm>

#include "platform/names.h"
#include "platform/platform.h"

namespace platform {

FolderEntry& FolderListing::add(std::wstring_view name) {
    FolderEntry& e = entries.emplace_back();
    e.name_at = static_cast<uint32_t>(names.size());
    e.name_length = static_cast<uint16_t>(std::min<size_t>(name.size(), UINT16_MAX));
    names.append(name.substr(0, e.name_length));
    return e;
}

void FolderListing::give_short_name(FolderEntry& e, std::wstring_view short_name) {
    e.short_at = static_cast<uint32_t>(short_names.size());
    e.short_length = static_cast<uint8_t>(std::min<size_t>(short_name.size(), 13));
    short_names.append(short_name.substr(0, e.short_length));
}

bool folder_entry_matches(const std::wstring& pattern, const FolderListing& listing, const FolderEntry& entry) {
    if (matches_every_name(pattern)) return true;
    return dos_name_match(pattern, listing.name(entry)) ||
           (entry.short_length != 0 && dos_name_match(pattern, listing.short_name(entry)));
}

void fill_find_record(const FolderListing& listing, const FolderEntry& entry, FindRecord* rec) {
    rec->attributes = entry.attributes;
    rec->creation_time = entry.creation;
    rec->last_access_time = entry.last_access;
    rec->last_write_time = entry.last_write;
    rec->size_high = static_cast<uint32_t>(entry.size >> 32);
    rec->size_low = static_cast<uint32_t>(entry.size);
    std::wstring_view name = listing.name(entry);
    size_t n = std::min(name.size(), size_t(259));
    name.copy(rec->name, n);
    rec->name[n] = 0;
    std::wstring_view short_name = listing.short_name(entry);
    n = std::min(short_name.size(), size_t(13));
    short_name.copy(rec->short_name, n);
    rec->short_name[n] = 0;
}

}  // namespace platform
