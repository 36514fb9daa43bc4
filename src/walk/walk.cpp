#include "walk/walk.h"

#include "common/exclusions.h"
#include "common/paths.h"
#include "log/log_writes.h"
#include "log/output.h"
#include "walk/pattern_lister.h"
#include "walk/read_ahead.h"
#include "walk/walk_order.h"

namespace {

// The walk of one start path: the folder source lists, the sink is handed
// the files and, in the copy pass, the folder events.
class TreeWalk {
public:
    TreeWalk(const Configuration& config, Run& run, FolderSource& source, FileSink& sink)
        : config_(config),
          options_(config.options),
          run_(run),
          source_(source),
          sink_(sink),
          exclusions_(config.exclusions()) {}

    void walk(const std::wstring& start) { walk_in_order(start, *this); }

    // The steps walk_in_order takes (walk/walk_order.h).
    bool enter(const std::wstring& path, uint32_t attributes) {
        path_ = path;
        // A link back to a folder we are inside would be walked for ever.
        const bool link = (attributes & platform::ATTR_REPARSE_POINT) != 0;
        if (link && leads_to_entered_folder()) return false;
        return enter_folder(link);
    }
    bool next_subfolder(std::wstring_view* name, uint32_t* attributes) {
        return options_.recurse && levels_.back().folder->next_subfolder(name, attributes);
    }
    void files(const std::wstring& path) {
        path_ = path;
        list_files(*levels_.back().folder);
    }
    void leave(const std::wstring& path) {
        if (!run_.counting_pass) sink_.folder_done(path);
        links_entered_ -= levels_.back().through_link;
        levels_.pop_back();
    }
    void back_in(const std::wstring& path) {
        path_ = path;
        if (!run_.counting_pass) sink_.folder_reached(path_);
    }

private:
    // A folder on the way down. Its identity is looked up only when a link
    // is met, so a tree without links costs nothing more per folder.
    struct Level {
        size_t length;  // of the folder's path
        std::unique_ptr<OpenFolder> folder;
        bool through_link;  // reached through a link: the link itself
        enum { unknown, known, unavailable } identity_state = unknown;
        platform::FileIdentity identity{};
    };

    // Ctrl+C or Escape typed at the console ends the run; other keys are
    // dropped. A redirected standard input never has a key waiting. Between
    // two entries the walk is at a safe point, where an interrupt ends the
    // run too.
    void poll_keyboard() {
        stop_if_requested(run_);
        if (!platform::key_waiting()) return;
        int key = platform::read_key();
        if (key == 3 || key == 27) end_run(run_, USER_ABORTED);
    }

    // Enters the folder path_ names; false when it is bypassed or cannot be
    // listed. What the copy pass cannot reach (the folder, or an entry of
    // it) is skipped, and handed to the sink, which says so.
    bool enter_folder(bool link) {
        if (bypassed(config_, path_)) return false;
        poll_keyboard();
        links_entered_ += link;
        // Folders reached through a link may be written by the run (a link
        // into the destination): they are never kept or read ahead.
        int failure = 0;
        std::unique_ptr<OpenFolder> folder =
            source_.open(path_, links_entered_ ? Reached::through_link : Reached::directly, &failure);
        if (!folder) {
            links_entered_ -= link;
            if (failure && !run_.counting_pass) sink_.not_reached(path_, failure);
            return false;
        }
        if (!run_.counting_pass)
            for (const platform::UnreachableEntry& entry : folder->unreachable())
                sink_.not_reached(path_ + entry.name, entry.failure);
        levels_.push_back({path_.size(), std::move(folder), link});
        if (!run_.counting_pass) sink_.folder_reached(path_);
        return true;
    }

    // True when the folder link path_ names leads to the same folder as one
    // of the folders the walk is inside.
    bool leads_to_entered_folder() {
        platform::FileIdentity target;
        if (!identity_of(path_.size(), &target)) return false;
        for (Level& level : levels_) {
            if (level.identity_state == Level::unknown)
                level.identity_state = identity_of(level.length, &level.identity) ? Level::known : Level::unavailable;
            if (level.identity_state == Level::known && level.identity == target) return true;
        }
        return false;
    }

    // The identity of the folder the first `length` characters of path_ name
    // (links followed). The trailing '\' is left off: some hosts refuse to
    // open a folder named with it.
    bool identity_of(size_t length, platform::FileIdentity* identity) const {
        if (length > 0 && path_[length - 1] == L'\\') --length;
        return platform::get_file_identity(path_.substr(0, length).c_str(), identity);
    }

    // One listing per file type, in list order. A file that two types match
    // is handled twice.
    void list_files(OpenFolder& folder) {
        if (!run_.counting_pass) sink_.folder_files_follow(path_);
        for (const std::wstring& type : file_types_in_use(config_)) {
            for (bool more = folder.first_match(path_, type); more; more = folder.next_match()) {
                poll_keyboard();
                if (folder.match_attributes() & platform::ATTR_DIRECTORY) continue;
                if (run_.counting_pass)
                    count_file(folder.match_size());
                else
                    hand_over(folder);
            }
        }
    }

    void count_file(uint64_t size) {
        if (!options_.dest_given) return;
        Counters& counters = run_.counters;
        ++counters.files_to_process;
        if (counters.files_to_process % 1000 == 0)
            text::print(stderr, "%7ld\b\b\b\b\b\b\b", long(counters.files_to_process));
        counters.bytes_to_process += static_cast<int64_t>(size);
    }

    void hand_over(OpenFolder& folder) {
        const std::wstring& name = folder.match_name();
        if (exclusions_.excludes(name)) return;
        sink_.take_file(path_, name, folder.match_record(), folder.match_origin());
        check_log_writes(run_.logs.writes);
    }

    const Configuration& config_;
    const OptionRecord& options_;
    Run& run_;
    FolderSource& source_;
    FileSink& sink_;
    Exclusions exclusions_;
    std::wstring path_;
    std::vector<Level> levels_;
    int links_entered_ = 0;  // levels reached through a link
};

}  // namespace

std::span<const std::wstring> file_types_in_use(const Configuration& config) {
    const StringList& types = config.file_types;
    size_t n = 0;
    while (n < types.size() && !types[n].empty() && types[n][0] != L'-') ++n;
    return {types.begin(), n};
}

bool bypassed(const Configuration& config, const std::wstring& dir) {
    if (!config.options.bypass_active) return false;
    for (const std::wstring& entry : config.bypass_list) {
        if (entry.empty()) break;
        if (paths::starts_with_ignoring_ascii_case(dir, entry)) return true;
    }
    return false;
}

Walk::Walk(const Configuration& config, Run& run, FileSink& sink)
    : config_(config),
      run_(run),
      sink_(sink),
      lister_(std::make_unique<PatternLister>(run, sink.takes_incomplete_records())) {
    if (platform::folder_reading_pays() && file_types_name_files_only(config))
        read_ahead_ = std::make_unique<ReadAheadSource>(config, run, sink);
    sink.walk_lists_folders_per_type(!read_ahead_ && file_types_in_use(config).size() > 1);
}

Walk::~Walk() = default;

void Walk::walk_directory(const std::wstring& dir) {
    if (bypassed(config_, dir)) return;
    FolderSource& source = read_ahead_ ? static_cast<FolderSource&>(*read_ahead_) : *lister_;
    source.before_start_path(dir, sink_);
    TreeWalk(config_, run_, source, sink_).walk(dir);
}
