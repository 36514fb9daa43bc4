// Full paths, the current folder and the program's own path.
#include <stdlib.h>

#include <cwchar>
#include <vector>

#include "platform/win32/host-win32.h"

namespace platform {

bool full_path(const wchar_t* path, std::wstring& out, size_t limit) {
    if (!path || limit == 0) return false;
    // Room for `limit` characters and the terminator: longer results fail.
    std::vector<wchar_t> buffer(limit + 1);
    if (!_wfullpath(buffer.data(), path, buffer.size())) return false;
    out.assign(buffer.data());
    return true;
}

std::wstring current_directory() {
    wchar_t* cwd = _wgetcwd(nullptr, 0);
    if (!cwd) return {};
    std::wstring out(cwd);
    std::free(cwd);
    return out;
}

std::wstring program_path() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
        if (buffer.size() > 32768) return std::wstring(buffer.data(), length);
    }
}

}  // namespace platform
