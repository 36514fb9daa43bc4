// The "--" options: a table of keys tried in order, the first key that
// begins the text deciding. Each key has its value rule and its effect.
#include "options/long_options.h"

#include <cstdio>

#include "common/paths.h"
#include "common/text.h"
#include "log/log_folder.h"
#include "log/log_name_value.h"
#include "options/list_reader.h"
#include "options/lists.h"
#include "options/long_options_logs.h"
#include "options/option_support.h"
#include "options/options.h"
#include "platform/platform.h"
#include "run/config.h"
#include "run/run_state.h"
#include "run/terminate.h"

namespace {

constexpr int ACCEPTED = 0;
constexpr int ILLEGAL = 1;

enum class Value { none, required, optional };

struct LongKey {
    const wchar_t* letters;
    Value value;
    int (*apply)(const std::wstring& value);
    bool whole_text = false;  // the text must be the letters and nothing more
};

// REC and RES: the value's first letters decide, "ONE" is on, "offline" off.
int on_off_by_start(const std::wstring& value, int32_t& field) {
    if (value.empty() || paths::starts_with_ignoring_ascii_case(value, L"ON")) field = 1;
    else if (paths::starts_with_ignoring_ascii_case(value, L"OFF")) field = 0;
    else return ILLEGAL;
    return ACCEPTED;
}

[[noreturn]] void input_file_not_opened(const char* what, const std::wstring& name) {
    text::print(stderr, "\n\nCan't open %s %ls\n", what, name.c_str());
    run::terminate(run::INPUT_FILE);
}

// ---- Logs ----------------------------------------------------------------------

int apply_log_name(const std::wstring& value) {
    std::wstring name = read_log_name_value(value, LogMaskForm::long_option, &options().log_mask);
    std::wstring full;
    if (name.empty() || !platform::full_path(name.c_str(), full, 260)) return ILLEGAL;
    create_log_folder(full);
    if (has_date_token(full)) replace_date_token(full);
    building_config().log_name = building_config().log_base_name = full;
    if (!open_default_log_on(full, false)) return ILLEGAL;
    open_due_logs();
    return ACCEPTED;
}

// --err=: bits only, no name; they wait for a log name when none was given.
int apply_error_mask(const std::wstring& value) {
    options().log_mask = combine_log_mask(options().log_mask, value, LogMaskForm::error_option);
    if (!building_config().log_name.empty()) open_due_logs();
    return ACCEPTED;
}

// ---- Files and folders -----------------------------------------------------------

int apply_destination(const std::wstring& value) {
    std::wstring full;
    if (!platform::full_path(value.c_str(), full, 260)) return ILLEGAL;
    options().dest_given = 1;
    options().make_dirs = 1;
    building_config().dest_path = full;
    return ACCEPTED;
}

// --dirs=: the start folders of a file, each mirrored under the destination.
int apply_dirs_file(const std::wstring& value) {
    options().no_precount = 1;
    options().make_dirs = 1;
    options().dirs_file_mode = 1;
    FILE* file = platform::open_stream(path_for_opening(value).c_str(), "r");
    if (file) file = readable_twice(file);
    if (!file) input_file_not_opened("dirs file", value);
    std::string piece;
    while (read_byte_piece(file, 2047, piece)) ++building_config().dirs_count;
    std::rewind(file);
    read_dirs_file(file);
    return ACCEPTED;
}

int apply_hash_log_file(const std::wstring& value) {
    FILE* file = platform::open_stream(path_for_opening(value).c_str(), "a+");
    if (!file) input_file_not_opened("hash log", value);
    std::fseek(file, 0, SEEK_END);
    logs().hash_log = file;
    return ACCEPTED;
}

int apply_list_file(const std::wstring& value) {
    options().make_dirs = 1;
    apply_source_list(value.c_str());
    return ACCEPTED;
}

// ---- Values ------------------------------------------------------------------------

int apply_delimiter(const std::wstring& value) {
    if (value.size() == 1) building_config().list_delimiter = value[0];
    else if (value == L"pipe") building_config().list_delimiter = L'|';
    else building_config().list_delimiter = static_cast<wchar_t>(decimal_value(value.c_str()) & 0xFF);
    return ACCEPTED;
}

int apply_hash_value(const std::wstring& value) {
    if (value.empty()) options().hash_mode = 8;
    else if (value[0] == L's') options().hash_mode = 2;
    else if (value[0] == L'd') options().hash_mode = 4;
    else if (value[0] == L'b') options().hash_mode = 8;
    else return ILLEGAL;
    return ACCEPTED;
}

int apply_silent(const std::wstring& value) {
    if (value.empty() || paths::equal_ignoring_ascii_case(value, L"ON")) options().silent = 1;
    else if (paths::equal_ignoring_ascii_case(value, L"OFF")) options().silent = 0;
    else return ILLEGAL;
    return ACCEPTED;
}

int apply_flatten(const std::wstring& value) {
    options().flatten = value.empty() ? 1 : decimal_value(value.c_str());
    return ACCEPTED;
}

int apply_width(const std::wstring& value) {
    options().name_width = decimal_value(value.c_str());
    building_config().name_width_set += 1;
    return ACCEPTED;
}

// --greater= (the lower bound) and --lessthan= (the upper one).
int apply_size(const std::wstring& value, bool lower_bound) {
    (lower_bound ? options().size_greater_select : options().size_less_select) = 1;
    (lower_bound ? building_config().size_greater : building_config().size_less) = decimal_value64(value.c_str());
    return ACCEPTED;
}

using V = const std::wstring&;

// The keys in the order they are tried: "EXC" before "EX", "HASHLOG" before
// "HASH", "SHADOW" before "SHA".
const LongKey LONG_KEYS[] = {
    {L"ALL", Value::none, [](V) { options().copy_all = 1; return ACCEPTED; }},
    {L"ACC", Value::required, apply_log_name},
    {L"LOG", Value::required, apply_log_name},
    {L"BYP", Value::required, [](V v) { options().bypass_active = 1; add_bypass(v); return ACCEPTED; }},
    {L"EXC", Value::required, [](V v) { options().exclude_select = 1; read_exclude_file(v); return ACCEPTED; }},
    {L"CHK", Value::optional,
     [](V v) { options().check_tilde = paths::starts_with_ignoring_ascii_case(v, L"OFF") ? 0 : 1; return ACCEPTED; }},
    {L"DES", Value::required, apply_destination},
    {L"OUT", Value::required, apply_destination},
    {L"DEL", Value::required, apply_delimiter},
    {L"DIR", Value::required, apply_dirs_file},
    {L"ERR", Value::required, apply_error_mask},
    {L"EX", Value::none, [](V) { options().existing_only = 1; return ACCEPTED; }},
    {L"GRE", Value::required, [](V v) { return apply_size(v, true); }},
    {L"HASHLOG", Value::required, apply_hash_log_file},
    {L"HASH", Value::optional, apply_hash_value},
    {L"MD5", Value::optional, apply_hash_value},
    {L"IM", Value::none, [](V) { options().no_precount = 1; return ACCEPTED; }},
    {L"LES", Value::required, [](V v) { return apply_size(v, false); }},
    {L"LIS", Value::required, apply_list_file},
    {L"MAIN", Value::none, [](V) { options().make_dirs = 1; return ACCEPTED; }},
    {L"NOC", Value::none, [](V) { options().rename_existing = options().copy_all = 1; return ACCEPTED; }},
    {L"IGN", Value::none, [](V) { options().rename_existing = options().copy_all = 1; return ACCEPTED; }},
    {L"NOD", Value::none, [](V) { options().nodupe = options().copy_all = 1; return ACCEPTED; }},
    {L"OVER", Value::none, [](V) { options().overwrite_protected = 1; return ACCEPTED; }},
    {L"PATH", Value::required, [](V v) { add_start_path(v); return ACCEPTED; }},
    {L"REC", Value::optional, [](V v) { return on_off_by_start(v, options().recurse); }},
    {L"RES", Value::optional, [](V v) { return on_off_by_start(v, options().reset_access_time); }},
    {L"SHADOW", Value::none, [](V) { options().shadow_copy = 1; return ACCEPTED; }},
    {L"SHA1", Value::none, [](V) { options().sha1_wanted = 1; return ACCEPTED; }, true},
    {L"SHA", Value::none, [](V) { options().sha1_wanted = 1; return ACCEPTED; }, true},
    {L"FLAT", Value::optional, apply_flatten},
    {L"WID", Value::required, apply_width},
    {L"SIL", Value::optional, apply_silent},
};

bool key_matches(const LongKey& key, const std::wstring& text) {
    if (key.whole_text) return paths::equal_ignoring_ascii_case(text, key.letters);
    return paths::starts_with_ignoring_ascii_case(text, key.letters);
}

}  // namespace

int apply_long_option(const std::wstring& text) {
    for (const LongKey& key : LONG_KEYS) {
        if (!key_matches(key, text)) continue;
        size_t equals = text.find(L'=');
        std::wstring value = equals == std::wstring::npos ? std::wstring() : text.substr(equals + 1);
        if (key.value == Value::required && value.empty()) return ILLEGAL;
        return key.apply(value);
    }
    return ACCEPTED;  // no key: accepted and ignored
}
