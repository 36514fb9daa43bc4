#include "run/config.h"

#include <cstring>
#include <new>

OptionRecord* opt = nullptr;

int32_t older_days = 0;
int32_t younger_days = 80000;
uint64_t older_cutoff = 0;
uint64_t younger_cutoff = 0;
uint8_t age_use_access = 0, age_use_create = 0, age_use_write = 0;
int64_t size_greater = 0;
int64_t size_less = 0;
wchar_t list_delimiter = L' ';

StringList source_paths(SOURCE_PATHS_CAPACITY);
int32_t start_path_len[START_PATH_LEN_CAPACITY] = {};
StringList file_types(FILE_TYPES_CAPACITY);
StringList exclude_types(EXCLUDE_TYPES_CAPACITY);
StringList bypass_list(BYPASS_LIST_CAPACITY);
int32_t bypass_count = 0;

std::wstring dest_path;
std::wstring log_base_name;
std::wstring log_name;
std::wstring memo_path;
std::string ini_path;
std::string ini_echo;

FILE* screen = nullptr;
FILE* default_log = nullptr;
FILE* list_log = nullptr;
FILE* copied_log = nullptr;
FILE* not_copied_log = nullptr;
FILE* error_log = nullptr;
FILE* renamed_log = nullptr;
FILE* hash_log = nullptr;
FILE* memo_file = nullptr;
FILE* source_list_file = nullptr;

int32_t counting_pass = 1;
int64_t run_start_time = 0, walk_start_time = 0, run_end_time = 0;
int32_t files_to_process = 0;
int64_t bytes_to_process = 0;
int32_t files_processed = 0;
int64_t bytes_processed = 0;
int32_t files_copied = 0;
int64_t bytes_copied = 0;
int32_t copies_completed = 0;
int32_t files_not_copied = 0;
int32_t not_copied_newer = 0;
int32_t flatten_copied = 0;
int32_t flatten_folder = 0;
int32_t dupe_index = 0;
int32_t tilde_index = 1;
int64_t progress_next = 200000000;
int32_t current_start_path_len = 0;
int32_t dirs_count = 0;
int32_t source_list_count = 0;
int32_t ini_used = 0;
int32_t name_width_set = 1;

std::wstring bytes_to_process_text;
FileTimes current_dir_times;

bool create_run_configuration() {
    opt = new (std::nothrow) OptionRecord;
    if (!opt) return false;
    std::memset(opt, 0, sizeof *opt);
    set_start_values();
    return true;
}

void set_start_values() {
    opt->name_width = 65;
    opt->alt_name_width = 15;
    opt->time_kind = 'w';
    opt->recurse = 1;
    opt->upper_case_dirs = 1;
    name_width_set = 1;
    opt->zulu_time = opt->reset_access_time = opt->check_tilde = opt->error_log_given = 0;
}
