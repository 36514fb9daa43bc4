// The log streams of a run as the options open them, the run writes them
// and its end closes them: every log file is watched for failed writes.
#pragma once

#include <cstdint>
#include <string>

#include "log/log_writes.h"
#include "state/log_streams.h"

// Opens the default log `name` (trimmed, with this run's row of asterisks)
// in place of an earlier one, which is closed. False (after its message)
// when the file can be neither opened nor created: the run then ends with
// exit code 1 and no statistics.
bool use_default_log(LogStreams& logs, const std::wstring& name);
// The default log `name` again for appending ("a+") or, at the end, for its
// closing lines ("r+", never created), when it is not open. False when it
// cannot be opened.
bool reopen_default_log(LogStreams& logs, const std::wstring& name, const char* mode);
// Opens the logs of `mask` other than the default log, in the order 2, 4, 8,
// 32, 16, each into its own stream. A log already open stays as it is (its
// records keep going to its file); the error log of the mask replaces the
// error stream (standard error, an -E file) unless it is that file already. False, after a line that names it, when a log cannot be
// opened: the run then ends with OUTPUT_FILE.
bool open_logs_of_mask(const std::wstring& base, int32_t mask, LogStreams& logs);
// -H and --hashlog=: the hash log `name` opened for appending in place of an
// earlier one, which is closed, and watched as the logs are. False when it
// cannot be opened (an earlier one then stays).
bool use_hash_log(LogStreams& logs, const std::wstring& name);
// -E: the error log file `name` opened for appending; standard error stays
// the error stream when it cannot be opened.
void use_error_log_file(LogStreams& logs, const std::wstring& name);
// Notes the file `name` the run has just opened to write to (a log, the
// hash log, the memo) among the run's files.
void note_run_file(LogStreams& logs, const std::wstring& name);
// True when `path` names one of the run's files, by the file itself: other
// spellings and folder links lead to it too. Only a path whose last name is
// one of theirs is looked up, so most cost nothing.
bool is_run_file(const LogStreams& logs, const std::wstring& path);
// Closes `stream`, one of the streams of `logs` (null afterwards).
void close_log_stream(LogStreams& logs, FILE*& stream);
// Writes out what the logs hold and says which of them failed a write, once
// each. True when a log write failed at any time in the run.
bool log_writes_failed(LogStreams& logs);
