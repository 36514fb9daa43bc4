#include "options/option_support.h"

#include <climits>

#include "log/log_set.h"
#include "log/output.h"
#include "platform/platform.h"
#include "state/run_state.h"

void use_default_log_or_exit(Parsing& p, const std::wstring& name) {
    if (!use_default_log(p.logs(), name)) exit_at_once(p.run, 1);
}

void open_logs_of_mask_or_end(Parsing& p) {
    if (!open_logs_of_mask(p.config.log_base_name, p.options().log_mask, p.logs())) end_run(p.run, OUTPUT_FILE);
}

void end_run_list_full(Parsing& p, const char* list_name, size_t capacity) {
    text::print(stderr, "\nToo many %s: the list holds at most %d\n", list_name, static_cast<int>(capacity) - 1);
    end_run(p.run, ILLEGAL_OPTION);
}

std::wstring path_for_opening(const std::wstring& name) {
    std::wstring full;
    if (platform::full_path(name.c_str(), full)) return full;
    return name;
}

int64_t decimal_value64(const wchar_t* text) {
    while (*text == L' ' || (*text >= L'\t' && *text <= L'\r')) ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') negative = *text++ == L'-';
    uint64_t value = 0;
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        uint64_t digit = static_cast<uint64_t>(*text - L'0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (!negative) return static_cast<int64_t>(value);
    return value == limit ? INT64_MIN : -static_cast<int64_t>(value);
}

int32_t decimal_value(const wchar_t* text) {
    int64_t value = decimal_value64(text);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::wstring full_path_or_end(Parsing& p, const std::wstring& name, size_t limit) {
    std::wstring full;
    if (!platform::full_path(name.c_str(), full, limit)) {
        text::print(stderr, "\nCan't make a full path of %ls\n", name.c_str());
        end_run(p.run, ILLEGAL_OPTION);
    }
    return full;
}
