#include "walk/walk.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "common/paths.h"
#include "common/text.h"
#include "copy/directories.h"
#include "run/config.h"
#include "run/run_state.h"
#include "run/stop.h"
#include "run/terminate.h"
#include "walk/exclude.h"
#include "walk/folder_chain.h"
#include "walk/folder_reader.h"

namespace {

constexpr size_t PATH_BUFFER_CHARS = 131072;  // 262,144 bytes of UTF-16

FolderReader* active_reader = nullptr;  // while a FolderReading exists
int walk_depth = 0;
// Folders reached through a link: the run may write into them (a link into
// the destination), so they are never kept or read ahead.
int links_entered = 0;
// A start path lies in the destination: the copy pass reads every folder
// when it reaches it.
bool start_path_in_destination = false;

std::wstring g_searchstr;     // the folder followed by "*.*"
std::wstring type_pattern;    // the folder followed by one file type
bool type_pattern_ready = false;

// Ctrl+C or Escape typed at the console ends the run; other keys are dropped.
// A redirected standard input never has a key waiting. Between two entries
// the walk is at a safe point, where an interrupt ends the run too.
void poll_keyboard() {
    run::stop_if_requested();
    if (!platform::key_waiting()) return;
    int key = platform::read_key();
    if (key == 3 || key == 27) run::terminate(run::USER_ABORTED);
}

bool bypassed(const std::wstring& dir) {
    if (!opt->bypass_active) return false;
    for (const std::wstring& entry : config().bypass_list) {
        if (entry.empty()) break;
        if (paths::starts_with_ignoring_ascii_case(dir, entry)) return true;
    }
    return false;
}

bool is_subfolder(const platform::FindRecord& entry) {
    if (!(entry.attributes & platform::ATTR_DIRECTORY)) return false;
    const wchar_t* n = entry.name;
    return !(n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)));
}

std::wstring without_trailing_backslash(const std::wstring& dir) {
    return dir.substr(0, dir.size() - (!dir.empty() && dir.back() == L'\\' ? 1 : 0));
}

// -M: the copy pass keeps a folder's own times so that it can give them to
// the folders it creates and put them back on the source folder at the end.
class KeptFolderTimes {
public:
    explicit KeptFolderTimes(const std::wstring& dir)
        : keep_(opt->maintain_dir_dates && !current_run().counting_pass) {
        if (!keep_) return;
        name_ = without_trailing_backslash(dir);
        read_again();
    }
    // After a subfolder's walk, which replaced the times with its own.
    void read_again() {
        if (keep_) read_directory_times(name_, &current_run().source_folder_times);
    }
    void put_back() {
        if (keep_) set_directory_times(name_, current_run().source_folder_times);
    }

private:
    bool keep_;
    std::wstring name_;
};

void walk_subfolder(const std::wstring& dir, const platform::FindRecord& entry, FileSink& sink) {
    // Memory that cannot be had ends the run in the new-handler.
    std::wstring child;
    child.reserve(dir.size() + std::char_traits<wchar_t>::length(entry.name) + 1);
    child.append(dir).append(entry.name).push_back(L'\\');
    // A link back to a folder we are inside would be walked for ever.
    const bool link = (entry.attributes & platform::ATTR_REPARSE_POINT) != 0;
    if (link && leads_to_entered_folder(child)) return;
    links_entered += link;
    walk_directory(child, sink);
    links_entered -= link;
}

void count_file(uint64_t size) {
    if (!opt->dest_given) return;
    ++current_run().counters.files_to_process;
    if (current_run().counters.files_to_process % 1000 == 0)
        text::print(stderr, "%7ld\b\b\b\b\b\b\b", long(current_run().counters.files_to_process));
    current_run().counters.bytes_to_process += static_cast<int64_t>(size);
}

void hand_over(FileSink& sink, const std::wstring& dir, const std::wstring& name, const platform::FindRecord& match,
               const FileOrigin& origin) {
    if (opt->exclude_select && exclude_test(name)) return;
    sink.take_file(dir, name, match, origin);
    ++current_run().counters.files_processed;
    check_log_writes(current_run().logs.writes);
}

void replicate_folder_for_copy(const std::wstring& dir) {
    if (opt->maintain_dir_dates && !current_run().counting_pass && !config().source_paths.empty())
        replicate_directories(dir, current_run().target.destination_root, config().source_paths[0],
                              current_run().source_folder_times);
}

void prepare_type_pattern() {
    if (type_pattern_ready) return;
    type_pattern.reserve(PATH_BUFFER_CHARS);
    type_pattern_ready = true;
}

// One listing per file type, in list order; the list ends at an empty entry
// or at a type that begins with '-'. A file that two types match is handled
// twice.
void list_files(const std::wstring& dir, FileSink& sink) {
    replicate_folder_for_copy(dir);
    prepare_type_pattern();
    for (const std::wstring& type : config().file_types) {
        if (type.empty() || type[0] == L'-') break;
        type_pattern.assign(dir).append(type);
        platform::FindRecord match;
        // The counting pass uses only the folder bit and the size; the copy
        // pass may leave the attribute record to the files it copies.
        bool sizes = current_run().counting_pass || sink.takes_incomplete_records();
        const FileOrigin origin{nullptr, 0, !sizes};
        platform::FindHandle listing = sizes ? platform::find_first_sizes(type_pattern.c_str(), &match)
                                             : platform::find_first(type_pattern.c_str(), &match);
        if (!listing) continue;
        do {
            poll_keyboard();
            if (match.attributes & platform::ATTR_DIRECTORY) continue;
            if (current_run().counting_pass)
                count_file(match.size());
            else
                hand_over(sink, dir, std::wstring(match.name), match, origin);
        } while (platform::find_next(listing, &match));
        platform::find_close(listing);
    }
}

// The same as list_files, from a folder read whole: each type picks its
// matches from the one reading, in listing order.
void list_files_read(const std::wstring& dir, const platform::FolderListing& listing, FileSink& sink) {
    replicate_folder_for_copy(dir);
    const bool complete = active_reader->with_attribute_records();
    platform::FindRecord match;
    for (const std::wstring& type : config().file_types) {
        if (type.empty() || type[0] == L'-') break;
        for (size_t i = 0; i < listing.entries.size(); ++i) {
            const platform::FolderEntry& entry = listing.entries[i];
            if (!entry.has_record || !platform::folder_entry_matches(type, entry)) continue;
            poll_keyboard();
            if (entry.attributes & platform::ATTR_DIRECTORY) continue;
            if (current_run().counting_pass) {
                count_file(entry.size);
                continue;
            }
            platform::fill_find_record(entry, &match);
            hand_over(sink, dir, entry.name, match, FileOrigin{&listing, i, complete});
        }
    }
}

// The files of a folder the copy pass will hand over: those that match a type
// and are not excluded.
std::vector<size_t> files_to_hand_over(const platform::FolderListing& listing) {
    std::vector<size_t> files;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const platform::FolderEntry& entry = listing.entries[i];
        if (!entry.has_record || (entry.attributes & platform::ATTR_DIRECTORY)) continue;
        bool matches = false;
        for (const std::wstring& type : config().file_types) {
            if (type.empty() || type[0] == L'-') break;
            if ((matches = platform::folder_entry_matches(type, entry))) break;
        }
        if (matches && !(opt->exclude_select && exclude_test(entry.name))) files.push_back(i);
    }
    return files;
}

// The files of the folders kept from the counting pass under `dir`, in the
// order the walk will reach them: a folder's subfolders first, then its own
// files. Links and bypassed folders are left out.
void gather_files_ahead(const std::wstring& dir, std::vector<FilesAhead>& folders) {
    if (bypassed(dir)) return;
    std::shared_ptr<const platform::FolderListing> listing = active_reader->peek(dir);
    if (!listing || !listing->listed) return;
    if (opt->recurse) {
        for (const platform::FolderEntry& e : listing->entries) {
            if (!e.has_record || !(e.attributes & platform::ATTR_DIRECTORY)) continue;
            if (e.attributes & platform::ATTR_REPARSE_POINT) continue;
            gather_files_ahead(dir + e.name + L'\\', folders);
        }
    }
    std::vector<size_t> files = files_to_hand_over(*listing);
    if (files.empty()) return;
    folders.push_back({dir, listing, std::move(files)});
}

void plan_copy_pass(const std::wstring& start, FileSink& sink) {
    if (current_run().counting_pass) return;
    if (start_path_in_destination) active_reader->read_each_folder_when_reached();
    if (active_reader->reads_each_folder_when_reached()) return;
    std::vector<FilesAhead> folders;
    gather_files_ahead(start, folders);
    if (!folders.empty()) sink.files_ahead(std::move(folders), *active_reader);
}

// walk_directory through the folder reader. The counting pass keeps what it
// reads for the copy pass.
void walk_read_folder(const std::wstring& dir, FileSink& sink) {
    const bool plain_path = links_entered == 0;
    std::shared_ptr<const platform::FolderListing> listing =
        active_reader->take(dir, current_run().counting_pass != 0 && plain_path, plain_path);
    // An empty drive root lists nothing at all, not even "." and "..".
    if (!listing->listed || (listing->entries.empty() && !listing->with_dots)) return;
    EnteredFolder inside(dir);
    KeptFolderTimes times(dir);
    if (opt->recurse) {
        platform::FindRecord entry;
        for (const platform::FolderEntry& e : listing->entries) {
            if (!e.has_record || !(e.attributes & platform::ATTR_DIRECTORY)) continue;
            platform::fill_find_record(e, &entry);
            walk_subfolder(dir, entry, sink);
            times.read_again();
        }
    }
    list_files_read(dir, *listing, sink);
    times.put_back();
}

// File types with a folder part list another folder than the one walked:
// those runs list by pattern.
bool types_name_files_only() {
    for (const std::wstring& type : config().file_types) {
        if (type.empty() || type[0] == L'-') break;
        if (type.find_first_of(L"\\/:") != std::wstring::npos) return false;
    }
    return true;
}

std::vector<std::wstring> active_types() {
    std::vector<std::wstring> types;
    for (const std::wstring& type : config().file_types) {
        if (type.empty() || type[0] == L'-') break;
        types.push_back(type);
    }
    return types;
}

}  // namespace

namespace {

// The identities of `path` and of every folder above it, following links
// and ".." as the file system does (the real parents, not those of the text).
std::vector<platform::FileIdentity> identities_up_from(const std::wstring& path) {
    std::vector<platform::FileIdentity> found;
    std::wstring up = without_trailing_backslash(path);
    platform::FileIdentity identity;
    while (found.size() < 256 && platform::get_file_identity(up.c_str(), &identity)) {
        if (!found.empty() && found.back() == identity) break;  // the root is its own parent
        found.push_back(identity);
        up += L"\\..";
    }
    return found;
}

// A run whose destination lies in a tree it reads, or that reads a tree in
// its destination, writes into folders it has read: the copy pass must then
// read each folder when it reaches it, as it finds it. The destination inside
// a start path shows when its folder is read; a start path inside the
// destination is seen here.
void watch_for_overlap() {
    start_path_in_destination = false;
    if (!opt->dest_given || config().dest_path.empty()) return;
    platform::FileIdentity destination;
    if (!platform::get_file_identity(without_trailing_backslash(config().dest_path).c_str(), &destination)) {
        // Not there yet: only the names can tell.
        for (const std::wstring& start : config().source_paths)
            if (paths::starts_with_ignoring_ascii_case(config().dest_path, start) ||
                paths::starts_with_ignoring_ascii_case(start, config().dest_path))
                start_path_in_destination = true;
        return;
    }
    active_reader->watch_for(destination);
    for (const std::wstring& start : config().source_paths)
        for (const platform::FileIdentity& above : identities_up_from(start))
            if (above == destination) start_path_in_destination = true;
}

}  // namespace

namespace {

bool destination_is_empty() {
    if (!opt->dest_given || config().dest_path.empty()) return false;
    std::wstring folder = config().dest_path;
    if (folder.back() != L'\\') folder += L'\\';
    platform::FolderListing listing = platform::read_folder(folder, {}, false);
    return listing.listed && listing.entries.empty();
}

}  // namespace

FolderReading::FolderReading(const FileSink& sink) {
    if (!platform::folder_reading_pays() || !types_name_files_only()) return;
    // Attribute records are read with the listing, on the reader's threads,
    // when the copy pass wants them for every file, as it does when the
    // destination is empty (every file will be copied); otherwise the walk
    // reads them only for the files it copies.
    bool with_records = !sink.takes_incomplete_records() || destination_is_empty();
    unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    constexpr size_t RETAINED_ENTRIES = 400000;  // some 130 MB
    reader_ = std::make_unique<FolderReader>(active_types(), with_records, opt->recurse != 0, bypassed, threads,
                                             RETAINED_ENTRIES);
    active_reader = reader_.get();
    watch_for_overlap();
}

FolderReading::~FolderReading() {
    if (active_reader == reader_.get()) active_reader = nullptr;
}

void walk_directory(const std::wstring& dir, FileSink& sink) {
    if (bypassed(dir)) return;
    poll_keyboard();
    if (active_reader) {
        if (walk_depth == 0) plan_copy_pass(dir, sink);
        ++walk_depth;
        walk_read_folder(dir, sink);
        --walk_depth;
        return;
    }

    g_searchstr.assign(dir).append(L"*.*");
    platform::FindRecord entry;
    // Only the folders of this listing are used: files come from the listings by type.
    platform::FindHandle listing = platform::find_first_folders(g_searchstr.c_str(), &entry);
    if (!listing) return;  // missing or unreadable: skipped without a message
    EnteredFolder inside(dir);
    KeptFolderTimes times(dir);
    if (opt->recurse) {
        do {
            if (!is_subfolder(entry)) continue;
            walk_subfolder(dir, entry, sink);
            times.read_again();
        } while (platform::find_next(listing, &entry));
    }
    platform::find_close(listing);

    list_files(dir, sink);
    times.put_back();
}
