// Attributes and identities of entries with the kernel32 calls.
#include <io.h>

#include "platform/win32/host-win32.h"

namespace platform {

uint32_t get_file_attributes(const wchar_t* path) { return GetFileAttributesW(path); }

bool is_folder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool set_file_attributes(const wchar_t* path, uint32_t attributes) { return SetFileAttributesW(path, attributes) != 0; }

bool path_accessible(const wchar_t* path) { return _waccess(path, 0) == 0; }

bool get_file_identity(const wchar_t* path, FileIdentity* identity) {
    // No access rights are needed to read the identity; backup semantics lets
    // folders be opened too.
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->id = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace platform
