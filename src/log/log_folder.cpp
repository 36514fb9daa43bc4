#include "log/log_folder.h"

#include <ctime>

#include "common/paths.h"
#include "log/output.h"
#include "platform/pause.h"
#include "platform/platform.h"

namespace {

bool path_exists(const std::wstring& path) {
    return platform::get_file_attributes(path.c_str()) != platform::INVALID_ATTRIBUTES;
}

size_t find_date_token(const std::wstring& name) {
    size_t at = name.find(L"\\MMDD");
    if (at == std::wstring::npos) at = name.find(L"\\YYMM");
    return at;
}

}  // namespace

int create_log_folder(const std::wstring& name) {
    paths::SplitPath parts = paths::split_path(name);
    std::wstring folder = parts.drive + parts.dir;
    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    // A name without a folder, or on a drive's root, has nothing to create.
    if (folder.empty() || (folder.size() == 2 && folder[1] == L':')) return 1;
    if (platform::is_folder(folder.c_str())) return 1;

    // Only a folder that was made is announced: one that cannot be made is
    // tried again by the opening of the log, and would be announced twice.
    for (size_t i = 2; i < folder.size(); ++i) {
        if (folder[i] != L'\\' && folder[i] != L'/') continue;
        std::wstring shorter = folder.substr(0, i);
        if (!path_exists(shorter) && platform::create_directory(shorter.c_str()))
            text::print(stdout, "Creating (log\\error) directory:  %ls\n", shorter.c_str());
        folder[i] = L'\\';
    }
    if (!platform::create_directory(folder.c_str())) return 0;
    text::print(stdout, "Creating (log) directory:  %ls\n", folder.c_str());
    pause_seconds(1);
    return 1;
}

bool has_date_token(const std::wstring& name) { return find_date_token(name) != std::wstring::npos; }

void replace_date_token(std::wstring& name) {
    size_t at = find_date_token(name);
    if (at == std::wstring::npos) return;
    std::tm today{};
    platform::utc_time(platform::now_seconds(), &today);
    std::wstring date = text::format("%4d%02d%02d", today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    size_t dot = name.find(L'.');
    std::wstring tail = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    name = name.substr(0, at + 1) + date + tail;
}
