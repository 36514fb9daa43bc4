#include "copy/destination.h"

#include <cwctype>
#include <unordered_set>

#include "common/paths.h"
#include "common/text.h"
#include "copy/directories.h"
#include "copy/records.h"
#include "copy/time_breakdown.h"
#include "run/config.h"

std::wstring current_destination;

namespace {

// The folder the previous file went to, known to exist: files of one folder
// come one after another, so the folder is looked up once, not per file.
std::wstring ready_folder;
// The ready folder was made by this run, and these are the names (upper-cased)
// the run has since given copies there: any other name is surely free.
bool ready_folder_is_new = false;
std::unordered_set<std::wstring> names_given;

void ensure_folder(const std::wstring& folder) {
    if (folder == ready_folder) return;
    names_given.clear();
    bool created = false;
    if (create_directory_path(folder, &created)) {
        ready_folder = folder;
        ready_folder_is_new = created;
    } else {
        ready_folder.clear();
        ready_folder_is_new = false;
    }
}

// The name of `path` inside the ready folder, upper-cased (so that names a
// case-blind file system takes for one are one here too); empty when `path`
// lies elsewhere.
std::wstring name_in_ready_folder(const std::wstring& path) {
    if (ready_folder.empty() || path.size() <= ready_folder.size() ||
        path.compare(0, ready_folder.size(), ready_folder) != 0)
        return std::wstring();
    std::wstring name = path.substr(ready_folder.size());
    if (name.find_first_of(L"\\/") != std::wstring::npos) return std::wstring();
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    return name;
}

void apply_tilde_check(std::wstring& destination, const platform::FindRecord& record) {
    if (!has_early_tilde(record.name) || !something_exists(destination)) return;
    write_renamed_before(destination);
    destination += tilde_time_suffix(platform::now_seconds());
    int second = split_file_time(record.last_write_time, opt->zulu_time != 0).second;
    while (something_exists(destination)) {
        destination += text::format(".[%02d_%03d]", int(tilde_index), second);
        ++tilde_index;
    }
    write_renamed_after(destination);
}

}  // namespace

bool destination_surely_free(const std::wstring& path) {
    // Flattening makes numbered folders among the copies; a name with a '~'
    // may be another file's generated short name.
    if (!ready_folder_is_new || opt->flatten != 0 || path.find(L'~') != std::wstring::npos) return false;
    std::wstring name = name_in_ready_folder(path);
    return !name.empty() && !names_given.contains(name);
}

void note_destination_taken(const std::wstring& path) {
    std::wstring name = name_in_ready_folder(path);
    if (!name.empty()) names_given.insert(std::move(name));
}

bool something_exists(const std::wstring& path) {
    platform::FindRecord record;
    return platform::find_entry(path.c_str(), &record);
}

bool has_early_tilde(const wchar_t* long_name) {
    for (int i = 0; i < 8 && long_name[i]; ++i)
        if (long_name[i] == L'~') return true;
    return false;
}

std::wstring tilde_time_suffix(int64_t seconds_since_1970) {
    std::wstring digits = text::format("%lld", static_cast<long long>(seconds_since_1970));
    std::wstring kept = digits.size() > 5 ? digits.substr(5, 5) : std::wstring();
    return text::format(".D[%5.5ls]", kept.c_str());
}

std::wstring flatten_subfolder() {
    if (opt->flatten <= 5) return std::wstring();
    // The folder moves on when a folder's worth of copies is complete, once:
    // files that are then passed over do not open further, empty folders.
    if (flatten_copied >= opt->flatten && flatten_copied % opt->flatten == 0)
        flatten_folder = flatten_copied / opt->flatten;
    if (flatten_folder <= 0) return std::wstring();
    return text::format("%.04d\\", int(flatten_folder));
}

std::wstring destination_folder(const std::wstring& dir) {
    std::wstring folder = dest_path;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (opt->flatten == 0) {
        size_t cut = current_start_path_len > 0 ? static_cast<size_t>(current_start_path_len) : 0;
        std::wstring below = cut < dir.size() ? dir.substr(cut) : std::wstring();
        // A start path stored with its trailing '\' (a --dirs line) leaves the
        // part below it without the separator it needs after the root.
        if (below.empty() || below[0] != L'\\') folder += L'\\';
        folder += below;
        if (folder.back() != L'\\') folder += L'\\';
    } else {
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        folder += flatten_subfolder();
    }
    return folder;
}

void build_destination(const std::wstring& dir, const std::wstring& name,
                       const platform::FindRecord& record) {
    std::wstring folder = destination_folder(dir);
    if (!opt->list_only) ensure_folder(folder);
    current_destination = folder + name;
    if (opt->check_tilde == 1) apply_tilde_check(current_destination, record);
}

std::wstring renamed_duplicate(const std::wstring& path) {
    paths::SplitPath parts = paths::split_path(path);
    std::wstring renamed = text::format("%ls%ls%ls[%04d]%ls", parts.drive.c_str(), parts.dir.c_str(),
                                        parts.fname.c_str(), int(dupe_index), parts.ext.c_str());
    ++dupe_index;
    return renamed;
}

void rename_duplicates(std::wstring& destination) {
    if (opt->flatten && opt->nodupe && platform::get_file_attributes(destination.c_str()) != platform::INVALID_ATTRIBUTES)
        destination = renamed_duplicate(destination);
    if (opt->rename_existing && platform::get_file_attributes(destination.c_str()) != platform::INVALID_ATTRIBUTES)
        destination = renamed_duplicate(destination);
}
