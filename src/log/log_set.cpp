#include "log/log_set.h"

#include "log/log_files.h"
#include "log/log_name_value.h"
#include "platform/platform.h"

bool use_default_log(LogStreams& logs, const std::wstring& name) {
    close_log_stream(logs, logs.default_log);
    bool unusable = false;
    logs.default_log = open_default_log(name, &unusable);
    watch_log(logs.writes, logs.default_log, name);
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
        bool open = slot.stream && slot.stream != stderr;
        if (!(mask & slot.bit) || open) continue;
        std::unique_ptr<char[]> buffer;
        FILE* opened = open_set_log(base, slot.bit, &buffer);
        if (!opened) return false;
        slot.stream = opened;
        watch_log(logs.writes, opened, log_file_name(base, slot.bit), std::move(buffer));
    }
    return true;
}

void use_error_log_file(LogStreams& logs, const std::wstring& name) {
    FILE* file = platform::open_stream(name.c_str(), "a+");
    if (!file) return;
    std::fseek(file, 0, SEEK_END);
    if (logs.error_log != stderr) close_log_stream(logs, logs.error_log);
    logs.error_log = file;
    watch_log(logs.writes, file, name);
}

void close_log_stream(LogStreams& logs, FILE*& stream) { close_log(logs.writes, stream); }

bool log_writes_failed(LogStreams& logs) {
    for (LogWriteWatch::Watched& log : logs.writes.logs) std::fflush(log.stream);
    check_log_writes(logs.writes);
    return logs.writes.failed;
}
