// The "--" options: a table of keys tried in order, the first key that
// begins the text deciding. Each key has its value rule and its effect.
#include "options/long_options.h"

#include <cstdio>

#include "common/paths.h"
#include "log/log_folder.h"
#include "log/log_name_value.h"
#include "log/log_set.h"
#include "log/output.h"
#include "options/list_reader.h"
#include "options/lists.h"
#include "options/long_options_logs.h"
#include "options/option_support.h"
#include "options/options.h"
#include "platform/platform.h"
#include "state/run_state.h"

namespace {

constexpr int ACCEPTED = 0;
constexpr int ILLEGAL = 1;

enum class Value { none, required, optional };

struct LongKey {
    const wchar_t* letters;
    Value value;
    int (*apply)(Parsing& p, const std::wstring& value);
    bool whole_text = false;  // the text must be the letters and nothing more
};

// REC and RES: the value's first letters decide, "ONE" is on, "offline" off.
int on_off_by_start(const std::wstring& value, int32_t& field) {
    if (value.empty() || paths::starts_with_ignoring_ascii_case(value, L"ON")) field = 1;
    else if (paths::starts_with_ignoring_ascii_case(value, L"OFF")) field = 0;
    else return ILLEGAL;
    return ACCEPTED;
}

[[noreturn]] void input_file_not_opened(Parsing& p, const char* what, const std::wstring& name) {
    text::print(stderr, "\n\nCan't open %s %ls\n", what, name.c_str());
    end_run(p.run, INPUT_FILE);
}

// ---- Logs ----------------------------------------------------------------------

int apply_log_name(Parsing& p, const std::wstring& value) {
    std::wstring name = read_log_name_value(value, LogMaskForm::long_option, &p.options().log_mask);
    std::wstring full;
    if (name.empty() || !platform::full_path(name.c_str(), full, 260)) return ILLEGAL;
    create_log_folder(full);
    if (has_date_token(full)) replace_date_token(full);
    p.config.log_name = p.config.log_base_name = full;
    if (!open_default_log_on(p, full, false)) return ILLEGAL;
    open_due_logs(p);
    return ACCEPTED;
}

// --err=: bits only, no name; they wait for a log name when none was given.
int apply_error_mask(Parsing& p, const std::wstring& value) {
    p.options().log_mask = combine_log_mask(p.options().log_mask, value, LogMaskForm::error_option);
    if (!p.config.log_name.empty()) open_due_logs(p);
    return ACCEPTED;
}

// ---- Files and folders -----------------------------------------------------------

int apply_destination(Parsing& p, const std::wstring& value) {
    std::wstring full;
    if (!platform::full_path(value.c_str(), full, 260)) return ILLEGAL;
    p.options().dest_given = 1;
    p.options().make_dirs = 1;
    p.config.dest_path = full;
    return ACCEPTED;
}

// --dirs=: the start folders of a file, each mirrored under the destination.
int apply_dirs_file(Parsing& p, const std::wstring& value) {
    p.options().no_precount = 1;
    p.options().make_dirs = 1;
    p.options().dirs_file_mode = 1;
    FILE* file = platform::open_stream(path_for_opening(value).c_str(), "r");
    if (!file) input_file_not_opened(p, "dirs file", value);
    file = readable_twice(file);
    if (!file) end_run(p.run, INPUT_FILE);
    std::string piece;
    while (read_byte_piece(file, 2047, piece)) ++p.config.dirs_count;
    std::rewind(file);
    read_dirs_file(p, file);
    return ACCEPTED;
}

int apply_hash_log_file(Parsing& p, const std::wstring& value) {
    if (!use_hash_log(p.logs(), path_for_opening(value))) input_file_not_opened(p, "hash log", value);
    return ACCEPTED;
}

// --VERIFY=: the run checks the files of this hash log instead of copying.
int apply_verify(Parsing& p, const std::wstring& value) {
    p.config.verify_log = value;
    return ACCEPTED;
}

int apply_list_file(Parsing& p, const std::wstring& value) {
    p.options().make_dirs = 1;
    apply_source_list(p, value.c_str());
    return ACCEPTED;
}

// ---- Values ------------------------------------------------------------------------

int apply_delimiter(Parsing& p, const std::wstring& value) {
    if (value.size() == 1)
        p.config.list_delimiter = value[0];
    else if (value == L"pipe")
        p.config.list_delimiter = L'|';
    else
        p.config.list_delimiter = static_cast<wchar_t>(decimal_value(value.c_str()) & 0xFF);
    return ACCEPTED;
}

int apply_hash_value(Parsing& p, const std::wstring& value) {
    if (value.empty())
        p.options().hash_mode = 8;
    else if (value[0] == L's')
        p.options().hash_mode = 2;
    else if (value[0] == L'd')
        p.options().hash_mode = 4;
    else if (value[0] == L'b')
        p.options().hash_mode = 8;
    else return ILLEGAL;
    return ACCEPTED;
}

int apply_silent(Parsing& p, const std::wstring& value) {
    if (value.empty() || paths::equal_ignoring_ascii_case(value, L"ON"))
        p.options().silent = 1;
    else if (paths::equal_ignoring_ascii_case(value, L"OFF"))
        p.options().silent = 0;
    else return ILLEGAL;
    return ACCEPTED;
}

int apply_flatten(Parsing& p, const std::wstring& value) {
    p.options().flatten = value.empty() ? 1 : decimal_value(value.c_str());
    return ACCEPTED;
}

int apply_width(Parsing& p, const std::wstring& value) {
    p.options().name_width = decimal_value(value.c_str());
    p.config.name_width_set += 1;
    return ACCEPTED;
}

// --greater= (the lower bound) and --lessthan= (the upper one).
int apply_size(Parsing& p, const std::wstring& value, bool lower_bound) {
    (lower_bound ? p.options().size_greater_select : p.options().size_less_select) = 1;
    (lower_bound ? p.config.size_greater : p.config.size_less) = decimal_value64(value.c_str());
    return ACCEPTED;
}

using V = const std::wstring&;

// The keys in the order they are tried: "EXC" before "EX", "HASHLOG" before
// "HASH", "SHADOW" before "SHA".
const LongKey LONG_KEYS[] = {
    {L"ALL", Value::none,
     [](Parsing& p, V) {
         p.options().copy_all = 1;
         return ACCEPTED;
     }},
    {L"ACC", Value::required, apply_log_name},
    {L"LOG", Value::required, apply_log_name},
    {L"BYP", Value::required,
     [](Parsing& p, V v) {
         p.options().bypass_active = 1;
         add_bypass(p, v);
         return ACCEPTED;
     }},
    {L"EXC", Value::required,
     [](Parsing& p, V v) {
         p.options().exclude_select = 1;
         read_exclude_file(p, v);
         return ACCEPTED;
     }},
    {L"CHK", Value::optional,
     [](Parsing& p, V v) {
         p.options().check_tilde = paths::starts_with_ignoring_ascii_case(v, L"OFF") ? 0 : 1;
         return ACCEPTED;
     }},
    {L"DES", Value::required, apply_destination},
    {L"OUT", Value::required, apply_destination},
    {L"DEL", Value::required, apply_delimiter},
    {L"DIR", Value::required, apply_dirs_file},
    {L"ERR", Value::required, apply_error_mask},
    {L"EX", Value::none,
     [](Parsing& p, V) {
         p.options().existing_only = 1;
         return ACCEPTED;
     }},
    {L"GRE", Value::required, [](Parsing& p, V v) { return apply_size(p, v, true); }},
    {L"HASHLOG", Value::required, apply_hash_log_file},
    {L"HASH", Value::optional, apply_hash_value},
    {L"MD5", Value::optional, apply_hash_value},
    {L"IM", Value::none,
     [](Parsing& p, V) {
         p.options().no_precount = 1;
         return ACCEPTED;
     }},
    {L"LES", Value::required, [](Parsing& p, V v) { return apply_size(p, v, false); }},
    {L"LIS", Value::required, apply_list_file},
    {L"MAIN", Value::none,
     [](Parsing& p, V) {
         p.options().make_dirs = 1;
         return ACCEPTED;
     }},
    {L"NOC", Value::none,
     [](Parsing& p, V) {
         p.options().rename_existing = p.options().copy_all = 1;
         return ACCEPTED;
     }},
    {L"IGN", Value::none,
     [](Parsing& p, V) {
         p.options().rename_existing = p.options().copy_all = 1;
         return ACCEPTED;
     }},
    {L"NOD", Value::none,
     [](Parsing& p, V) {
         p.options().nodupe = p.options().copy_all = 1;
         return ACCEPTED;
     }},
    {L"OVER", Value::none,
     [](Parsing& p, V) {
         p.options().overwrite_protected = 1;
         return ACCEPTED;
     }},
    {L"PATH", Value::required,
     [](Parsing& p, V v) {
         add_start_path(p, v);
         return ACCEPTED;
     }},
    {L"REC", Value::optional, [](Parsing& p, V v) { return on_off_by_start(v, p.options().recurse); }},
    {L"RES", Value::optional, [](Parsing& p, V v) { return on_off_by_start(v, p.options().reset_access_time); }},
    {L"SHADOW", Value::none,
     [](Parsing& p, V) {
         p.options().shadow_copy = 1;
         return ACCEPTED;
     }},
    {L"SHA1", Value::none,
     [](Parsing& p, V) {
         p.options().sha1_wanted = 1;
         return ACCEPTED;
     },
     true},
    {L"SHA", Value::none,
     [](Parsing& p, V) {
         p.options().sha1_wanted = 1;
         return ACCEPTED;
     },
     true},
    {L"FLAT", Value::optional, apply_flatten},
    {L"WID", Value::required, apply_width},
    {L"SIL", Value::optional, apply_silent},
    // No key above begins "VERIFY", and no text that one of them takes does.
    {L"VERIFY", Value::required, apply_verify},
};

bool key_matches(const LongKey& key, const std::wstring& text) {
    if (key.whole_text) return paths::equal_ignoring_ascii_case(text, key.letters);
    return paths::starts_with_ignoring_ascii_case(text, key.letters);
}

}  // namespace

int apply_long_option(Parsing& p, const std::wstring& text) {
    for (const LongKey& key : LONG_KEYS) {
        if (!key_matches(key, text)) continue;
        size_t equals = text.find(L'=');
        std::wstring value = equals == std::wstring::npos ? std::wstring() : text.substr(equals + 1);
        if (key.value == Value::required && value.empty()) return ILLEGAL;
        return key.apply(p, value);
    }
    return ACCEPTED;  // no key: accepted and ignored
}
