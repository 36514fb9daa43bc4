#include "log/log_files.h"

#include <memory>
#include <new>
#include <vector>

#include "common/paths.h"
#include "log/log_folder.h"
#include "log/log_name_value.h"
#include "log/output.h"
#include "platform/pause.h"
#include "platform/platform.h"

namespace {

struct SetLog {
    int32_t bit;
    const wchar_t* suffix;
    const char* header;  // some headers have no line end: the first record starts with one
    const char* announcement;
};

const SetLog SET_LOGS[] = {
    {LOG_LIST, L"_LIST",
     "FILES PROCESSED | SIZE | CREATED DATE-TIME | MODIFIED DATE-TIME | ACCESSED DATE-TIME |",
     "\nopened files list %ls"},
    {LOG_COPIED, L"_COPIED",
     "FILES SUCCESSFULLY COPIED SIZE | SOURCE | Filler | DESTINATION | SOURCE CREATED DATE-TIME | "
     "MODIFIED DATE-TIME | ACCESSED DATE-TIME |\n",
     "\nopened copied list %ls"},
    {LOG_NOT_COPIED, L"_NOT_COPIED", "FILES NOT COPIED", "\nopened not copied list %ls"},
    {LOG_RENAMED, L"_RENAMED_FILES",
     "FILES WHICH HAVE A SHORT FILENAME xxx~N AS LONG FILENAME AND HAVE BEEN RENAMED\n",
     "\nopened renamed list %ls"},
    {LOG_ERROR, L"_ERROR", "FILES WHICH WERE NOT COPIED DUE TO SOME ERROR\n", "\nopened error list %ls"},
};

const SetLog* set_log(int32_t bit) {
    for (const SetLog& log : SET_LOGS)
        if (log.bit == bit) return &log;
    return nullptr;
}

// The unit and line numbers the default log's fatal messages name.
constexpr const char* GENERIC_UNIT = "Generic_64";
constexpr int OPEN_FAILURE_LINE = 118;

void report_default_log_unopenable(const std::wstring& name) {
    text::print(stderr, "\n%s\n%d\nerror opening %ls\n", GENERIC_UNIT, OPEN_FAILURE_LINE, name.c_str());
}

// The offset of the first Ctrl-Z or NUL byte, or -1. Only bytes actually read
// count: a read that fails ends the search without a mark.
int64_t end_of_file_mark(platform::FileHandle file) {
    std::vector<unsigned char> buffer(1 << 16);
    int64_t offset = 0;
    uint32_t done = 0;
    while (platform::read_file(file, buffer.data(), static_cast<uint32_t>(buffer.size()), &done) && done > 0) {
        for (uint32_t i = 0; i < done; ++i)
            if (buffer[i] == 0x1A || buffer[i] == 0x00) return offset + i;
        offset += done;
    }
    return -1;
}

// A record per file: a large buffer keeps the writes few. The buffer must
// outlive the stream: the caller keeps it until the stream is closed.
std::unique_ptr<char[]> give_large_buffer(FILE* stream) {
    constexpr size_t SIZE = 1 << 16;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[SIZE]);
    if (buffer) std::setvbuf(stream, buffer.get(), _IOFBF, SIZE);
    return buffer;
}

}  // namespace

std::wstring log_file_name(const std::wstring& base, int32_t bit) {
    const SetLog* log = set_log(bit);
    if (!log) return base;
    paths::SplitPath parts = paths::split_path(base);
    std::wstring extension = parts.ext.empty() ? std::wstring(L".LOG") : parts.ext;
    return parts.drive + parts.dir + parts.fname + log->suffix + extension;
}

bool trim_at_end_of_file_mark(const std::wstring& name) {
    using platform::Access;
    using platform::Disposition;
    // A log on /dev/null discards; it has no end-of-file mark to cut.
    platform::FileHandle file = platform::open_file(name.c_str(), Access::read_write, Disposition::open_existing,
                                                    platform::OPEN_CHARACTER_DEVICE);
    if (!file) file = platform::open_file(name.c_str(), Access::read_write, Disposition::create_new);
    if (!file) return false;
    uint64_t size = 0;
    if (platform::get_file_size(file, &size) && size > 9) {
        int64_t mark = end_of_file_mark(file);
        if (mark >= 0 && platform::seek_file(file, mark, SEEK_SET)) platform::set_end_of_file(file);
    }
    platform::close_file(file);
    return true;
}

FILE* open_default_log(const std::wstring& name, bool* unusable) {
    *unusable = false;
    create_log_folder(name);
    if (!trim_at_end_of_file_mark(name)) {
        report_default_log_unopenable(name);
        *unusable = true;
        return nullptr;
    }
    FILE* log = platform::open_stream(name.c_str(), "a+");
    if (!log) {
        text::print(stdout, "Can't open accounting file %ls\n", name.c_str());
        return nullptr;
    }
    std::fseek(log, 0, SEEK_END);
    text::print(log, "\n%.40s\n", "****************************************");
    return log;
}

FILE* open_set_log(const std::wstring& base, int32_t bit, std::unique_ptr<char[]>* buffer) {
    const SetLog* log = set_log(bit);
    if (!log) return nullptr;
    std::wstring name = log_file_name(base, bit);
    FILE* file = platform::open_stream(name.c_str(), "a+");
    if (!file) return nullptr;
    *buffer = give_large_buffer(file);
    std::fseek(file, 0, SEEK_END);
    text::print(file, "%s", log->header);
    text::print(stdout, log->announcement, name.c_str());
    pause_seconds(1);
    return file;
}
