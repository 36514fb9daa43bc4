#include "copy/buffered_copy.h"

#include <new>

#include "platform/platform.h"

namespace {

constexpr size_t COPY_BUFFER_SIZE = 524288;
constexpr uint32_t READ_PIECE = 65536;

// One buffer per thread that copies, kept for the run.
char* copy_buffer() {
    thread_local char* buffer = nullptr;
    if (!buffer) buffer = new (std::nothrow) char[COPY_BUFFER_SIZE];
    return buffer;
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

std::wstring buffered_copy_name(std::wstring destination) {
    size_t slash = destination.find_last_of(L"\\/");
    for (size_t i = slash == std::wstring::npos ? 0 : slash + 1; i < destination.size(); ++i)
        if (destination[i] == 5) destination[i] = L'+';
    return destination;
}

bool buffered_copy(const std::wstring& source, const std::wstring& new_file, uint64_t* copied, bool* no_buffer) {
    char* buffer = copy_buffer();
    if (!buffer) {
        *no_buffer = true;
        return false;
    }
    platform::FileHandle in = platform::open_file(source.c_str(), platform::Access::read,
                                                  platform::Disposition::open_existing,
                                                  platform::OPEN_BACKUP_SEMANTICS);
    if (!in) return false;
    platform::FileHandle out = platform::open_file(new_file.c_str(), platform::Access::read_write,
                                                   platform::Disposition::create_new, platform::OPEN_WRITE_THROUGH);
    if (!out) {
        platform::close_file(in);
        return false;
    }
    bool complete = copy_contents(in, out, buffer, copied);
    platform::close_file(in);
    platform::close_file(out);
    return complete;
}
