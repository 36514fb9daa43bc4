#include "copy/temporary.h"

#include <atomic>
#include <cwchar>

#include "common/text.h"
#include "platform/platform.h"

namespace {

// What the partial copies of other runs are told from: they have not changed
// since this process started, while a run still writing one changes it.
const platform::FileTime process_started = platform::now_filetime();

bool all_of(const std::wstring& text, size_t from, size_t to, const wchar_t* digits) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
        if (!std::wcschr(digits, text[i])) return false;
    return true;
}

// Tells this run's temporary names from those of a run beside it.
const std::wstring& run_stamp() {
    static const std::wstring stamp =
        text::format("%llx", static_cast<unsigned long long>(platform::now_filetime() & 0xFFFFFFFFFFFULL));
    return stamp;
}

}  // namespace

std::wstring temporary_name_beside(const std::wstring& destination) {
    static std::atomic<unsigned long long> counter{0};
    size_t slash = destination.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : destination.substr(0, slash + 1);
    return folder + TEMPORARY_PREFIX + run_stamp() + text::format("-%llu.tmp", ++counter);
}

bool is_temporary_name(const std::wstring& name) {
    static const std::wstring prefix = TEMPORARY_PREFIX, suffix = L".tmp";
    if (name.size() < prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    size_t run_end = name.find(L'-', prefix.size());
    size_t end = name.size() - suffix.size();
    return run_end != std::wstring::npos && all_of(name, prefix.size(), run_end, L"0123456789abcdef") &&
           all_of(name, run_end + 1, end, L"0123456789");
}

void remove_earlier_partial_copies(const std::wstring& destination, const std::wstring& new_folder,
                                   std::wstring& last_folder) {
    size_t slash = destination.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return;
    if (destination.compare(0, slash + 1, last_folder) == 0 && last_folder.size() == slash + 1) return;
    last_folder.assign(destination, 0, slash + 1);
    if (last_folder == new_folder) return;
    platform::remove_abandoned_files(last_folder, TEMPORARY_PREFIX, is_temporary_name, process_started);
}

void remove_temporary(const std::wstring& temporary) {
    platform::set_file_attributes(temporary.c_str(), platform::ATTR_NORMAL);
    platform::delete_file(temporary.c_str());
}

bool replace_with_temporary(const std::wstring& temporary, const std::wstring& destination,
                            uint32_t destination_attributes) {
    constexpr uint32_t PROTECTED = platform::ATTR_READONLY | platform::ATTR_HIDDEN | platform::ATTR_SYSTEM;
    // Attributes seen when the file was decided may be old by now: the
    // rename then looks again. Those looked up here serve it as they are.
    const bool looked_up_now = destination_attributes == UNKNOWN_ATTRIBUTES;
    uint32_t existing = looked_up_now ? platform::get_file_attributes(destination.c_str()) : destination_attributes;
    bool refused = existing != platform::INVALID_ATTRIBUTES && (existing & PROTECTED);
    bool moved = !refused && (looked_up_now && existing != platform::INVALID_ATTRIBUTES
                                  ? platform::move_file_onto(temporary.c_str(), destination.c_str(), existing)
                                  : platform::move_file_replace(temporary.c_str(), destination.c_str()));
    if (!moved) {
        remove_temporary(temporary);
        return false;
    }
    return true;
}
