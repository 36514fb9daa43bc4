#include "copy/file_times.h"

#include "platform/platform.h"

bool set_times_of_file(const std::wstring& path, const FileTimes& times) {
    return set_times_of_file(path, times, platform::get_file_attributes(path.c_str()));
}

bool set_times_of_file(const std::wstring& path, const FileTimes& times, uint32_t attributes) {
    constexpr uint32_t PROTECTING = platform::ATTR_READONLY | platform::ATTR_SYSTEM;
    bool cleared = attributes != platform::INVALID_ATTRIBUTES && (attributes & PROTECTING);
    if (cleared) platform::set_file_attributes(path.c_str(), attributes & ~PROTECTING);

    bool ok = false;
    platform::FileHandle h =
        platform::open_file(path.c_str(), platform::Access::read_write, platform::Disposition::open_existing,
                            platform::OPEN_BACKUP_SEMANTICS | platform::OPEN_SEQUENTIAL_SCAN);
    if (h) {
        ok = platform::set_file_times(h, &times.creation, &times.last_access, &times.last_write);
        platform::close_file(h);
    }
    if (cleared) platform::set_file_attributes(path.c_str(), attributes);
    return ok;
}
