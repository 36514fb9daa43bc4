#include "copy/selection.h"

#include "options/dates.h"

namespace {

bool lookup(const std::wstring& path, platform::FindRecord* record) {
    return platform::find_entry(path.c_str(), record);
}

bool lacks(uint32_t attributes, uint32_t bit) { return (attributes & bit) == 0; }

}  // namespace

bool passes_attribute_test(const CopyContext& c, uint32_t a) {
    if (c.options.attr_dir_level > 1 && lacks(a, platform::ATTR_DIRECTORY)) return false;
    if (c.options.attr_readonly && lacks(a, platform::ATTR_READONLY)) return false;
    if (c.options.attr_system && lacks(a, platform::ATTR_SYSTEM)) return false;
    if (c.options.attr_hidden && lacks(a, platform::ATTR_HIDDEN)) return false;
    if (c.options.attr_archive && lacks(a, platform::ATTR_ARCHIVE)) return false;
    if (c.options.attr_encrypted && lacks(a, platform::ATTR_ENCRYPTED)) return false;
    return true;
}

bool passes_date_range_test(const CopyContext& c, const platform::FindRecord& record) {
    if (!c.options.older_select && !c.options.younger_select) return true;
    auto within = [&c](uint64_t t) { return c.config.younger_cutoff < t && t < c.config.older_cutoff; };
    if (c.config.age_use_access && within(record.last_access_time)) return true;
    if (c.config.age_use_create && within(record.creation_time)) return true;
    if (c.config.age_use_write && within(record.last_write_time)) return true;
    return false;
}

bool passes_age_test(const CopyContext& c, const std::wstring& source_path, const platform::FindRecord& record) {
    if (c.config.age_use_access || c.config.age_use_create || c.config.age_use_write)
        return passes_date_range_test(c, record);
    int32_t age = 0;
    // A file that has gone since the walk listed it has no age: it fails.
    if (!age_in_days(c, source_path, c.options.time_kind, &age)) return false;
    return c.config.older_days <= age && age < c.config.younger_days;
}

bool passes_size_test(const CopyContext& c, int64_t size) {
    if (c.options.size_greater_select && size < c.config.size_greater) return false;
    if (c.options.size_less_select && size > c.config.size_less) return false;
    return true;
}

platform::FileTime time_of_kind(const platform::FindRecord& record, int time_kind) {
    if (time_kind == 'A' || time_kind == 'a') return record.last_access_time;
    if (time_kind == 'C' || time_kind == 'c') return record.creation_time;
    return record.last_write_time;
}

bool age_in_days(const CopyContext& c, const std::wstring& path, int time_kind, int32_t* days) {
    std::tm today{};
    if (!platform::local_time(platform::now_seconds(), &today)) return false;
    platform::FindRecord record;
    if (!lookup(path, &record)) return false;
    platform::FileTime local = 0;
    platform::SystemTime st{};
    if (!platform::filetime_to_local(time_of_kind(record, time_kind), &local) ||
        !platform::filetime_to_systemtime(local, &st))
        return false;
    const int32_t today_number = day_number(today.tm_mon + 1, today.tm_mday, today.tm_year + 1900);
    if (today_number == INVALID_DAY) end_on_invalid_date(c.run, today.tm_mon + 1, today.tm_mday, today.tm_year + 1900);
    const int32_t file_number = day_number(st.month, st.day, st.year);
    if (file_number == INVALID_DAY) end_on_invalid_date(c.run, st.month, st.day, st.year);
    *days = today_number - file_number;
    return true;
}
