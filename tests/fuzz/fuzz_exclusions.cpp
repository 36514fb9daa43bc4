// An exclusion list file (the input up to its first NUL) read as --exclude
// reads it, then the name after the NUL tested against it. Without
// --exclude_case a name and its ASCII upper-case form are excluded alike.
#include <cstdio>
#include <cwctype>

#include "common/exclusions.h"
#include "fuzz_run_support.h"
#include "fuzz_support.h"
#include "options/lists.h"
#include "state/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start_in_scratch_folder();
    std::vector<std::string> parts = split_at_nuls(data, size, 2);
    FILE* list = std::fopen("exclude.lst", "wb");
    if (!list) std::abort();
    std::fwrite(parts[0].data(), 1, parts[0].size(), list);
    std::fclose(list);
    std::wstring name = parts.size() > 1 ? text::from_utf8(parts[1]) : std::wstring();
    std::wstring upper = name;
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    int code = run_and_end([&](Parsing& parsing) {
        read_exclude_file(parsing, L"exclude.lst");
        parsing.config.options.exclude_select = 1;
        Exclusions exclusions = parsing.config.exclusions();
        FUZZ_CHECK(exclusions.excludes(name) == exclusions.excludes(upper));
    });
    check_documented_exit(code);
    return 0;
}
