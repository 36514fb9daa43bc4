// Clock, calendar and time-zone services of the C runtime, on POSIX.
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "common/text.h"
#include "platform/posix/host-posix.h"

namespace platform {

FileTime now_filetime() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    // GetSystemTime has millisecond resolution.
    ts.tv_nsec -= ts.tv_nsec % 1000000;
    return posix::to_filetime(ts);
}

int64_t now_seconds() { return static_cast<int64_t>(::time(nullptr)); }

bool filetime_to_local(FileTime utc, FileTime* local) {
    // The zone's current bias, as FileTimeToLocalFileTime applies it.
    time_t now = ::time(nullptr);
    struct tm lt;
    if (!localtime_r(&now, &lt)) return false;
    int64_t bias = int64_t(lt.tm_gmtoff) * 10000000;
    int64_t result = static_cast<int64_t>(utc) + bias;
    if (result < 0) return false;
    *local = static_cast<FileTime>(result);
    return true;
}

bool filetime_to_systemtime(FileTime t, SystemTime* out) {
    if (t >= 0x8000000000000000ULL) return false;
    int64_t units = static_cast<int64_t>(t);
    int64_t seconds_since_1601 = units / 10000000;
    int milliseconds = static_cast<int>((units % 10000000) / 10000);
    // Civil date from days since 1601-01-01 (proleptic Gregorian).
    int64_t days = seconds_since_1601 / 86400;
    int64_t rest = seconds_since_1601 % 86400;
    out->day_of_week = static_cast<int>((days + 1) % 7);  // 1601-01-01 was a Monday
    // Shift to days since 0000-03-01 for the standard algorithm.
    int64_t z = days + 584694;  // 1601-01-01 as days since 0000-03-01
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    out->year = static_cast<int>(y);
    out->month = static_cast<int>(m);
    out->day = static_cast<int>(d);
    out->hour = static_cast<int>(rest / 3600);
    out->minute = static_cast<int>((rest % 3600) / 60);
    out->second = static_cast<int>(rest % 60);
    out->milliseconds = milliseconds;
    return true;
}

namespace {
// The runtime's 64-bit time functions cover 1970 to the end of the year 3000 (UTC).
constexpr int64_t LAST_SECOND = 32535215999;
bool in_runtime_range(int64_t seconds) { return seconds >= 0 && seconds <= LAST_SECOND; }
}  // namespace

bool local_time(int64_t seconds, std::tm* out) {
    time_t t = static_cast<time_t>(seconds);
    return in_runtime_range(seconds) && localtime_r(&t, out) != nullptr;
}

bool utc_time(int64_t seconds, std::tm* out) {
    time_t t = static_cast<time_t>(seconds);
    return in_runtime_range(seconds) && gmtime_r(&t, out) != nullptr;
}

int64_t make_local_time(std::tm* t) {
    errno = 0;
    time_t result = mktime(t);
    if (result == static_cast<time_t>(-1) && errno != 0) return -1;
    return in_runtime_range(result) ? static_cast<int64_t>(result) : -1;
}

TimeZoneInfo time_zone() {
    tzset();
    TimeZoneInfo info;
    info.standard_name = text::from_utf8(tzname[0] ? tzname[0] : "");
    info.daylight_name = text::from_utf8(tzname[1] ? tzname[1] : "");
    info.offset_seconds = timezone;
    info.daylight = daylight;
    return info;
}

void sleep_ms(unsigned ms) {
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace platform
