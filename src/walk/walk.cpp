#include "walk/walk.h"

#include "common/paths.h"
#include "common/text.h"
#include "copy/directories.h"
#include "run/config.h"
#include "run/run_state.h"
#include "run/stop.h"
#include "run/terminate.h"
#include "walk/exclude.h"
#include "walk/folder_chain.h"
#include "walk/pattern_lister.h"
#include "walk/read_ahead.h"

namespace {

FolderSource* read_ahead_source = nullptr;  // while a FolderReading exists
// Folders reached through a link: the run may write into them (a link into
// the destination), so they are never kept or read ahead.
int links_entered = 0;

// Ctrl+C or Escape typed at the console ends the run; other keys are dropped.
// A redirected standard input never has a key waiting. Between two entries
// the walk is at a safe point, where an interrupt ends the run too.
void poll_keyboard() {
    run::stop_if_requested();
    if (!platform::key_waiting()) return;
    int key = platform::read_key();
    if (key == 3 || key == 27) run::terminate(run::USER_ABORTED);
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

void count_file(uint64_t size) {
    if (!opt->dest_given) return;
    ++current_run().counters.files_to_process;
    if (current_run().counters.files_to_process % 1000 == 0)
        text::print(stderr, "%7ld\b\b\b\b\b\b\b", long(current_run().counters.files_to_process));
    current_run().counters.bytes_to_process += static_cast<int64_t>(size);
}

void hand_over(FileSink& sink, const std::wstring& dir, OpenFolder& folder) {
    const std::wstring& name = folder.match_name();
    if (opt->exclude_select && exclude_test(name)) return;
    sink.take_file(dir, name, folder.match_record(), folder.match_origin());
    ++current_run().counters.files_processed;
    check_log_writes(current_run().logs.writes);
}

void replicate_folder_for_copy(const std::wstring& dir) {
    if (opt->maintain_dir_dates && !current_run().counting_pass && !config().source_paths.empty())
        replicate_directories(dir, current_run().target.destination_root, config().source_paths[0],
                              current_run().source_folder_times);
}

// One listing per file type, in list order. A file that two types match is
// handled twice.
void list_files(const std::wstring& dir, OpenFolder& folder, FileSink& sink) {
    replicate_folder_for_copy(dir);
    for (const std::wstring& type : file_types_in_use()) {
        for (bool more = folder.first_match(type); more; more = folder.next_match()) {
            poll_keyboard();
            if (folder.match_attributes() & platform::ATTR_DIRECTORY) continue;
            if (current_run().counting_pass)
                count_file(folder.match_size());
            else
                hand_over(sink, dir, folder);
        }
    }
}

void walk_folder(const std::wstring& dir, FolderSource& source, FileSink& sink);

void walk_subfolder(const std::wstring& dir, const wchar_t* name, uint32_t attributes, FolderSource& source,
                    FileSink& sink) {
    // Memory that cannot be had ends the run in the new-handler.
    std::wstring child;
    child.reserve(dir.size() + std::char_traits<wchar_t>::length(name) + 1);
    child.append(dir).append(name).push_back(L'\\');
    // A link back to a folder we are inside would be walked for ever.
    const bool link = (attributes & platform::ATTR_REPARSE_POINT) != 0;
    if (link && leads_to_entered_folder(child)) return;
    links_entered += link;
    walk_folder(child, source, sink);
    links_entered -= link;
}

void walk_folder(const std::wstring& dir, FolderSource& source, FileSink& sink) {
    if (bypassed(dir)) return;
    poll_keyboard();
    std::unique_ptr<OpenFolder> folder = source.open(dir, links_entered ? Reached::through_link : Reached::directly);
    if (!folder) return;  // missing or unreadable: skipped without a message
    EnteredFolder inside(dir);
    KeptFolderTimes times(dir);
    if (opt->recurse) {
        const wchar_t* name;
        uint32_t attributes;
        while (folder->next_subfolder(&name, &attributes)) {
            walk_subfolder(dir, name, attributes, source, sink);
            times.read_again();
        }
    }
    list_files(dir, *folder, sink);
    times.put_back();
}

}  // namespace

std::span<const std::wstring> file_types_in_use() {
    const StringList& types = config().file_types;
    size_t n = 0;
    while (n < types.size() && !types[n].empty() && types[n][0] != L'-') ++n;
    return {types.begin(), n};
}

bool bypassed(const std::wstring& dir) {
    if (!opt->bypass_active) return false;
    for (const std::wstring& entry : config().bypass_list) {
        if (entry.empty()) break;
        if (paths::starts_with_ignoring_ascii_case(dir, entry)) return true;
    }
    return false;
}

FolderReading::FolderReading(const FileSink& sink) {
    if (!platform::folder_reading_pays() || !file_types_name_files_only()) return;
    source_ = std::make_unique<ReadAheadSource>(sink);
    read_ahead_source = source_.get();
}

FolderReading::~FolderReading() {
    if (read_ahead_source == source_.get()) read_ahead_source = nullptr;
}

void walk_directory(const std::wstring& dir, FileSink& sink) {
    if (bypassed(dir)) return;
    PatternLister lister(sink.takes_incomplete_records());
    FolderSource& source = read_ahead_source ? *read_ahead_source : lister;
    source.before_start_path(dir, sink);
    walk_folder(dir, source, sink);
}
