// The files of the log set: their names, the opening of the default log
// (trimmed at its end-of-file mark, a row of asterisks per run) and of the
// other logs of the mask, each with its header line and its announcement.
// Every log is opened for appending: what earlier runs wrote stays.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// The file of the log of mask bit `bit` for the base name `base`: the base
// name itself for the default log, else its drive, folder and file name,
// the log's suffix ("_LIST", ...) and the base name's extension (".LOG"
// when it has none).
std::wstring log_file_name(const std::wstring& base, int32_t bit);

// Cuts the file at its first Ctrl-Z or NUL byte when it is longer than
// 9 bytes; creates it when it does not exist. False when it can be neither
// opened nor created. A file that cannot be read keeps its length.
bool trim_at_end_of_file_mark(const std::wstring& name);

// Creates the log's folder, trims the file, opens it for appending and writes
// the row of asterisks that starts this run's part. Null (after "Can't open
// accounting file") when it cannot be opened for appending; null with
// `unusable` set (after its message) when the file can be neither opened nor
// created, which ends the process with exit code 1.
FILE* open_default_log(const std::wstring& name, bool* unusable);

// Opens the log of `bit` (not the default log) for appending, writes its
// header line, announces it on the screen and pauses a second. Null when
// the file cannot be opened. `buffer` receives the stream's buffer, which
// must be kept until the stream is closed.
FILE* open_set_log(const std::wstring& base, int32_t bit, std::unique_ptr<char[]>* buffer);
