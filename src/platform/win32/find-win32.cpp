// Directory search: FindFirstFileExW / FindNextFileW, whose record is the
// FindRecord field for field (the short name is cAlternateFileName, and links
// carry FILE_ATTRIBUTE_REPARSE_POINT as the system reports them).
#include <cstring>

#include "platform/win32/host-win32.h"

namespace platform {

void win32::fill_record(const WIN32_FIND_DATAW& data, FindRecord* rec) {
    rec->attributes = data.dwFileAttributes;
    rec->creation_time = win32::to_filetime(data.ftCreationTime);
    rec->last_access_time = win32::to_filetime(data.ftLastAccessTime);
    rec->last_write_time = win32::to_filetime(data.ftLastWriteTime);
    rec->size_high = data.nFileSizeHigh;
    rec->size_low = data.nFileSizeLow;
    static_assert(sizeof(rec->name) == sizeof(data.cFileName));
    static_assert(sizeof(rec->short_name) == sizeof(data.cAlternateFileName));
    std::memcpy(rec->name, data.cFileName, sizeof(rec->name));
    std::memcpy(rec->short_name, data.cAlternateFileName, sizeof(rec->short_name));
}

namespace {
thread_local int last_find_failure = 0;
}

FindHandle win32::find_first_ex(const wchar_t* pattern, FindRecord* rec, bool folders_only) {
    // Large fetches: fewer trips to the file system in big folders.
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(pattern, FindExInfoStandard, &data,
                                folders_only ? FindExSearchLimitToDirectories : FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        // Nothing matching in a folder that was listed is no failure.
        DWORD error = GetLastError();
        last_find_failure = error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : int(error);
        return nullptr;
    }
    last_find_failure = 0;
    fill_record(data, rec);
    return wrap_handle<FindState>(h);
}

FindHandle find_first(const wchar_t* pattern, FindRecord* rec) { return win32::find_first_ex(pattern, rec, false); }

// A listing on Windows brings the whole record at no extra cost.
FindHandle find_first_sizes(const wchar_t* pattern, FindRecord* rec) { return find_first(pattern, rec); }

bool complete_find_record(const wchar_t*, FindRecord*) { return true; }

bool find_next(FindHandle h, FindRecord* rec) {
    if (!h) return false;
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(win32::unwrap_handle(h), &data)) return false;
    win32::fill_record(data, rec);
    return true;
}

void find_close(FindHandle h) {
    if (h) FindClose(win32::unwrap_handle(h));
}

int find_failure() { return last_find_failure; }

// Windows lists an entry it cannot follow as the entry itself.
const std::vector<UnreachableEntry>& find_unreachable(FindHandle) {
    static const std::vector<UnreachableEntry> none;
    return none;
}

// The folders-only listing of the walk: the system may leave files out.
FindHandle find_first_folders(const wchar_t* pattern, FindRecord* rec) {
    // The limit is advisory: file systems that ignore it return files too, and
    // the walk tests the folder attribute of every entry anyway.
    return win32::find_first_ex(pattern, rec, true);
}

// Folders read whole on Windows. The system's search already returns every
// record with the listing, so the walk keeps listing by pattern here and lets
// the system match; these serve callers that want a folder in one piece.
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
                         std::vector<EntryTimes>* times, bool* folder_reached) {
    times->assign(names.size(), EntryTimes{});
    *folder_reached = false;  // the names are looked up by path: the folder is not opened
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
