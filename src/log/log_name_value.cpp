#include "log/log_name_value.h"

#include <climits>
#include <cwchar>

#include "common/paths.h"

namespace {

// _wtoi: blanks, a sign, digits; 0 without digits; saturated to 32 bits.
int32_t leading_decimal(const std::wstring& text) {
    long long value = std::wcstoll(text.c_str(), nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::wstring lower(const std::wstring& text) {
    std::wstring out = text;
    for (auto& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

int32_t keyword_bits(const std::wstring& text, bool with_all) {
    struct Keyword {
        const wchar_t* letters;
        int32_t bits;
    };
    static const Keyword KEYWORDS[] = {
        {L"all", LOG_ALL}, {L"list", LOG_LIST}, {L"cop", LOG_COPIED},
        {L"not", LOG_NOT_COPIED}, {L"dup", LOG_RENAMED}, {L"err", LOG_ERROR},
    };
    int32_t bits = 0;
    for (const Keyword& k : KEYWORDS) {
        if (!with_all && k.bits == LOG_ALL) continue;
        if (text.find(k.letters) != std::wstring::npos) bits |= k.bits;
    }
    return bits;
}

}  // namespace

LogNameValue split_log_name_value(const std::wstring& value) {
    LogNameValue result;
    size_t separator = value.find(L'!');
    if (separator == std::wstring::npos) separator = value.find(L'|');
    if (separator == std::wstring::npos) separator = value.find(L';');
    if (separator == std::wstring::npos) {
        result.name = value;
        return result;
    }
    result.name = value.substr(0, separator);
    result.has_mask = true;
    result.mask_text = value.substr(separator + 1);
    return result;
}

int32_t combine_log_mask(int32_t mask, const std::wstring& mask_text, LogMaskForm form) {
    if (form == LogMaskForm::short_option) {
        if (paths::upper_ascii(mask_text).find(L"ALL") != std::wstring::npos) return LOG_ALL;
        return mask | leading_decimal(mask_text);
    }
    bool leading_digit = !mask_text.empty() && mask_text[0] >= L'0' && mask_text[0] <= L'9';
    if (leading_digit) {
        mask |= leading_decimal(mask_text);
    } else {
        const std::wstring& words = form == LogMaskForm::ini_directive ? lower(mask_text) : mask_text;
        mask |= keyword_bits(words, form != LogMaskForm::error_option);
    }
    if (mask > LOG_ALL) mask = form == LogMaskForm::error_option ? LOG_ALL : mask | LOG_ALL;
    return mask;
}

std::wstring read_log_name_value(const std::wstring& value, LogMaskForm form, int32_t* mask) {
    LogNameValue parts = split_log_name_value(value);
    if (parts.has_mask) *mask = combine_log_mask(*mask, parts.mask_text, form);
    return parts.name;
}
