// Interim start-path and file-type lists; the list-file readers replace this.
#include "options/lists.h"

#include "common/paths.h"
#include "common/text.h"
#include "run/config.h"
#include "run/terminate.h"

void add_start_path(const std::wstring& path) {
    std::wstring full;
    if (!platform::full_path(path.c_str(), full)) run::terminate(run::INPUT_FILE);
    std::wstring entry = paths::long_form(full);
    for (const auto& existing : source_paths)
        if (paths::equal_no_case(existing, entry)) return;
    if (!source_paths.add(entry)) run::terminate(run::ILLEGAL_OPTION);
    std::wstring& stored = source_paths[source_paths.size() - 1];
    if (!stored.empty() && stored.back() == L'\\') stored.pop_back();
    start_path_len[source_paths.size() - 1] = static_cast<int32_t>(stored.size());
}

void add_file_type(const std::wstring& pattern) {
    for (const auto& existing : file_types)
        if (existing == pattern) return;
    file_types.add(pattern);
}

void read_types_file(const std::wstring&) {}
void read_exclude_file(const std::wstring&) {}
void add_bypass(const std::wstring&) {}
void read_dirs_file(FILE*) {}
