#include "copy/directories.h"

#include "common/paths.h"
#include "common/text.h"
#include "platform/platform.h"

namespace {
bool is_directory(const std::wstring& path) {
    uint32_t a = platform::get_file_attributes(path.c_str());
    return a != platform::INVALID_ATTRIBUTES && (a & platform::ATTR_DIRECTORY);
}
}  // namespace

int create_directory_path(const std::wstring& path) {
    std::wstring whole = path;
    if (!whole.empty() && whole.back() == L'\\') whole.pop_back();
    if (is_directory(whole)) return 1;
    std::wstring work = path;
    size_t start = (work.size() >= 3 && work[2] == L'\\') ? 3 : 0;
    int result = 0;
    for (size_t i = start; i < work.size(); ++i) {
        if (work[i] != L'\\' && work[i] != L'/') continue;
        std::wstring part = work.substr(0, i);
        if (platform::get_file_attributes(part.c_str()) == platform::INVALID_ATTRIBUTES) {
            result = platform::create_directory(part.c_str()) ? 1 : 0;
            if (result) {
                text::print(screen, "\nDirectory %ls created\n\n", paths::display(part));
                if (opt->maintain_dir_dates) set_directory_times(part);
            }
        }
        work[i] = L'\\';
    }
    return result;
}

bool read_directory_times(const std::wstring&, FileTimes*) { return false; }
int set_directory_times(const std::wstring&) { return 1; }
void replicate_directories(const std::wstring&, const std::wstring&, const std::wstring&) {}
