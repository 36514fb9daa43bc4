// The command line: start-up defaults, positional folders, single-letter
// options (clustered, with '/' for '-' and '+' for their off forms) and the
// hand-over of "--" options, INI settings, dates and list files.
#include "options/options.h"

#include <climits>
#include <ctime>
#include <cwctype>

#include "common/paths.h"
#include "log/log_files.h"
#include "log/log_folder.h"
#include "log/log_name_value.h"
#include "log/log_set.h"
#include "log/output.h"
#include "options/dates.h"
#include "options/ini_file.h"
#include "options/list_reader.h"
#include "options/lists.h"
#include "options/long_options.h"
#include "options/memo.h"
#include "options/option_support.h"
#include "options/usage.h"
#include "platform/platform.h"
#include "state/run_state.h"

namespace {

// Where the scan stands: the argument vector and the next unread argument.
struct ArgumentScan {
    int argc;
    wchar_t** argv;
    int next;

    bool has_next() const { return next < argc && argv[next]; }
    const wchar_t* peek() const { return has_next() ? argv[next] : nullptr; }
    const wchar_t* take() { return has_next() ? argv[next++] : nullptr; }
};

bool is_option_start(wchar_t c) { return c == L'-' || c == L'+' || c == L'/'; }

// ---- Start-up --------------------------------------------------------------

void set_default_age_cutoffs(Parsing& p) {
    p.config.age_use_access = p.config.age_use_create = p.config.age_use_write = 0;
    int month, day, year;
    split_date("01-01-1980", &month, &day, &year);
    p.config.younger_cutoff = cutoff_filetime(month, day, year);
    std::tm today{};
    platform::local_time(platform::now_seconds(), &today);
    p.config.older_cutoff = local_calendar_filetime(58, 58, 22, today.tm_mday, today.tm_mon + 1, today.tm_year + 1900);
}

// "kestro logs" ends with exit code 6 even when every page was read, and
// without the statistics of a run.
[[noreturn]] void show_log_help_and_exit(Parsing& p) {
    show_log_help(p.run);
    exit_at_once(p.run, ILLEGAL_OPTION);
}

// ACCT=ON keeps the accounting log ACCT-ING in the current folder; any other
// value names it. It is also the name the statistics are written under, unless
// a log option names another.
void open_accounting_log(Parsing& p) {
    std::wstring value;
    if (!platform::get_env("ACCT", &value)) return;
    std::wstring name = paths::upper_ascii(value) == L"ON" ? std::wstring(L"ACCT-ING") : value;
    std::wstring full = full_path_or_end(p, name);
    use_default_log_or_exit(p, full);
    if (p.config.log_base_name.empty()) p.config.log_base_name = full;
}

void take_positional_arguments(Parsing& p, ArgumentScan& scan) {
    while (scan.has_next() && !is_option_start(scan.peek()[0])) {
        std::wstring argument = scan.take();
        if (p.config.source_paths.empty())
            add_start_path(p, argument);
        else
            p.config.dest_path = full_path_or_end(p, argument);
    }
}

// ---- Values ------------------------------------------------------------------

// The value of a letter: the rest of its argument when that is not empty,
// else the next argument. Null when there is none.
const wchar_t* take_value(const wchar_t* rest, ArgumentScan& scan, bool* attached) {
    *attached = *rest != 0;
    return *attached ? rest : scan.take();
}

[[noreturn]] void end_illegal_option(Parsing& p) { end_run(p.run, ILLEGAL_OPTION); }

// A letter whose value is missing in a way the usage screens do not cover.
[[noreturn]] void value_missing(Parsing& p, wchar_t letter) {
    text::print(stderr, "\nThe -%c option needs a value\n", static_cast<int>(letter));
    end_illegal_option(p);
}

}  // namespace

void apply_age_value(Parsing& p, const std::wstring& value, bool older) {
    p.options().age_select = 1;
    (older ? p.options().older_select : p.options().younger_select) = 1;
    int32_t& days = older ? p.config.older_days : p.config.younger_days;
    if (is_day_count(value)) {
        days = decimal_value(value.c_str());
        return;
    }
    scan_age_letters(p.config, value);
    std::string narrow;
    for (size_t i = 0; i < value.size() && i < 1023; ++i) narrow += static_cast<char>(value[i] & 0xFF);
    days = day_count(narrow.c_str());
    int month, day, year;
    split_date(narrow.c_str(), &month, &day, &year);
    (older ? p.config.older_cutoff : p.config.younger_cutoff) = cutoff_filetime(month, day, year);
}

namespace {

// ---- The log option (-1, -2, -3) -----------------------------------------------

void apply_log_option(Parsing& p, const std::wstring& value) {
    std::wstring name = read_log_name_value(value, LogMaskForm::short_option, &p.options().log_mask);
    std::wstring full = full_path_or_end(p, name);
    create_log_folder(full);
    if (has_date_token(full)) replace_date_token(full);
    p.config.log_base_name = full;
    // An earlier default log (ACCT's) gets no more lines.
    use_default_log_or_exit(p, p.config.log_base_name);
    open_logs_of_mask_or_end(p);
}

void switch_logs_off(Parsing& p) {
    p.options().log_mask = 0;
    close_log_stream(p.logs(), p.logs().default_log);
}

// ---- Letters with values ---------------------------------------------------------

void apply_attribute_letters(Parsing& p, const wchar_t* modifiers) {
    if (!*modifiers) {
        text::print(stderr, "\n-a option needs a modifier [erhms]\n");
        end_illegal_option(p);
    }
    p.options().attr_select = 1;
    for (; *modifiers; ++modifiers) {
        switch (*modifiers) {
            case L'r':
            case L'R': p.options().attr_readonly = 1; break;
            case L'h':
            case L'H': p.options().attr_hidden = 1; break;
            case L's':
            case L'S': p.options().attr_system = 1; break;
            case L'm':
            case L'M': p.options().attr_archive = 1; break;
            case L'e':
            case L'E': p.options().attr_encrypted = 1; break;
            case L'd': p.options().attr_dir_level += 1; break;
            case L'D': p.options().attr_dir_level += 2; break;
            default: break;
        }
    }
}

[[noreturn]] void forgot_drive_colon(Parsing& p) {
    text::print(stderr, "\n\nYou used a -D option and forgot to include the ':' after the destination drive\n");
    text::print(stderr, "Please rerun the program with proper ':' after destination drive designation\n\n");
    text::print(stderr, "%c", 7);
    end_illegal_option(p);
}

void apply_destination(Parsing& p, const wchar_t* value) {
    p.options().dest_given = 1;
    std::wstring full = full_path_or_end(p, value);
    bool network_or_prefixed = (!full.empty() && full[0] == L'\\') || (full.size() > 1 && full[1] == L'\\');
    p.config.dest_path = network_or_prefixed ? full : paths::LONG_PREFIX + full;
}

void apply_error_log(Parsing& p, const wchar_t* value, bool attached) {
    p.options().error_log_given = 1;
    std::wstring full;
    if (!platform::full_path(value, full, attached ? 32768 : 260)) return;  // stays on standard error
    create_log_folder(full);
    use_error_log_file(p.logs(), full);
}

void apply_hash_log(Parsing& p, const wchar_t* value) {
    if (p.options().hash_mode == 0) p.options().hash_mode = 8;
    use_hash_log(p.logs(), path_for_opening(value));  // left closed, without a word, when it cannot be opened
}

}  // namespace

void apply_source_list(Parsing& p, const wchar_t* value) {
    p.options().source_list_mode = 1;
    FILE* file = platform::open_stream(path_for_opening(value).c_str(), "r");
    if (!file) {
        text::print(stderr, "\n\nCan't find source file to open\n");
        end_run(p.run, INPUT_FILE);
    }
    file = readable_twice(file);
    if (!file) end_run(p.run, INPUT_FILE);
    p.run.source_list_file = file;
    std::string piece;
    while (read_byte_piece(file, 2047, piece))
        if (piece.size() >= 4) ++p.config.source_list_count;
    std::rewind(file);
}

namespace {

void apply_width(Parsing& p, const wchar_t* value, int32_t set_increase) {
    p.config.name_width_set += set_increase;
    p.options().name_width = p.options().alt_name_width = decimal_value(value);
    if (p.options().name_width == 0) p.options().name_width = 260;
}

// -h, -hs, -hd. Returns the characters of the argument it used after the 'h'.
int apply_hash_letters(Parsing& p, const wchar_t* rest) {
    if (*rest == 0) {
        if (p.options().hash_mode == 0) p.options().hash_mode = 8;
        return 0;
    }
    if (*rest == L's' || *rest == L'd') {
        if (p.options().hash_mode != 0) p.options().hash_mode ^= 8;
        p.options().hash_mode |= *rest == L's' ? 2 : 4;
        return 1;
    }
    text::print(stdout, "\nIncorrect -h option\n");
    text::print(stdout, "\nUse either -h or -hs of -hd\n");
    return 0;
}

// ---- List letters (-p, -f, -x) ---------------------------------------------------

void take_start_paths(Parsing& p, ArgumentScan& scan) {
    while (scan.has_next() && scan.peek()[0] != L'-' && scan.peek()[0] != L'+') add_start_path(p, scan.take());
}

void take_file_types(Parsing& p, ArgumentScan& scan) {
    while (scan.has_next() && !is_option_start(scan.peek()[0])) {
        std::wstring pattern = scan.take();
        if (pattern.find(L'\\') != std::wstring::npos) {
            text::print(stderr, "Can't have a \\ in the file type option\n");
            end_illegal_option(p);
        }
        add_file_type(p, pattern);
    }
}

void take_exclusions(Parsing& p, ArgumentScan& scan, wchar_t letter) {
    if (!scan.has_next()) value_missing(p, letter);
    if (scan.peek()[0] == L'-') show_usage(p.run);
    p.options().exclude_select = 1;
    while (scan.has_next() && !is_option_start(scan.peek()[0])) {
        std::wstring pattern = scan.take();
        if (!p.options().exclude_case_sensitive) pattern = paths::upper_ascii(pattern);
        if (!p.config.exclude_types.add(pattern))
            end_run_list_full(p, "exclusion patterns", p.config.exclude_types.capacity());
    }
}

// ---- One option argument -----------------------------------------------------------

// Values that end the run with reason 6 when missing.
const wchar_t* required_value(Parsing& p, const wchar_t* rest, ArgumentScan& scan, bool refuse_dash) {
    bool attached;
    const wchar_t* value = take_value(rest, scan, &attached);
    if (!value || (!attached && refuse_dash && value[0] == L'-')) end_illegal_option(p);
    return value;
}

// Values whose absence shows the usage screens.
const wchar_t* usage_value(Parsing& p, const wchar_t* rest, ArgumentScan& scan, bool refuse_dash) {
    bool attached;
    const wchar_t* value = take_value(rest, scan, &attached);
    if (!value || (!attached && refuse_dash && value[0] == L'-')) show_usage(p.run);
    return value;
}

// One letter of an option argument, as its handler sees it.
struct Letter {
    Parsing& p;
    ArgumentScan& scan;
    wchar_t letter;
    const wchar_t* rest;  // what follows the letter in its argument
    bool plus_argument;   // the argument began with '+'
    bool plus_letter;     // the letter follows a '+'
    size_t& pos;          // of the letter in its argument; a handler may move past letters it used
};
// What follows a letter's handler: the next letter of the argument, or the
// next argument (the letter used the rest of its argument, or the next one).
enum class Then { next_letter, next_argument };
constexpr Then NEXT_LETTER = Then::next_letter;
constexpr Then NEXT_ARGUMENT = Then::next_argument;

// -G and -L: the size a file must exceed, or stay under, to be copied.
Then take_size_limit(Letter& l, bool greater) {
    (greater ? l.p.options().size_greater_select : l.p.options().size_less_select) = 1;
    (greater ? l.p.config.size_greater : l.p.config.size_less) =
        decimal_value64(required_value(l.p, l.rest, l.scan, true));
    return NEXT_ARGUMENT;
}

Then log_letter(Letter& l) {
    if (l.plus_letter) {
        switch_logs_off(l.p);
        return NEXT_LETTER;
    }
    apply_log_option(l.p, usage_value(l.p, l.rest, l.scan, true));
    return NEXT_ARGUMENT;
}

Then drive_letter(Letter& l) {
    bool attached;
    const wchar_t* value = take_value(l.rest, l.scan, &attached);
    if (!value || (!attached && value[0] == L'-')) end_illegal_option(l.p);
    if (attached ? value[1] != L':' : value[0] != 0 && value[1] == 0) forgot_drive_colon(l.p);
    l.p.options().dest_drive_only = 1;
    apply_destination(l.p, value);
    return NEXT_ARGUMENT;
}

Then error_log_letter(Letter& l) {
    bool attached;
    const wchar_t* value = take_value(l.rest, l.scan, &attached);
    if (!value || (!attached && value[0] == L'-')) show_usage(l.p.run);
    apply_error_log(l.p, value, attached);
    return NEXT_ARGUMENT;
}

Then time_letter(Letter& l) {
    if (l.plus_argument) {
        l.p.options().time_kind = 'w';
        return NEXT_LETTER;
    }
    l.p.options().time_kind = required_value(l.p, l.rest, l.scan, false)[0];
    return NEXT_ARGUMENT;
}

Then width_letter(Letter& l) {
    if (l.plus_argument) {
        l.p.config.name_width_set = 1;
        return NEXT_LETTER;
    }
    bool attached;
    const wchar_t* value = take_value(l.rest, l.scan, &attached);
    if (!value) value_missing(l.p, l.letter);
    apply_width(l.p, value, l.letter == L'W' ? 2 : 1);
    return NEXT_ARGUMENT;
}

Then long_option(Letter& l) {
    if (apply_long_option(l.p, l.rest) != 0) {
        text::print(stderr, "\nIllegal option: %ls", l.rest);
        end_illegal_option(l.p);
    }
    return NEXT_ARGUMENT;
}

// Sets a field of the option record and goes on with the next letter.
#define SET(field, value)            \
    [](Letter& l) {                  \
        l.p.options().field = value; \
        return NEXT_LETTER;          \
    }

struct LetterRule {
    const wchar_t* letters;  // the letters it takes
    Then (*apply)(Letter&);
};

const LetterRule LETTERS[] = {
    {L"123", log_letter},
    {L"A",
     [](Letter& l) {
         l.p.options().copy_all = l.plus_letter ? 0 : 1;
         return NEXT_LETTER;
     }},
    {L"a",
     [](Letter& l) {
         apply_attribute_letters(l.p, l.rest);
         return NEXT_ARGUMENT;
     }},
    {L"D", drive_letter},
    {L"d",
     [](Letter& l) {
         apply_destination(l.p, required_value(l.p, l.rest, l.scan, true));
         return NEXT_ARGUMENT;
     }},
    {L"E", error_log_letter},
    {L"e", SET(existing_only, 1)},
    {L"F",
     [](Letter& l) {
         read_types_file(l.p, required_value(l.p, l.rest, l.scan, false));
         return NEXT_ARGUMENT;
     }},
    {L"f",
     [](Letter& l) {
         take_file_types(l.p, l.scan);
         return NEXT_LETTER;
     }},
    {L"G", [](Letter& l) { return take_size_limit(l, true); }},
    {L"g",
     [](Letter& l) {
         apply_age_value(l.p, usage_value(l.p, l.rest, l.scan, false), true);
         return NEXT_ARGUMENT;
     }},
    {L"H",
     [](Letter& l) {
         apply_hash_log(l.p, required_value(l.p, l.rest, l.scan, false));
         return NEXT_ARGUMENT;
     }},
    {L"h",
     [](Letter& l) {
         l.pos += static_cast<size_t>(apply_hash_letters(l.p, l.rest));
         return NEXT_LETTER;
     }},
    {L"Ii", SET(no_precount, 1)},
    {L"L", [](Letter& l) { return take_size_limit(l, false); }},
    {L"l",
     [](Letter& l) {
         apply_age_value(l.p, usage_value(l.p, l.rest, l.scan, false), false);
         return NEXT_ARGUMENT;
     }},
    {L"M",
     [](Letter& l) {
         l.p.options().maintain_dir_dates = 1;
         l.p.options().make_dirs = 1;
         return NEXT_LETTER;
     }},
    {L"m", SET(make_dirs, 1)},
    {L"N", SET(list_only, 2)},
    {L"n", SET(list_only, l.p.options().list_only + 1)},
    {L"O", SET(overwrite_protected, 1)},
    {L"p",
     [](Letter& l) {
         take_start_paths(l.p, l.scan);
         return NEXT_LETTER;
     }},
    {L"R", SET(reset_access_time, 1)},
    {L"r", SET(recurse, 0)},
    {L"Ss",
     [](Letter& l) {
         apply_source_list(l.p, required_value(l.p, l.rest, l.scan, false));
         return NEXT_ARGUMENT;
     }},
    {L"Tt", time_letter},
    {L"Uu", SET(upper_case_dirs, 0)},
    {L"V", SET(silent, l.p.options().silent + 2)},
    {L"v", SET(silent, l.p.options().silent + 1)},
    {L"Ww", width_letter},
    {L"X",
     [](Letter& l) {
         l.p.options().exclude_case_sensitive = 1;
         take_exclusions(l.p, l.scan, l.letter);
         return NEXT_LETTER;
     }},
    {L"x",
     [](Letter& l) {
         take_exclusions(l.p, l.scan, l.letter);
         return NEXT_LETTER;
     }},
    {L"z", SET(zulu_time, 1)},
    {L"-", long_option},
};

#undef SET

const LetterRule* rule_of(wchar_t letter) {
    for (const LetterRule& rule : LETTERS)
        for (const wchar_t* c = rule.letters; *c; ++c)
            if (*c == letter) return &rule;
    return nullptr;
}

// The letters of one option argument, left to right; '/' or '-' starts it,
// '+' turns the letter after it off.
void apply_option_argument(Parsing& p, const wchar_t* argument, ArgumentScan& scan) {
    const bool plus_argument = argument[0] == L'+';
    for (size_t pos = 1; argument[pos]; ++pos) {
        const wchar_t letter = argument[pos];
        const LetterRule* rule = rule_of(letter);
        if (!rule) show_usage(p.run);
        Letter l{p, scan, letter, argument + pos + 1, plus_argument, argument[pos - 1] == L'+', pos};
        if (rule->apply(l) == NEXT_ARGUMENT) return;
    }
}

// ---- Finishing -----------------------------------------------------------------------

// The start path without its long-path prefix and its drive (or server and
// share): the part that is mirrored on the destination drive.
std::wstring path_below_drive(const std::wstring& path) {
    std::wstring rest = paths::without_long_prefix(path);
    if (rest.compare(0, 4, L"UNC\\") == 0) rest = L"\\" + rest.substr(3);
    if (rest.size() >= 2 && rest[1] == L':') return rest.substr(2);
    if (rest.compare(0, 2, L"\\\\") == 0) {
        size_t server_end = rest.find(L'\\', 2);
        size_t share_end = server_end == std::wstring::npos ? std::wstring::npos : rest.find(L'\\', server_end + 1);
        return share_end == std::wstring::npos ? std::wstring() : rest.substr(share_end);
    }
    return rest;
}

void complete_drive_destination(Parsing& p) {
    std::wstring drive = paths::without_long_prefix(p.config.dest_path).substr(0, 2);
    // Without a start path yet, the walk will start in the current folder.
    std::wstring start = p.config.source_paths.empty() ? platform::current_directory() : p.config.source_paths[0];
    std::wstring below = path_below_drive(start);
    if (!below.empty() && below.back() == L'\\') below.pop_back();
    p.config.dest_path = paths::long_form(drive + below);
}

void finish_parsing(Parsing& p) {
    if (p.config.file_types.empty()) add_file_type(p, L"*.*");
    if (p.options().path_only && p.config.name_width_set == 1) {
        p.options().name_width = 78;
        p.config.name_width_set = 2;
    }
    if (p.options().dest_drive_only) complete_drive_destination(p);
    if (!p.logs().error_log) p.logs().error_log = stderr;
    if (p.options().memo && p.run.memo_file) memo_input(p.run.memo_file);
    if (p.config.ini_used) text::print(stderr, "\n\nINI PROCESSED\n");
    if (p.logs().renamed_log)
        text::print(p.logs().renamed_log, p.options().check_tilde ? "Check Tilde Duplicate Names Used\n"
                                                                  : "Check Tilde Duplicate Names NOT CHECKED\n");
}

}  // namespace

void parse_options(Parsing& p, int argc, wchar_t** argv) {
    set_default_age_cutoffs(p);
    if (argc > 1 && argv[1] && paths::equal_ignoring_ascii_case(argv[1], L"logs")) show_log_help_and_exit(p);
    open_accounting_log(p);
    apply_ini_file(p, argv);

    ArgumentScan scan{argc, argv, 1};
    take_positional_arguments(p, scan);
    while (scan.has_next() && is_option_start(scan.peek()[0])) apply_option_argument(p, scan.take(), scan);
    finish_parsing(p);
}
