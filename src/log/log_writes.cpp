#include "log/log_writes.h"

#include <algorithm>

#include "log/output.h"

namespace {

void report_once(LogWriteWatch& watch, LogWriteWatch::Watched& log) {
    watch.failed = true;
    if (log.reported) return;
    log.reported = true;
    if (std::find(watch.said.begin(), watch.said.end(), log.name) != watch.said.end()) return;
    watch.said.push_back(log.name);
    text::print(stdout, "\nCan't write %s %ls\n", log.kind, log.name.c_str());
}

}  // namespace

void watch_log(LogWriteWatch& watch, FILE* stream, const std::wstring& name, std::unique_ptr<char[]> buffer,
               const char* kind) {
    if (stream) watch.logs.push_back({stream, name, false, std::move(buffer), kind});
}

void check_log_writes(LogWriteWatch& watch) {
    for (LogWriteWatch::Watched& log : watch.logs)
        if (std::ferror(log.stream)) report_once(watch, log);
}

void close_log(LogWriteWatch& watch, FILE*& stream) {
    if (!stream) return;
    bool failed = std::ferror(stream) != 0;
    failed = std::fclose(stream) != 0 || failed;
    for (size_t i = 0; i < watch.logs.size(); ++i) {
        if (watch.logs[i].stream != stream) continue;
        if (failed) report_once(watch, watch.logs[i]);
        watch.logs.erase(watch.logs.begin() + static_cast<long>(i));
        break;
    }
    stream = nullptr;
}
