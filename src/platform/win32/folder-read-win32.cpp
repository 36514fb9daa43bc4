// Folders read whole on Windows. The system's search already returns every
// record with the listing, so the walk keeps listing by pattern here and lets
// the system match; these serve callers that want a folder in one piece.
#include "platform/win32/host-win32.h"

namespace platform {

bool folder_reading_pays() { return false; }

FolderListing read_folder(const std::wstring& folder, const std::vector<std::wstring>& patterns,
                          bool /*with_attribute_records*/) {
    FolderListing listing;
    std::wstring pattern = folder + L"*";
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        listing.failure = static_cast<int>(GetLastError());
        return listing;
    }
    listing.listed = true;
    do {
        const wchar_t* n = data.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) {
            listing.with_dots = true;
            continue;
        }
        FolderEntry& e = listing.add(data.cFileName);
        if (data.cAlternateFileName[0]) listing.give_short_name(e, data.cAlternateFileName);
        e.has_record = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        for (size_t k = 0; !e.has_record && k < patterns.size(); ++k)
            e.has_record = folder_entry_matches(patterns[k], listing, e);
        e.attributes = data.dwFileAttributes;
        e.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        e.creation = win32::to_filetime(data.ftCreationTime);
        e.last_access = win32::to_filetime(data.ftLastAccessTime);
        e.last_write = win32::to_filetime(data.ftLastWriteTime);
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return listing;
}

bool look_up_entry_times(const std::wstring& folder, const std::vector<std::wstring_view>& names,
                         std::vector<EntryTimes>* times) {
    times->assign(names.size(), EntryTimes{});
    std::wstring path;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i].find_first_of(L"*?") != std::wstring_view::npos) continue;
        WIN32_FILE_ATTRIBUTE_DATA data;
        path.assign(folder).append(names[i]);
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) continue;
        EntryTimes& t = (*times)[i];
        t.found = true;
        t.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        t.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        t.last_access = win32::to_filetime(data.ftLastAccessTime);
        t.last_write = win32::to_filetime(data.ftLastWriteTime);
    }
    return true;
}

}  // namespace platform
