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

}  // namespace platform
