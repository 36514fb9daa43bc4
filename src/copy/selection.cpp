#include "copy/selection.h"

#include "options/dates.h"
#include "run/config.h"

namespace {

bool lookup(const std::wstring& path, platform::FindRecord* record) {
    return platform::find_entry(path.c_str(), record);
}

bool lacks(uint32_t attributes, uint32_t bit) { return (attributes & bit) == 0; }

}  // namespace

bool passes_attribute_test(uint32_t a) {
    if (opt->attr_dir_level > 1 && lacks(a, platform::ATTR_DIRECTORY)) return false;
    if (opt->attr_readonly && lacks(a, platform::ATTR_READONLY)) return false;
    if (opt->attr_system && lacks(a, platform::ATTR_SYSTEM)) return false;
    if (opt->attr_hidden && lacks(a, platform::ATTR_HIDDEN)) return false;
    if (opt->attr_archive && lacks(a, platform::ATTR_ARCHIVE)) return false;
    if (opt->attr_encrypted && lacks(a, platform::ATTR_ENCRYPTED)) return false;
    return true;
}

bool passes_date_range_test(const platform::FindRecord& record) {
    if (!opt->older_select && !opt->younger_select) return true;
    auto within = [](uint64_t t) { return config().younger_cutoff < t && t < config().older_cutoff; };
    if (config().age_use_access && within(record.last_access_time)) return true;
    if (config().age_use_create && within(record.creation_time)) return true;
    if (config().age_use_write && within(record.last_write_time)) return true;
    return false;
}

bool passes_age_test(const std::wstring& source_path, const platform::FindRecord& record) {
    if (config().age_use_access || config().age_use_create || config().age_use_write)
        return passes_date_range_test(record);
    int32_t age = 0;
    // A file that has gone since the walk listed it has no age: it fails.
    if (!age_in_days(source_path, opt->time_kind, &age)) return false;
    return config().older_days <= age && age < config().younger_days;
}

bool passes_size_test(int64_t size) {
    if (opt->size_greater_select && size < config().size_greater) return false;
    if (opt->size_less_select && size > config().size_less) return false;
    return true;
}

platform::FileTime time_of_kind(const platform::FindRecord& record, int time_kind) {
    if (time_kind == 'A' || time_kind == 'a') return record.last_access_time;
    if (time_kind == 'C' || time_kind == 'c') return record.creation_time;
    return record.last_write_time;
}

bool age_in_days(const std::wstring& path, int time_kind, int32_t* days) {
    std::tm today{};
    if (!platform::local_time(platform::now_seconds(), &today)) return false;
    platform::FindRecord record;
    if (!lookup(path, &record)) return false;
    platform::FileTime local = 0;
    platform::SystemTime st{};
    if (!platform::filetime_to_local(time_of_kind(record, time_kind), &local) ||
        !platform::filetime_to_systemtime(local, &st))
        return false;
    *days = day_number(today.tm_mon + 1, today.tm_mday, today.tm_year + 1900) -
            day_number(st.month, st.day, st.year);
    return true;
}

uint64_t local_file_time(const std::wstring& path, int time_kind) {
    platform::FindRecord record;
    if (!lookup(path, &record)) return 0;
    platform::FileTime local = 0;
    if (!platform::filetime_to_local(time_of_kind(record, time_kind), &local)) return 0;
    return local;
}
