// Host names as Windows names and back: any bytes come back exactly, and no
// host name becomes a Windows name that holds a separator, a drive colon, a
// wildcard or a control character. Text typed by a user keeps its characters
// and comes back with '\' as the host's '/'.
#include <string>

#include "fuzz_support.h"
#include "platform/names.h"

namespace {

bool forbidden_in_a_name(wchar_t c) {
    return (c >= 1 && c <= 31) || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string host(reinterpret_cast<const char*>(data), size);
    if (host.find('\0') != std::string::npos) return 0;  // no host name holds a NUL

    if (host.find('/') == std::string::npos) {
        std::wstring name = platform::windows_name(host);
        FUZZ_CHECK(platform::host_bytes(name) == host);
        for (wchar_t c : name) FUZZ_CHECK(!forbidden_in_a_name(c));
    }

    std::wstring typed;
    platform::append_windows_text(host.data(), host.size(), platform::HostText::typed, typed);
    std::string expected = host;
    for (char& c : expected)
        if (c == '\\') c = '/';
    FUZZ_CHECK(platform::host_bytes(typed) == expected);
    return 0;
}
