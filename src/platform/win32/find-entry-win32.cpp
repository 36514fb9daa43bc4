// One entry looked up by name: FindFirstFileW on the name itself.
#include "platform/platform.h"

namespace platform {

bool find_entry(const wchar_t* path, FindRecord* rec, bool) {
    FindHandle h = find_first(path, rec);
    if (!h) return false;
    find_close(h);
    return true;
}

}  // namespace platform
