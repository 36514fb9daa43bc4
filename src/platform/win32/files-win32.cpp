// Files and whole-file operations with the kernel32 calls.
#include <io.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/host-win32.h"

#include <winioctl.h>  // after windows.h, which it needs

namespace platform {

namespace {

DWORD creation_disposition(Disposition disposition) {
    switch (disposition) {
        case Disposition::open_existing: return OPEN_EXISTING;
        case Disposition::create_always: return CREATE_ALWAYS;
        case Disposition::open_always: return OPEN_ALWAYS;
        case Disposition::create_new: return CREATE_NEW;
    }
    return OPEN_EXISTING;
}

DWORD flags_and_attributes(unsigned flags) {
    DWORD out = FILE_ATTRIBUTE_NORMAL;
    if (flags & OPEN_BACKUP_SEMANTICS) out |= FILE_FLAG_BACKUP_SEMANTICS;
    if (flags & OPEN_WRITE_THROUGH) out |= FILE_FLAG_WRITE_THROUGH;
    if (flags & OPEN_SEQUENTIAL_SCAN) out |= FILE_FLAG_SEQUENTIAL_SCAN;
    return out;
}

// Reads, the log files and the buffered copy's destination let others read
// alongside. The time setters (files and folders, opened for writing an
// existing entry with backup semantics) only touch the times and share write
// access instead, so a reader elsewhere cannot lock them out of that change.
DWORD share_mode(Access access, Disposition disposition, unsigned flags) {
    bool time_setter = access == Access::read_write && disposition == Disposition::open_existing &&
                       (flags & OPEN_BACKUP_SEMANTICS);
    return time_setter ? FILE_SHARE_WRITE : FILE_SHARE_READ;
}

bool refuse(DWORD error) {
    SetLastError(error);
    return false;
}

// Windows refuses to write into a read-only file, and to replace a hidden or
// system file by one created without that attribute. Wine leaves such checks
// to the host's permissions, which root passes, so under Wine they are made
// here before anything is changed. On Windows the system makes them itself.
bool write_allowed_by_attributes(const wchar_t* path, Disposition disposition, uint32_t new_attributes) {
    if (!win32::running_under_wine() || disposition == Disposition::create_new) return true;
    DWORD existing = GetFileAttributesW(path);
    if (existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if (existing & FILE_ATTRIBUTE_READONLY) return refuse(ERROR_ACCESS_DENIED);
    if (disposition == Disposition::create_always) {
        DWORD protected_bits = existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (protected_bits & ~new_attributes) return refuse(ERROR_ACCESS_DENIED);
    }
    return true;
}

DWORD move_method(int whence) {
    switch (whence) {
        case SEEK_CUR: return FILE_CURRENT;
        case SEEK_END: return FILE_END;
        default: return FILE_BEGIN;
    }
}

}  // namespace

bool win32::running_under_wine() {
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// ---- Files -----------------------------------------------------------------

FileHandle open_file(const wchar_t* path, Access access, Disposition disposition, unsigned flags) {
    DWORD desired = access == Access::read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    if (access == Access::read_write && !write_allowed_by_attributes(path, disposition, FILE_ATTRIBUTE_NORMAL))
        return nullptr;
    HANDLE h = CreateFileW(path, desired, share_mode(access, disposition, flags), nullptr,
                           creation_disposition(disposition), flags_and_attributes(flags), nullptr);
    return win32::wrap_handle<FileState>(h);
}

bool read_file(FileHandle h, void* buffer, uint32_t size, uint32_t* done) {
    DWORD got = 0;
    bool ok = h && ReadFile(win32::unwrap_handle(h), buffer, size, &got, nullptr);
    if (done) *done = ok ? got : 0;
    return ok;
}

bool write_file(FileHandle h, const void* buffer, uint32_t size, uint32_t* done) {
    const char* bytes = static_cast<const char*>(buffer);
    uint32_t total = 0;
    bool ok = h != nullptr;
    while (ok && total < size) {
        DWORD wrote = 0;
        ok = WriteFile(win32::unwrap_handle(h), bytes + total, size - total, &wrote, nullptr) && wrote > 0;
        total += wrote;
    }
    if (done) *done = total;
    return ok;
}

bool seek_file(FileHandle h, int64_t offset, int whence, int64_t* new_position) {
    if (!h) return false;
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(win32::unwrap_handle(h), distance, &position, move_method(whence))) return false;
    if (new_position) *new_position = position.QuadPart;
    return true;
}

bool set_end_of_file(FileHandle h) { return h && SetEndOfFile(win32::unwrap_handle(h)); }

bool get_file_size(FileHandle h, uint64_t* size) {
    LARGE_INTEGER value;
    if (!h || !GetFileSizeEx(win32::unwrap_handle(h), &value)) return false;
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool set_file_times(FileHandle h, const FileTime* creation, const FileTime* last_access,
                    const FileTime* last_write) {
    if (!h) return false;
    FILETIME c, a, w;
    if (creation) c = win32::from_filetime(*creation);
    if (last_access) a = win32::from_filetime(*last_access);
    if (last_write) w = win32::from_filetime(*last_write);
    return SetFileTime(win32::unwrap_handle(h), creation ? &c : nullptr, last_access ? &a : nullptr,
                       last_write ? &w : nullptr) != 0;
}

void close_file(FileHandle h) {
    if (h) CloseHandle(win32::unwrap_handle(h));
}

namespace {

// CopyFileW with a progress routine that stops the copy between its chunks
// once Ctrl+C has come; the system then removes the unfinished copy.
DWORD CALLBACK stop_on_interrupt(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                                 HANDLE, LPVOID) {
    return interrupt_requested() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

// The size of the complete copy at `path`: what the copy got, whatever the
// source's size was when it was listed (the progress routine's count is not
// reported by every implementation).
uint64_t size_of_copy(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool seek_to(HANDLE h, int64_t offset) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    return SetFilePointerEx(h, at, nullptr, FILE_BEGIN) != 0;
}

// Copies `length` bytes at `offset` of `in` to the same place in `out`, in
// pieces an interrupt can stop between.
bool copy_range(HANDLE in, HANDLE out, int64_t offset, int64_t length) {
    if (!seek_to(in, offset) || !seek_to(out, offset)) return false;
    static thread_local std::vector<char> buffer(1 << 20);
    while (length > 0) {
        if (interrupt_requested()) return false;
        DWORD piece = static_cast<DWORD>(std::min<int64_t>(length, static_cast<int64_t>(buffer.size())));
        DWORD got = 0, written = 0;
        if (!ReadFile(in, buffer.data(), piece, &got, nullptr) || got == 0) return false;
        if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got) return false;
        length -= got;
    }
    return true;
}

// Copies the ranges of `in` (of `size` bytes) that hold data, as the file
// system reports them; where it reports none (no such request on this file
// system), the whole file is one range.
bool copy_allocated_ranges(HANDLE in, HANDLE out, int64_t size) {
    FILE_ALLOCATED_RANGE_BUFFER query;
    query.FileOffset.QuadPart = 0;
    query.Length.QuadPart = size;
    std::vector<FILE_ALLOCATED_RANGE_BUFFER> ranges(64);
    while (query.Length.QuadPart > 0) {
        DWORD got = 0;
        BOOL whole = DeviceIoControl(in, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, ranges.data(),
                                     static_cast<DWORD>(ranges.size() * sizeof ranges[0]), &got, nullptr);
        if (!whole && GetLastError() != ERROR_MORE_DATA)
            return copy_range(in, out, query.FileOffset.QuadPart, query.Length.QuadPart);
        size_t count = got / sizeof ranges[0];
        for (size_t i = 0; i < count; ++i)
            if (!copy_range(in, out, ranges[i].FileOffset.QuadPart, ranges[i].Length.QuadPart)) return false;
        if (whole || count == 0) return true;
        const int64_t next = ranges[count - 1].FileOffset.QuadPart + ranges[count - 1].Length.QuadPart;
        query.Length.QuadPart = query.FileOffset.QuadPart + query.Length.QuadPart - next;
        query.FileOffset.QuadPart = next;
    }
    return true;
}

// The copy of a sparse source: a sparse file (FSCTL_SET_SPARSE) that gets
// only the source's allocated ranges and its size, then what CopyFileExW
// gives a copy: the source's attributes and last write time. A copy that
// cannot be completed is removed.
bool copy_sparse_file(const wchar_t* source, const wchar_t* destination, bool fail_if_exists, uint64_t* copied) {
    HANDLE in = CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    HANDLE out = INVALID_HANDLE_VALUE;
    if (GetFileInformationByHandle(in, &info))
        out = CreateFileW(destination, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          fail_if_exists ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }
    const int64_t size = (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    DWORD none = 0;
    // A file system without sparse files takes the data all the same.
    DeviceIoControl(out, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &none, nullptr);
    bool ok = copy_allocated_ranges(in, out, size) && seek_to(out, size) && SetEndOfFile(out) &&
              SetFileTime(out, nullptr, nullptr, &info.ftLastWriteTime);
    CloseHandle(in);
    ok = CloseHandle(out) && ok;
    constexpr DWORD GIVEN = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = info.dwFileAttributes & GIVEN;
    ok = ok && SetFileAttributesW(destination, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (!ok) {
        SetFileAttributesW(destination, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(destination);
        return false;
    }
    if (copied) *copied = static_cast<uint64_t>(size);
    return true;
}

}  // namespace

bool copy_file(const wchar_t* source, const wchar_t* destination, bool fail_if_exists, uint64_t* copied,
               uint32_t source_attributes) {
    if (copied) *copied = 0;
    // The copy is created with the source's attributes.
    if (!fail_if_exists && win32::running_under_wine()) {
        DWORD attributes = GetFileAttributesW(source);
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            !write_allowed_by_attributes(destination, Disposition::create_always, attributes))
            return false;
    }
    // CopyFileExW writes a sparse source's holes out as zeros.
    if (source_attributes & ATTR_SPARSE_FILE) return copy_sparse_file(source, destination, fail_if_exists, copied);
    if (!CopyFileExW(source, destination, stop_on_interrupt, nullptr, nullptr,
                     fail_if_exists ? COPY_FILE_FAIL_IF_EXISTS : 0))
        return false;
    if (copied) *copied = size_of_copy(destination);
    return true;
}

bool copy_file_with_details(const wchar_t* source, const wchar_t* new_file, const CopyDetails& details,
                            uint64_t* copied) {
    if (!copy_file(source, new_file, true, copied, details.attributes)) return false;
    // Read-only and system are given after the times, which they would refuse.
    constexpr uint32_t PROTECTING = ATTR_READONLY | ATTR_SYSTEM;
    uint32_t first = details.attributes & ~PROTECTING;
    bool given = set_file_attributes(new_file, first ? first : ATTR_NORMAL);
    if (given) {
        FileHandle h = open_file(new_file, Access::read_write, Disposition::open_existing, OPEN_BACKUP_SEMANTICS);
        given = h && set_file_times(h, &details.creation, &details.last_access, &details.last_write);
        if (h) close_file(h);
    }
    if (given && (details.attributes & PROTECTING)) given = set_file_attributes(new_file, details.attributes);
    if (!given) {
        set_file_attributes(new_file, ATTR_NORMAL);
        delete_file(new_file);
    }
    return given;
}

// Windows has no file without a name: copies go by a temporary name.
bool copy_file_to_free_name(const wchar_t*, const wchar_t*, const CopyDetails&, uint64_t*) { return false; }

namespace {

// Deletes the regular file `path` unless a run is writing it: a file being
// copied is open without delete sharing, so its deletion fails. A read-only
// file loses that attribute only once it is known to be nobody's.
bool delete_abandoned(const std::wstring& path, DWORD attributes) {
    if (DeleteFileW(path.c_str())) return true;
    if (!(attributes & FILE_ATTRIBUTE_READONLY) || GetLastError() != ERROR_ACCESS_DENIED) return false;
    if (!SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return false;
    if (DeleteFileW(path.c_str())) return true;
    SetFileAttributesW(path.c_str(), attributes);
    return false;
}

}  // namespace

int remove_abandoned_files(const std::wstring& folder, const wchar_t* prefix,
                           bool (*abandoned)(const std::wstring& name), FileTime) {
    std::wstring pattern = folder + prefix + L'*';
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int removed = 0;
    constexpr DWORD NOT_A_FILE = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    do {
        if ((found.dwFileAttributes & NOT_A_FILE) || !abandoned(found.cFileName)) continue;
        if (delete_abandoned(folder + found.cFileName, found.dwFileAttributes)) ++removed;
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return removed;
}

bool create_directory(const wchar_t* path) { return CreateDirectoryW(path, nullptr) != 0; }

bool delete_file(const wchar_t* path) { return DeleteFileW(path) != 0; }

bool move_file_replace(const wchar_t* source, const wchar_t* destination) {
    // Windows does not replace a read-only file (Wine as root would).
    if (win32::running_under_wine() && !write_allowed_by_attributes(destination, Disposition::open_existing, 0))
        return false;
    return MoveFileExW(source, destination, MOVEFILE_REPLACE_EXISTING) != 0;
}

// MoveFileEx looks for itself, in the same call.
bool move_file_onto(const wchar_t* source, const wchar_t* destination, uint32_t) {
    return move_file_replace(source, destination);
}

FILE* open_stream(const wchar_t* path, const char* mode) {
    std::wstring wide_mode;
    for (const char* m = mode; *m; ++m) wide_mode += static_cast<wchar_t>(static_cast<unsigned char>(*m));
    return _wfopen(path, wide_mode.c_str());
}

FILE* open_file_data_stream(const wchar_t* path) { return _wfopen(path, L"rb"); }

FILE* open_temporary_stream(std::wstring* folder) {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    *folder = length > 0 && length <= MAX_PATH ? std::wstring(path, length) : std::wstring();
    wchar_t name[MAX_PATH];
    if (folder->empty() || !GetTempFileNameW(folder->c_str(), L"kst", 0, name)) return nullptr;
    // The name goes with the handle: the file is deleted when it is closed.
    HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        DeleteFileW(name);
        SetLastError(error);
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), 0);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "w+b");
    if (!stream) _close(fd);
    return stream;
}

}  // namespace platform
