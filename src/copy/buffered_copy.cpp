#include "copy/buffered_copy.h"

#include <new>

#include "copy/temporary.h"
#include "log/output.h"
#include "platform/platform.h"

namespace {

constexpr const char* BUFFERED_COPY_UNIT = "s_list_u64";
constexpr size_t COPY_BUFFER_SIZE = 524288;
constexpr uint32_t READ_PIECE = 65536;

// One buffer per thread that copies, kept for the run.
char* copy_buffer() {
    thread_local char* buffer = nullptr;
    if (!buffer) buffer = new (std::nothrow) char[COPY_BUFFER_SIZE];
    return buffer;
}

std::wstring name_with_plus_for_char5(std::wstring path) {
    size_t slash = path.find_last_of(L"\\/");
    for (size_t i = slash == std::wstring::npos ? 0 : slash + 1; i < path.size(); ++i)
        if (path[i] == 5) path[i] = L'+';
    return path;
}

// Every byte of `in` written to `out`; a failed or short read or write fails.
bool copy_contents(platform::FileHandle in, platform::FileHandle out, char* buffer, uint64_t* copied) {
    *copied = 0;
    for (;;) {
        if (platform::interrupt_requested()) return false;
        uint32_t got = 0;
        if (!platform::read_file(in, buffer, READ_PIECE, &got)) return false;
        if (got == 0) return true;
        uint32_t written = 0;
        if (!platform::write_file(out, buffer, got, &written) || written != got) return false;
        *copied += got;
    }
}

}  // namespace

bool buffered_copy(const std::wstring& source, const std::wstring& destination, uint64_t* copied) {
    char* buffer = copy_buffer();
    if (!buffer) {
        text::print(stderr, "\n%s\n%d\nCouldn't create output copy buffer\n", BUFFERED_COPY_UNIT, 598);
        return false;
    }
    platform::FileHandle in = platform::open_file(source.c_str(), platform::Access::read,
                                                  platform::Disposition::open_existing,
                                                  platform::OPEN_BACKUP_SEMANTICS);
    if (!in) return false;
    std::wstring target = name_with_plus_for_char5(destination);
    std::wstring temporary = temporary_name_beside(target);
    platform::FileHandle out = platform::open_file(temporary.c_str(), platform::Access::read_write,
                                                   platform::Disposition::create_new,
                                                   platform::OPEN_WRITE_THROUGH);
    if (!out) {
        platform::close_file(in);
        return false;
    }
    bool complete = copy_contents(in, out, buffer, copied);
    platform::close_file(in);
    platform::close_file(out);
    if (!complete) {
        remove_temporary(temporary);
        return false;
    }
    return replace_with_temporary(temporary, target);
}
