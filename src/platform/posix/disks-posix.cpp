// What kind of disk a path lies on, from the block device's queue in sysfs.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/posix/host-posix.h"

namespace platform {

namespace {

// The first character of `file`, 0 when it cannot be read.
char first_char_of(const std::string& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char c = 0;
    if (::read(fd, &c, 1) != 1) c = 0;
    ::close(fd);
    return c;
}

}  // namespace

bool on_rotating_disk(const wchar_t* path) {
    std::string host;
    if (!posix::to_host(path, host)) return false;
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return false;
    char link[64];
    std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(st.st_dev), minor(st.st_dev));
    char* resolved = realpath(link, nullptr);
    if (!resolved) return false;  // not a block device (tmpfs, a network file system)
    std::string device(resolved);
    std::free(resolved);
    // A virtual disk (virtio) says nothing of what lies under it: its flag is
    // the kernel's default for a device that does not report, not a fact.
    if (device.find("/virtio") != std::string::npos) return false;
    // A partition has no queue of its own: its disk is the folder above it.
    for (int level = 0; level < 2 && !device.empty(); ++level) {
        char rotational = first_char_of(device + "/queue/rotational");
        if (rotational) return rotational == '1';
        device.erase(device.rfind('/'));
    }
    return false;
}

}  // namespace platform
