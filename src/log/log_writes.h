// Log writes that fail (a full disk, a removed device, a file that may not
// grow) are not silent: the run goes on copying, says once on the screen
// which log could not be written, and ends with WRITE_ERROR.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "state/log_streams.h"

// Watches `stream`, the log file `name`; `buffer`, the stream's own buffer
// when it was given one, is kept until the stream is closed. `kind` names
// the file in its failure ("memo file": the memo is watched as logs are).
void watch_log(LogWriteWatch& watch, FILE* stream, const std::wstring& name, std::unique_ptr<char[]> buffer = nullptr,
               const char* kind = "log file");
// Reports each watched log that failed a write since the last check, once
// per log name: a log opened again after it failed is not said again.
// Costs a flag test per open log: a check after each file is cheap.
void check_log_writes(LogWriteWatch& watch);
// Closes `stream` (null afterwards); a failure of its last writes is
// reported as in check_log_writes.
void close_log(LogWriteWatch& watch, FILE*& stream);
