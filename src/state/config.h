// The run configuration: the option record, the selection values, the named
// lists and the paths. The environment step and the option parsers build it
// (building_config); the driver then freezes it, and from there on every part
// reads it (config, opt) and nothing changes it. What changes during a run
// lives in the run state (state/run_state.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "common/exclusions.h"
#include "platform/platform.h"

// The option record: 32-bit fields in their fixed order, a 512-byte block.
struct OptionRecord {
    int32_t age_select;
    int32_t copy_all;
    int32_t attr_archive;
    int32_t log_mask;
    int32_t attr_select;
    int32_t attr_dir_level;
    int32_t attr_encrypted;
    int32_t size_greater_select;
    int32_t attr_hidden;
    int32_t make_dirs;
    int32_t maintain_dir_dates;
    int32_t size_less_select;
    int32_t name_width;
    int32_t check_tilde;
    int32_t dest_given;
    int32_t overwrite_protected;
    int32_t attr_readonly;
    int32_t recurse;
    int32_t reset_access_time;
    int32_t silent;
    int32_t flatten;
    int32_t nodupe;
    int32_t rename_existing;
    int32_t attr_system;
    int32_t time_kind;
    int32_t zulu_time;
    int32_t name_only;
    int32_t path_only;
    int32_t hash_mode;
    int32_t sha1_wanted;
    int32_t alt_name_width;
    int32_t shadow_copy;
    int32_t list_only;
    int32_t no_precount;
    int32_t exclude_select;
    int32_t source_list_mode;
    int32_t dirs_file_mode;
    int32_t bypass_active;
    int32_t error_log_given;
    int32_t existing_only;
    int32_t exclude_case_sensitive;
    int32_t dest_drive_only;
    int32_t upper_case_dirs;
    int32_t memo;
    int32_t older_select;
    int32_t younger_select;
    int32_t reserved[128 - 46];  // the rest of the 512-byte block, always zero
};
static_assert(sizeof(OptionRecord) == 512, "the option record is a 512-byte block");

// A fixed-capacity list of wide strings. Like a pointer array ending at its
// first empty slot, it holds at most capacity - 1 entries: the slot after the
// last one stays empty.
class StringList {
public:
    explicit StringList(size_t capacity) : capacity_(capacity) {}
    size_t capacity() const { return capacity_; }
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    bool full() const { return items_.size() + 1 >= capacity_; }
    // Appends; false (and nothing added) when the list is full.
    bool add(const std::wstring& item) {
        if (full()) return false;
        items_.push_back(item);
        return true;
    }
    const std::wstring& operator[](size_t i) const { return items_[i]; }
    std::span<const std::wstring> items() const { return items_; }
    std::wstring& operator[](size_t i) { return items_[i]; }
    std::vector<std::wstring>::const_iterator begin() const { return items_.begin(); }
    std::vector<std::wstring>::const_iterator end() const { return items_.end(); }
    void clear() { items_.clear(); }

private:
    size_t capacity_;
    std::vector<std::wstring> items_;
};

// The three times of a file or folder.
struct FileTimes {
    platform::FileTime creation = 0;
    platform::FileTime last_access = 0;
    platform::FileTime last_write = 0;
};

// The three times of a find record.
inline FileTimes times_of(const platform::FindRecord& record) {
    return {record.creation_time, record.last_access_time, record.last_write_time};
}

// List capacities (limits a user can observe).
constexpr size_t SOURCE_PATHS_CAPACITY = 600;
constexpr size_t START_PATH_LEN_CAPACITY = 1000;
constexpr size_t FILE_TYPES_CAPACITY = 300;
constexpr size_t EXCLUDE_TYPES_CAPACITY = 512;
constexpr size_t BYPASS_LIST_CAPACITY = 2000;

struct Configuration {
    OptionRecord options{};  // zeroed, then the start values

    // Selection values.
    int32_t older_days = 0;
    int32_t younger_days = 80000;
    uint64_t older_cutoff = 0;
    uint64_t younger_cutoff = 0;
    uint8_t age_use_access = 0, age_use_create = 0, age_use_write = 0;
    int64_t size_greater = 0;
    int64_t size_less = 0;
    wchar_t list_delimiter = L' ';

    // Lists.
    StringList source_paths{SOURCE_PATHS_CAPACITY};
    int32_t start_path_len[START_PATH_LEN_CAPACITY] = {};
    StringList file_types{FILE_TYPES_CAPACITY};
    StringList exclude_types{EXCLUDE_TYPES_CAPACITY};
    StringList bypass_list{BYPASS_LIST_CAPACITY};
    int32_t bypass_count = 0;

    // Paths and names.
    std::wstring dest_path;      // destination root, long-path form
    std::wstring log_base_name;  // full path of the log base name
    std::wstring log_name;       // log name of the last long log option
    std::wstring memo_path;
    std::wstring verify_log;  // --VERIFY=: the hash log whose files are checked, as given
    std::string ini_path;  // 8-bit
    std::string ini_echo;  // 8-bit: the applied INI lines

    // What the parsers counted and noted.
    int32_t dirs_count = 0;
    int32_t source_list_count = 0;
    int32_t ini_used = 0;
    int32_t name_width_set = 1;
    // -M: the times of the last start path given while -M was in force; a
    // destination root the run creates takes them.
    FileTimes start_path_times;

    Configuration() { set_start_values(); }
    // The exclusion matcher of these options.
    Exclusions exclusions() const {
        return Exclusions(exclude_types.items(), options.exclude_select != 0, options.exclude_case_sensitive != 0);
    }
    // The start values of the option record that are not zero (and the few
    // the environment step clears again).
    void set_start_values();
};
