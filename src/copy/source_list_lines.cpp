#include "copy/source_list_lines.h"

#include <vector>

#include "common/paths.h"

namespace {

constexpr size_t PREFIX_LENGTH = 4;  // "\\?\"

bool is_drive_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "X:\" followed by at least one name.
bool is_drive_path(const std::wstring& text, size_t at) {
    return text.size() > at + 3 && is_drive_letter(text[at]) && text[at + 1] == L':' && text[at + 2] == L'\\';
}

// A wildcard would make the lookup a search that finds some other file.
bool has_wildcard(const std::wstring& text, size_t from) {
    return text.find_first_of(L"*?", from) != std::wstring::npos;
}

// `path` with its "." and ".." components resolved below its first `root`
// characters ("X:"), never above them: a line that climbs out of its folders
// names the file where it lands, and the copy goes where that file's path says.
std::wstring without_dot_components(const std::wstring& path, size_t root) {
    if (path.find(L"\\.", root) == std::wstring::npos) return path;
    std::vector<std::wstring> kept;
    size_t at = root + 1;
    for (;;) {
        size_t end = path.find(L'\\', at);
        std::wstring part = path.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
        if (part == L"..") {
            if (!kept.empty()) kept.pop_back();
        } else if (part != L".") {
            kept.push_back(std::move(part));
        }
        if (end == std::wstring::npos) break;
        at = end + 1;
    }
    std::wstring resolved = path.substr(0, root);
    for (const std::wstring& part : kept) resolved += L"\\" + part;
    if (kept.empty()) resolved += L'\\';
    return resolved;
}

}  // namespace

bool take_listed_text(std::string& line) {
    size_t bar = line.find('|');
    if (bar != std::string::npos) line.resize(bar);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line.size() >= 2;
}

std::wstring listed_source_path(const std::wstring& text) {
    if (is_drive_path(text, 0) && !has_wildcard(text, 0)) return paths::LONG_PREFIX + without_dot_components(text, 2);
    if (text.compare(0, PREFIX_LENGTH, paths::LONG_PREFIX) == 0 && is_drive_path(text, PREFIX_LENGTH) &&
        !has_wildcard(text, PREFIX_LENGTH))
        return without_dot_components(text, PREFIX_LENGTH + 2);
    return std::wstring();
}

std::wstring listed_destination_folder(const std::wstring& destination_root, const std::wstring& source) {
    std::wstring folder = destination_root.empty() ? std::wstring() : paths::long_form(destination_root);
    // A root given with its '\' ("E:\") must not double the separator.
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    // The folder part of "\\?\D:\DATA\A.TXT" is "\\?\D:\DATA\"; below the
    // drive's root it is "\DATA\".
    std::wstring dir = paths::split_path(source).dir;
    constexpr size_t PREFIX_AND_DRIVE = PREFIX_LENGTH + 2;
    return folder + (dir.size() > PREFIX_AND_DRIVE ? dir.substr(PREFIX_AND_DRIVE) : std::wstring(L"\\"));
}
