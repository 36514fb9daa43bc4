#include "copy/directories.h"

#include <vector>

#include "common/paths.h"
#include "copy/copies_in_flight.h"
#include "copy/copy_context.h"
#include "copy/records.h"
#include "log/output.h"
#include "platform/platform.h"

namespace {

constexpr const char* DIRECTORY_TIMES_UNIT = "get_dtim_u64";

// Folder names keep their case where the file system tells case apart: an
// upper-cased name would be a second folder beside the one the files use.
bool upper_case_replicated_names(const CopyContext& c) {
#ifdef _WIN32
    return c.options.upper_case_dirs != 0;
#else
    (void)c;
    return false;
#endif
}

// The components of a path: the first runs to the first '\', or for a path
// beginning with "\\" to the '\' that ends the second name after them
// ("\\?\D:", "\\server\share"); the rest are folder names.
std::vector<std::wstring> split_components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t first_end;
    if (path.compare(0, 2, L"\\\\") == 0) {
        size_t second_name = path.find(L'\\', 2);
        first_end = second_name == std::wstring::npos ? std::wstring::npos : path.find(L'\\', second_name + 1);
    } else {
        first_end = path.find(L'\\');
    }
    parts.push_back(path.substr(0, first_end));
    if (first_end == std::wstring::npos) return parts;
    size_t start = first_end + 1;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A folder made with the times of its source folder. `times` keeps the times
// read last, as a folder whose times cannot be read gets those.
void create_with_source_times(const CopyContext& c, const std::wstring& source, const std::wstring& folder,
                              FileTimes& times) {
    read_directory_times(source, &times);
    platform::create_directory(folder.c_str());
    set_directory_times(c, folder, times);
}

}  // namespace

bool create_directory_path(const CopyContext& c, const std::wstring& path, const FileTimes* folder_times,
                           bool* created) {
    if (created) *created = false;
    if (platform::is_folder(paths::without_trailing_backslash(path).c_str())) return true;
    std::wstring work = path;
    size_t start = (work.size() >= 3 && work[2] == L'\\') ? 3 : 0;
    bool result = false;
    for (size_t i = start; i < work.size(); ++i) {
        if (work[i] != L'\\' && work[i] != L'/') continue;
        work[i] = L'\0';
        const wchar_t* part = work.c_str();
        if (platform::get_file_attributes(part) == platform::INVALID_ATTRIBUTES) {
            result = platform::create_directory(part);
            if (!result) write_link_refused_here(c);
            if (created && i + 1 == work.size()) *created = result;  // the folder itself
            if (result) {
                std::wstring made(part);
                c.out.print(c.run.screen, "\nDirectory %ls created\n\n", paths::display(made));
                if (folder_times) {
                    // Copies into the folder change its times: those in flight end first.
                    c.wait_for_all_copies();
                    set_directory_times(c, made, *folder_times);
                }
            }
        }
        work[i] = L'\\';
    }
    // Another process may have made the folder meanwhile: what counts is that it is there.
    return result || platform::is_folder(paths::without_trailing_backslash(path).c_str());
}

bool read_directory_times(const std::wstring& path, FileTimes* times) {
    platform::FindRecord record;
    if (!platform::find_entry(path.c_str(), &record)) return false;
    *times = times_of(record);
    return true;
}

bool set_directory_times(const CopyContext& c, const std::wstring& path, const FileTimes& times) {
    platform::FileHandle h =
        platform::open_file(path.c_str(), platform::Access::read_write, platform::Disposition::open_existing,
                            platform::OPEN_BACKUP_SEMANTICS | platform::OPEN_SEQUENTIAL_SCAN);
    if (!h) {
        write_link_refused_here(c);
        c.out.print(stderr, "\n%d Can't get handle for %ls date/time\n", 349, paths::display(path));
        return false;
    }
    bool ok = platform::set_file_times(h, &times.creation, &times.last_access, &times.last_write);
    platform::close_file(h);
    if (!ok) {
        c.out.print(c.run.screen, "\n%d %s Can't reset %ls date/time\n", 363, DIRECTORY_TIMES_UNIT,
                    paths::display(path));
        return false;
    }
    return true;
}

void replicate_directories(const CopyContext& c, const std::wstring& source_dir, const std::wstring& destination_root,
                           FileTimes& folder_times) {
    std::wstring source = source_dir, root = destination_root;
    if (upper_case_replicated_names(c)) {
        source = paths::upper_ascii(source);
        root = paths::upper_ascii(root);
    }
    source = paths::without_trailing_backslash(source);
    root = paths::without_trailing_backslash(root);

    std::vector<std::wstring> root_parts = split_components(root);
    std::vector<std::wstring> source_parts = split_components(source);
    if (root_parts.size() < 2 || source_parts.size() < 2) return;

    std::wstring building = root_parts[0] + L'\\';
    for (size_t k = 1; k < root_parts.size(); ++k) {
        size_t match = 0;
        for (size_t j = 1; j < source_parts.size() && !match; ++j)
            if (source_parts[j] == root_parts[k]) match = j;
        if (!match) {
            building += root_parts[k];
            platform::create_directory(building.c_str());
            building += L'\\';
            continue;
        }
        std::wstring source_path = source_parts[0];
        for (size_t j = 1; j <= match; ++j) source_path += L'\\' + source_parts[j];
        building += source_parts[match];
        create_with_source_times(c, source_path, building, folder_times);
        building += L'\\';
        for (size_t j = match + 1; j < source_parts.size(); ++j) {
            source_path += L'\\' + source_parts[j];
            building += source_parts[j];
            create_with_source_times(c, source_path, building, folder_times);
            building += L'\\';
        }
        return;
    }
}
