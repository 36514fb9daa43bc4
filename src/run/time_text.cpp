#include "run/time_text.h"

#include <cstdio>

#include "platform/platform.h"

std::string ctime_text(const std::tm& t) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s %s %02d %02d:%02d:%02d %04d",
                  days[(t.tm_wday % 7 + 7) % 7], months[(t.tm_mon % 12 + 12) % 12], t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
    return buffer;
}

std::string ctime_text(int64_t seconds, bool utc) {
    std::tm t{};
    bool ok = utc ? platform::utc_time(seconds, &t) : platform::local_time(seconds, &t);
    if (!ok) return std::string(24, ' ');
    return ctime_text(t);
}
