// The selection cascade's tests: attributes, age (dates or days), size, and
// the times the newer test compares.
#pragma once

#include "copy/copy_context.h"

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Reason texts of the NOT_COPIED record.
inline constexpr const char* REASON_ATTRIBUTES = "Attributes";
inline constexpr const char* REASON_AGE = "reason: AGE Criteria";
inline constexpr const char* REASON_SIZE = "reason: SIZE Criteria";
inline constexpr const char* REASON_NOT_EXISTING = "reason: CRITERIA: destination not previously existing";
inline constexpr const char* REASON_LISTING_ONLY = "reason: LISTING ONLY REQUESTED";
inline constexpr const char* REASON_COPY_ERROR = "reason: ******** COPY ERROR *******";

// Every attribute asked for with -a is present.
bool passes_attribute_test(const CopyContext& c, uint32_t attributes);
// -g/-l: the date-range form when a date carried A, C or W letters, else
// the day form on the file at `source_path`.
bool passes_age_test(const CopyContext& c, const std::wstring& source_path, const platform::FindRecord& record);
bool passes_date_range_test(const CopyContext& c, const platform::FindRecord& record);
bool passes_size_test(const CopyContext& c, int64_t size);

// The record's time of the kind `time_kind` names: 'A'/'a' last access,
// 'C'/'c' creation, anything else last write.
platform::FileTime time_of_kind(const platform::FindRecord& record, int time_kind);
// Whole days from the local date of the file's chosen time to today's local
// date; false when the file can no longer be found.
bool age_in_days(const CopyContext& c, const std::wstring& path, int time_kind, int32_t* days);
