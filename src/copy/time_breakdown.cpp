#include "copy/time_breakdown.h"

CalendarFields split_file_time(platform::FileTime utc, bool zulu) {
    CalendarFields fields;
    platform::FileTime value = utc;
    bool converted = zulu || platform::filetime_to_local(utc, &value);
    platform::SystemTime st{};
    if (converted) converted = platform::filetime_to_systemtime(value, &st);
    if (converted) {
        fields.month = st.month;
        fields.day = st.day;
        fields.year = st.year;
        fields.hour = st.hour;
        fields.minute = st.minute;
        fields.second = st.second;
        fields.millisecond = st.milliseconds;
    }
    // A zero file time is the year 1601 in any zone, even where the local
    // offset would push it out of range.
    bool zero_time = utc == 0 || (converted && fields.year == 1601);
    if (!converted || zero_time || fields.hour > 24) {
        fields.hour = 0;
        fields.minute = 0;
        fields.second = 0;
    }
    if (zero_time) {
        fields.month = 0;
        fields.day = 0;
        fields.year = 1980;
    }
    return fields;
}

FileTimeBreakdown split_file_times(const platform::FindRecord& record, bool zulu) {
    FileTimeBreakdown b;
    b.raw_creation = record.creation_time;
    b.raw_last_write = record.last_write_time;
    b.raw_last_access = record.last_access_time;
    b.creation = split_file_time(record.creation_time, zulu);
    b.last_write = split_file_time(record.last_write_time, zulu);
    b.last_access = split_file_time(record.last_access_time, zulu);
    return b;
}
