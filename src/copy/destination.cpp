#include "copy/destination.h"

#include <cwctype>

#include "common/paths.h"
#include "common/text.h"
#include "copy/copy_context.h"
#include "copy/directories.h"
#include "copy/records.h"
#include "copy/time_breakdown.h"

namespace {

// Makes sure the folder of the next copy exists; the folder of the previous
// one is known to.
void ensure_folder(const CopyContext& c, const std::wstring& folder, const std::wstring* reached_folder) {
    ReadyFolder& ready = c.run.ready_folder;
    if (folder == ready.folder) return;
    ready.names_given.clear();
    if (reached_folder && *reached_folder == folder) {
        ready.folder = folder;
        ready.is_new = false;
        ready.changes_refused = false;
        return;
    }
    bool created = false;
    const FileTimes* times = c.options.maintain_dir_dates ? &c.run.source_folder_times : nullptr;
    if (create_directory_path(c, folder, times, &created)) {
        ready.folder = folder;
        ready.is_new = created;
    } else {
        ready.folder.clear();
        ready.is_new = false;
    }
    ready.changes_refused = platform::changes_refused_in(folder);
    if (ready.changes_refused) write_link_refused_here(c);
}

// The name of `path` inside the ready folder, upper-cased (so that names a
// case-blind file system takes for one are one here too); empty when `path`
// lies elsewhere.
std::wstring name_in_ready_folder(const ReadyFolder& ready, const std::wstring& path) {
    const std::wstring& folder = ready.folder;
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
        return std::wstring();
    std::wstring name;
    name.resize(path.size() - folder.size());
    for (size_t i = folder.size(), k = 0; i < path.size(); ++i, ++k) {
        const wchar_t c = path[i];
        if (c == L'\\' || c == L'/') return std::wstring();
        // Most names are ASCII: upper-cased without a call per character.
        name[k] = c < 0x80 ? paths::upper_ascii(c) : static_cast<wchar_t>(std::towupper(c));
    }
    return name;
}

void apply_tilde_check(const CopyContext& c, RenameNumbers& numbers, std::wstring& destination,
                       const platform::FindRecord& record) {
    if (!has_early_tilde(record.name) || !something_exists(destination)) return;
    write_renamed_before(c, destination);
    destination += tilde_time_suffix(platform::now_seconds());
    int second = split_file_time(record.last_write_time, c.options.zulu_time != 0).second;
    while (something_exists(destination)) {
        destination += text::format(".[%02d_%03d]", int(numbers.tilde_index), second);
        ++numbers.tilde_index;
    }
    write_renamed_after(c, destination);
}

}  // namespace

bool destination_surely_free(const CopyContext& c, const ReadyFolder& ready, const std::wstring& path) {
    // Flattening makes numbered folders among the copies; a name with a '~'
    // may be another file's generated short name.
    if (!ready.is_new || c.options.flatten != 0 || path.find(L'~') != std::wstring::npos) return false;
    std::wstring name = name_in_ready_folder(ready, path);
    return !name.empty() && !ready.names_given.contains(name);
}

void note_destination_taken(ReadyFolder& ready, const std::wstring& path) {
    // Only a folder this run made keeps the names it gave (see ReadyFolder).
    if (!ready.is_new) return;
    std::wstring name = name_in_ready_folder(ready, path);
    if (!name.empty()) ready.names_given.insert(std::move(name));
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

std::wstring flatten_subfolder(const CopyContext& c, RenameNumbers& numbers) {
    if (c.options.flatten <= 5) return std::wstring();
    // The folder moves on when a folder's worth of copies is complete, once:
    // files that are then passed over do not open further, empty folders.
    if (numbers.flatten_copied >= c.options.flatten && numbers.flatten_copied % c.options.flatten == 0)
        numbers.flatten_folder = numbers.flatten_copied / c.options.flatten;
    if (numbers.flatten_folder <= 0) return std::wstring();
    return text::format("%.04d\\", int(numbers.flatten_folder));
}

const std::wstring& destination_folder(const CopyContext& c, const std::wstring& dir) {
    const CopyTarget& target = c.run.target;
    // In tree replication the files of one folder come one after another:
    // the folder of the last one serves them all.
    ReplicatedFolder& last = c.run.ready_folder.replicated;
    const bool replicating = c.options.flatten == 0;
    if (replicating && last.source == dir && last.start_path_len == target.current_start_path_len &&
        last.root == target.destination_root)
        return last.destination;
    std::wstring folder = target.destination_root;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (replicating) {
        size_t cut = target.current_start_path_len > 0 ? static_cast<size_t>(target.current_start_path_len) : 0;
        // A start path stored with its trailing '\' (a --dirs line) leaves the
        // part below it without the separator it needs after the root.
        if (cut >= dir.size() || dir[cut] != L'\\') folder += L'\\';
        if (cut < dir.size()) folder.append(dir, cut, std::wstring::npos);
        if (folder.back() != L'\\') folder += L'\\';
        last = {dir, target.destination_root, target.current_start_path_len, std::move(folder)};
    } else {
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        folder += flatten_subfolder(c, c.run.renames);
        // Flattening serves no folder twice from what it kept.
        last = {std::wstring(), std::wstring(), 0, std::move(folder)};
    }
    return last.destination;
}

void build_destination(const CopyContext& c, const std::wstring& dir, const std::wstring& name,
                       const platform::FindRecord& record, std::wstring& destination,
                       const std::wstring* reached_folder) {
    const std::wstring& folder = destination_folder(c, dir);
    if (!c.options.list_only) ensure_folder(c, folder, reached_folder);
    destination.assign(folder).append(name);
    if (c.options.check_tilde == 1) apply_tilde_check(c, c.run.renames, destination, record);
}

std::wstring renamed_duplicate(RenameNumbers& numbers, const std::wstring& path) {
    paths::SplitPath parts = paths::split_path(path);
    std::wstring renamed = text::format("%ls%ls%ls[%04d]%ls", parts.drive.c_str(), parts.dir.c_str(),
                                        parts.fname.c_str(), int(numbers.dupe_index), parts.ext.c_str());
    ++numbers.dupe_index;
    return renamed;
}

void rename_duplicates(const CopyContext& c, RenameNumbers& numbers, std::wstring& destination) {
    auto taken = [&] {
        return platform::get_file_attributes(destination.c_str()) != platform::INVALID_ATTRIBUTES;
    };
    if (c.options.flatten && c.options.nodupe && taken()) destination = renamed_duplicate(numbers, destination);
    if (c.options.rename_existing && taken()) destination = renamed_duplicate(numbers, destination);
}
