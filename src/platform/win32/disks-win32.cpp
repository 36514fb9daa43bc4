// What kind of disk a path lies on: whether its volume's device has a seek
// penalty, as the storage driver reports it.
#include <windows.h>
#include <winioctl.h>

#include <string>

#include "platform/platform.h"

namespace platform {

bool on_rotating_disk(const wchar_t* path) {
    wchar_t volume[MAX_PATH + 1];
    if (!GetVolumePathNameW(path, volume, MAX_PATH + 1)) return false;
    std::wstring root(volume);
    if (root.rfind(L"\\\\?\\", 0) == 0) root.erase(0, 4);
    if (root.size() < 2 || root[1] != L':') return false;  // a share or a mounted folder: cannot tell
    std::wstring device = std::wstring(L"\\\\.\\") + root.substr(0, 2);
    HANDLE h = CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_SEEK_PENALTY_DESCRIPTOR penalty{};
    DWORD returned = 0;
    BOOL told = DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &penalty, sizeof penalty,
                                &returned, nullptr);
    CloseHandle(h);
    return told && returned >= sizeof penalty && penalty.IncursSeekPenalty;
}

}  // namespace platform
