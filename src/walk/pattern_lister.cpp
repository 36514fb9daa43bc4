#include "walk/pattern_lister.h"

namespace {

constexpr size_t PATH_BUFFER_CHARS = 131072;  // 262,144 bytes of UTF-16

bool is_dot_entry(const wchar_t* n) { return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)); }

class ListedFolder : public OpenFolder {
public:
    ListedFolder(platform::FindHandle folders, const platform::FindRecord& first, const Run& run, bool sizes_only,
                 std::wstring& pattern)
        : folders_(folders), record_(first), run_(run), sizes_only_(sizes_only), pattern_(pattern) {}
    ~ListedFolder() override {
        close_folders();
        close_files();
    }

    bool next_subfolder(std::wstring_view* name, uint32_t* attributes) override {
        while (folders_) {
            if (!first_taken_) {
                first_taken_ = true;
            } else if (!platform::find_next(folders_, &record_)) {
                close_folders();
                return false;
            }
            if (!(record_.attributes & platform::ATTR_DIRECTORY) || is_dot_entry(record_.name)) continue;
            *name = record_.name;
            *attributes = record_.attributes;
            return true;
        }
        return false;
    }

    bool first_match(const std::wstring& dir, const std::wstring& type) override {
        // Only the folders of the first listing are used: files come from
        // the listings by type.
        close_folders();
        close_files();
        pattern_.assign(dir).append(type);
        // The counting pass uses only the folder bit and the size; the copy
        // pass may leave the attribute record to the files it copies.
        sizes_ = run_.counting_pass || sizes_only_;
        files_ = sizes_ ? platform::find_first_sizes(pattern_.c_str(), &record_)
                        : platform::find_first(pattern_.c_str(), &record_);
        name_ready_ = false;
        return files_ != nullptr;
    }
    bool next_match() override {
        name_ready_ = false;
        return files_ && platform::find_next(files_, &record_);
    }

    uint32_t match_attributes() const override { return record_.attributes; }
    uint64_t match_size() const override { return record_.size(); }
    const std::wstring& match_name() override {
        if (!name_ready_) name_.assign(record_.name);
        name_ready_ = true;
        return name_;
    }
    const platform::FindRecord& match_record() override { return record_; }
    FileOrigin match_origin() const override { return FileOrigin{nullptr, 0, !sizes_}; }
    // Read with the listing of the folders, at the opening.
    const std::vector<platform::UnreachableEntry>& unreachable() const override {
        return platform::find_unreachable(folders_);
    }

private:
    void close_folders() {
        if (folders_) platform::find_close(folders_);
        folders_ = nullptr;
    }
    void close_files() {
        if (files_) platform::find_close(files_);
        files_ = nullptr;
    }

    platform::FindHandle folders_;
    platform::FindHandle files_ = nullptr;
    platform::FindRecord record_;
    bool first_taken_ = false;
    const Run& run_;
    const bool sizes_only_;
    bool sizes_ = false;
    std::wstring name_;
    bool name_ready_ = false;
    std::wstring& pattern_;
};

}  // namespace

PatternLister::PatternLister(const Run& run, bool sizes_only) : run_(run), sizes_only_(sizes_only) {
    pattern_.reserve(PATH_BUFFER_CHARS);
}

std::unique_ptr<OpenFolder> PatternLister::open(const std::wstring& dir, Reached, int* failure) {
    pattern_.assign(dir).append(L"*.*");
    platform::FindRecord first;
    platform::FindHandle folders = platform::find_first_folders(pattern_.c_str(), &first);
    if (!folders) {
        *failure = platform::find_failure();  // missing or unreadable, or nothing in it
        return nullptr;
    }
    return std::make_unique<ListedFolder>(folders, first, run_, sizes_only_, pattern_);
}
