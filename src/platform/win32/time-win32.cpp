// Clock, calendar and time-zone services of kernel32 and the C runtime.
#include <time.h>

#include <ctime>

#include "platform/win32/host-win32.h"

namespace platform {

FileTime now_filetime() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return win32::to_filetime(t);
}

int64_t now_seconds() { return _time64(nullptr); }

bool filetime_to_local(FileTime utc, FileTime* local) {
    FILETIME in = win32::from_filetime(utc), out;
    if (!FileTimeToLocalFileTime(&in, &out)) return false;
    *local = win32::to_filetime(out);
    return true;
}

bool filetime_to_systemtime(FileTime t, SystemTime* out) {
    FILETIME in = win32::from_filetime(t);
    SYSTEMTIME s;
    if (!FileTimeToSystemTime(&in, &s)) return false;
    *out = SystemTime{s.wYear, s.wMonth, s.wDayOfWeek, s.wDay, s.wHour, s.wMinute, s.wSecond, s.wMilliseconds};
    return true;
}

bool local_time(int64_t seconds, std::tm* out) {
    __time64_t t = seconds;
    return _localtime64_s(out, &t) == 0;
}

bool utc_time(int64_t seconds, std::tm* out) {
    __time64_t t = seconds;
    return _gmtime64_s(out, &t) == 0;
}

int64_t make_local_time(std::tm* t) { return _mktime64(t); }

TimeZoneInfo time_zone() {
    // The runtime's own variables (the msvcrt import library has no
    // _get_tzname family), read right after _tzset as the program documents.
    _tzset();
    TimeZoneInfo info;
    info.standard_name = win32::widen_ansi(_tzname[0]);
    info.daylight_name = win32::widen_ansi(_tzname[1]);
    info.offset_seconds = _timezone;
    info.daylight = _daylight;
    return info;
}

void sleep_ms(unsigned ms) { Sleep(ms); }

}  // namespace platform
