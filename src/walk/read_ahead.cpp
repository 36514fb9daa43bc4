#include "walk/read_ahead.h"

#include <algorithm>
#include <thread>

#include "common/exclusions.h"
#include "common/paths.h"
#include "walk/walk_order.h"

namespace {

// A folder read whole, as the walk goes through it.
class ReadFolder : public OpenFolder {
public:
    ReadFolder(std::shared_ptr<const platform::FolderListing> listing, bool complete)
        : listing_(std::move(listing)), complete_(complete) {}

    bool next_subfolder(std::wstring_view* name, uint32_t* attributes) override {
        const auto& entries = listing_->entries;
        while (next_folder_ < entries.size()) {
            const platform::FolderEntry& e = entries[next_folder_++];
            if (!e.has_record || !(e.attributes & platform::ATTR_DIRECTORY)) continue;
            *name = listing_->name(e);
            *attributes = e.attributes;
            return true;
        }
        return false;
    }

    bool first_match(const std::wstring&, const std::wstring& type) override {
        type_ = &type;
        current_ = size_t(-1);
        return next_match();
    }
    bool next_match() override {
        const auto& entries = listing_->entries;
        for (++current_; current_ < entries.size(); ++current_)
            if (entries[current_].has_record && platform::folder_entry_matches(*type_, *listing_, entries[current_]))
                return true;
        return false;
    }

    uint32_t match_attributes() const override { return entry().attributes; }
    uint64_t match_size() const override { return entry().size; }
    const std::wstring& match_name() override {
        name_.assign(listing_->name(entry()));
        return name_;
    }
    const platform::FindRecord& match_record() override {
        platform::fill_find_record(*listing_, entry(), &record_);
        return record_;
    }
    FileOrigin match_origin() const override { return FileOrigin{listing_.get(), current_, complete_}; }
    const std::vector<platform::UnreachableEntry>& unreachable() const override { return listing_->unreachable; }

private:
    const platform::FolderEntry& entry() const { return listing_->entries[current_]; }

    std::shared_ptr<const platform::FolderListing> listing_;
    const bool complete_;
    size_t next_folder_ = 0;
    const std::wstring* type_ = nullptr;
    size_t current_ = 0;
    std::wstring name_;
    platform::FindRecord record_;
};

// The files of a folder the copy pass will hand over: those that match a type
// and are not excluded.
std::vector<size_t> files_to_hand_over(const Configuration& config, Exclusions& exclusions,
                                       const platform::FolderListing& listing) {
    std::vector<size_t> files;
    const std::span<const std::wstring> types = file_types_in_use(config);
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const platform::FolderEntry& entry = listing.entries[i];
        if (!entry.has_record || (entry.attributes & platform::ATTR_DIRECTORY)) continue;
        bool matches = std::any_of(types.begin(), types.end(), [&](const std::wstring& type) {
            return platform::folder_entry_matches(type, listing, entry);
        });
        if (matches && !exclusions.excludes(listing.name(entry))) files.push_back(i);
    }
    return files;
}

// The files of the folders kept from the counting pass under `start`, in the
// order the walk will reach them (walk_in_order, as the walk itself goes).
// Links and bypassed folders are left out.
class FilesAheadGathering {
public:
    FilesAheadGathering(const Configuration& config, FolderReader& reader)
        : config_(config), reader_(reader), exclusions_(config.exclusions()) {}

    std::vector<FilesAhead> gather(const std::wstring& start) {
        walk_in_order(start, *this);
        return std::move(folders_);
    }

    // The steps walk_in_order takes.
    bool enter(const std::wstring& path, uint32_t) {
        if (bypassed(config_, path)) return false;
        std::shared_ptr<const platform::FolderListing> listing = reader_.peek(path);
        if (!listing || !listing->listed) return false;
        levels_.push_back({std::move(listing)});
        return true;
    }
    bool next_subfolder(std::wstring_view* name, uint32_t* attributes) {
        if (!config_.options.recurse) return false;
        Level& here = levels_.back();
        const std::vector<platform::FolderEntry>& entries = here.listing->entries;
        while (here.next < entries.size()) {
            const platform::FolderEntry& e = entries[here.next++];
            if (e.has_record && (e.attributes & platform::ATTR_DIRECTORY) &&
                !(e.attributes & platform::ATTR_REPARSE_POINT)) {
                *name = here.listing->name(e);
                *attributes = e.attributes;
                return true;
            }
        }
        return false;
    }
    void files(const std::wstring& path) {
        const Level& here = levels_.back();
        std::vector<size_t> files = files_to_hand_over(config_, exclusions_, *here.listing);
        if (!files.empty()) folders_.push_back({path, here.listing, std::move(files)});
    }
    void leave(const std::wstring&) { levels_.pop_back(); }
    void back_in(const std::wstring&) {}

private:
    struct Level {
        std::shared_ptr<const platform::FolderListing> listing;
        size_t next = 0;  // the next entry to look at for a subfolder
    };

    const Configuration& config_;
    FolderReader& reader_;
    Exclusions exclusions_;
    std::vector<Level> levels_;
    std::vector<FilesAhead> folders_;
};

std::vector<std::wstring> active_types(const Configuration& config) {
    const std::span<const std::wstring> types = file_types_in_use(config);
    return std::vector<std::wstring>(types.begin(), types.end());
}

bool destination_is_empty(const Configuration& config) {
    if (!config.options.dest_given || config.dest_path.empty()) return false;
    std::wstring folder = config.dest_path;
    if (folder.back() != L'\\') folder += L'\\';
    platform::FolderListing listing = platform::read_folder(folder, {}, false);
    return listing.listed && listing.entries.empty();
}

// Attribute records are read with the listing, on the reader's threads,
// when the copy pass wants them for every file, as it does when the
// destination is empty (every file will be copied); otherwise the walk
// reads them only for the files it copies.
bool reads_attribute_records(const Configuration& config, const FileSink& sink) {
    return !sink.takes_incomplete_records() || destination_is_empty(config);
}

constexpr size_t RETAINED_BYTES = size_t(128) << 20;

}  // namespace

bool file_types_name_files_only(const Configuration& config) {
    for (const std::wstring& type : file_types_in_use(config))
        if (type.find_first_of(L"\\/:") != std::wstring::npos) return false;
    return true;
}

ReadAheadSource::ReadAheadSource(const Configuration& config, const Run& run, const FileSink& sink)
    : config_(config),
      run_(run),
      reader_(ReadingPlan{.patterns = active_types(config),
                          .records = reads_attribute_records(config, sink) ? ReadingPlan::Records::whole
                                                                           : ReadingPlan::Records::sizes_only,
                          .descend = config.options.recurse != 0,
                          .skip = [&config](const std::wstring& dir) { return bypassed(config, dir); },
                          .threads = helper_threads(),
                          .retained_limit = RETAINED_BYTES}) {
    watch_for_overlap();
}

// A run whose destination lies in a tree it reads, or that reads a tree in
// its destination, writes into folders it has read: the copy pass must then
// read each folder when it reaches it, as it finds it. The destination inside
// a start path shows when its folder is read; a start path inside the
// destination is seen here.
void ReadAheadSource::watch_for_overlap() {
    start_path_in_destination_ = false;
    const std::wstring& destination_path = config_.dest_path;
    if (!config_.options.dest_given || destination_path.empty()) return;
    platform::FileIdentity destination;
    if (!platform::get_file_identity(paths::without_trailing_backslash(destination_path).c_str(), &destination)) {
        // Not there yet: only the names can tell.
        for (const std::wstring& start : config_.source_paths)
            if (paths::starts_with_ignoring_ascii_case(destination_path, start) ||
                paths::starts_with_ignoring_ascii_case(start, destination_path))
                start_path_in_destination_ = true;
        return;
    }
    reader_.watch_for(destination);
    for (const std::wstring& start : config_.source_paths)
        for (const platform::FileIdentity& above : platform::identities_up_from(start))
            if (above == destination) start_path_in_destination_ = true;
}

void ReadAheadSource::before_start_path(const std::wstring& dir, FileSink& sink) {
    if (run_.counting_pass) return;
    if (start_path_in_destination_) reader_.read_each_folder_when_reached();
    if (reader_.reads_each_folder_when_reached()) return;
    std::vector<FilesAhead> folders = FilesAheadGathering(config_, reader_).gather(dir);
    if (!folders.empty()) sink.files_ahead(std::move(folders));
}

std::unique_ptr<OpenFolder> ReadAheadSource::open(const std::wstring& dir, Reached how, int* failure) {
    // The counting pass keeps what it reads for the copy pass.
    const bool direct = how == Reached::directly;
    const Keep keep = run_.counting_pass && direct ? Keep::for_copy_pass : Keep::no;
    std::shared_ptr<const platform::FolderListing> listing =
        reader_.take(dir, keep, direct ? Below::read_ahead : Below::read_when_reached);
    // An empty drive root lists nothing at all, not even "." and "..".
    if (!listing->listed || (listing->entries.empty() && !listing->with_dots)) {
        *failure = listing->listed ? 0 : listing->failure;
        return nullptr;
    }
    return std::make_unique<ReadFolder>(std::move(listing), reader_.with_attribute_records());
}
