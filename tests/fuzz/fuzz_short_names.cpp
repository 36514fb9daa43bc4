// Generated 8.3 names: one per long name, each a valid 8.3 name when given,
// none given twice in a folder and none equal to another entry's long name.
#include <set>
#include <vector>

#include "fuzz_support.h"
#include "platform/names.h"

namespace {

std::wstring folded(const std::wstring& name) {
    std::wstring upper = name;
    for (wchar_t& c : upper) c = platform::file_system_upper(c);
    return upper;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One name per line, as a folder would hold them: distinct and not empty.
    std::wstring all = text::from_utf8(reinterpret_cast<const char*>(data), size);
    std::vector<std::wstring> names;
    std::set<std::wstring> seen;
    size_t start = 0;
    while (start <= all.size() && names.size() < 64) {
        size_t end = all.find(L'\n', start);
        if (end == std::wstring::npos) end = all.size();
        std::wstring name = all.substr(start, end - start);
        if (!name.empty() && name.find_first_of(std::wstring(L"\\/:*?\"<>|\0", 10)) == std::wstring::npos &&
            name != L"." && name != L".." && seen.insert(name).second)
            names.push_back(name);
        start = end + 1;
    }
    std::vector<std::wstring> shorts = platform::generate_short_names(names);
    FUZZ_CHECK(shorts.size() == names.size());
    std::set<std::wstring> long_names;
    for (const std::wstring& name : names) long_names.insert(folded(name));
    std::set<std::wstring> given;
    for (size_t i = 0; i < names.size(); ++i) {
        if (shorts[i].empty()) {
            FUZZ_CHECK(platform::is_valid_8dot3(names[i]));
            continue;
        }
        FUZZ_CHECK(platform::is_valid_8dot3(shorts[i]));
        FUZZ_CHECK(given.insert(shorts[i]).second);
        FUZZ_CHECK(long_names.count(folded(shorts[i])) == 0);
    }
    return 0;
}
