// The current file's three times as calendar fields, as the LIST and COPIED
// records print them and the tilde renaming reads them.
#pragma once

#include "platform/platform.h"

struct CalendarFields {
    int month = 0, day = 0, year = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

struct FileTimeBreakdown {
    CalendarFields creation, last_write, last_access;
    platform::FileTime raw_creation = 0, raw_last_write = 0, raw_last_access = 0;
};

// One file time as calendar fields: local time unless `zulu`. A zero time
// shows as 00/00/1980 00:00:00; a time that cannot be converted keeps no
// clock fields.
CalendarFields split_file_time(platform::FileTime utc, bool zulu);
// The three times of a find record (zulu_time of the run decides the zone).
FileTimeBreakdown split_file_times(const platform::FindRecord& record, bool zulu);
