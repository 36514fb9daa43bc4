// The identities of a folder and of the folders above it, for telling
// whether two trees overlap.
#include "common/paths.h"
#include "platform/platform.h"

namespace platform {

std::vector<FileIdentity> identities_up_from(const std::wstring& path) {
#ifdef _WIN32
    const bool by_names = path.starts_with(L"\\\\?\\");  // Windows takes no ".." in it
#else
    const bool by_names = false;
#endif
    std::vector<FileIdentity> found;
    std::wstring up = paths::without_trailing_backslash(path);
    FileIdentity identity;
    while (found.size() < 256 && get_file_identity(up.c_str(), &identity)) {
        if (!found.empty() && found.back() == identity) break;  // the root is its own parent
        found.push_back(identity);
        if (!by_names) {
            up += L"\\..";
            continue;
        }
        size_t cut = up.find_last_of(L'\\');
        if (cut == std::wstring::npos) break;
        up.erase(cut);
        if (!up.empty() && up.back() == L':') up += L'\\';  // a drive's root
    }
    return found;
}

}  // namespace platform
