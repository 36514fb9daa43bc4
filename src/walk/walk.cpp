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

// -M: the copy pass keeps a folder's own times so that it can give them to
// the folders it creates and put them back on the source folder at the end.
// A subfolder's walk replaces them with its own: they are read again after it.
bool keeps_folder_times() { return opt->maintain_dir_dates && !current_run().counting_pass; }

void read_folder_times(const std::wstring& dir) {
    if (keeps_folder_times()) read_directory_times(paths::without_trailing_backslash(dir), &current_run().source_folder_times);
}

void put_folder_times_back(const std::wstring& dir) {
    if (keeps_folder_times()) set_directory_times(paths::without_trailing_backslash(dir), current_run().source_folder_times);
}

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
        for (bool more = folder.first_match(dir, type); more; more = folder.next_match()) {
            poll_keyboard();
            if (folder.match_attributes() & platform::ATTR_DIRECTORY) continue;
            if (current_run().counting_pass)
                count_file(folder.match_size());
            else
                hand_over(sink, dir, folder);
        }
    }
}

// The walk keeps its way down on the heap, not on the stack: a tree of any
// depth is walked in the stack a console program gets. The path of the
// folder being walked is one string; each folder on the way down is the
// start of it.
class TreeWalk {
public:
    TreeWalk(FolderSource& source, FileSink& sink) : source_(source), sink_(sink) {}

    void walk(const std::wstring& start) {
        path_ = start;
        enter(false);
        while (!levels_.empty()) {
            std::wstring_view name;
            uint32_t attributes;
            if (opt->recurse && levels_.back().folder->next_subfolder(&name, &attributes))
                enter_subfolder(name, attributes);
            else
                finish_folder();
        }
    }

private:
    struct Level {
        size_t length;  // of the folder's path
        std::unique_ptr<OpenFolder> folder;
        bool through_link;  // reached through a link: the link itself
    };

    // Enters the folder path_ names; false when it is bypassed or cannot be
    // listed (skipped without a message).
    bool enter(bool link) {
        if (bypassed(path_)) return false;
        poll_keyboard();
        links_entered += link;
        std::unique_ptr<OpenFolder> folder =
            source_.open(path_, links_entered ? Reached::through_link : Reached::directly);
        if (!folder) {
            links_entered -= link;
            return false;
        }
        levels_.push_back({path_.size(), std::move(folder), link});
        enter_folder(path_.size());
        read_folder_times(path_);
        return true;
    }

    void enter_subfolder(std::wstring_view name, uint32_t attributes) {
        path_.append(name).push_back(L'\\');
        // A link back to a folder we are inside would be walked for ever.
        const bool link = (attributes & platform::ATTR_REPARSE_POINT) != 0;
        if ((link && leads_to_entered_folder(path_)) || !enter(link)) back_to_parent();
    }

    // After its subfolders, a folder's own files.
    void finish_folder() {
        Level& here = levels_.back();
        list_files(path_, *here.folder, sink_);
        put_folder_times_back(path_);
        links_entered -= here.through_link;
        leave_folder();
        levels_.pop_back();
        if (!levels_.empty()) back_to_parent();
    }

    void back_to_parent() {
        path_.resize(levels_.back().length);
        read_folder_times(path_);
    }

    FolderSource& source_;
    FileSink& sink_;
    std::wstring path_;
    std::vector<Level> levels_;
};

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
    TreeWalk(source, sink).walk(dir);
}
