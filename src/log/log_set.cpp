#include "log/log_set.h"

#include "log/log_files.h"
#include "log/log_name_value.h"
#include "log/output.h"
#include "platform/names.h"
#include "platform/platform.h"

namespace {

std::wstring_view last_name(std::wstring_view path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring_view::npos ? path : path.substr(cut + 1);
}

// As a case-blind file system compares names; on a host that tells case
// apart this only lets more names on to the look-up.
bool same_name(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (platform::file_system_upper(a[i]) != platform::file_system_upper(b[i])) return false;
    return true;
}

// True when `stream`, a watched log, is the file `name`.
bool is_log_file(const LogStreams& logs, FILE* stream, const std::wstring& name) {
    for (const LogWriteWatch::Watched& log : logs.writes.logs) {
        if (log.stream != stream) continue;
        platform::FileIdentity open, named;
        return platform::get_file_identity(log.name.c_str(), &open) &&
               platform::get_file_identity(name.c_str(), &named) && open == named;
    }
    return false;
}

// A log of the mask already open stays as it is (two streams never share
// one file). The error log is another matter: bit 16 makes the mask's error
// log the error stream in place of standard error, an -E file or another
// error log, unless it is that very file already.
bool already_open(const LogStreams& logs, int32_t bit, FILE* stream, const std::wstring& name) {
    if (bit != LOG_ERROR) return stream != nullptr;
    return stream && stream != stderr && is_log_file(logs, stream, name);
}

}  // namespace

void note_run_file(LogStreams& logs, const std::wstring& name) {
    RunFile file{name, {}};
    if (platform::get_file_identity(name.c_str(), &file.identity)) logs.run_files.push_back(std::move(file));
}

bool is_run_file(const LogStreams& logs, const std::wstring& path) {
    std::wstring_view name = last_name(path);
    bool identity_known = false;
    platform::FileIdentity identity;
    for (const RunFile& file : logs.run_files) {
        if (!same_name(name, last_name(file.name))) continue;
        if (!identity_known && !platform::get_file_identity(path.c_str(), &identity)) return false;
        identity_known = true;
        if (identity == file.identity) return true;
    }
    return false;
}

bool use_default_log(LogStreams& logs, const std::wstring& name) {
    close_log_stream(logs, logs.default_log);
    bool unusable = false;
    logs.default_log = open_default_log(name, &unusable);
    watch_log(logs.writes, logs.default_log, name);
    if (logs.default_log) note_run_file(logs, name);
    return !unusable;
}

bool reopen_default_log(LogStreams& logs, const std::wstring& name, const char* mode) {
    if (logs.default_log) return true;
    if (name.empty()) return false;
    logs.default_log = platform::open_stream(name.c_str(), mode);
    if (!logs.default_log) return false;
    std::fseek(logs.default_log, 0, SEEK_END);
    watch_log(logs.writes, logs.default_log, name);
    return true;
}

bool open_logs_of_mask(const std::wstring& base, int32_t mask, LogStreams& logs) {
    struct Slot {
        int32_t bit;
        FILE*& stream;
    };
    Slot slots[] = {{LOG_LIST, logs.list_log},
                    {LOG_COPIED, logs.copied_log},
                    {LOG_NOT_COPIED, logs.not_copied_log},
                    {LOG_RENAMED, logs.renamed_log},
                    {LOG_ERROR, logs.error_log}};
    for (Slot& slot : slots) {
        if (!(mask & slot.bit)) continue;
        const std::wstring name = log_file_name(base, slot.bit);
        if (already_open(logs, slot.bit, slot.stream, name)) continue;
        std::unique_ptr<char[]> buffer;
        FILE* opened = open_set_log(base, slot.bit, &buffer);
        if (!opened) {
            text::print(stdout, "\nCan't open log file %ls\n", name.c_str());
            return false;
        }
        if (slot.stream && slot.stream != stderr) close_log_stream(logs, slot.stream);
        slot.stream = opened;
        watch_log(logs.writes, opened, name, std::move(buffer));
        note_run_file(logs, name);
    }
    return true;
}

bool use_hash_log(LogStreams& logs, const std::wstring& name) {
    FILE* file = platform::open_stream(name.c_str(), "a+");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    close_log_stream(logs, logs.hash_log);
    logs.hash_log = file;
    watch_log(logs.writes, file, name);
    note_run_file(logs, name);
    return true;
}

void use_error_log_file(LogStreams& logs, const std::wstring& name) {
    FILE* file = platform::open_stream(name.c_str(), "a+");
    if (!file) return;
    std::fseek(file, 0, SEEK_END);
    if (logs.error_log != stderr) close_log_stream(logs, logs.error_log);
    logs.error_log = file;
    watch_log(logs.writes, file, name);
    note_run_file(logs, name);
}

void close_log_stream(LogStreams& logs, FILE*& stream) { close_log(logs.writes, stream); }

bool log_writes_failed(LogStreams& logs) {
    for (LogWriteWatch::Watched& log : logs.writes.logs) std::fflush(log.stream);
    check_log_writes(logs.writes);
    return logs.writes.failed;
}
