// The folders-only listing of the walk: the system may leave files out.
#include "platform/win32/host-win32.h"

namespace platform {

FindHandle find_first_folders(const wchar_t* pattern, FindRecord* rec) {
    // The limit is advisory: file systems that ignore it return files too, and
    // the walk tests the folder attribute of every entry anyway.
    return win32::find_first_ex(pattern, rec, true);
}

}  // namespace platform
