// The value of a log option: a log name, optionally followed by a separator
// ('!', '|' or ';') and a mask text that selects the logs of the set. The
// short option (-1), the long options (--logfile=, --err=) and the INI log
// directive read the mask text each in its own way.
#pragma once

#include <cstdint>
#include <string>

// Log mask bits (63 selects every log).
constexpr int32_t LOG_DEFAULT = 1;
constexpr int32_t LOG_LIST = 2;
constexpr int32_t LOG_COPIED = 4;
constexpr int32_t LOG_NOT_COPIED = 8;
constexpr int32_t LOG_ERROR = 16;
constexpr int32_t LOG_RENAMED = 32;
constexpr int32_t LOG_ALL = 63;

enum class LogMaskForm {
    short_option,   // -1: "all" in any case gives 63, else the leading decimal number is ORed in
    long_option,    // --logfile=: a leading digit gives the number (above 63: all), else the
                    // keywords all, list, cop, not, dup, err as written (case-sensitive)
    ini_directive,  // LOGFILE=: as the long option, the keywords in any case
    error_option,   // --err=: as the long option without "all" and without a name; above 63 is 63
};

struct LogNameValue {
    std::wstring name;       // the text before the separator (the whole value without one)
    bool has_mask = false;   // a separator was found
    std::wstring mask_text;  // the text after the separator
};

// Cuts `value` at its first '!', else its first '|', else its first ';'.
LogNameValue split_log_name_value(const std::wstring& value);

// The log mask after `mask_text` has been read into `mask` as `form` reads it.
int32_t combine_log_mask(int32_t mask, const std::wstring& mask_text, LogMaskForm form);

// Both steps: the name of the value, and `*mask` updated when it carries a mask.
std::wstring read_log_name_value(const std::wstring& value, LogMaskForm form, int32_t* mask);
