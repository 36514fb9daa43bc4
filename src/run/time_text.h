// The 24-character date form "Www Mmm dd hh:mm:ss yyyy" of the header and the
// statistics, with English names whatever the locale.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

std::string ctime_text(const std::tm& t);
// Seconds since 1970 as local time (or UTC when `utc`).
std::string ctime_text(int64_t seconds, bool utc);
