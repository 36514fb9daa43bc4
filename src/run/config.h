// The run configuration: the one option record, the named lists, paths,
// streams and counters that every part of the program reads. Filled by the
// environment step and the option parsers before the first walk; afterwards
// only the counters, the rename numbers and the open log streams change.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// A fixed-capacity list of wide strings. Like the program's pointer arrays it
// holds at most capacity - 1 entries: the slot after the last one stays empty.
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

// The option record and the run-wide values beside it.
extern OptionRecord* opt;  // null until the working storage exists

// Selection values.
extern int32_t older_days;
extern int32_t younger_days;
extern uint64_t older_cutoff;
extern uint64_t younger_cutoff;
extern uint8_t age_use_access, age_use_create, age_use_write;
extern int64_t size_greater;
extern int64_t size_less;
extern wchar_t list_delimiter;

// Lists (capacities are part of the program's observable limits).
constexpr size_t SOURCE_PATHS_CAPACITY = 600;
constexpr size_t START_PATH_LEN_CAPACITY = 1000;
constexpr size_t FILE_TYPES_CAPACITY = 300;
constexpr size_t EXCLUDE_TYPES_CAPACITY = 512;
constexpr size_t BYPASS_LIST_CAPACITY = 2000;
extern StringList source_paths;
extern int32_t start_path_len[START_PATH_LEN_CAPACITY];
extern StringList file_types;
extern StringList exclude_types;
extern StringList bypass_list;
extern int32_t bypass_count;

// Paths and names.
extern std::wstring dest_path;       // destination root, long-path form
extern std::wstring log_base_name;   // full path of the log base name
extern std::wstring log_name;        // log name of the last long log option
extern std::wstring memo_path;
extern std::string ini_path;         // 8-bit
extern std::string ini_echo;         // 8-bit: the applied INI lines

// Streams (null when not open).
extern FILE* screen;
extern FILE* default_log;
extern FILE* list_log;
extern FILE* copied_log;
extern FILE* not_copied_log;
extern FILE* error_log;
extern FILE* renamed_log;
extern FILE* hash_log;
extern FILE* memo_file;
extern FILE* source_list_file;

// Run state and counters.
extern int32_t counting_pass;
extern int64_t run_start_time, walk_start_time, run_end_time;
extern int32_t files_to_process;
extern int64_t bytes_to_process;
extern int32_t files_processed;
extern int64_t bytes_processed;
extern int32_t files_copied;
extern int64_t bytes_copied;
extern int32_t copies_completed;
extern int32_t files_not_copied;
extern int32_t not_copied_newer;
extern int32_t flatten_copied;
extern int32_t flatten_folder;
extern int32_t dupe_index;
extern int32_t tilde_index;
extern int64_t progress_next;
extern int32_t current_start_path_len;
extern int32_t dirs_count;
extern int32_t source_list_count;
extern int32_t ini_used;
extern int32_t name_width_set;

// The counted byte total as number text, shown by the progress line.
extern std::wstring bytes_to_process_text;
// Times of the source folder being walked (written onto destination folders).
extern FileTimes current_dir_times;

// Creates the zeroed option record and sets every value above to its start
// value. Returns false when the record cannot be created.
bool create_run_configuration();
// The start values of the option record that are not zero (and the few the
// environment step clears again).
void set_start_values();
