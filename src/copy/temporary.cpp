#include "copy/temporary.h"

#include "common/text.h"
#include "platform/platform.h"

namespace {

// Tells this run's temporary names from those of a run beside it.
const std::wstring& run_stamp() {
    static const std::wstring stamp =
        text::format("%llx", static_cast<unsigned long long>(platform::now_filetime() & 0xFFFFFFFFFFFULL));
    return stamp;
}

}  // namespace

std::wstring temporary_name_beside(const std::wstring& destination) {
    static unsigned long long counter = 0;
    size_t slash = destination.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : destination.substr(0, slash + 1);
    return folder + TEMPORARY_PREFIX + run_stamp() + text::format("-%llu.tmp", ++counter);
}

void remove_temporary(const std::wstring& temporary) {
    platform::set_file_attributes(temporary.c_str(), platform::ATTR_NORMAL);
    platform::delete_file(temporary.c_str());
}

bool replace_with_temporary(const std::wstring& temporary, const std::wstring& destination,
                            uint32_t destination_attributes) {
    constexpr uint32_t PROTECTED = platform::ATTR_READONLY | platform::ATTR_HIDDEN | platform::ATTR_SYSTEM;
    uint32_t existing = destination_attributes == UNKNOWN_ATTRIBUTES
                            ? platform::get_file_attributes(destination.c_str())
                            : destination_attributes;
    bool refused = existing != platform::INVALID_ATTRIBUTES && (existing & PROTECTED);
    if (refused || !platform::move_file_replace(temporary.c_str(), destination.c_str())) {
        remove_temporary(temporary);
        return false;
    }
    return true;
}
