// Helpers shared by the Win32 files of the platform layer: the opaque handles
// of platform.h are the kernel handles themselves, so no allocation is made
// per open file or per directory listing.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace platform::win32 {

inline FileTime to_filetime(const FILETIME& t) {
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

inline FILETIME from_filetime(FileTime t) {
    FILETIME out;
    out.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return out;
}

// INVALID_HANDLE_VALUE becomes nullptr, the failure value of the interface.
template <typename Opaque>
inline Opaque* wrap_handle(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<Opaque*>(h);
}

template <typename Opaque>
inline HANDLE unwrap_handle(Opaque* h) {
    return reinterpret_cast<HANDLE>(h);
}

// The FindRecord of a WIN32_FIND_DATAW (they match field for field).
void fill_record(const WIN32_FIND_DATAW& data, FindRecord* rec);
// FindFirstFileExW with the standard record (short names included); with
// `folders_only` the system may leave out entries that are not folders.
FindHandle find_first_ex(const wchar_t* pattern, FindRecord* rec, bool folders_only);

// True when the program runs under Wine, which does not refuse what Windows
// refuses for a process of the host's root user (see files-win32.cpp).
bool running_under_wine();

// A narrow text of the C runtime (current ANSI code page) as wide text.
inline std::wstring widen_ansi(const char* text) {
    if (!text || !*text) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), length);
    out.resize(static_cast<size_t>(length - 1));
    return out;
}

}  // namespace platform::win32
