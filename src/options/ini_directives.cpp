// The INI directives: each line is tried against the table in order; most
// directives match the start of the line, a few match anywhere in it. The
// value is the text after the first '='.
#include <cstdio>
#include <string>

#include "log/log_folder.h"
#include "log/log_name_value.h"
#include "log/log_set.h"
#include "log/log_writes.h"
#include "log/output.h"
#include "options/dates.h"
#include "options/ini_file.h"
#include "options/lists.h"
#include "options/long_options_logs.h"
#include "options/option_support.h"
#include "options/options.h"
#include "platform/pause.h"
#include "platform/platform.h"
#include "state/run_state.h"

namespace {

struct IniLine {
    const std::string& text;  // upper-cased, without its line end
    bool has_equals;
    std::string value;        // the text after the first '='
    std::string name;         // the value as a file or folder name (below)
};

enum class Match { prefix, anywhere };

struct Directive {
    const char* letters;
    Match match;
    void (*apply)(Parsing& p, const IniLine& line);
};

bool contains(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }
std::wstring wide(const std::string& text) { return text::from_utf8(text); }

// A value that names a file or folder, or a delimiter: an empty one is as
// good as none (it would name the current folder, or a NUL character).
bool names_nothing(const IniLine& line) { return !line.has_equals || line.value.empty(); }

void say(const char* format, const IniLine& line, bool with_pause) {
    text::print(stdout, format, line.text.c_str());
    if (with_pause) pause_seconds(2);
}

void missing_directive(const IniLine& line, bool with_pause = true) {
    say("\nMissing ini directive %s", line, with_pause);
}

// The field is set; a value holding "ON" sets it again and one holding "OFF",
// tested last, clears it.
void on_off(const IniLine& line, int32_t& field) {
    field = 1;
    if (line.value.empty()) return;
    if (contains(line.value, "ON")) field = 1;
    if (contains(line.value, "OFF")) field = 0;
}

// A full path of the line's value, or the missing-directive message.
bool full_path_of_value(const IniLine& line, size_t limit, std::wstring& full) {
    if (!names_nothing(line) && platform::full_path(wide(line.name).c_str(), full, limit)) return true;
    missing_directive(line);
    return false;
}

// ---- Logs -------------------------------------------------------------------------

void log_name_missing(Parsing& p, const IniLine& line) {
    say("\nMissing ini file modifier at: %s", line, false);
    p.options().log_mask = 0;
    pause_seconds(2);
}

// LOGFILE=name[!mask]: the default log (unless one is open already) and the
// logs of the mask. On Windows the name comes out in capitals, as the line
// does; no date token is replaced.
void apply_log_line(Parsing& p, const IniLine& line) {
    if (names_nothing(line)) return log_name_missing(p, line);
    if (contains(line.value, "OFF")) {
        p.options().log_mask = 0;
        return;
    }
    LogNameValue parts = split_log_name_value(wide(line.name));
    std::wstring full;
    if (parts.name.empty()) return log_name_missing(p, line);
    if (!platform::full_path(parts.name.c_str(), full, 260)) {
        text::print(stdout, "Can't open accounting file %ls\n", parts.name.c_str());
        return;
    }
    create_log_folder(full);
    open_default_log_on(p, full, true);
    p.config.log_base_name = full;
    if (!parts.has_mask) return;
    p.options().log_mask = combine_log_mask(p.options().log_mask, parts.mask_text, LogMaskForm::ini_directive);
    open_due_logs(p);
}

// LOGS=keyword,...: log types without a log name; they are opened beside a
// log name given earlier, or wait for one given later.
void apply_logs_line(Parsing& p, const IniLine& line) {
    if (names_nothing(line)) return log_name_missing(p, line);
    p.options().log_mask = combine_log_mask(p.options().log_mask, wide(line.value), LogMaskForm::ini_directive);
    if (!p.config.log_base_name.empty()) open_due_logs(p);
}

// ---- Files and folders ----------------------------------------------------------------

void apply_bypass_line(Parsing& p, const IniLine& line) {
    if (names_nothing(line)) {
        missing_directive(line);
        p.options().bypass_active = 0;
        return;
    }
    p.options().bypass_active = 1;
    add_bypass_folder(p, wide(line.name), 32767);
}

void apply_destination_line(Parsing& p, const IniLine& line, size_t limit) {
    std::wstring full;
    if (!full_path_of_value(line, limit, full)) return;
    p.options().dest_given = 1;
    p.config.dest_path = full;
}

void apply_path_line(Parsing& p, const IniLine& line) {
    if (names_nothing(line)) return say("\nMissing/Illegal ini file directive %s", line, true);
    add_start_path(p, wide(line.name));
}

FILE* open_memo_file(Parsing& p, const std::wstring& name) {
    p.config.memo_path = name;
    FILE* file = platform::open_stream(name.c_str(), "a+");
    if (!file) return nullptr;
    // A memo that cannot be written is said, and ends the run as a log would.
    watch_log(p.logs().writes, file, name, nullptr, "memo file");
    note_run_file(p.logs(), name);
    return file;
}

void apply_memo_line(Parsing& p, const IniLine& line) {
    p.options().memo = 1;
    if (!line.has_equals) {
        std::wstring chosen;
        if (select_output_file(chosen)) p.run.memo_file = open_memo_file(p, chosen);
        return;
    }
    if (contains(line.value, "OFF")) {
        p.options().memo = 0;
        return;
    }
    std::wstring full;
    if (platform::full_path(wide(line.name).c_str(), full, 260)) p.run.memo_file = open_memo_file(p, full);
}

// ---- Values -----------------------------------------------------------------------------

void apply_delimiter_line(Parsing& p, const IniLine& line) {
    if (names_nothing(line)) return missing_directive(line);
    if (contains(line.value, "OFF")) return;
    wchar_t& delimiter = p.config.list_delimiter;
    if (line.value.size() == 1) delimiter = static_cast<unsigned char>(line.value[0]);
    else delimiter = static_cast<wchar_t>(decimal_value(wide(line.value).c_str()) & 0xFF);
}

// HASH=ON both, SOURCE, DESTINATION (whose "ON" is then replaced), OFF none.
void apply_hash_line(Parsing& p, const IniLine& line) {
    int32_t& mode = p.options().hash_mode;
    mode = 0;
    if (!line.has_equals) return;
    if (contains(line.value, "ON")) mode = 8;
    if (!line.value.empty() && (line.value[0] == 'S' || line.value[0] == 'D')) {
        if (mode != 0) mode &= ~8;
        mode |= line.value[0] == 'S' ? 2 : 4;
    }
    if (contains(line.value, "OFF")) mode = 0;
}

void apply_list_line(Parsing& p, const IniLine& line) {
    if (!line.has_equals) {
        missing_directive(line);
        p.options().list_only = 0;
        return;
    }
    if (contains(line.value, "ON")) p.options().list_only = 1;
    if (contains(line.value, "OFF")) p.options().list_only = 0;
}

void apply_maintain_line(Parsing& p, const IniLine& line) {
    if (!line.has_equals) {
        missing_directive(line, false);
        p.options().maintain_dir_dates = 0;
        return;
    }
    if (contains(line.value, "ON")) p.options().maintain_dir_dates = p.options().make_dirs = 1;
    if (contains(line.value, "OFF")) p.options().maintain_dir_dates = 0;
}

// GREATER= (the lower bound) and LESSTHAN= (the upper one).
void apply_size_line(Parsing& p, const IniLine& line, bool lower_bound) {
    int32_t& select = lower_bound ? p.options().size_greater_select : p.options().size_less_select;
    int64_t& bound = lower_bound ? p.config.size_greater : p.config.size_less;
    if (!line.has_equals) {
        missing_directive(line, false);
        select = 0;
        return;
    }
    select = 1;
    bound = decimal_value64(wide(line.value).c_str());
}

// YOUNGER=/NEWER= and OLDER=: days, or a date read as -l and -g read theirs.
void apply_age_line(Parsing& p, const IniLine& line, bool older) {
    if (!line.has_equals) {
        say(older ? "\nMissing ini file modifier at: %s" : "\nMissing ini modifier at: %s", line, false);
        text::print(stdout, "\nAging modifier turned off");
        pause_seconds(2);
        p.options().age_select = 0;
        return;
    }
    p.options().age_select = 1;
    std::wstring value = wide(line.value);
    if (!is_day_count(value)) return apply_age_value(p, value, older);
    Configuration& c = p.config;
    (older ? c.older_days : c.younger_days) = decimal_value(value.c_str());
}

void apply_time_line(Parsing& p, const IniLine& line) {
    if (!line.value.empty()) p.options().time_kind = static_cast<unsigned char>(line.value[0]);
}

void apply_width_line(Parsing& p, const IniLine& line) {
    if (!line.has_equals) return missing_directive(line, false);
    p.options().name_width = decimal_value(wide(line.value).c_str());
    p.config.name_width_set += 1;
}

void apply_zulu_line(Parsing& p, const IniLine& line) { p.options().zulu_time = line.value == "OFF" ? 0 : 1; }

void nothing(Parsing&, const IniLine&) {}

using L = const IniLine&;

// In the order they are tried: APPEND, found anywhere, takes PATH=D:\APPENDIX
// before PATH is tried; PATHONLY comes before PATH.
const Directive DIRECTIVES[] = {
    {"ACCT", Match::prefix, apply_log_line},
    {"ACCOUNT", Match::prefix, apply_log_line},
    {"LOGS", Match::prefix, apply_logs_line},
    {"LOG", Match::prefix, apply_log_line},
    {"APPEND", Match::anywhere, nothing},  // logs are always appended to
    {"BYP", Match::prefix, apply_bypass_line},
    {"CHK_TILDE", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().check_tilde); }},
    {"CRC", Match::prefix, nothing},
    {"DELIM", Match::prefix, apply_delimiter_line},
    {"DES", Match::prefix, [](Parsing& p, L l) { apply_destination_line(p, l, 32767); }},
    {"DISPL", Match::prefix,
     [](Parsing&, L l) {
         if (!l.has_equals) missing_directive(l);
     }},
    {"HASH", Match::prefix, apply_hash_line},
    {"IMMED", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().no_precount); }},
    {"NO_COUNT", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().no_precount); }},
    {"LIST", Match::prefix, apply_list_line},
    {"MAINT", Match::prefix, apply_maintain_line},
    {"GREAT", Match::prefix, [](Parsing& p, L l) { apply_size_line(p, l, true); }},
    {"LESS", Match::prefix, [](Parsing& p, L l) { apply_size_line(p, l, false); }},
    {"MEMO", Match::prefix, apply_memo_line},
    {"MILITARY", Match::anywhere, nothing},
    {"NAMEONLY", Match::anywhere, [](Parsing& p, L l) { on_off(l, p.options().name_only); }},
    {"NODUPE", Match::anywhere,
     [](Parsing& p, L l) {
         p.options().copy_all = 1;
         on_off(l, p.options().nodupe);
     }},
    {"YOUNG", Match::prefix, [](Parsing& p, L l) { apply_age_line(p, l, false); }},
    {"NEWER", Match::prefix, [](Parsing& p, L l) { apply_age_line(p, l, false); }},
    {"OLD", Match::prefix, [](Parsing& p, L l) { apply_age_line(p, l, true); }},
    {"OUTPUT", Match::prefix, [](Parsing& p, L l) { apply_destination_line(p, l, 260); }},
    {"PATHONLY", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().path_only); }},
    {"PATH", Match::prefix, apply_path_line},
    {"REC", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().recurse); }},
    {"RESET", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().reset_access_time); }},
    {"SHA", Match::anywhere, [](Parsing& p, L l) { on_off(l, p.options().sha1_wanted); }},
    {"SILEN", Match::prefix, [](Parsing& p, L l) { on_off(l, p.options().silent); }},
    {"TIME", Match::prefix, apply_time_line},
    {"WIDTH", Match::prefix, apply_width_line},
    {"ZULU", Match::prefix, apply_zulu_line},
};

// Names in the upper case of the line, as Windows takes them; where the file
// system tells case apart a name keeps the case it was written in, or no
// lower-case file or folder could be named at all.
std::string name_value(const std::string& value, const std::string& as_written, size_t equals) {
#ifdef _WIN32
    (void)as_written;
    (void)equals;
    return value;
#else
    (void)value;
    return as_written.size() > equals ? as_written.substr(equals + 1) : std::string();
#endif
}

bool directive_matches(const Directive& d, const std::string& line) {
    if (d.match == Match::anywhere) return contains(line, d.letters);
    return line.compare(0, std::char_traits<char>::length(d.letters), d.letters) == 0;
}

}  // namespace

bool select_output_file(std::wstring& chosen) {
    return platform::select_file_dialog(L"Output File Selection", chosen);
}

bool apply_ini_line(Parsing& p, const std::string& line, const std::string& as_written) {
    for (const Directive& d : DIRECTIVES) {
        if (!directive_matches(d, line)) continue;
        size_t equals = line.find('=');
        IniLine parsed{line, equals != std::string::npos, std::string(), std::string()};
        if (parsed.has_equals) {
            parsed.value = line.substr(equals + 1);
            parsed.name = name_value(parsed.value, as_written, equals);
        }
        d.apply(p, parsed);
        return true;
    }
    return false;
}
