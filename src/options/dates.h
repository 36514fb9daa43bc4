// Age values of -g/-l and the INI age lines: days or dates, the A/C/W
// letters, day counts, the split of a date text by layout, cut-offs and the
// day numbers with which file ages are measured.
#pragma once

#include <cstdint>
#include <string>

#include "state/run_state.h"

// Every a/c/w letter of `value` (any case, anywhere) sets age_use_access,
// age_use_create or age_use_write to 'a'.
void scan_age_letters(Configuration& config, const std::wstring& value);
// True when `value` holds none of '-', '/', '\': a number of days.
bool is_day_count(const std::wstring& value);
// Whole days from local midnight of the date in `text` to now (negative for
// a future date).
int32_t day_count(const char* text);
// Month, day and year of a date text by its layout (compact or separated).
void split_date(const char* text, int* month, int* day, int* year);
// Local midnight at the start of the date as a FILETIME.
uint64_t cutoff_filetime(int month, int day, int year);
// The local calendar time as a FILETIME (seconds, minutes, hours, day,
// month 1-12, year), daylight-saving flag 0.
uint64_t local_calendar_filetime(int second, int minute, int hour, int day, int month, int year);
// A day past the end of its month, which no date of the host gives.
constexpr int INVALID_DAY = -1;
// 1 for 1 January; 0 for a month above 12 or a day above 31; INVALID_DAY
// for a day past the end of its month.
int day_of_year(int month, int day, int year);
// 19,000 plus the days from 1 January 1900 to the date; 0 for a month above
// 12 or a day above 31; INVALID_DAY as day_of_year.
int32_t day_number(int month, int day, int year);
// The end of a run that met an invalid day: "%d/%d/%d is not a valid date"
// and the bare exit with 0.
[[noreturn]] void end_on_invalid_date(Run& run, int month, int day, int year);
